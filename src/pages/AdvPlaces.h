#pragma once
// Where the DPI and advanced page puts its controls, from the positions of
// the settings file, and the small window helpers its files share.

#include "settings/Settings.h"

#include <windows.h>

#include <cstdint>

namespace adv {

using settings::g_opt;

inline constexpr int kThumbW = 18; // slider1.png / slider2.png
inline constexpr int kBarW = 315, kBarH = 20;
inline constexpr int kCheck = 16, kRadio = 18;
inline constexpr int kLabelW = 110; // room for a label left of a control

inline POINT Pt(const settings::Point& p) {
    return POINT{p.x, p.y};
}

inline RECT At(POINT p, int w, int h) {
    return RECT{p.x, p.y, p.x + w, p.y + h};
}

// Where the pointer controls go, around ptMoveSpeed (the pointer speed slider).
inline POINT DblClickAt() {
    return {g_opt.ptMoveSpeed.x, g_opt.ptMoveSpeed.y - 260};
}
inline POINT WheelAt() {
    return {g_opt.ptMoveSpeed.x, g_opt.ptMoveSpeed.y - 170};
}
inline POINT OneScreenAt() {
    return {g_opt.ptMoveSpeed.x, g_opt.ptMoveSpeed.y - 130};
}
inline POINT PrecisionAt() {
    return {g_opt.ptMoveSpeed.x, g_opt.ptMoveSpeed.y - 90};
}
// The DPI light selector at ptDpiEft, its two sliders (one shown at a time)
// below it.
inline POINT LightSliderAt() {
    return {g_opt.ptDpiEft.x, g_opt.ptDpiEft.y + 40};
}
inline POINT Lod2At() {
    return {g_opt.ptLOD.x + 100, g_opt.ptLOD.y};
}

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
