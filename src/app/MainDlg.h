#pragma once
// CTarvelDlg: the program's one top-level window, a borderless skinned dialog
// run modally by the application object. It owns the device link, the four
// pages, the profile and navigation buttons, the tray icon and the on-screen
// notification; it starts the apply worker and the configuration reader and
// follows the device's arrival, removal and events. Closing it ends the
// program.

#include "app/CoreBridge.h"
#include "controls/PngBtn.h"
#include "device/USBDriver.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"
#include "pages/SkinPage.h"
#include "sync/DeviceRead.h"

#include <shellapi.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <thread>
#include <vector>

class CNotifyDlg;

// The program's own window messages that the main window handles.
constexpr UINT WM_TRAYICON = 1132; // tray icon, and a second copy of the program
// Posted to itself: the queued link checks are due (DevicePresence.cpp).
constexpr UINT WM_LINK_CHECK = WM_APP + 0x41;

// One page of the main window: the text key of its navigation button's
// caption, which of the navigation rectangles rcNaviBtn1..4 (slot 0..3) its
// button sits at, whether it is offered at all, the page and its button.
struct PageRow {
    const char16_t* title = nullptr;
    int naviSlot = 0;
    bool (*offered)() = nullptr; // null: always
    std::unique_ptr<CSkinPage> page;
    std::unique_ptr<CPngBtn> navi;
    // Its window was made (or tried): only then does the page take part.
    bool built = false;
};
// The pages in the order the main window drives them (creates, refreshes,
// lets store, destroys); ShowPage(n) shows row n - 1.
std::vector<PageRow> MakePageTable();

class CTarvelDlg : public fw::SkinDialog, public PageHost {
public:
    CTarvelDlg();
    ~CTarvelDlg() override;

    bool DestroyWindow() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& msg) override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    bool BuildSkinFrame();
    void InitProfiles();
    void SyncUiToSensor();
    void SetAsCurProfile(uint32_t dwID);
    void ShowPage(int n) override;
    void OnConfig();
    void OnExit();
    void OnPopupMenuButton(int x, int y);
    // The checks before anything is written to the device; false after the
    // user has been told why not.
    bool PreApplyCheck() override;
    // Every page shows the current profile again.
    void RefreshPages() override;
    // Without ApplyNow: the current profile holds changes the mouse does not
    // have yet.
    void ProfileEdited() override;
    bool DeviceConnected() override { return DeviceOpen(); }
    // The battery through the device link, for the keys page's timers.
    bool ReadPowerLevel(int& level) override;
    // Tells every page; true when one of them changed a profile.
    bool MacrosChanged(MacroChange change) override;

    // Device presence (DevicePresence.cpp) and the mouse's own events.
    bool RegisterDevNotify(HWND hwnd);
    LRESULT OnDeviceChange(WPARAM event, LPARAM data);
    LRESULT OnDeviceLost(WPARAM pair);
    LRESULT OnDeviceBehavior(WPARAM wParam, LPARAM lParam);

    int CurPage() const { return m_nCurPage; }
    int CurProfileIndex() const { return m_nCurProfile; }

protected:
    void Paint(HDC dc, const RECT& rc) override;
    void PaintMinimised(HDC dc, const RECT& rc) override;
    void OnBackgroundPressed() override;

private:
    // The first checks of Apply and restore: a device to write to (or
    // GoWithNoDev) and a finished configuration read.
    bool DeviceWritable();
    // False, after telling the user, while the configuration is being read.
    bool CfgReadFinished();
    // False, after showing the refusing page's message, while a page may not
    // be left.
    bool PagesMayBeLeft();
    // False when a page holds edits nothing has kept and the user chose to
    // stay with them.
    bool PagesConfirmLeave();
    // Hands a device event (or a DPI level the program chose) to every page.
    void RoutePageEvent(int kind, int value);
    // The pages whose windows have been made, in table order.
    std::vector<CSkinPage*> BuiltPages() const;
    // Makes the page's window (once) and shows it the current profile and
    // the mouse's DPI level, which the pages made before it were shown as
    // start-up went on.
    void BuildPage(PageRow& row);
    // Hides a page; `replaced`: another page is shown in its place.
    void HidePage(HWND page, bool replaced);
    // The area of the page shown (client coordinates); false when none is.
    bool ShownPageArea(RECT& area) const;
    // One step of the start-up work the first paint does not wait for (the
    // notification window, the window buttons' hover look, the tray icon,
    // then each page not shown yet), while nothing else is due; false when
    // none was left.
    bool StartupRestStep();
    // The import, export and home buttons' hover look: their areas of
    // main_ov.png, given after the first paint.
    void GiveHoverImages();
    // The on-screen notice, made when first needed (an event before
    // start-up's later steps) or by those steps; null when it could not be
    // made.
    CNotifyDlg* Notifier();
    void OnApply();
    void OnRestore();
    void OnProfileButton(int index);
    void OnMinimize();
    void OnClose();
    void OnMenuChoice(WPARAM code);
    void ExportProfileFile();
    void ImportProfileFile();
    // The profile buttons' and the Apply button's captions, with the mark of
    // changes not yet applied.
    void RefreshProfileCaptions();
    // Changes not yet applied, per profile button (only without ApplyNow).
    void SetPending(int index, bool pending);
    bool CurrentPending() const;
    std::wstring WithPendingMark(const std::wstring& caption, int index) const;
    // Before the program ends on the user's word: with changes not yet
    // applied, asks whether to apply them. False when the user stays (Cancel,
    // or Yes and the apply did not go through).
    bool MayEnd();
    void StartCfgRead();
    void StopCfgReads();
    void JoinFinishedCfgReads();
    bool DeviceOpen() const;
    HWND MessageOwner() const;

    // The tray.
    void AddTrayIcon();
    void RemoveTrayIcon();
    void ShowTrayMenu();

    // Device presence: each sign that the receiver came or went is a check,
    // run one at a time in order.
    struct LinkCheck {
        device::LinkTrigger trigger;
        uint32_t pair; // LinkLost: the pair it is about
    };
    static constexpr UINT_PTR kHidWaitTimer = 0x4C1D;
    // Runs StartupRestStep: a timer's turn comes once the window has nothing
    // else to do, so the first paint, the user's input and the device's
    // notices all go first.
    static constexpr UINT_PTR kStartupRestTimer = 0x57A7;
    void QueueLinkCheck(device::LinkTrigger trigger, uint32_t pair = 0);
    void RunLinkChecks();
    void RunLinkCheck(const LinkCheck& check);
    void Reopen(device::LinkTrigger trigger);
    void ReopenTries(bool arrival);
    void TakeInPendingNotices();
    void GiveUpOnReceiver();
    void OnHidWaitOver();

    // The mouse's events, one handler per kind.
    void OnDpiLevelEvent(WPARAM wParam);
    void OnConfigChangedEvent();
    void OnDpiLightEvent(WPARAM wParam);
    void OnLogoLightEvent(WPARAM wParam);
    void OnMainLightEvent(WPARAM wParam);

    CPngBtn m_btnMin, m_btnClose, m_btnMenu, m_btnApply, m_btnRestore, m_btnHome, m_btnImport,
        m_btnExport;
    CPngBtn m_btnPro[5];

    std::vector<PageRow> m_pages;
    std::unique_ptr<CNotifyDlg> m_pNotifyDlg;

    // Where the device link, the reader and the worker post to this window.
    WindowPoster m_poster;
    TopWindowFinder m_finder;
    CUSBDriver m_usb;
    // The configuration reads (each merges device macros into the library's
    // tree as the disk holds it) and the reader threads started.
    CfgReadCtx m_cfgRead;
    struct CfgReader {
        std::atomic<bool> done{false};
        std::thread thread;
    };
    std::list<CfgReader> m_cfgReaders; // nodes stay put: a reader sets its own `done`

    // Each skin file decoded once for all who load it, until start-up's work
    // is done.
    std::unique_ptr<fw::DecodedImageCache> m_startupImages;
    fw::Image m_imgMain;              // main_nr.png
    bool m_bHoverImagesGiven = false; // GiveHoverImages has run
    fw::Font m_font;                  // only when there is no application font
    fw::Font m_fontNavi;
    fw::Icon m_icon;

    bool m_bShow = true;
    int m_nCurProfile = -1;
    int m_nCurPage = 1;
    uint32_t m_nResetTickCount = 0;
    NOTIFYICONDATAW m_nid{};
    HDEVNOTIFY m_hDevNotify = nullptr;
    HDEVNOTIFY m_hHidNotify = nullptr; // our receiver's HID interfaces
    std::deque<LinkCheck> m_linkChecks;
    bool m_bLinkCheckPosted = false; // WM_LINK_CHECK is on its way
    bool m_bInLinkCheck = false;
    bool m_bWaitingForHid = false; // kHidWaitTimer runs
    // A close is on its way: signs of the receiver are no longer followed.
    bool m_bClosing = false;
    bool m_bExitDone = false; // OnExit ran
    // The user was told that changes wait for a receiver; said once while
    // it stays away.
    bool m_bToldNoReceiver = false;
    std::array<bool, 5> m_bPending{};
    bool m_bTrayIcon = false;
};
