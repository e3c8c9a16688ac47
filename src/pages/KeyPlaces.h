#pragma once
// Where the keys page puts its controls and texts, in page coordinates, from
// the positions of the settings file and the key table's button rectangles.

#include "settings/Settings.h"

#include <windows.h>

namespace keyplace {

using settings::g_opt;

inline constexpr int kBarW = 315, kBarH = 20;          // bar2.png, the battery bars
inline constexpr int kModeW = 100, kModeH = 18;        // radio image and its caption
inline constexpr int kModeStep = 110;                  // between two mode buttons
inline constexpr int kModeAbove = 44;                  // the mode row above the first key
inline constexpr int kModeCaption = 26;                // caption offset right of the radio
inline constexpr int kNumberW = 24, kNumberH = 24;     // number1.png .. number16.png
inline constexpr int kNumberLeft = 34, kNumberTop = 3; // left of the key button
inline constexpr int kLabelGap = 20, kLabelW = 150;    // label left of a bar
inline constexpr int kValueGap = 15, kValueW = 90;     // value right of a bar
inline constexpr int kCaptionH = 18;                   // ReportText captions under the bar

inline RECT ToRect(const settings::Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

inline constexpr int kTitleGap = 24; // between the page title and the mode row

// Where the mode row starts: under the key column, or right of the page's
// title (`titleRight`) when that reaches further.
inline int ModeRowLeft(int titleRight) {
    return g_opt.ptKey.x > titleRight + kTitleGap ? g_opt.ptKey.x : titleRight + kTitleGap;
}

// Mode button i (0..2) in a row above the first key button.
inline RECT ModeButton(int i, int rowLeft) {
    const int x = rowLeft + i * kModeStep, y = g_opt.ptKey.y - kModeAbove;
    return {x, y, x + kModeW, y + kModeH};
}

// A key's number image, left of its button.
inline POINT NumberAt(const settings::Rect& button) {
    return {button.left - kNumberLeft, button.top + kNumberTop};
}

inline RECT RateBar() {
    return {g_opt.ptRate.x, g_opt.ptRate.y, g_opt.ptRate.x + kBarW, g_opt.ptRate.y + kBarH};
}
inline RECT PowerBar() {
    return {g_opt.ptPower.x, g_opt.ptPower.y, g_opt.ptPower.x + kBarW, g_opt.ptPower.y + kBarH};
}

// The label left of a bar (right-aligned) and the value right of it.
inline RECT LabelLeftOf(const RECT& bar) {
    return {bar.left - kLabelGap - kLabelW, bar.top - 4, bar.left - kLabelGap, bar.bottom + 4};
}
inline RECT ValueRightOf(const RECT& bar) {
    return {bar.right + kValueGap, bar.top - 4, bar.right + kValueGap + kValueW, bar.bottom + 4};
}

// Rate caption i under the rate slider, centred on ReportText's offset i.
inline RECT RateCaption(int i) {
    const RECT bar = RateBar();
    const int x = bar.left + g_opt.ReportText[i];
    return {x - 40, bar.bottom + 2, x + 40, bar.bottom + 2 + kCaptionH};
}

} // namespace keyplace
