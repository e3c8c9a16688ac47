#pragma once
// What tells a running copy of the program: its single-instance mutex and its
// main window's title, from the settings and the texts. A second copy finds
// the first by them, and so does tarvelctl before it talks to the receiver.

#include <string>

namespace settings {

// The setting Title, else the text tc_title, at most 39 characters.
std::u16string AppTitle();
// The text tc_mutex, else the built-in name.
std::u16string SingleInstanceMutexName();

} // namespace settings
