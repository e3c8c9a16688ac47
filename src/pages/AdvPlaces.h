#pragma once
// Where the DPI and advanced page puts its controls, from the positions of
// the settings file, and the small window helpers its files share.

#include "settings/Settings.h"

#include <windows.h>

#include <cstdint>

namespace adv {

using settings::g_opt;

// Sizes the page uses when the skin's images do not give them.
inline constexpr int kBarW = 315, kBarH = 20;
inline constexpr int kCheck = 16, kRadio = 18;
inline constexpr int kLabelW = 110; // room for a label left of a control

inline POINT Pt(const settings::Point& p) {
    return POINT{p.x, p.y};
}

inline RECT At(POINT p, int w, int h) {
    return RECT{p.x, p.y, p.x + w, p.y + h};
}

// The corner of a level row's background image, kept at its size.
inline constexpr int kRowCorner = 8;

inline void Show(HWND hwnd, bool visible) {
    if (hwnd)
        ::ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

inline bool Visible(HWND hwnd) {
    return hwnd && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

inline void MoveTo(HWND hwnd, const RECT& rc) {
    if (hwnd)
        ::SetWindowPos(hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace adv
