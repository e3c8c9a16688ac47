// Device presence: the receiver arriving or going, as the main window learns
// of it. Windows announces the receiver's USB device and each of its HID
// interfaces (the HID ones after the USB device on a plug, before it on an
// unplug), the reader finds a pulled receiver's read failing (often before
// any notice), and a send can find the interfaces gone. Each sign becomes a
// link check. Checks run one at a time, in order, and never inside one
// another: a message box shown during one lets the notices that come
// meanwhile through, and they wait their turn. The decisions themselves are
// device/LinkPresence's.

#include "app/AppGlobals.h"
#include "app/MainDlg.h"
#include "app/NotifyDlg.h"
#include "device/DeviceMatch.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/ProfileDefaults.h"
#include "store/ProfileStore.h"
#include "sync/OpenReceiver.h"

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>

using device::LinkAction;
using device::LinkProbe;
using device::LinkTrigger;
using settings::g_opt;
using settings::WriteLog;

namespace {

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}: every USB device interface.
constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
// {4D1E55B2-F16F-11CF-88CB-001111000030}: every HID interface.
constexpr GUID kHidInterface = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// Each reopen waits this long first: the system needs the time to set the
// receiver's interfaces up (or to take them down).
constexpr DWORD kReopenWaitMs = 2000;
constexpr int kReopenTries = 3;
// How long a receiver whose USB device arrived may take to bring its HID
// interfaces up before the program gives up on it. A first plug into a new
// port installs drivers, which takes Windows a while.
constexpr UINT kHidWaitMs = 30000;
// How long notices that came during the tries may take to come in, and the
// pause after which no more are expected.
constexpr DWORD kTakeInMaxMs = 1500;
constexpr DWORD kTakeInQuietMs = 100;

// The device-interface name of a broadcast; empty for other kinds (volumes,
// ports), which carry none.
std::u16string InterfaceName(LPARAM data) {
    const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!hdr || hdr->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return {};
    const auto* di = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(hdr);
    const size_t header = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (hdr->dbch_size <= header)
        return {};
    const size_t maxChars = (hdr->dbch_size - header) / sizeof(wchar_t);
    const size_t n = wcsnlen(di->dbcc_name, maxChars);
    return std::u16string(di->dbcc_name, di->dbcc_name + n);
}

bool IsHidNotice(LPARAM data) {
    const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    return hdr && hdr->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE &&
           hdr->dbch_size >= sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) &&
           IsEqualGUID(
               reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(hdr)->dbcc_classguid,
               kHidInterface);
}

} // namespace

bool CTarvelDlg::RegisterDevNotify(HWND hwnd) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceInterface;
    m_hDevNotify = ::RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_hDevNotify)
        WriteLog("RegisterDeviceNotification err=%d", int(::GetLastError()));
    // The HID interfaces come after the USB device (seconds after, while a
    // new port's drivers are set up), and can go and come back while the USB
    // device stays (a driver reset, the device disabled and enabled).
    filter.dbcc_classguid = kHidInterface;
    m_hHidNotify = ::RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_hHidNotify)
        WriteLog("RegisterDeviceNotification(HID) err=%d", int(::GetLastError()));
    return m_hDevNotify != nullptr;
}

// A notice of one of our receiver's interfaces becomes a link check; the
// notice itself is only valid during this call, and the check may take
// seconds, so it runs later (WM_LINK_CHECK). Returns 0.
LRESULT CTarvelDlg::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return 0;
    const std::u16string name = InterfaceName(data);
    const bool hid = IsHidNotice(data);
    const bool ours = hid ? device::IsReceiverHidInterface(name, g_opt.VID, g_opt.PID, g_opt.PID2)
                          : device::IsReceiverInterface(name, g_opt.VID, g_opt.PID, g_opt.PID2);
    if (!ours)
        return 0;
    const bool arrival = event == DBT_DEVICEARRIVAL;
    const LinkTrigger trigger = hid ? (arrival ? LinkTrigger::HidArrival : LinkTrigger::HidRemoval)
                                    : (arrival ? LinkTrigger::UsbArrival : LinkTrigger::UsbRemoval);
    WriteLog("OnDeviceChange: %s, %s", device::TriggerName(trigger),
             settings::LogText(name).c_str());
    QueueLinkCheck(trigger);
    return 0;
}

// The device link found the open pair gone, or its reads failing.
LRESULT CTarvelDlg::OnDeviceLost(WPARAM pair) {
    QueueLinkCheck(LinkTrigger::LinkLost, uint32_t(pair));
    return 0;
}

void CTarvelDlg::OnHidWaitOver() {
    ::KillTimer(m_hwnd, kHidWaitTimer);
    m_bWaitingForHid = false;
    QueueLinkCheck(LinkTrigger::WaitOver);
}

void CTarvelDlg::QueueLinkCheck(LinkTrigger trigger, uint32_t pair) {
    if (m_bClosing) {
        WriteLog("OnDeviceChange: %s ignored, the program is ending", device::TriggerName(trigger));
        return;
    }
    m_linkChecks.push_back({trigger, pair});
    if (!m_bInLinkCheck && !m_bLinkCheckPosted) {
        m_bLinkCheckPosted = true;
        ::PostMessageW(m_hwnd, WM_LINK_CHECK, 0, 0);
    }
}

// WM_LINK_CHECK: the checks queued so far, and those that join while they
// run. Reached again from inside a check (a message box pumps messages), it
// leaves the queue to the check already running.
void CTarvelDlg::RunLinkChecks() {
    m_bLinkCheckPosted = false;
    if (m_bInLinkCheck)
        return;
    m_bInLinkCheck = true;
    while (!m_linkChecks.empty()) {
        const LinkCheck check = m_linkChecks.front();
        m_linkChecks.pop_front();
        RunLinkCheck(check);
    }
    m_bInLinkCheck = false;
}

void CTarvelDlg::RunLinkCheck(const LinkCheck& check) {
    const char* what = device::TriggerName(check.trigger);
    if (m_bClosing) {
        WriteLog("OnDeviceChange: %s ignored, the program is ending", what);
        return;
    }
    if (check.trigger == LinkTrigger::LinkLost && check.pair != m_usb.PairGeneration()) {
        WriteLog("OnDeviceChange: %s ignored, it was about a pair already gone", what);
        return;
    }
    const bool pairOpen = DeviceOpen();
    LinkProbe probe = LinkProbe::Answered;
    uint8_t state = 0;
    if (device::ProbeNeeded(check.trigger, pairOpen))
        probe = m_usb.ProbeLink(&state);
    switch (device::DecideLinkAction(check.trigger, pairOpen, probe)) {
    case LinkAction::Nothing:
        if (!pairOpen)
            WriteLog("OnDeviceChange: %s ignored, no pair is open", what);
        else if (device::ProbeNeeded(check.trigger, pairOpen))
            WriteLog("OnDeviceChange: %s ignored, the receiver still answers (state %d)", what,
                     int(state));
        else
            WriteLog("OnDeviceChange: %s ignored, a pair is open", what);
        break;
    case LinkAction::Reopen:
    case LinkAction::Removal:
        if (device::ProbeNeeded(check.trigger, pairOpen))
            WriteLog("OnDeviceChange: %s, and the open pair: %s", what, device::ProbeName(probe));
        Reopen(check.trigger);
        break;
    case LinkAction::GiveUp:
        GiveUpOnReceiver();
        break;
    }
}

// The tries to open the receiver after a sign that it came or went; without
// any pair after them, what comes next.
void CTarvelDlg::Reopen(LinkTrigger trigger) {
    const bool arrival = device::IsArrival(trigger);
    // "Device IN" and "Device OUT" once for each time the receiver came or
    // went; HID interfaces arriving late belong to an arrival already told.
    if (trigger == LinkTrigger::HidArrival)
        WriteLog("OnDeviceChange: the receiver's HID interfaces came with no pair open; one more "
                 "reopen");
    else
        WriteLog(arrival ? "Device IN" : "Device OUT");
    ReopenTries(arrival);
    if (m_bClosing)
        return;
    if (DeviceOpen()) {
        if (m_bWaitingForHid) {
            ::KillTimer(m_hwnd, kHidWaitTimer);
            m_bWaitingForHid = false;
        }
        return;
    }
    TakeInPendingNotices();
    const bool arrivalQueued =
        std::any_of(m_linkChecks.begin(), m_linkChecks.end(),
                    [](const LinkCheck& c) { return device::IsArrival(c.trigger); });
    switch (device::DecideAfterFailedTries(trigger, arrivalQueued)) {
    case device::AfterFailedTries::TryQueuedArrival:
        WriteLog("OnDeviceChange: no receiver after the tries, but an arrival came meanwhile");
        break;
    case device::AfterFailedTries::WaitForHidArrival:
        WriteLog("OnDeviceChange: no receiver after the tries; waiting %u s for its HID "
                 "interfaces",
                 kHidWaitMs / 1000);
        m_bWaitingForHid = true;
        ::SetTimer(m_hwnd, kHidWaitTimer, kHidWaitMs, nullptr);
        break;
    case device::AfterFailedTries::GiveUp:
        GiveUpOnReceiver();
        break;
    }
}

void CTarvelDlg::GiveUpOnReceiver() {
    WriteLog("ALL Device OUT, Close now.");
    OnExit();
}

// Up to three tries, each after a pause: open the receiver, tell it the
// window is there, check that the mouse is ready, lay the pages out for its
// sensor and follow its DPI level.
void CTarvelDlg::ReopenTries(bool arrival) {
    for (int attempt = 0; attempt < kReopenTries; ++attempt) {
        ::Sleep(kReopenWaitMs);
        if (!OpenReceiver(m_usb))
            continue;
        if (::IsWindowVisible(m_hwnd) && m_usb.TellDrvStatus(1))
            ::Sleep(kReopenWaitMs);
        if (m_usb.GetDevState() != 1) {
            CMsgDlg::ShowMessage(u"tc_msg10", MessageOwner());
            if (g_opt.Suwnd == 0) {
                m_bClosing = true;
                ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
                return;
            }
        }
        const ProfileRecord* cur = g_pCurProfile.load();
        if (cur && cur->nSensor != g_nCurSensor) {
            WriteLog("Init UI Layout for 0x%x", unsigned(g_nCurSensor));
            RebaseProfilesOnSensor(g_nCurSensor);
            for (CSkinPage* page : BuiltPages()) {
                page->ApplySensorLayout();
                page->ShowCurrentProfile();
            }
        }
        uint8_t level[2] = {};
        const bool read = m_usb.ReadEEPROM(memmap::kAddrCurDpiLevel, level, 2);
        if (read)
            g_nCurDpiLevel = level[0];
        WriteLog("OnDeviceChange: g_nCurDpiLevel=0x%x, bShowPop=%x",
                 unsigned(g_nCurDpiLevel.load()), unsigned(g_opt.Pop));
        if (read)
            RoutePageEvent(DEV_EVT_DPI_LEVEL, g_nCurDpiLevel);
        // The user plugged the receiver in and sees that the program has it.
        CNotifyDlg* notify = arrival && g_opt.Pop != 0 ? Notifier() : nullptr;
        if (notify) {
            WriteLog("OnDeviceChange: connected");
            notify->ShowNotify(L"", Txt(u"tc_msg36").c_str(), L"", L"");
        }
        return;
    }
}

// Notices Windows sent while the tries held this thread come in now: a peek
// delivers sent messages, and OnDeviceChange only queues them. Windows sends
// one notice after the other, each when the last was taken, so this goes on
// until none has come for a moment.
void CTarvelDlg::TakeInPendingNotices() {
    const DWORD end = ::GetTickCount() + kTakeInMaxMs;
    for (;;) {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (int(::GetTickCount() - end) >= 0)
            return;
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, kTakeInQuietMs, QS_SENDMESSAGE) !=
            WAIT_OBJECT_0)
            return;
    }
}
