#pragma once
// Windows without a frame (no border, caption, menu or scroll bars) have
// nothing to draw outside their client area, yet the system's handling of
// WM_NCPAINT takes a window device context for each of them every time they
// are shown or uncovered. Under Wine that is a round trip to the server per
// window: showing the main window sent one to each of its children before
// anything was painted.

#include <windows.h>

namespace fw {

// True when WM_NCPAINT has nothing to draw for `hwnd`: it is not minimised
// and its client area covers the whole window.
bool HasNoFrame(HWND hwnd);

} // namespace fw
