#pragma once
// Process-wide values of the program that start-up fixes and every window reads.

#include "framework/Handles.h"

#include <string>

// Folder of Tarvel.exe, ending in a path separator.
extern std::wstring g_szExeDir;
// The program's title: the setting Title, else the text tc_title (39 characters).
extern std::wstring g_szAppTitle;
// The application font, empty when none was made.
extern fw::Font g_fontApp;

// The path of a skin image: "<exe dir>skins\<name>".
std::wstring SkinPath(const std::wstring& name);

// UTF-16 conversions between the core's text and the Win32 API's.
inline std::wstring W(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}
inline std::u16string U(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}

// A text of the text table by key.
std::wstring Txt(const char16_t* key);
