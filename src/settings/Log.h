#pragma once
// The diagnostic log. `Debug` chooses the destination: 0 none, 1 the system
// debugger output, 2 the file Log.txt on the user's desktop.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace settings {

// Chooses the writer from g_opt.Debug and prepares Log.txt. Called once by
// LoadCfg right after reading Debug.
void InitLog();

// printf-style; "%s" takes UTF-8 text (use LogText for UTF-16 values).
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes `length` bytes of `data` as hexadecimal lines (see Log.cpp).
void LogHex(const uint8_t* data, size_t length, int perLine, const char* prefix);

// UTF-16 text for a "%s" argument.
std::string LogText(const std::u16string& text);

// The path of Log.txt chosen by InitLog.
const std::u16string& LogPath();

// Back to the state before InitLog (tests).
void ResetLog();

// Tests: when set, every entry is also handed to `sink` (formatted, without
// time stamp), even before InitLog; `Debug` 0 still means no entries. An empty
// function removes the sink. The sink must not log.
void SetLogSink(std::function<void(const std::string&)> sink);

} // namespace settings
