#include "pages/PopupFrame.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinRegion.h"
#include "controls/SkinWarning.h"
#include "controls/SkinWindow.h"
#include "settings/Settings.h"

#include <vector>

using settings::g_opt;

namespace popup {
namespace {
constexpr int kButtonMargin = 16;
constexpr int kButtonGap = 10;
constexpr int kButtonWidth = 103;
constexpr int kButtonsAboveBottom = 44;
} // namespace

void ShapeByImage(HWND dlg, Gdiplus::Bitmap& bkg) {
    PlaceOverOwner(dlg, int(bkg.GetWidth()), int(bkg.GetHeight()));
    ::SetWindowRgn(dlg, RegionFromImage(bkg).Release(), TRUE);
}

void MakeButtons(HWND dlg, Gdiplus::Bitmap* bkg, CPngBtn& close, CPngBtn& ok, CPngBtn& cancel,
                 bool withCancel, CPngBtn* no) {
    const int w = bkg ? int(bkg->GetWidth()) : 0;
    NewDialogCloseButton(dlg, close, bkg, POINT{w - 42, 9});

    // The buttons sit as far above the image's bottom edge on every frame.
    const int h = bkg ? int(bkg->GetHeight()) : kFooterTop + 56;
    const int top = h - kButtonsAboveBottom;
    const int right = w - kButtonMargin;
    const int step = kButtonWidth + kButtonGap;
    struct Placed {
        CPngBtn& btn;
        const char16_t* text;
        int left;
    };
    std::vector<Placed> buttons{{cancel, u"tc_cancel", right - kButtonWidth}};
    if (no) {
        ok.SetId(IDYES);
        buttons.push_back({*no, u"tc_no", right - kButtonWidth - step});
        buttons.push_back({ok, u"tc_yes", right - kButtonWidth - 2 * step});
    } else {
        buttons.push_back(
            {ok, u"tc_ok", withCancel ? right - kButtonWidth - step : right - kButtonWidth});
    }
    for (Placed& b : buttons) {
        const std::wstring caption = Txt(b.text);
        NewSkinButton({.factory = kSmallPngButton3,
                       .parent = dlg,
                       .btn = &b.btn,
                       .normal = L"btn_nr.png",
                       .hover = L"btn_ov.png",
                       .pressed = L"btn_ov.png",
                       .left = b.left,
                       .top = top,
                       .parentBkg = bkg,
                       .caption = caption.c_str()});
        b.btn.SetTextColours(g_opt.clrMsgBtnTxtNr, g_opt.clrMsgBtnTxtOv, g_opt.clrMsgBtnTxtDn);
    }
    if (!withCancel && !no && cancel.Hwnd())
        ::ShowWindow(cancel.Hwnd(), SW_HIDE);
}

bool SetUpFrame(fw::Dialog& dlg, const wchar_t* who, const wchar_t* image,
                const std::wstring& title, const FrameParts& parts) {
    parts.bkg = LoadSkinImage(image);
    if (fw::Width(parts.bkg) == 0) {
        ReportMissingSkinToSystemBox(who, image);
        dlg.CloseUnshown(IDCANCEL);
        return false;
    }
    // Warnings through the skinned message dialog would open one over this
    // dialog while it builds itself.
    SkinWarningsToSystemBox ownImages;
    ShapeByImage(dlg.Hwnd(), *parts.bkg);
    ::SetWindowTextW(dlg.Hwnd(), title.c_str());
    if (!g_fontApp)
        parts.textFont = MakeFont(14, FW_NORMAL);
    MakeButtons(dlg.Hwnd(), parts.bkg.get(), parts.close, parts.ok, parts.cancel, true);
    return true;
}

void DrawTitle(HDC dc, const std::wstring& title, int width, HFONT font) {
    DrawTextIn(dc, title, {26, 0, width - 50, kTitleBand}, font, g_opt.Txt_clr,
               DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

} // namespace popup
