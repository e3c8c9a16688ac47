#pragma once
// Text that must fit a given width on one line is drawn smaller rather than
// cut after a few letters: the on-screen notification's sentences, a combo
// button's caption.

#include "framework/Handles.h"

#include <windows.h>

#include <functional>
#include <string>

// The font height for a line: `preferred` when the text fits `room` pixels
// at it, else the largest smaller one that fits, but not below `smallest`
// (the line is then cut with an ellipsis). `widthAt(height)` measures the
// text at a font height.
int FitLineHeight(int preferred, int smallest, int room, const std::function<int(int)>& widthAt);

// `font` made smaller, no smaller than `smallest` pixels, until `text` fits
// `room` pixels on `dc`; empty when `font` already fits (or cannot be read).
fw::Font FitFont(HDC dc, HFONT font, const std::wstring& text, int room, int smallest);
