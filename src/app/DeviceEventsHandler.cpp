// Device presence and the mouse's own events as the main window follows them:
// the receiver arriving or going (WM_DEVICECHANGE) and the events the
// notification reader posts (WM_DEVICE_BEHAVIOR). What they change is the
// profile in memory and the pages; nothing is written to the device or saved.

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
#include <vector>

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

unsigned Addr(const void* p) {
    return unsigned(reinterpret_cast<uintptr_t>(p));
}

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

} // namespace

bool CTarvelDlg::RegisterDevNotify(HWND hwnd) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceInterface;
    m_hDevNotify = ::RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_hDevNotify)
        WriteLog("RegisterDeviceNotification err=%d", int(::GetLastError()));
    // The HID interfaces can go and come back while the USB device stays (a
    // driver reset, the device disabled and enabled): their notices too.
    filter.dbcc_classguid = kHidInterface;
    m_hHidNotify = ::RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_hHidNotify)
        WriteLog("RegisterDeviceNotification(HID) err=%d", int(::GetLastError()));
    return m_hDevNotify != nullptr;
}

// A notice for a HID interface: true when it was one (handled here), false to
// leave the notice to OnDeviceChange. A receiver has several HID interfaces,
// so one change brings several notices; they ask for one check of the link.
bool CTarvelDlg::OnHidInterfaceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return false;
    const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!hdr || hdr->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        hdr->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) ||
        !IsEqualGUID(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(hdr)->dbcc_classguid,
                     kHidInterface))
        return false;
    if (!device::IsReceiverHidInterface(InterfaceName(data), g_opt.VID, g_opt.PID, g_opt.PID2))
        return true;
    WriteLog(event == DBT_DEVICEARRIVAL ? "HID interface IN" : "HID interface OUT");
    if (!m_bLinkCheckPending) {
        m_bLinkCheckPending = true;
        ::PostMessageW(m_hwnd, WM_DEVICE_LOST, 0, 0);
    }
    return true;
}

// The device link found the receiver's interfaces gone, or their notices
// came: when the open pair no longer answers, the receiver is treated as
// removed, so the usual reopen tries run (and the program ends when they all
// fail, as for an unplugged receiver).
LRESULT CTarvelDlg::OnDeviceLost() {
    m_bLinkCheckPending = false;
    // Without an open pair a removal has been handled already.
    if (!DeviceOpen())
        return 0;
    if (m_usb.GetDevState() == 1) {
        WriteLog("OnDeviceLost: the receiver still answers");
        return 0;
    }
    // A removal notice the system is sending meanwhile is taken first (a peek
    // delivers sent messages), so an unplugged receiver is handled once.
    MSG pending;
    ::PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE);
    if (!DeviceOpen() || m_usb.GetDevState() == 1)
        return 0;
    const std::vector<std::u16string> ids =
        device::ReceiverMatchTexts(g_opt.VID, g_opt.PID, g_opt.PID2);
    if (ids.empty())
        return 0;
    WriteLog("OnDeviceLost: the receiver no longer answers");
    // A removal notice of our receiver, as the system would send it.
    const std::u16string name = u"\\\\?\\" + ids.front() + u"#lost";
    const size_t header = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    std::vector<wchar_t> buffer((header + (name.size() + 1) * sizeof(wchar_t)) / sizeof(wchar_t) +
                                1);
    auto* notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
    notice->dbcc_size = DWORD(header + (name.size() + 1) * sizeof(wchar_t));
    notice->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    notice->dbcc_classguid = kUsbDeviceInterface;
    std::copy(name.begin(), name.end(), notice->dbcc_name);
    return OnDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(notice));
}

LRESULT CTarvelDlg::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return 0;
    if (!device::IsReceiverInterface(InterfaceName(data), g_opt.VID, g_opt.PID, g_opt.PID2))
        return 0;
    WriteLog(event == DBT_DEVICEARRIVAL ? "Device IN" : "Device OUT");

    for (int attempt = 0; attempt < kReopenTries; ++attempt) {
        ::Sleep(kReopenWaitMs);
        if (!OpenReceiver(m_usb))
            continue;
        if (::IsWindowVisible(m_hwnd) && m_usb.TellDrvStatus(1))
            ::Sleep(kReopenWaitMs);
        if (m_usb.GetDevState() != 1) {
            CMsgDlg::ShowMessage(u"tc_msg10", MessageOwner());
            if (g_opt.Suwnd == 0) {
                ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
                return 0;
            }
        }
        const ProfileRecord* cur = g_pCurProfile.load();
        if (cur && cur->nSensor != g_nCurSensor) {
            WriteLog("Init UI Layout for 0x%x", unsigned(g_nCurSensor));
            RebaseProfilesOnSensor(g_nCurSensor);
            for (PageRow& row : m_pages) {
                if (!row.page)
                    continue;
                row.page->ApplySensorLayout();
                row.page->ShowCurrentProfile();
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
        if (event == DBT_DEVICEARRIVAL && m_pNotifyDlg && m_pNotifyDlg->Hwnd() && g_opt.Pop != 0) {
            WriteLog("OnDeviceChange: connected");
            m_pNotifyDlg->ShowNotify(L"", Txt(u"tc_msg36").c_str(), L"", L"");
        }
        break;
    }
    if (!DeviceOpen()) {
        WriteLog("ALL Device OUT, Close now.");
        OnExit();
    }
    return 0;
}

LRESULT CTarvelDlg::OnDeviceBehavior(WPARAM wParam, LPARAM lParam) {
    WriteLog("OnDeviceBehavior  Buffer= %x %x %x %x, nPopByte1=%d, lParam=%d",
             unsigned(wParam & 0xFF), 0u, 0u, 0u, int(g_opt.PopByte1), int(lParam));
    ProfileRecord* cur = g_pCurProfile.load();
    ProfileRecord* first = g_ProfileList.At(0);
    WriteLog("pFile=0x%x, pFile0=0x%x", Addr(cur), Addr(first));
    if (!cur || !pSensorCfg || !DeviceOpen()) {
        WriteLog("return.  pFile=0x%x, pSensorCfg=0x%x", Addr(cur), Addr(pSensorCfg));
        return 1;
    }

    if (lParam == DEV_EVT_DPI_LEVEL) {
        const int level = int(wParam & 0x0F);
        if (level >= pSensorCfg->nLevels || level >= kDpiLevels)
            return 1;
        OnDpiLevelEvent(level);
        // Only profile 0 mirrors the device (see below).
        if (cur == first)
            RoutePageEvent(DEV_EVT_DPI_LEVEL, level);
    }

    // Profile 0 mirrors the device; another profile only learns that profile
    // 0 needs reading again.
    if (cur != first) {
        ++g_nResync;
        WriteLog("OnDeviceBehavior: profile 0 is read again when it is chosen");
        return 1;
    }

    switch (lParam) {
    case DEV_EVT_REPORT_RATE:
        RoutePageEvent(DEV_EVT_REPORT_RATE, int(wParam & 0xFF));
        break;
    case DEV_EVT_CONFIG_CHANGED:
        OnConfigChangedEvent();
        break;
    case DEV_EVT_DPI_LIGHT:
        OnDpiLightEvent(wParam);
        break;
    case DEV_EVT_LOGO_LIGHT:
        OnLogoLightEvent(wParam);
        break;
    case DEV_EVT_MAIN_LIGHT:
        OnMainLightEvent(wParam);
        break;
    default:
        break;
    }
    return 1;
}

void CTarvelDlg::OnDpiLevelEvent(WPARAM level) {
    g_nCurDpiLevel = int(level);
    const ProfileRecord* cur = g_pCurProfile.load();
    wchar_t first[32], second[32], third[32] = L"";
    std::swprintf(first, std::size(first), L"DPI-%d", int(level) + 1);
    const DpiLevelRecord& lv = cur->DpiLevel[level];
    if (g_nCurSensor == 0x9800 || g_nCurSensor == 0x3360) {
        std::swprintf(second, std::size(second), L"X %d", int(lv.nDpiX));
        std::swprintf(third, std::size(third), L"Y %d", int(lv.nDpiY));
    } else {
        std::swprintf(second, std::size(second), L"%d", int(lv.nDpiX));
    }
    if (m_pNotifyDlg && m_pNotifyDlg->Hwnd() && g_opt.Pop != 0)
        m_pNotifyDlg->ShowNotify(first, second, third, L"");
}

void CTarvelDlg::OnConfigChangedEvent() {
    const uint32_t tick = ::GetTickCount();
    const uint32_t sub = tick - m_nResetTickCount;
    WriteLog("nTick= %d, m_nResetTickCount= %d, nSub=%d", int(tick), int(m_nResetTickCount),
             int(sub));
    if (sub <= 4999) {
        WriteLog("this is reset notify, do not process");
        return;
    }
    if (m_pNotifyDlg && m_pNotifyDlg->Hwnd() && g_opt.Pop != 0)
        m_pNotifyDlg->ShowNotify(L"", Txt(u"tc_prosw").c_str(), L"", L"");
    StartCfgRead();
}

namespace {
// A light switched on: the mouse writes its memory just after it reports the
// change, and nothing is read while the configuration reader runs.
bool LightMemoryReadable() {
    ::Sleep(25);
    if (!g_bCfgReadDone) {
        WriteLog("still init");
        return false;
    }
    return true;
}
} // namespace

void CTarvelDlg::OnDpiLightEvent(WPARAM on) {
    ProfileRecord* cur = g_pCurProfile.load();
    if (on) {
        if (!LightMemoryReadable())
            return;
        uint8_t mode = 0;
        if (m_usb.ReadEEPROM(memmap::kAddrDpiLight, &mode, 1)) {
            WriteLog("DpiRGB, ReadEEPROM(0x4C) = %x", unsigned(mode));
            if (mode >= 3)
                return;
            {
                auto lock = g_ProfileList.Lock();
                cur->DpiLight.nMode = mode;
            }
            ::Sleep(10);
        }
    } else {
        auto lock = g_ProfileList.Lock();
        cur->DpiLight.nMode = 0;
    }
    WriteLog("MarkLed_Dpi: %x", unsigned(cur->DpiLight.nMode));
    RoutePageEvent(DEV_EVT_DPI_LIGHT, cur->DpiLight.nMode);
}

void CTarvelDlg::OnLogoLightEvent(WPARAM on) {
    ProfileRecord* cur = g_pCurProfile.load();
    if (on) {
        if (!LightMemoryReadable())
            return;
        uint8_t bytes[memmap::kLogoLightBytes] = {};
        if (m_usb.ReadEEPROM(memmap::kAddrLogoColour, bytes, int(memmap::kLogoLightBytes))) {
            const uint8_t mode = bytes[memmap::kLogoModeOffset];
            WriteLog("LogoRGB, ReadEEPROM(0x58) = %x", unsigned(mode));
            if (mode > 3)
                return;
            {
                auto lock = g_ProfileList.Lock();
                memmap::DecodeLogoLight(bytes, cur->LogoLight);
            }
            ::Sleep(10);
        }
    } else {
        auto lock = g_ProfileList.Lock();
        cur->LogoLight.nMode = 0;
    }
    WriteLog("MarkLed_Logo: %x", unsigned(cur->LogoLight.nMode));
    RoutePageEvent(DEV_EVT_LOGO_LIGHT, cur->LogoLight.nMode);
}

void CTarvelDlg::OnMainLightEvent(WPARAM on) {
    ProfileRecord* cur = g_pCurProfile.load();
    if (on) {
        if (!LightMemoryReadable())
            return;
        uint8_t bytes[memmap::kMainLightReadBytes] = {};
        if (m_usb.ReadEEPROM(memmap::kAddrMainLight, bytes, int(sizeof bytes))) {
            WriteLog("MainRGB, ReadEEPROM(0xA0) = %x,%x,%x,%x,%x,%x", unsigned(bytes[0]),
                     unsigned(bytes[1]), unsigned(bytes[2]), unsigned(bytes[3]), unsigned(bytes[4]),
                     unsigned(bytes[5]));
            if (bytes[0] > 3)
                return;
            {
                auto lock = g_ProfileList.Lock();
                memmap::EEPROM_To_MainRGB(bytes, cur->MainLight);
            }
            ::Sleep(10);
        }
    } else {
        auto lock = g_ProfileList.Lock();
        cur->MainLight.nMode = 0;
    }
    WriteLog("MarkLed_Stream: %x", unsigned(cur->MainLight.nMode));
    RoutePageEvent(DEV_EVT_MAIN_LIGHT, cur->MainLight.nMode);
}
