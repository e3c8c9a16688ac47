#include "controls/ColorSwatch.h"

#include "controls/SkinWindow.h"
#include "framework/Handles.h"
#include "settings/Log.h"

#include "controls/CommonDialogs.h"
#include <windowsx.h>

using settings::WriteLog;

namespace {

// The program's empty swatch template (IDD_SWATCH of its resource script):
// a borderless child dialog that the swatch sizes itself.
constexpr UINT kSwatchTemplate = 104;

// The custom colours of the colour dialog, kept for the run like the
// system's own colour pickers do.
COLORREF g_customColours[16] = {
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
};

bool CreateSwatch(fw::Dialog& dlg, HWND parent, const RECT& rect) {
    if (dlg.Hwnd() || !dlg.fw::Dialog::Create(parent)) {
        WriteLog("CreateSwatch: err=%d", int(::GetLastError()));
        return false;
    }
    ::MoveWindow(dlg.Hwnd(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 FALSE);
    ::ShowWindow(dlg.Hwnd(), SW_SHOWNA);
    return true;
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    fw::Brush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush.Get());
}

} // namespace

std::optional<COLORREF> PickColour(HWND owner, COLORREF initial) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = initial & 0xFFFFFF;
    cc.lpCustColors = g_customColours;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!ColourDialog(cc)) {
        const DWORD err = CommonDialogError();
        if (err != 0)
            WriteLog("PickColour: ChooseColorW err=0x%lx", static_cast<unsigned long>(err));
        return std::nullopt;
    }
    return cc.rgbResult & 0xFFFFFF;
}

// ---------------------------------------------------------------- CColorDlg

CColorDlg::CColorDlg() : fw::Dialog(kSwatchTemplate) {}

bool CColorDlg::Create(const ColorDlgArgs& args) {
    m_clr = args.colour;
    m_nIndex = args.index;
    return CreateSwatch(*this, args.parent, args.rect);
}

void CColorDlg::SetColor(COLORREF colour) {
    m_clr = colour;
    if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CColorDlg::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    Fill(paint.Dc(), rc, m_clr);
}

void CColorDlg::OnRelease() {
    if (m_bDisabled)
        return;
    HWND hwnd = m_hwnd;
    const std::optional<COLORREF> chosen = PickColour(::GetAncestor(hwnd, GA_ROOT), m_clr);
    // The page may have gone while the colour dialog was open.
    if (!chosen || !::IsWindow(hwnd))
        return;
    HWND parent = ::GetParent(hwnd);
    if (!::SendMessageW(parent, WM_COLOR_CHANGED, m_clr, LPARAM(m_nIndex) + kColorQueryFlag))
        return;
    SetColor(*chosen);
    ::PostMessageW(parent, WM_COLOR_CHANGED, *chosen, LPARAM(m_nIndex));
}

bool CColorDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // the whole client area is painted with the colour
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_press.OnPress(m_hwnd);
        result = 0;
        return true;
    case WM_LBUTTONUP:
        // Only the release of the swatch's own press opens the colour dialog.
        if (m_press.OnRelease(m_hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            OnRelease();
        result = 0;
        return true;
    case WM_CAPTURECHANGED:
        m_press.OnCaptureLost();
        result = 0;
        return true;
    default:
        return fw::Dialog::OnMessage(msg, wParam, lParam, result);
    }
}

// ------------------------------------------------------------- CColorBtnDlg

CColorBtnDlg::CColorBtnDlg() : fw::Dialog(kSwatchTemplate) {}

bool CColorBtnDlg::Create(const ColorBtnArgs& args) {
    m_clr = args.colour;
    m_nIndex = args.index;
    m_bCanPick = args.canPick;
    m_clrFrame = args.frameColour;
    return CreateSwatch(*this, args.parent, args.rect);
}

void CColorBtnDlg::Redraw() {
    if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CColorBtnDlg::SetColor(COLORREF colour) {
    m_clr = colour;
    Redraw();
}

void CColorBtnDlg::SetSelected(bool selected) {
    if (m_bSelected == selected)
        return;
    m_bSelected = selected;
    Redraw();
}

void CColorBtnDlg::SetFrameColor(COLORREF colour) {
    m_clrFrame = colour;
    Redraw();
}

void CColorBtnDlg::SetImage(fw::Image image) {
    m_image = std::move(image);
    Redraw();
}

void CColorBtnDlg::Draw(HDC dc, const RECT& client) {
    // What lies around the colour is the parent's: let it paint that part
    // when it can, else the plain dialog colour stays.
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DFACE));
    if (HWND parent = ::GetParent(m_hwnd)) {
        POINT origin{0, 0};
        ::MapWindowPoints(m_hwnd, parent, &origin, 1);
        POINT old;
        ::SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
        ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
    }
    if (fw::Width(m_image) > 0) {
        DrawImage(dc, m_image.get(), 0, 0);
    } else {
        RECT inner = client;
        ::InflateRect(&inner, -2, -2);
        Fill(dc, inner, m_clr);
    }
    if (m_bSelected) {
        fw::Brush frame(::CreateSolidBrush(m_clrFrame));
        ::FrameRect(dc, &client, frame.Get());
    }
}

void CColorBtnDlg::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
    Draw(buffer.Dc(), rc);
    buffer.CopyTo();
}

void CColorBtnDlg::OnDoubleClick() {
    HWND hwnd = m_hwnd;
    const std::optional<COLORREF> chosen = PickColour(::GetAncestor(hwnd, GA_ROOT), m_clr);
    if (!chosen || !::IsWindow(hwnd))
        return;
    SetColor(*chosen);
    ::PostMessageW(::GetParent(hwnd), WM_COLOR_CHANGED, *chosen, LPARAM(m_nIndex));
}

bool CColorBtnDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // drawn whole in WM_PAINT
        return true;
    case WM_LBUTTONDBLCLK:
        // Without the colour dialog the second press of a quick pair is an
        // ordinary press, so no click the user made is lost.
        if (!m_bCanPick) {
            ::PostMessageW(::GetParent(m_hwnd), WM_COLOR_CLICKED, m_bSelected ? 0 : 1,
                           LPARAM(m_nIndex));
            result = 0;
            return true;
        }
        OnDoubleClick();
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        ::PostMessageW(::GetParent(m_hwnd), WM_COLOR_CLICKED, m_bSelected ? 0 : 1,
                       LPARAM(m_nIndex));
        result = 0;
        return true;
    default:
        return fw::Dialog::OnMessage(msg, wParam, lParam, result);
    }
}
