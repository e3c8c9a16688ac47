#pragma once
// The keys page's way to the macro picker of the macro page: the one place
// where a macro chosen for a key comes from.

#include <windows.h>

#include <cstdint>
#include <optional>

// Runs the macro picker modally over `owner` (the library is not empty);
// the chosen macro's id, or none when the user cancelled or chose none.
std::optional<uint32_t> PickMacroForKey(HWND owner);
