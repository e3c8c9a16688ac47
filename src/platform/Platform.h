#pragma once
// The OS seam: everything the portable core needs from the operating system.
// posix/ and win32/ implement it; nothing else in the core calls the OS.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

void SleepMs(uint32_t ms);

// Milliseconds since an arbitrary start; wraps around like GetTickCount.
uint32_t TickCount();

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime Now();

// Folder of the running executable, ending in a path separator.
std::u16string ExecutableDir();
// The user's desktop folder, without a trailing separator (not created).
std::u16string DesktopDir();
// The user's local application-data folder, without a trailing separator.
std::u16string LocalAppDataDir();

// The system's debugger output (OutputDebugStringW; standard error elsewhere).
void DebugOutput(std::u16string_view text);

// The system's ANSI code page (1252 where the system has none).
unsigned AnsiCodePage();

// Converts bytes in a Windows code page to UTF-16. False when the code page is
// not available here; `out` then holds nothing.
bool CodePageToUtf16(unsigned codePage, std::string_view bytes, std::u16string& out);

inline constexpr char16_t kPathSeparator =
#ifdef _WIN32
    u'\\';
#else
    u'/';
#endif

} // namespace platform
