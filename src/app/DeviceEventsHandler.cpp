// The mouse's own events as the main window follows them: the events the
// notification reader posts (WM_DEVICE_BEHAVIOR). What they change is the
// profile in memory and the pages; nothing is written to the device or saved.
// The receiver arriving or going is DevicePresence.cpp's.

#include "app/AppGlobals.h"
#include "app/MainDlg.h"
#include "app/NotifyDlg.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/ProfileStore.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

using settings::g_opt;
using settings::WriteLog;

namespace {

unsigned Addr(const void* p) {
    return unsigned(reinterpret_cast<uintptr_t>(p));
}

} // namespace

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
    if (g_opt.Pop != 0)
        if (CNotifyDlg* notify = Notifier())
            notify->ShowNotify(first, second, third, L"");
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
    if (g_opt.Pop != 0)
        if (CNotifyDlg* notify = Notifier())
            notify->ShowNotify(L"", Txt(u"tc_prosw").c_str(), L"", L"");
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
