#include "settings/Log.h"

#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/Settings.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace settings {
namespace {

constexpr long kMaxLogBytes = 512000;
// The debugger writer hands at most 511 characters to the system.
constexpr size_t kDebuggerLineChars = 511;

enum class Writer { None, Debugger, File };

std::atomic<Writer> g_writer{Writer::None};
std::u16string g_szLogPath;
// Several threads log; one entry is written whole before the next starts.
std::mutex g_logMutex;
std::function<void(const std::string&)> g_sink; // guarded by g_logMutex
std::atomic<bool> g_hasSink{false};

std::string Format(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0)
        return {};
    std::string out(size_t(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(size_t(n));
    return out;
}

void ToDebugger(const std::string& message) {
    std::u16string line = u"BY: " + text::FromUtf8(message);
    if (line.size() > kDebuggerLineChars)
        line.resize(kDebuggerLineChars);
    platform::DebugOutput(line);
}

void ToFile(const std::string& message) {
    // Text mode: on Windows the log gets the system's line breaks.
    platform::FilePtr f = platform::OpenFile(g_szLogPath, "a");
    if (!f) {
        platform::DebugOutput(u"Open Log failed");
        return;
    }
    platform::LocalTime t = platform::Now();
    std::fprintf(f.get(), "\n%02u:%02u.%03u   ", unsigned(t.minute), unsigned(t.second),
                 unsigned(t.millisecond));
    std::fwrite(message.data(), 1, message.size(), f.get());
}

void Write(const std::string& message) {
    if (g_opt.Debug == 0)
        return;
    std::lock_guard lock(g_logMutex);
    if (g_sink)
        g_sink(message);
    switch (g_writer.load()) {
    case Writer::None:
        break;
    case Writer::Debugger:
        ToDebugger(message);
        break;
    case Writer::File:
        ToFile(message);
        break;
    }
}

// Whatever a message box tells the user also goes to the log, so a user's log
// shows why start-up stopped or what went wrong before the window existed.
void LogMessageBox(const std::u16string& text, const std::u16string& caption) {
    WriteLog("MessageBox(%s): %s", text::ToUtf8(caption).c_str(), text::ToUtf8(text).c_str());
}

} // namespace

void InitLog() {
    platform::SetMessageBoxObserver(LogMessageBox);
    std::lock_guard lock(g_logMutex);
    g_szLogPath = platform::DesktopDir() + platform::kPathSeparator + u"Log.txt";
    if (g_szLogPath.size() > 259)
        g_szLogPath.resize(259);
    g_writer = Writer::Debugger;
    if (g_opt.Debug != 2)
        return;
    platform::FilePtr f = platform::OpenFile(g_szLogPath, "ab");
    if (!f) {
        if (g_opt.Debug != 0)
            ToDebugger("Open Log failed");
        return;
    }
    std::fseek(f.get(), 0, SEEK_END);
    long size = std::ftell(f.get());
    f.reset();
    if (size > kMaxLogBytes)
        platform::OpenFile(g_szLogPath, "wb");
    g_writer = Writer::File;
}

void WriteLog(const char* format, ...) {
    if (g_opt.Debug == 0 || (g_writer.load() == Writer::None && !g_hasSink.load()))
        return;
    va_list args;
    va_start(args, format);
    std::string message = Format(format, args);
    va_end(args);
    Write(message);
}

void LogHex(const uint8_t* data, size_t length, int perLine, const char* prefix) {
    if (g_opt.Debug == 0 || !data || length == 0)
        return;
    const bool hasPrefix = prefix && *prefix;
    std::string line;
    char hex[4];
    if (perLine > 0) {
        if (hasPrefix)
            line = std::string("\n") + prefix + " ";
        for (size_t i = 0; i < length; ++i) {
            std::snprintf(hex, sizeof hex, "%02x ", data[i]);
            line += hex;
            if ((i + 1) % size_t(perLine) == 0) {
                WriteLog("%s", line.c_str());
                line = hasPrefix ? std::string(prefix) + " " : std::string();
            }
        }
        WriteLog("%s", line.c_str());
        return;
    }
    // One line, broken only where it would overflow its 1024-character buffer.
    if (hasPrefix)
        line = std::string(prefix) + " ";
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x ", data[i]);
        line += hex;
        if (line.size() >= 1021) {
            WriteLog("%s", line.c_str());
            line.clear();
        }
    }
    WriteLog("%s", line.c_str());
}

std::string LogText(const std::u16string& text) {
    return text::ToUtf8(text);
}

const std::u16string& LogPath() {
    return g_szLogPath;
}

void SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(g_logMutex);
    g_hasSink = bool(sink);
    g_sink = std::move(sink);
}

void ResetLog() {
    platform::SetMessageBoxObserver(nullptr);
    std::lock_guard lock(g_logMutex);
    g_writer = Writer::None;
    g_szLogPath.clear();
}

} // namespace settings
