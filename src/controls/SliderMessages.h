#pragma once
// The messages between the skinned sliders and the page that owns them.
// Single slider: lParam is the control id. Two-thumb slider: lParam is the
// thumb number (1 upper, 2 lower) x 65536 + the control id.

#include <windows.h>

#include <cstdint>

// Posted, wParam = value: the user set a new value (thumb released or bar
// clicked), or SetPos with notify-on-set.
constexpr UINT WM_SLIDER_SET = 0x800;
// Posted, wParam = value: the value under the dragged thumb changed.
constexpr UINT WM_SLIDER_MOVING = 0x801;
// Sent, wParam = the thumb's position (drag) or the new value (bar click):
// may the slider move? The page answers 1 to allow.
constexpr UINT WM_SLIDER_ASK = 0x802;
// Two-thumb slider, posted, wParam = value: a thumb got a new value.
constexpr UINT WM_HSLIDER_SET = 0x804;
// Two-thumb slider, internal (thumb to bar), posted, wParam = value,
// lParam = thumb number: a thumb was released at a new position.
constexpr UINT WM_HSLIDER_RELEASED = 0x805;
// Two-thumb slider, sent, as WM_SLIDER_ASK; any non-zero answer allows.
constexpr UINT WM_HSLIDER_ASK = 0x806;
// Two-thumb slider, posted straight to the page, wParam = value: the value
// under the dragged thumb changed.
constexpr UINT WM_HSLIDER_MOVING = 0x80B;

// lParam of a two-thumb slider's messages.
constexpr LPARAM HSliderParam(int thumb, UINT id) {
    return LPARAM(uint32_t(thumb) << 16 | (id & 0xFFFF));
}
