#pragma once
// The window region of a skinned window: every pixel of the image that is not
// the key colour (within a tolerance per colour component), as a union of
// one-pixel-high rectangles, collected in batches.

#include "framework/GdiPlus.h"
#include "framework/Handles.h"

#include <cstdint>
#include <vector>

// The key colour of the dialogs' skins: pure green.
constexpr COLORREF kSkinKeyColour = RGB(0, 255, 0);

// Rectangles of the runs that stay, from 32-bit 0x00RRGGBB pixels (row-major,
// top row first). `key` is 0x00BBGGRR as in the settings.
std::vector<RECT> OpaqueRuns(const uint32_t* pixels, int width, int height, COLORREF key,
                             int tolerance);

// A 0xAARRGGBB pixel laid over the key colour: 0x00RRGGBB.
uint32_t OverKey(uint32_t argb, COLORREF key);

// The image laid over the key colour, then scanned. The dialogs use the
// defaults: exact green.
fw::Region RegionFromImage(Gdiplus::Bitmap& image, COLORREF key = kSkinKeyColour,
                           int tolerance = 0);
