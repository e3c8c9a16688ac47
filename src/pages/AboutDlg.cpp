#include "pages/AboutDlg.h"

#include "controls/DialogTemplates.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include "TarvelVersion.h"

#include <shellapi.h>

using settings::g_opt;

namespace {
constexpr RECT kLinkRect{70, 125, 320, 145};
constexpr RECT kNameRect{70, 55, 430, 75};
constexpr int kVersionGap = 15;
constexpr int kVersionHeight = 20;
} // namespace

std::wstring VersionLine(std::wstring text, std::wstring_view version) {
    constexpr std::wstring_view kMark = L"{version}";
    for (size_t at = text.find(kMark); at != std::wstring::npos;
         at = text.find(kMark, at + version.size()))
        text.replace(at, kMark.size(), version);
    return text;
}

CAboutDlg::CAboutDlg() : fw::SkinDialog(IDD_POPUP) {
    SetDragByBackground(true);
}

CAboutDlg::~CAboutDlg() = default;

bool CAboutDlg::OpenWebPage() {
    const std::wstring web = Txt(u"tc_web");
    if (web.empty())
        return false;
    ::ShellExecuteW(nullptr, L"open", web.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

BOOL CAboutDlg::OnInitDialog() {
    m_imgBkg = LoadSkinImage(L"msg.png");
    if (fw::Width(m_imgBkg) == 0) {
        settings::WriteLog("CAboutDlg. file msg.png not exist");
        CloseUnshown(IDCANCEL);
        return TRUE;
    }
    const int w = fw::Width(m_imgBkg), h = fw::Height(m_imgBkg);
    ::SetWindowTextW(m_hwnd, L"TarvelMsgTopWindow");
    PlaceOverOwner(m_hwnd, w, h);
    ::SetWindowRgn(m_hwnd, RegionFromImage(*m_imgBkg).Release(), TRUE);
    if (!g_fontApp)
        m_fontText = MakeFont(14, FW_NORMAL);

    const POINT closeAt{w - 42, 9};
    NewDialogCloseButton(m_hwnd, m_btnClose, m_imgBkg.get(), closeAt);

    // The link is the background itself with a caption on it.
    Gdiplus::Bitmap* bkg = m_imgBkg.get();
    if (NewPngButtonFromImages(m_hwnd, m_btnLink, kLinkRect, bkg, bkg, bkg, false, false, nullptr))
        m_btnLink.SetText(Txt(u"tc_msg24"), 1);

    if (g_opt.ShowFWUpdate != 0) {
        const POINT origin{kLinkRect.left, kLinkRect.bottom + 20};
        const std::wstring caption = Txt(u"tc_msg8");
        if (NewSkinButton({.factory = kSmallPngButton3,
                           .parent = m_hwnd,
                           .btn = &m_btnSecond,
                           .normal = L"btn_nr.png",
                           .hover = L"btn_nr.png",
                           .pressed = L"btn_nr.png",
                           .left = origin.x,
                           .top = origin.y,
                           .parentBkg = bkg,
                           .caption = caption.c_str()}))
            m_btnSecond.SetTextColours(RGB(100, 100, 100), RGB(100, 100, 100), RGB(100, 100, 100));
    }
    return TRUE;
}

bool CAboutDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_SYSKEYDOWN ||
        msg.message == WM_SYSKEYUP) {
        switch (msg.wParam) {
        case VK_ESCAPE:
        case VK_SPACE:
        case VK_F1:
            return true;
        default:
            break;
        }
    }
    return false;
}

bool CAboutDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case kLinkId:
        OpenWebPage();
        return true;
    case kSecondId:
        return true;
    default:
        return fw::Dialog::OnCommand(wParam, lParam);
    }
}

void CAboutDlg::Paint(HDC dc, const RECT& rc) {
    DrawImage(dc, m_imgBkg.get(), 0, 0, rc.right, rc.bottom);
    HFONT font = AppFontOr(m_fontText.Get());
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    DrawTextIn(dc, Txt(u"tc_msg21"), kNameRect, font, g_opt.Txt_clr, format);
    const RECT version{kNameRect.left, kNameRect.bottom + kVersionGap, kNameRect.right,
                       kNameRect.bottom + kVersionGap + kVersionHeight};
    DrawTextIn(dc, VersionLine(Txt(u"tc_version"), TARVEL_VERSION_WTEXT), version, font,
               g_opt.Txt_clr, format);
}
