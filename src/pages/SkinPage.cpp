#include "pages/SkinPage.h"

#include "app/AppGlobals.h"
#include "app/resource.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "settings/Settings.h"

using settings::g_opt;

CSkinPage::CSkinPage(const wchar_t* skinName) : fw::Dialog(IDD_PAGE), m_strSkin(skinName) {}

bool CSkinPage::CreatePage(HWND parent) {
    if (!Create(parent))
        return false;
    const settings::Rect& rc = g_opt.rcSubDlg;
    ::SetWindowPos(m_hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

BOOL CSkinPage::OnInitDialog() {
    const settings::Rect& rc = g_opt.rcSubDlg;
    fw::Image full = LoadSkinImage(m_strSkin);
    m_imgBkg = CropImage(full.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    m_fontTitle = MakeFont(18, FW_BOLD);
    if (!g_fontApp)
        m_fontText = MakeFont(15, FW_NORMAL);
    return TRUE;
}

POINT CSkinPage::FromWindow(int x, int y) {
    return POINT{x - g_opt.rcSubDlg.left, y - g_opt.rcSubDlg.top};
}

HFONT CSkinPage::TextFont() const {
    return g_fontApp ? g_fontApp.Get() : m_fontText.Get();
}

void CSkinPage::Redraw() {
    if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CSkinPage::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
    fw::Brush background(::CreateSolidBrush(g_opt.clrBkg));
    ::FillRect(buffer.Dc(), &rc, background.Get());
    if (HasBackground())
        DrawImage(buffer.Dc(), m_imgBkg.get(), 0, 0);
    DrawContent(buffer.Dc());
    buffer.CopyTo();
}

bool CSkinPage::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // the whole page is painted in WM_PAINT
        return true;
    default:
        return false;
    }
}
