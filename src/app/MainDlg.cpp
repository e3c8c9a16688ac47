// The main window's life: start-up in order, the message dispatch, showing
// and ending, and the shutdown that releases everything in reverse order.

#include "app/MainDlg.h"

#include "app/AppGlobals.h"
#include "app/NotifyDlg.h"
#include "app/PopupMenu.h"
#include "app/resource.h"
#include "device/win32/VantorLibrary.h"
#include "framework/App.h"
#include "framework/StartupTimeline.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "pages/MsgDlg.h"
#include "platform/Memory.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/MacroStore.h"
#include "store/ProfileStore.h"
#include "sync/ApplyWorker.h"
#include "sync/OpenReceiver.h"

#include <dbt.h>

using settings::g_opt;
using settings::WriteLog;

CTarvelDlg::CTarvelDlg()
    : fw::SkinDialog(IDD_MAIN), m_usb(std::make_unique<VantorLibrary>()),
      m_bShow(!(g_opt.TrayIcon == 1 || g_opt.ShowWelcome != 0)) {
    // The window is dragged by any point of its background.
    SetDragByBackground(true);
    if (!g_fontApp)
        m_font.Reset(::CreateFontW(14, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FF_SWISS, L"MS Shell Dlg"));
    m_cfgRead.pDriver = &m_usb;
    m_cfgRead.pMainWnd = &m_poster;
}

CTarvelDlg::~CTarvelDlg() {
    // Normally DestroyWindow has run; this covers a window that never opened.
    StopCfgReads();
    StopApply();
}

BOOL CTarvelDlg::OnInitDialog() {
    fw::StartupStep("main window created");
    // The frame, the pages and their controls load the same images many
    // times over; each file is decoded once until start-up's work is done.
    m_startupImages = std::make_unique<fw::DecodedImageCache>();
    m_poster.SetWindow(m_hwnd);
    InstallMessageBoxSink(m_hwnd);

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
    fw::StartupStep("icon");

    BuildSkinFrame();
    ::SetWindowTextW(m_hwnd, g_szAppTitle.c_str());

    m_usb.InitDriver(&m_poster);
    if (!OpenReceiver(m_usb)) {
        if (g_opt.Suwnd == 0) {
            CMsgDlg::ShowMessage(u"tc_msg15", nullptr);
            ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
            return TRUE;
        }
    } else {
        if (m_usb.GetDevState() != 1) {
            CMsgDlg::ShowMessage(u"tc_msg10", nullptr);
            if (g_opt.Suwnd == 0) {
                ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
                return TRUE;
            }
        }
        uint8_t level[2] = {};
        g_nCurDpiLevel = m_usb.ReadEEPROM(memmap::kAddrCurDpiLevel, level, 2) ? level[0] : -1;
    }
    fw::StartupStep("device open");

    if (!FindSensorCfg(g_nCurSensor)) {
        wchar_t text[64];
        std::swprintf(text, std::size(text), L"UnSupported Sensor 0x%04x", unsigned(g_nCurSensor));
        CMsgDlg::ShowMessageText(text, nullptr);
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return TRUE;
    }

    InitApply(&m_poster, &m_usb, &m_finder, nullptr);
    RegisterDevNotify(m_hwnd);
    fw::StartupStep("apply worker and device notices");
    LoadMacroLibrary(nullptr, g_opt.MacroDir, true);
    fw::StartupStep("macro library");
    InitProfiles();
    fw::StartupStep("profiles");
    // Showing the window (OnConfig) brings the pages in line with the sensor
    // and the saved profile, and a shown start adds its tray icon after the
    // first paint; a start that stays in the tray does both here.
    if ((g_opt.TrayIcon == 1 || g_opt.TrayIcon == 3) && !m_bShow) {
        SyncUiToSensor();
        AddTrayIcon();
        fw::StartupStep("tray icon");
    }
    if (m_bShow) {
        OnConfig();
        fw::StartupStep("window shown");
    }
    if (!m_pages.empty()) {
        WriteLog("OnInitDialog: g_nCurDpiLevel=%d", g_nCurDpiLevel.load());
        if (g_nCurDpiLevel < 0 && pSensorCfg)
            g_nCurDpiLevel = pSensorCfg->nDefLevel;
        RoutePageEvent(DEV_EVT_DPI_LEVEL, g_nCurDpiLevel);
    }
    StartCfgRead();
    fw::StartupStep("configuration read started");
    // A start in the tray paints nothing; its timeline ends here.
    if (!m_bShow)
        fw::EndStartupTimeline("start-up done, window hidden");
    ::SetTimer(m_hwnd, kStartupRestTimer, 0, nullptr);
    return TRUE;
}

bool CTarvelDlg::StartupRestStep() {
    if (m_bClosing)
        return false;
    if (!m_pNotifyDlg) {
        Notifier();
        fw::StartupStep("notification window");
        return true;
    }
    if (!m_bHoverImagesGiven) {
        GiveHoverImages();
        fw::StartupStep("window buttons' hover images");
        return true;
    }
    if (!m_nid.hWnd && (g_opt.TrayIcon == 1 || g_opt.TrayIcon == 3)) {
        AddTrayIcon();
        fw::StartupStep("tray icon");
        return true;
    }
    for (PageRow& row : m_pages) {
        if (!row.built) {
            BuildPage(row);
            return true;
        }
    }
    m_startupImages.reset();
    return false;
}

bool CTarvelDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_HELP:
        result = 1;
        return true;
    case WM_TRAYICON:
        if (lParam == WM_LBUTTONUP)
            OnConfig();
        else if (lParam == WM_RBUTTONUP)
            ShowTrayMenu();
        result = 1;
        return true;
    case WM_SYNC_OK: {
        WriteLog("OnSyncOk");
        JoinFinishedCfgReads();
        SetPending(0, false); // profile 0 holds what the mouse has
        const ProfileRecord* cur = g_pCurProfile.load();
        if (cur)
            SetAsCurProfile(cur->dwProfileID);
        result = 1;
        return true;
    }
    case WM_MENU_CHOICE:
        OnMenuChoice(wParam);
        result = 1;
        return true;
    case WM_DEVICE_BEHAVIOR:
        result = OnDeviceBehavior(wParam, lParam);
        return true;
    case WM_DEVICECHANGE:
        result = OnDeviceChange(wParam, lParam);
        return true;
    case WM_DEVICE_LOST:
        result = OnDeviceLost(wParam);
        return true;
    case WM_LINK_CHECK:
        RunLinkChecks();
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam == kStartupRestTimer) {
            // A page that warns about a missing image runs the warning's own
            // message loop: the next step waits until this one has returned,
            // so pages are never made inside one another.
            ::KillTimer(m_hwnd, kStartupRestTimer);
            if (StartupRestStep()) {
                ::SetTimer(m_hwnd, kStartupRestTimer, 0, nullptr);
            } else {
                WriteLog("Start-up work done: every page made");
                fw::EndStartupWork("start-up done");
                // What start-up needed deep in the stack and in the heaps
                // (decoded images, their copies) it no longer needs, nor the
                // system's own waiting threads the stack they started with.
                platform::ReleaseUnusedStack();
                platform::ReleaseOtherThreadsStacks();
                platform::ReleaseFreeHeapMemory();
            }
        } else if (wParam == kHidWaitTimer) {
            OnHidWaitOver();
        } else {
            return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
        }
        result = 0;
        return true;
    case WM_CORE_MESSAGE:
        ShowPostedCoreMessage(MessageOwner(), lParam);
        result = 0;
        return true;
    case WM_QUERYENDSESSION:
        // TRUE: the session may end; the macro store is saved first.
        SaveMacroDump();
        result = TRUE;
        return true;
    case WM_WINDOWPOSCHANGING:
        // While the window is to stay hidden (tray start), nothing shows it.
        if (!m_bShow)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        return false;
    case WM_SETCURSOR:
        if (m_btnHome.Hwnd()) {
            POINT pt;
            ::GetCursorPos(&pt);
            ::ScreenToClient(m_hwnd, &pt);
            const settings::Rect& r = g_opt.rcHomePageBtn;
            if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                result = TRUE;
                return true;
            }
        }
        return false;
    default:
        return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
    }
}

void CTarvelDlg::OnBackgroundPressed() {
    CloseMenus();
}

bool CTarvelDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP && msg.message != WM_SYSKEYDOWN &&
        msg.message != WM_SYSKEYUP)
        return false;
    for (CSkinPage* page : BuiltPages())
        if (page->TakeKey(msg))
            return true;
    switch (msg.wParam) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
    case VK_F1:
        // None of them may close the window or press a button.
        WriteLog("PreTranslateMessage: key 0x%x ignored", unsigned(msg.wParam));
        return true;
    default:
        return false;
    }
}

CNotifyDlg* CTarvelDlg::Notifier() {
    if (!m_pNotifyDlg) {
        m_pNotifyDlg = std::make_unique<CNotifyDlg>();
        m_pNotifyDlg->SetPosition(50, 50);
        // A name for the window, so it can be told apart from the others.
        if (m_pNotifyDlg->Create(nullptr))
            ::SetWindowTextW(m_pNotifyDlg->Hwnd(), L"TarvelNotify");
    }
    return m_pNotifyDlg->Hwnd() ? m_pNotifyDlg.get() : nullptr;
}

void CTarvelDlg::OnConfig() {
    WriteLog("OnConfig");
    if (::IsWindowVisible(m_hwnd)) {
        ::ShowWindow(m_hwnd, SW_RESTORE);
        ::SetForegroundWindow(m_hwnd);
        return;
    }
    SyncUiToSensor();
    m_bShow = true;
    // Shown with the erase left to each window's paint: every window here
    // draws all of itself, and erasing on showing took a device context for
    // each child before anything was painted.
    if (!::IsIconic(m_hwnd))
        ::SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW | SWP_DEFERERASE);
    ::ShowWindow(m_hwnd, SW_SHOWNORMAL);
    ::SetForegroundWindow(m_hwnd);
    m_usb.TellDrvStatus(1); // logs "TellDrvStatus= 1" itself
}

// Runs once: a second call (the tray's Exit while the receiver's removal ends
// the program) would save the store again and tell a receiver that is gone.
void CTarvelDlg::OnExit() {
    if (m_bExitDone) {
        WriteLog("Exit already under way, ignored");
        return;
    }
    m_bExitDone = true;
    m_bClosing = true;
    WriteLog("OnExit");
    if (HWND msgWnd = ::FindWindowW(nullptr, L"TarvelMsgTopWindow"))
        ::SendMessageW(msgWnd, WM_CLOSE, 0, 0);
    g_pCurProfile = g_ProfileList.At(0);
    SaveProfiles();
    SaveCurId();
    if (DeviceOpen())
        m_usb.TellDrvStatus(0);
    else
        WriteLog("Exit: no receiver to tell");
    ::ShowWindow(m_hwnd, SW_HIDE);
    if (m_usb.ReaderRunning()) {
        m_usb.StopNotify();
        ::Sleep(50);
    }
    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
}

void CTarvelDlg::StartCfgRead() {
    // The new read waits for a running one; those that have ended are joined
    // here, so only reads still running keep a thread.
    JoinFinishedCfgReads();
    CfgReader& reader = m_cfgReaders.emplace_back();
    reader.thread = std::thread(
        [this](std::atomic<bool>* done) {
            ReadCurCfgThread(&m_cfgRead);
            // The system keeps the stack of the thread that ended last.
            platform::ReleaseUnusedStack();
            *done = true;
        },
        &reader.done);
    WriteLog("StartCfgRead: reader threads=%d", int(m_cfgReaders.size()));
}

void CTarvelDlg::JoinFinishedCfgReads() {
    for (auto it = m_cfgReaders.begin(); it != m_cfgReaders.end();) {
        if (!it->done) {
            ++it;
            continue;
        }
        if (it->thread.joinable())
            it->thread.join();
        it = m_cfgReaders.erase(it);
    }
}

void CTarvelDlg::StopCfgReads() {
    m_cfgRead.m_bAbortCfgRead = true;
    for (CfgReader& reader : m_cfgReaders)
        if (reader.thread.joinable())
            reader.thread.join();
    m_cfgReaders.clear();
    m_cfgRead.m_bAbortCfgRead = false;
}

bool CTarvelDlg::DeviceOpen() const {
    return m_usb.CommandHandle() != nullptr;
}

HWND CTarvelDlg::MessageOwner() const {
    return m_hwnd && ::IsWindowVisible(m_hwnd) ? m_hwnd : nullptr;
}

bool CTarvelDlg::DestroyWindow() {
    if (!m_hwnd)
        return false;
    // The apply worker finishes what was posted and ends; the configuration
    // reads give up at their next step.
    StopApply();
    StopCfgReads();
    // The notification reader is stopped and joined, never killed.
    if (m_usb.ReaderRunning()) {
        m_usb.StopNotify();
        ::Sleep(50);
    }
    if (m_pNotifyDlg) {
        m_pNotifyDlg->DestroyWindow();
        m_pNotifyDlg.reset();
    }
    SaveCurId();
    ClearProfiles();
    RemoveTrayIcon();
    m_usb.StopNotify();
    if (m_hDevNotify) {
        ::UnregisterDeviceNotification(m_hDevNotify);
        m_hDevNotify = nullptr;
    }
    if (m_hHidNotify) {
        ::UnregisterDeviceNotification(m_hHidNotify);
        m_hHidNotify = nullptr;
    }
    ::KillTimer(m_hwnd, kHidWaitTimer);
    ::KillTimer(m_hwnd, kStartupRestTimer);
    for (PageRow& row : m_pages)
        row.page.reset();
    m_startupImages.reset();
    m_imgMain.reset();
    InstallMessageBoxSink(nullptr);
    m_poster.SetWindow(nullptr);
    return fw::SkinDialog::DestroyWindow();
}
