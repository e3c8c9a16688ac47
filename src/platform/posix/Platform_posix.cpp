// POSIX implementation of the OS seam, for the native build and its tests.

#include "platform/Files.h"
#include "platform/FilesImpl.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iconv.h>
#include <limits.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace platform {

void SleepMs(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint32_t TickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

LocalTime Now() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm parts{};
    time_t secs = tv.tv_sec;
    localtime_r(&secs, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,         parts.tm_hour,
            parts.tm_min,         parts.tm_sec,     int(tv.tv_usec / 1000)};
}

std::u16string ExecutableDir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return u"./";
    std::string path(buf, size_t(n));
    return text::FromUtf8(path.substr(0, path.rfind('/') + 1));
}

namespace {
std::string HomeDir() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

// XDG_DESKTOP_DIR from the user's dirs file, with $HOME expanded.
std::string XdgDesktopDir() {
    const char* env = std::getenv("XDG_DESKTOP_DIR");
    if (env && *env)
        return env;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string file =
        (config && *config ? std::string(config) : HomeDir() + "/.config") + "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = HomeDir() + value.substr(5);
        if (!value.empty())
            return value;
    }
    return HomeDir() + "/Desktop";
}
} // namespace

std::u16string DesktopDir() {
    return text::FromUtf8(XdgDesktopDir());
}

std::u16string LocalAppDataDir() {
    const char* data = std::getenv("XDG_DATA_HOME");
    return text::FromUtf8(data && *data ? std::string(data) : HomeDir() + "/.local/share");
}

void DebugOutput(std::u16string_view text) {
    std::string line = text::ToUtf8(text);
    if (line.empty() || line.back() != '\n')
        line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

unsigned AnsiCodePage() {
    return 1252;
}

namespace {
// iconv's name for a Windows code page.
std::string CharsetForCodePage(unsigned cp) {
    switch (cp) {
    case 65001:
        return "UTF-8";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 54936:
        return "GB18030";
    case 51932:
    case 20932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    case 50220:
        return "ISO-2022-JP";
    case 10000:
        return "MACINTOSH";
    default:
        if (cp >= 28592 && cp <= 28605)
            return "ISO-8859-" + std::to_string(cp - 28590);
        return "CP" + std::to_string(cp);
    }
}

// An open converter from one code page; a converter carries shift state
// between calls, so one conversion uses it at a time.
struct Converter {
    std::mutex lock;
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    bool Usable() const { return cd != reinterpret_cast<iconv_t>(-1); }
    ~Converter() {
        if (Usable())
            iconv_close(cd);
    }
};

// The converter of `codePage`, opened on first use and kept for the process:
// opening one costs more than converting a settings file. A code page iconv
// does not know is remembered as such.
Converter& ConverterFor(unsigned codePage) {
    static std::mutex mapLock;
    static std::map<unsigned, std::unique_ptr<Converter>> converters;
    std::lock_guard<std::mutex> guard(mapLock);
    std::unique_ptr<Converter>& slot = converters[codePage];
    if (!slot) {
        slot = std::make_unique<Converter>();
        slot->cd = iconv_open("UTF-16LE", CharsetForCodePage(codePage).c_str());
    }
    return *slot;
}
} // namespace

bool CodePageToUtf16(unsigned codePage, std::string_view bytes, std::u16string& out) {
    out.clear();
    if (codePage == 65001) {
        out = text::FromUtf8(bytes);
        return true;
    }
    Converter& converter = ConverterFor(codePage);
    if (!converter.Usable())
        return false;
    std::lock_guard<std::mutex> guard(converter.lock);
    iconv_t cd = converter.cd;
    // Back to the initial shift state, whatever the last conversion ended in.
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    std::string result(input.size() * 4 + 16, '\0');
    char* o = result.data();
    size_t outLeft = result.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &outLeft) != size_t(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // Like MultiByteToWideChar: an undecodable byte becomes a replacement character.
            ++in;
            --inLeft;
            if (outLeft >= 2) {
                *o++ = char(0xFD);
                *o++ = char(0xFF);
                outLeft -= 2;
            }
            continue;
        }
        break;
    }
    size_t produced = result.size() - outLeft;
    out.resize(produced / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(static_cast<unsigned char>(result[2 * i]) |
                          (static_cast<unsigned char>(result[2 * i + 1]) << 8));
    return true;
}

void SystemMessageBox(const std::u16string& text, const std::u16string& caption) {
    // Appended piece by piece: GCC 12 at -O3 takes "[" + string for an
    // overlapping copy (-Wrestrict) and fails an optimised build.
    std::string line = "[";
    line += text::ToUtf8(caption);
    line += "] ";
    line += text::ToUtf8(text);
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

FilePtr OpenFile(const std::u16string& path, const char* mode) {
    return FilePtr(std::fopen(text::ToUtf8(path).c_str(), mode));
}

bool FlushToDisk(FILE* f) {
    return fsync(fileno(f)) == 0;
}

bool MoveFileOver(const std::u16string& from, const std::u16string& to) {
    return std::rename(text::ToUtf8(from).c_str(), text::ToUtf8(to).c_str()) == 0;
}

bool RemoveFile(const std::u16string& path) {
    return std::remove(text::ToUtf8(path).c_str()) == 0;
}

} // namespace platform
