#pragma once
// Small pieces every skinned window shares: fonts, placing a dialog over its
// owner, drawing an image at a size, the application font.

#include "framework/GdiPlus.h"
#include "framework/Handles.h"

#include <string>

// A font of the given pixel height and weight.
fw::Font MakeFont(int height, int weight, const wchar_t* face = L"MS Shell Dlg",
                  bool underline = false);

// Sizes `hwnd` to width x height and centres it over its owner window (over
// the work area when it has none).
void PlaceOverOwner(HWND hwnd, int width, int height);

// Draws the image at (x, y) stretched to width x height (its own size when 0).
void DrawImage(HDC dc, Gdiplus::Bitmap* image, int x, int y, int width = 0, int height = 0);

// Draws the image over `to`, its corners (`corner` pixels square) at their
// own size, its edges stretched along and its middle both ways: a panel of
// any size from one small image.
void DrawNineSlice(Gdiplus::Graphics& g, Gdiplus::Bitmap* image, const RECT& to, int corner);

// `from` moved by `amount` (0..1) towards `to`: a faint text is its colour
// mixed with the background's.
COLORREF MixColour(COLORREF from, COLORREF to, double amount);

// Text in a rectangle with a transparent background.
void DrawTextIn(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF colour,
                UINT format);
