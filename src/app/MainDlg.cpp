#include "app/MainDlg.h"

#include "app/AppGlobals.h"
#include "app/PopupMenu.h"
#include "controls/SkinRegion.h"
#include "app/resource.h"
#include "framework/App.h"
#include "settings/Log.h"
#include "settings/Settings.h"

using settings::g_opt;
using settings::WriteLog;

CTarvelDlg::CTarvelDlg() : fw::Dialog(IDD_MAIN) {
    if (!g_fontApp)
        m_font.Reset(::CreateFontW(14, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FF_SWISS, L"MS Shell Dlg"));
}

BOOL CTarvelDlg::OnInitDialog() {
    m_icon.Reset(
        static_cast<HICON>(::LoadImageW(nullptr, (g_szExeDir + L"appico.ico").c_str(), IMAGE_ICON,
                                        0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
    if (!m_icon) {
        WriteLog("Load Icon err=%x", unsigned(::GetLastError()));
        m_icon.Reset(
            static_cast<HICON>(::LoadImageW(fw::App::Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                            IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    }
    ::SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, LPARAM(m_icon.Get()));
    ::SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, LPARAM(m_icon.Get()));
    BuildSkinFrame();
    ::SetWindowTextW(m_hwnd, g_szAppTitle.c_str());
    ::ShowWindow(m_hwnd, SW_SHOWNORMAL);
    return TRUE;
}

bool CTarvelDlg::BuildSkinFrame() {
    m_imgMain = fw::LoadImageFile(SkinPath(L"main_nr.png"));
    if (fw::Width(m_imgMain) == 0) {
        ::MessageBoxW(m_hwnd, L"Load skins failed.", L"Error", MB_OK);
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return false;
    }
    m_imgHover = fw::LoadImageFile(SkinPath(L"main_ov.png"));
    if (g_opt.clrMask != 0)
        ::SetWindowRgn(m_hwnd, RegionFromImage(*m_imgMain, g_opt.clrMask, 10).Release(), TRUE);

    const int w = fw::Width(m_imgMain), h = fw::Height(m_imgMain);
    const int screenW = ::GetSystemMetrics(SM_CXFULLSCREEN),
              screenH = ::GetSystemMetrics(SM_CYFULLSCREEN);
    int x = (screenW - w) / 2, y = (screenH - h) / 2;
    if (screenW - w < 2 || x >= screenW)
        x = 10;
    if (screenH - h < 2 || y >= screenH)
        y = 10;
    ::SetWindowPos(m_hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CTarvelDlg::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    if (::IsIconic(m_hwnd)) {
        const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(paint.Dc(), (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, m_icon.Get());
        return;
    }
    fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
    fw::Brush background(::CreateSolidBrush(g_opt.clrBkg));
    ::FillRect(buffer.Dc(), &rc, background.Get());
    if (fw::Width(m_imgMain) > 0) {
        Gdiplus::Graphics g(buffer.Dc());
        g.DrawImage(m_imgMain.get(), 0, 0, rc.right, rc.bottom);
    }
    buffer.CopyTo();
}

bool CTarvelDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Enter and Escape reach the dialog as IDOK/IDCANCEL: they never close it.
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        return true;
    return fw::Dialog::OnCommand(wParam, lParam);
}

bool CTarvelDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_SYSKEYDOWN ||
        msg.message == WM_SYSKEYUP) {
        switch (msg.wParam) {
        case VK_RETURN:
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

bool CTarvelDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
    case WM_HELP:
        result = 1;
        return true;
    case WM_LBUTTONDOWN:
        // The window is dragged by any point of its background.
        CloseMenus();
        ::PostMessageW(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return false;
    default:
        (void)wParam;
        return false;
    }
}

bool CTarvelDlg::DestroyWindow() {
    return fw::Dialog::DestroyWindow();
}
