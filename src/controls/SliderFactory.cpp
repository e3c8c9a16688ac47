#include "controls/SliderFactory.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"
#include "settings/Settings.h"

using settings::g_opt;

namespace {

// The piece of the page's background under the bar.
fw::Image BackgroundUnder(Gdiplus::Bitmap* parentBkg, const RECT& bar) {
    if (!parentBkg || parentBkg->GetWidth() == 0)
        return nullptr;
    return CropImage(parentBkg, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top);
}

} // namespace

int NewSmallPngSliderBar(CPngSliderBar& slider, const SliderBarArgs& args) {
    fw::SharedImage track = LoadSharedSkinImage(L"bar2.png");
    if (fw::Width(track) == 0) {
        ReportMissingSkin(L"NewSmallPngSliderBar Error", L"bar2.png");
        return 0;
    }
    // A fill that cannot be loaded is simply left out.
    fw::SharedImage fill = args.fillName ? LoadSharedSkinImage(args.fillName) : nullptr;
    if (!slider.Create(args.parent, args.bar, args.id, args.thumb,
                       args.thumbOffset.value_or(POINT{0, 0})))
        return 0;
    slider.SetBackground(BackgroundUnder(args.parentBkg, args.bar));
    slider.SetTrackSource(args.trackSource);
    slider.SetTrackTop(args.trackTop);
    slider.SetTrackImage(std::move(track));
    if (fw::Width(fill) > 0)
        slider.SetFillImage(std::move(fill));
    slider.SetRange(1, args.positions);
    slider.Thumb().SetPosition(1);
    slider.SetDebugFrame(g_opt.UIDebug != 0);
    return 1;
}

int NewSmallPngHSliderBarEx(CPngHSliderBarEx& slider, const HSliderBarArgs& args) {
    fw::SharedImage track = LoadSharedSkinImage(L"dpi-bar.png");
    if (fw::Width(track) == 0) {
        ReportMissingSkin(L"NewSmallPngHSliderBarEx Error", L"dpi-bar.png");
        return 0;
    }
    fw::SharedImage fill = LoadSharedSkinImage(L"dpi-bar-ov.png");
    if (!args.upperThumb || args.upperThumb->GetWidth() == 0 || !args.lowerThumb ||
        args.lowerThumb->GetWidth() == 0)
        return 0;
    if (!slider.Create(args.parent, args.bar, args.id, args.upperThumb, args.lowerThumb,
                       args.thumbOffset.value_or(POINT{0, 0})))
        return 0;
    slider.SetBackground(BackgroundUnder(args.parentBkg, args.bar));
    slider.SetTrackTop(args.trackTop);
    slider.SetTrackImage(std::move(track));
    if (fw::Width(fill) > 0)
        slider.SetFillImage(std::move(fill));
    slider.SetRange(1, 4);
    slider.SetDebugFrame(g_opt.UIDebug != 0);
    return 1;
}
