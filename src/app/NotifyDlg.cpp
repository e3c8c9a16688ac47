#include "app/NotifyDlg.h"

#include "app/AppGlobals.h"
#include "app/resource.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"

#include <algorithm>

namespace {
constexpr size_t kMaxLine = 259;
constexpr int kNoImageSize = 180;
// notify.png is cut out where it is exactly this colour.
constexpr COLORREF kNotifyKey = RGB(0x22, 0x20, 0x20);
// Font heights of the short first and last lines and of the large middle ones.
constexpr int kSmallHeight = 30;
constexpr int kLargeHeight = 48;
// Room kept free at each side of a line.
constexpr int kSideMargin = 4;
} // namespace

NotifyBands NotifyLayout(int width, int height, bool hasThirdLine) {
    const int line = hasThirdLine ? height / 4 : height / 3;
    NotifyBands bands{};
    bands.first = {0, 0, width, line};
    bands.second = {0, line, width, 2 * line};
    int next = 2 * line;
    if (hasThirdLine) {
        bands.third = {0, next, width, next + line};
        next += line;
    }
    bands.fourth = {0, next, width, next + line};
    return bands;
}

uint8_t NotifyFade::Step(bool& hide) {
    const uint8_t applied = m_opacity;
    m_opacity = uint8_t(m_opacity - 10);
    hide = m_opacity <= 10;
    return applied;
}

CNotifyDlg::CNotifyDlg() : fw::SkinDialog(IDD_NOTIFY), m_font(MakeFont(14, FW_NORMAL)) {}

CNotifyDlg::~CNotifyDlg() = default;

BOOL CNotifyDlg::OnInitDialog() {
    m_imgBkg = LoadSkinImage(L"notify.png");
    const bool image = fw::Width(m_imgBkg) > 0;
    const int w = image ? fw::Width(m_imgBkg) : kNoImageSize;
    const int h = image ? fw::Height(m_imgBkg) : kNoImageSize;
    if (m_ptPos.x != 0 && m_ptPos.y != 0)
        ::SetWindowPos(m_hwnd, nullptr, m_ptPos.x, m_ptPos.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        PlaceOverOwner(m_hwnd, w, h);
    // Above every other window, but not shown: made while the main window
    // is up, showing it here would flash it over that window.
    ::SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, ::GetWindowLongW(m_hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    if (image)
        ::SetWindowRgn(m_hwnd, RegionFromImage(*m_imgBkg, kNotifyKey, 0).Release(), TRUE);
    m_fontSmall = MakeFont(kSmallHeight, FW_EXTRABOLD);
    m_fontLarge = MakeFont(kLargeHeight, FW_EXTRABOLD);
    ::ShowWindow(m_hwnd, SW_HIDE);
    return FALSE; // never takes the focus
}

void CNotifyDlg::ShowNotify(const wchar_t* first, const wchar_t* second, const wchar_t* third,
                            const wchar_t* fourth) {
    const wchar_t* texts[4] = {first, second, third, fourth};
    for (int i = 0; i < 4; ++i)
        m_strLine[i] = texts[i] ? std::wstring(texts[i]).substr(0, kMaxLine) : std::wstring();
    if (!m_hwnd)
        return;
    ::KillTimer(m_hwnd, kFadeTimer);
    m_fade.Restart();
    ::ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    ::InvalidateRect(m_hwnd, nullptr, FALSE);
    ::UpdateWindow(m_hwnd);
    ApplyOpacity(m_fade.Opacity());
    ::SetTimer(m_hwnd, kDisplayTimer, m_nDisplayTime, nullptr);
}

void CNotifyDlg::ApplyOpacity(uint8_t opacity) {
    m_appliedOpacity = opacity;
    ::SetLayeredWindowAttributes(m_hwnd, 0, opacity, LWA_ALPHA);
}

void CNotifyDlg::OnTimer(UINT_PTR id) {
    if (id == kDisplayTimer) {
        ::KillTimer(m_hwnd, kDisplayTimer);
        ::SetTimer(m_hwnd, kFadeTimer, kFadePeriod, nullptr);
    } else if (id == kFadeTimer) {
        // Keeps ticking while hidden until the next ShowNotify stops it.
        bool hide = false;
        ApplyOpacity(m_fade.Step(hide));
        if (hide)
            ::ShowWindow(m_hwnd, SW_HIDE);
    }
}

void CNotifyDlg::OnOK() {
    ::ShowWindow(m_hwnd, SW_HIDE);
}

void CNotifyDlg::OnCancel() {
    ::ShowWindow(m_hwnd, SW_HIDE);
}

bool CNotifyDlg::PreTranslateMessage(MSG& msg) {
    return msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_SYSKEYDOWN ||
           msg.message == WM_SYSKEYUP;
}

bool CNotifyDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_TIMER:
        OnTimer(wParam);
        result = 0;
        return true;
    case WM_LBUTTONUP:
        OnOK();
        result = 0;
        return true;
    case WM_MOUSEACTIVATE:
        result = MA_NOACTIVATE;
        return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        result = 0;
        return true;
    default:
        return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
    }
}

// A DPI value fits the large font; a sentence such as the "connected" text
// does not, and is drawn smaller rather than cut after a few letters.
void CNotifyDlg::DrawLargeLine(HDC dc, const std::wstring& text, const RECT& band) {
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    if (text.empty())
        return;
    auto widthAt = [&](int height) {
        fw::Font font = height == kLargeHeight ? fw::Font() : MakeFont(height, FW_EXTRABOLD);
        fw::SelectScope select(dc, height == kLargeHeight ? m_fontLarge.Get() : font.Get());
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
        return int(size.cx);
    };
    const int room = band.right - band.left - 2 * kSideMargin;
    const int height = FitLineHeight(kLargeHeight, kSmallHeight / 2, room, widthAt);
    if (height == kLargeHeight) {
        DrawTextIn(dc, text, band, m_fontLarge.Get(), m_clrText, format);
        return;
    }
    const fw::Font fitted = MakeFont(height, FW_EXTRABOLD);
    DrawTextIn(dc, text, band, fitted.Get(), m_clrText, format);
}

void CNotifyDlg::Paint(HDC dc, const RECT& rc) {
    if (HasImage()) {
        DrawImage(dc, m_imgBkg.get(), 0, 0, rc.right, rc.bottom);
    } else {
        fw::Brush black(::CreateSolidBrush(kNotifyKey));
        ::FillRect(dc, &rc, black.Get());
    }
    const bool third = !m_strLine[2].empty();
    const NotifyBands bands = NotifyLayout(rc.right, rc.bottom, third);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    DrawTextIn(dc, m_strLine[0], bands.first, m_fontSmall.Get(), m_clrText, format);
    DrawLargeLine(dc, m_strLine[1], bands.second);
    if (third)
        DrawLargeLine(dc, m_strLine[2], bands.third);
    DrawTextIn(dc, m_strLine[3], bands.fourth, m_fontSmall.Get(), m_clrText, format);
}
