#pragma once
// Where the macro page puts its controls, in page coordinates: the two lists
// at rcMacroList and rcKeyList, the option column at Macro_Opt_X from the
// lists' top down.

#include "settings/Settings.h"

#include <windows.h>

namespace mac {

using settings::g_opt;

inline constexpr int kRecordW = 120, kRecordH = 32; // recbtn_nr.png
inline constexpr int kCheck = 16, kRadio = 18;
inline constexpr int kOptionW = 300; // a check box or radio with its label
inline constexpr int kLabelOffset = 26;
inline constexpr int kSaveW = 103, kSaveH = 32; // btn_nr.png
inline constexpr int kOpW = 96, kOpH = 28;      // macbtn_nr.png
inline constexpr int kOpGap = 8;
inline constexpr int kCountW = 56, kCountH = 24;

inline RECT ToRect(const settings::Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}
inline RECT TreePlace() {
    return ToRect(g_opt.rcMacroList);
}
inline RECT StepsPlace() {
    return ToRect(g_opt.rcKeyList);
}
inline int OptionX() {
    return int(g_opt.Macro_Opt_X);
}
inline int OptionTop() {
    return g_opt.rcMacroList.top;
}
inline RECT At(int x, int y, int w, int h) {
    return RECT{x, y, x + w, y + h};
}
inline RECT RecordPlace() {
    return At(OptionX(), OptionTop() + 20, kRecordW, kRecordH);
}
// "Recording..." beside the record button.
inline RECT RecordingTextPlace() {
    const RECT b = RecordPlace();
    return RECT{b.right + 16, b.top, b.right + 16 + 200, b.bottom};
}
inline RECT DelaysPlace() {
    return At(OptionX(), OptionTop() + 74, kOptionW, kCheck);
}
// Radio i: count, while held, until pressed again.
inline RECT RepeatPlace(int i) {
    // The first one's label ends where the count field begins.
    return At(OptionX(), OptionTop() + 114 + 34 * i, i == 0 ? 104 : kOptionW, kRadio);
}
// The count field's box; the edit inside it is one text line high, so its
// digits sit in the box's middle.
inline RECT CountPlace() {
    const RECT r = RepeatPlace(0);
    return At(r.right + 6, r.top - (kCountH - kRadio) / 2, kCountW, kCountH);
}
inline constexpr int kCountTextH = 18;
inline RECT CountEditPlace() {
    const RECT box = CountPlace();
    const int top = box.top + (kCountH - kCountTextH) / 2;
    return RECT{box.left + 4, top, box.right - 4, top + kCountTextH};
}
inline RECT SavePlace() {
    return At(OptionX() + 250, OptionTop() + 250, kSaveW, kSaveH);
}
// The operation buttons (MacOperBtn): new and delete in the first row;
// insert, edit step and delete step in the second.
inline RECT OpPlace(int i) {
    const int row = i < 2 ? 0 : 1;
    const int col = i < 2 ? i : i - 2;
    return At(OptionX() + col * (kOpW + kOpGap), OptionTop() + 254 + row * 36, kOpW, kOpH);
}
// The titles above the two lists.
inline RECT TitleAbove(const RECT& list) {
    return RECT{list.left, list.top - 30, list.right, list.top - 8};
}

} // namespace mac
