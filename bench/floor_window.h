#pragma once
// What the two start-up floor programs share: one borderless 1002 x 660
// window, placed as the program places its main window, whose WM_PAINT is the
// caller's. The start-up benchmark finds it by its title.

#include <windows.h>

namespace floor_window {

constexpr int kWidth = 1002, kHeight = 660;

using PaintFn = void (*)(HDC dc, const RECT& client);

// Creates and shows the window, runs its message loop until it is closed
// (WM_CLOSE or WM_COMMAND from the benchmark) and returns the exit code.
int Run(HINSTANCE instance, const wchar_t* title, PaintFn paint);

} // namespace floor_window
