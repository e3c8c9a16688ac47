#pragma once
// The factories through which pages create their skinned sliders. Each
// returns 1 when the slider was created, 0 otherwise. A missing track image
// is reported like every missing skin image (controls/SkinWarning.h) and
// nothing is created.

#include "controls/PngHSliderEx.h"
#include "controls/PngSlider.h"

#include <optional>

struct SliderBarArgs {
    Gdiplus::Bitmap* parentBkg = nullptr; // the page's background, or none
    HWND parent = nullptr;
    Gdiplus::Bitmap* thumb = nullptr; // none: a display bar without a thumb
    int positions = 1;                // the range becomes 1..positions
    UINT id = 0;
    const wchar_t* fillName = nullptr; // fill image, optional even when named
    std::optional<POINT> thumbOffset;
    std::optional<int> trackTop;  // the track's top in the bar; none: centred
    RECT trackSource{0, 0, 0, 0}; // area of bar2.png the bar shows
    RECT bar{0, 0, 0, 0};         // in the parent's client coordinates
};

// Track bar2.png (required; "NewSmallPngSliderBar Error. file %s not exist"),
// the fill image when it can be loaded, range 1..positions at position 1,
// and the debug frame when UIDebug is set.
int NewSmallPngSliderBar(CPngSliderBar& slider, const SliderBarArgs& args);

struct HSliderBarArgs {
    Gdiplus::Bitmap* parentBkg = nullptr;
    HWND parent = nullptr;
    Gdiplus::Bitmap* upperThumb = nullptr; // thumb 1 (X), required
    Gdiplus::Bitmap* lowerThumb = nullptr; // thumb 2 (Y), required
    UINT id = 0;
    std::optional<POINT> thumbOffset;
    std::optional<int> trackTop; // the track's top in the bar; none: centred
    RECT bar{0, 0, 0, 0};
};

// Track dpi-bar.png (required; "NewSmallPngHSliderBarEx Error. file %s not
// exist"), fill dpi-bar-ov.png when present, range 1..4 for the bar and both
// thumbs. Returns 0 without a message when a thumb image is missing.
int NewSmallPngHSliderBarEx(CPngHSliderBarEx& slider, const HSliderBarArgs& args);
