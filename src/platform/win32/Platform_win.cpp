// Win32 implementation of the OS seam.

#include "platform/Files.h"
#include "platform/FilesImpl.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <windows.h>

#include <io.h>
#include <shlobj.h>

namespace platform {
namespace {
const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
std::u16string U(const wchar_t* s) {
    return reinterpret_cast<const char16_t*>(s);
}

std::u16string SpecialFolder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buf, csidl, FALSE))
        return {};
    return U(buf);
}
} // namespace

void SleepMs(uint32_t ms) {
    ::Sleep(ms);
}

uint32_t TickCount() {
    return ::GetTickCount();
}

LocalTime Now() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::u16string ExecutableDir() {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::u16string path(reinterpret_cast<const char16_t*>(buf), n);
    size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? u".\\" : path.substr(0, slash + 1);
}

std::u16string DesktopDir() {
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY);
}

std::u16string LocalAppDataDir() {
    return SpecialFolder(CSIDL_LOCAL_APPDATA);
}

void DebugOutput(std::u16string_view text) {
    std::u16string s(text);
    ::OutputDebugStringW(W(s));
}

unsigned AnsiCodePage() {
    return ::GetACP();
}

bool CodePageToUtf16(unsigned codePage, std::string_view bytes, std::u16string& out) {
    out.clear();
    if (bytes.empty())
        return ::IsValidCodePage(codePage) || codePage == CP_UTF8;
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(size_t(n));
    ::MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()),
                          reinterpret_cast<wchar_t*>(out.data()), n);
    return true;
}

void SystemMessageBox(const std::u16string& text, const std::u16string& caption) {
    ::MessageBoxW(nullptr, W(text), W(caption), MB_OK);
}

FilePtr OpenFile(const std::u16string& path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return FilePtr(::_wfopen(W(path), wmode.c_str()));
}

bool FlushToDisk(FILE* f) {
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(f)))) != 0;
}

bool MoveFileOver(const std::u16string& from, const std::u16string& to) {
    return ::MoveFileExW(W(from), W(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::u16string& path) {
    return ::DeleteFileW(W(path)) != 0;
}

} // namespace platform
