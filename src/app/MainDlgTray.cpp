// The tray icon of the main window and its menu (an ordinary system menu).

#include "app/AppGlobals.h"
#include "app/MainDlg.h"
#include "app/TarvelApp.h"
#include "app/resource.h"
#include "settings/Log.h"

#include <cwchar>

void CTarvelDlg::AddTrayIcon() {
    m_nid = NOTIFYICONDATAW{};
    // Systems before Vista know the record only up to its balloon fields.
    m_nid.cbSize = GetWinVer() < 5 ? NOTIFYICONDATAW_V3_SIZE : sizeof(NOTIFYICONDATAW);
    m_nid.hWnd = m_hwnd;
    m_nid.uID = 0;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYICON;
    m_nid.hIcon = m_icon.Get();
    std::wcsncpy(m_nid.szTip, g_szAppTitle.c_str(), std::size(m_nid.szTip) - 1);
    std::wcsncpy(m_nid.szInfo, g_szAppTitle.c_str(), std::size(m_nid.szInfo) - 1);
    std::wcsncpy(m_nid.szInfoTitle, g_szAppTitle.c_str(), std::size(m_nid.szInfoTitle) - 1);
    m_nid.dwInfoFlags = NIIF_INFO;
    m_nid.uTimeout = 5000;
    m_bTrayIcon = ::Shell_NotifyIconW(NIM_ADD, &m_nid) != FALSE;
    if (!m_bTrayIcon)
        settings::WriteLog("Shell_NotifyIcon err=%d", int(::GetLastError()));
}

void CTarvelDlg::RemoveTrayIcon() {
    if (m_nid.hWnd)
        ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
    m_nid = NOTIFYICONDATAW{};
    m_bTrayIcon = false;
}

void CTarvelDlg::ShowTrayMenu() {
    ::SetForegroundWindow(::GetLastActivePopup(m_hwnd));
    fw::Menu menu(::CreatePopupMenu());
    if (!menu)
        return;
    ::AppendMenuW(menu.Get(), MF_STRING, ID_TRAY_CONFIG, Txt(u"tc_config").c_str());
    ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.Get(), MF_STRING, ID_TRAY_EXIT, Txt(u"tc_exit").c_str());
    POINT pt;
    ::GetCursorPos(&pt);
    ::TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hwnd, nullptr);
    // Lets the menu close properly when the user clicks elsewhere.
    ::PostMessageW(m_hwnd, WM_NULL, 0, 0);
}
