// What the keys page does with its controls' messages and its timers: mode
// buttons, key buttons, the rate slider, the battery and the key marks, and
// storing an assignment.
#include "pages/KeyDlg.h"

#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "controls/SliderMessages.h"
#include "model/ApplyRequest.h"
#include "model/KeyCodes.h"
#include "model/KeyTable.h"
#include "pages/KeyPlaces.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <cstring>

using settings::g_opt;
using settings::WriteLog;
using namespace keys;
using namespace keyplace;

bool CKeyDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The assignment comes from the picker as a call (AssignKey); no window
    // message carries a record, so no other process can hand the page one.
    switch (msg) {
    case WM_MENU_CHOICE:
        OnFunctionChosen(uint32_t(wParam), int(lParam));
        result = 0;
        return true;
    case WM_SLIDER_SET:
        if (LOWORD(lParam) == IDC_KEY_RATE)
            OnRateReleased(uint32_t(wParam));
        result = 0;
        return true;
    case WM_SLIDER_MOVING:
        if (LOWORD(lParam) == IDC_KEY_RATE)
            SetRateLabel(uint32_t(wParam));
        result = 0;
        return true;
    case WM_SLIDER_ASK:
        result = DeviceReady() ? 1 : 0;
        return true;
    case WM_TIMER:
        OnTimer(UINT_PTR(wParam));
        result = 0;
        return true;
    default:
        return CSkinPage::OnMessage(msg, wParam, lParam, result);
    }
}

bool CKeyDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const bool mode = id >= IDC_KEY_MODE0 && id < IDC_KEY_MODE0 + kKeyModes;
    const bool key = id >= IDC_KEY_BTN0 && id < IDC_KEY_BTN0 + kKeysPerMode;
    if (!mode && !key)
        return CSkinPage::OnCommand(wParam, lParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        if (mode)
            OnModePressed(int(id - IDC_KEY_MODE0));
        else
            OpenFunctionPicker(int(id - IDC_KEY_BTN0));
    }
    StoreRate();
    return true;
}

void CKeyDlg::OnModePressed(int mode) {
    if (mode >= m_nModes || mode == m_nSelMode || !DeviceReady())
        return;
    WriteLog("CKeyDlg: mode %d", mode);
    m_nSelMode = mode;
    for (int i = 0; i < kKeyModes; ++i)
        m_btnMode[size_t(i)].SetCheck(i == mode);
    ProfileRecord cur{};
    if (CopyCurrentProfile(cur)) {
        FillKeys(mode, cur);
        EditCurrentProfile(
            [&](ProfileRecord& p) { std::memcpy(p.Key[mode], cur.Key[mode], sizeof p.Key[mode]); });
    }
    // The slider stays: the rate shown becomes the new mode's (StoreRate).
    StoreRate();
    // The mouse holds one mode: all of the new mode's keys and its rate go
    // out together, so it never runs keys of two modes.
    if (g_opt.ApplyNow != 0)
        PostApply(APPLY_KEYS | APPLY_RATE, kApplyAll);
    Redraw();
}

void CKeyDlg::OnRateReleased(uint32_t value) {
    // The user moved the slider: a held rate gives way to what it shows.
    m_keptRate.Moved();
    m_dwSliderRate = value;
    SetRateLabel(value);
    StoreRate();
    if (g_opt.ApplyNow != 0)
        PostApply(APPLY_RATE, 0);
}

bool CKeyDlg::AssignKey(int key, KeyInfo record) {
    ProfileRecord cur{};
    if (key < 0 || key >= kKeysPerMode || !CopyCurrentProfile(cur) || cur.dwProfileID == 0)
        return false;
    const int mode = m_nSelMode >= 0 ? m_nSelMode : ShownMode(cur.nCurMode, m_nModes);
    if (!KeepsPrimaryClick(cur, mode, key, record.dwFunID, m_nModes, m_nKeys)) {
        WriteLog("AssignKey: key %d/%d dwFunID=0x%x refused, a mode would lose its left click",
                 mode, key, unsigned(record.dwFunID));
        CMsgDlg::ShowMessage(u"tc_msg1", Owner());
        return false;
    }
    KeyInfo stored{};
    EditCurrentProfile([&](ProfileRecord& p) {
        stored = StoreAssignment(p, mode, key, record, settings::g_KeyTable);
    });
    WriteLog("pFile->Key[%d][%d]: dwFunID=0x%x, dwMacroID=0x%08x, dwParameter=0x%08x, "
             "stCombo=0x%08x",
             mode, key, unsigned(stored.dwFunID), unsigned(stored.dwMacroID),
             unsigned(stored.dwParameter), unsigned(stored.stCombo));
    SetKeyText(key, W(KeyButtonText(stored).text));
    if (g_opt.ApplyNow != 0)
        PostApply(APPLY_KEYS, uint32_t(key));
    return true;
}

// ---------------------------------------------------------------- timers --

void CKeyDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerFirstPower:
        // Polls quickly until a device is there, then every 30 seconds.
        if (!Host() || !Host()->DeviceConnected())
            return;
        ::KillTimer(m_hwnd, kTimerFirstPower);
        ::SetTimer(m_hwnd, kTimerPower, kPowerMs, nullptr);
        ReadBattery();
        break;
    case kTimerPower:
        if (Host() && Host()->DeviceConnected())
            ReadBattery();
        break;
    case kTimerMarks:
        UpdateMarks();
        break;
    default:
        break;
    }
}

void CKeyDlg::ReadBattery() {
    int level = 0;
    if (!Host() || !Host()->ReadPowerLevel(level))
        return;
    const std::optional<BatteryLook> look = BatteryLookOf(level);
    if (!look) {
        WriteLog("Wrong nPow=%x", unsigned(level));
        return;
    }
    WriteLog("CKeyDlg: battery level %d, powerbar%d.png, %s", level, look->image,
             settings::LogText(U(look->text)).c_str());
    if (m_sldPower.Hwnd()) {
        if (look->image != m_nPowerImage && fw::Width(m_imgPower[size_t(look->image - 1)]) > 0) {
            m_sldPower.SetBarImage(m_imgPower[size_t(look->image - 1)]);
            m_nPowerImage = look->image;
        }
        m_sldPower.SetPos(uint32_t(look->position));
    }
    m_battery = look;
    if (m_hwnd) {
        const RECT rc = ValueRightOf(PowerBar());
        ::InvalidateRect(m_hwnd, &rc, FALSE);
    }
}

void CKeyDlg::UpdateMarks() {
    if (!m_pMarkDlg)
        return;
    // The first tick comes after the window's first paint, which the marks
    // are not needed for.
    m_pMarkDlg->MakeMarks();
    POINT pt;
    ::GetCursorPos(&pt);
    int over = -1;
    for (int i = 0; i < m_nKeys && over < 0; ++i) {
        HWND btn = m_btnKey[size_t(i)].Hwnd();
        RECT rc;
        if (btn && ::IsWindowVisible(btn) && ::GetWindowRect(btn, &rc) && ::PtInRect(&rc, pt))
            over = i;
    }
    if (over == m_nMarked)
        return;
    m_nMarked = over;
    WriteLog("CKeyDlg: marked key %d", over);
    if (over >= 0)
        m_pMarkDlg->MarkKey(over);
    else if (m_pMarkDlg->HasMarkedPicture())
        m_pMarkDlg->ClearMarks();
}
