#pragma once
// What every skinned window draws with, fixed once at start-up: the folder the
// skins and the application font sit in, the application font itself, and the
// texts of the text table. Controls and pages take them from here; start-up
// sets them.

#include "framework/Handles.h"

#include <string>

// Folder of Tarvel.exe, ending in a path separator; skins/ and appfont.ttf
// are found in it.
extern std::wstring g_szExeDir;
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

// The font for a window's text: the application font when there is one, else
// `fallback`.
inline HFONT AppFontOr(HFONT fallback) {
    return g_fontApp ? g_fontApp.Get() : fallback;
}
