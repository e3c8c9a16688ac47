#include "sim/StateClaim.h"

#include "platform/Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sim {
namespace {

// The locked byte lies past the marker's text: on Windows a locked range
// cannot be read by others, and the text must stay readable.
constexpr long kLockOffset = 4096;
// Longest holder line read back for a message.
constexpr size_t kMaxHolderText = 200;

std::string Printable(std::string text) {
    if (text.size() > kMaxHolderText)
        text.resize(kMaxHolderText);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0'))
        text.pop_back();
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text.empty() ? std::string("another process") : text;
}

} // namespace

std::u16string StateClaim::MarkerFile(const std::u16string& stateFile) {
    return stateFile + u".served";
}

#ifdef _WIN32

StateClaim::StateClaim(const std::u16string& stateFile, const std::string& who) {
    const std::u16string marker = MarkerFile(stateFile);
    HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(marker.c_str()),
                                GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        m_reason = "cannot open " + text::ToUtf8(marker) + " (error " +
                   std::to_string(::GetLastError()) + ")";
        return;
    }
    OVERLAPPED at{};
    at.Offset = kLockOffset;
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        char text[kMaxHolderText + 1] = {};
        DWORD got = 0;
        ::ReadFile(file, text, kMaxHolderText, &got, nullptr);
        ::CloseHandle(file);
        m_reason = "served by " + Printable(std::string(text, got));
        return;
    }
    const std::string line = who + " (process " + std::to_string(::GetCurrentProcessId()) + ")\n";
    DWORD written = 0;
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file);
    ::WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    ::FlushFileBuffers(file);
    m_file = file;
    m_held = true;
}

StateClaim::~StateClaim() {
    if (m_file)
        ::CloseHandle(static_cast<HANDLE>(m_file)); // ends the lock
}

#else

StateClaim::StateClaim(const std::u16string& stateFile, const std::string& who) {
    const std::string marker = text::ToUtf8(MarkerFile(stateFile));
    const int fd = ::open(marker.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_reason = "cannot open " + marker + " (" + std::strerror(errno) + ")";
        return;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockOffset;
    lock.l_len = 1;
    if (::fcntl(fd, F_SETLK, &lock) != 0) {
        const int error = errno;
        char text[kMaxHolderText + 1] = {};
        const ssize_t got = ::pread(fd, text, kMaxHolderText, 0);
        ::close(fd);
        m_reason = error == EACCES || error == EAGAIN
                       ? "served by " + Printable(std::string(text, got > 0 ? size_t(got) : 0))
                       : "cannot lock " + marker + " (" + std::strerror(error) + ")";
        return;
    }
    const std::string line = who + " (process " + std::to_string(::getpid()) + ")\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, line.data(), line.size(), 0) < 0) {
        // The lock is what counts; the line only names the holder.
    }
    m_fd = fd;
    m_held = true;
}

StateClaim::~StateClaim() {
    if (m_fd >= 0)
        ::close(m_fd); // ends the lock
}

#endif

} // namespace sim
