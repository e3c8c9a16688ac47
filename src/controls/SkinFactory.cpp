#include "controls/SkinFactory.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWarning.h"
#include "framework/StartupTimeline.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>

using settings::g_opt;

fw::Image LoadSkinImage(const std::wstring& name) {
    return fw::LoadImageFile(SkinPath(name));
}

fw::SharedImage LoadSharedSkinImage(const std::wstring& name) {
    return fw::LoadSharedImageFile(SkinPath(name));
}

fw::Image CropImage(Gdiplus::Bitmap* image, int left, int top, int width, int height) {
    fw::StartupCost cost("images cropped");
    if (!image || image->GetWidth() == 0)
        return nullptr;
    // Only the part of the area that lies inside the image is copied: a
    // button wider than its image keeps the image at its own size.
    const int right = std::min(left + width, int(image->GetWidth()));
    const int bottom = std::min(top + height, int(image->GetHeight()));
    left = std::max(left, 0);
    top = std::max(top, 0);
    if (right <= left || bottom <= top)
        return nullptr;
    fw::Image copy(image->Clone(left, top, right - left, bottom - top, PixelFormat32bppARGB));
    if (!copy || copy->GetLastStatus() != Gdiplus::Ok || copy->GetWidth() == 0)
        return nullptr;
    return copy;
}

fw::Image ComposeImage(Gdiplus::Bitmap* background, int bgLeft, int bgTop, Gdiplus::Bitmap* image,
                       int srcLeft, int srcTop, int width, int height) {
    fw::StartupCost cost("images composed");
    if (!image || image->GetWidth() == 0)
        return nullptr;
    if (width <= 0)
        width = int(image->GetWidth()) - srcLeft;
    if (height <= 0)
        height = int(image->GetHeight()) - srcTop;
    if (width <= 0 || height <= 0)
        return nullptr;
    auto result = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
    Gdiplus::Graphics g(result.get());
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    if (background && background->GetWidth() > 0)
        g.DrawImage(background, Gdiplus::Rect(0, 0, width, height), bgLeft, bgTop, width, height,
                    Gdiplus::UnitPixel);
    g.DrawImage(image, Gdiplus::Rect(0, 0, width, height), srcLeft, srcTop, width, height,
                Gdiplus::UnitPixel);
    return result;
}

std::wstring MissingSkinMessage(const wchar_t* factory, const wchar_t* name) {
    return std::wstring(factory) + L". file " + (name ? name : L"") + L" not exist";
}

namespace {

// Loads the images in the order given; reports the first missing one.
bool LoadAll(const wchar_t* factory,
             std::initializer_list<std::pair<const wchar_t*, fw::SharedImage*>> files) {
    for (const auto& [name, image] : files) {
        *image = LoadSharedSkinImage(name ? name : L"");
        if (fw::Width(*image) == 0) {
            ReportMissingSkin(factory, name);
            return false;
        }
    }
    return true;
}

// What every factory gives a button besides its images and place.
void Dress(CPngBtn& btn, bool toggle, bool tip, const wchar_t* caption) {
    btn.SetTextColours(g_opt.Btn_txt_clr_nr, g_opt.Btn_txt_clr_ov, g_opt.Btn_txt_clr_dn);
    btn.SetToggle(toggle);
    if (g_fontApp)
        btn.SetFont(g_fontApp.Get());
    btn.SetDebugFrame(g_opt.UIDebug != 0);
    if (caption) {
        btn.SetText(caption);
        if (tip)
            btn.SetTip(caption);
    }
}

} // namespace

int NewSkinButton(const SkinButtonArgs& a) {
    if (!a.btn)
        return 0;
    if (!a.normal || !a.hover || !a.pressed) {
        settings::WriteLog("NewSkinButton: an image name is missing");
        return 0;
    }
    fw::SharedImage normal, hover, pressed;
    if (!LoadAll(a.factory, {{a.normal, &normal}, {a.hover, &hover}, {a.pressed, &pressed}}))
        return 0;
    CPngBtn& btn = *a.btn;
    const int w = a.size ? a.size->right - a.size->left : fw::Width(normal);
    const int h = a.size ? a.size->bottom - a.size->top : fw::Height(normal);
    if (!btn.Create(a.parent, btn.Id(), RECT{a.left, a.top, a.left + w, a.top + h}))
        return 0;
    // A button shows the top-left area of its size of each image: an image
    // no larger than the button is shown whole and shared, not copied.
    auto fits = [&](const fw::SharedImage& image) {
        return fw::Width(image) <= w && fw::Height(image) <= h;
    };
    if (fits(normal) && fits(hover) && fits(pressed))
        btn.SetImages(normal, hover, pressed);
    else
        btn.SetImages(0, 0, w, h, normal.get(), hover.get(), pressed.get());
    Dress(btn, a.toggle, a.tip, a.caption);
    if (a.parentBkg && a.parentBkg->GetWidth() > 0) {
        // The piece of the background under the button: the given area, else
        // the button's size at the given origin.
        const POINT origin = a.bkgOrigin.value_or(POINT{a.left, a.top});
        const RECT piece =
            a.bkgArea ? *a.bkgArea : RECT{origin.x, origin.y, origin.x + w, origin.y + h};
        btn.SetBackground(CropImage(a.parentBkg, piece.left, piece.top, piece.right - piece.left,
                                    piece.bottom - piece.top));
    }
    return 1;
}

int NewDialogCloseButton(HWND dialog, CPngBtn& btn, Gdiplus::Bitmap* dialogBkg, POINT at) {
    return NewSkinButton({.factory = kSmallPngButton3,
                          .parent = dialog,
                          .btn = &btn,
                          .normal = L"exit_nr.png",
                          .hover = L"exit_ov.png",
                          .pressed = L"exit_ov.png",
                          .left = at.x,
                          .top = at.y,
                          .parentBkg = dialogBkg});
}

int NewPngButtonFromImages(HWND parent, CPngBtn& btn, const RECT& rect, Gdiplus::Bitmap* normal,
                           Gdiplus::Bitmap* hover, Gdiplus::Bitmap* pressed, bool toggle, bool tip,
                           const wchar_t* caption) {
    if (!btn.Create(parent, btn.Id(), rect))
        return 0;
    btn.SetImages(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, normal,
                  hover, pressed);
    Dress(btn, toggle, tip, caption);
    return 1;
}
