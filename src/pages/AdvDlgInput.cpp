// What the DPI and advanced page does with its controls' messages: slider
// moves and releases, colour choices, button clicks.
#include "pages/AdvDlg.h"

#include "model/ApplyRequest.h"
#include "pages/AdvPlaces.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"

using settings::g_opt;
using settings::WriteLog;
using namespace adv;

// ---------------------------------------------------------------- messages --

bool CAdvDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_SLIDER_SET:
        OnSliderSet(UINT(LOWORD(lParam)), 1, uint32_t(wParam));
        result = 0;
        return true;
    case WM_HSLIDER_SET:
        OnSliderSet(UINT(LOWORD(lParam)), HIWORD(lParam), uint32_t(wParam));
        result = 0;
        return true;
    case WM_SLIDER_MOVING:
        OnSliderMoving(UINT(LOWORD(lParam)), 1, uint32_t(wParam));
        result = 0;
        return true;
    case WM_HSLIDER_MOVING:
        OnSliderMoving(UINT(LOWORD(lParam)), HIWORD(lParam), uint32_t(wParam));
        result = 0;
        return true;
    case WM_SLIDER_ASK:
    case WM_HSLIDER_ASK:
        result = DeviceReady() ? 1 : 0;
        return true;
    case WM_COLOR_CHANGED:
        if (lParam >= kColorQueryFlag && lParam <= kColorQueryFlag + 0xFFFF) {
            result = DeviceReady() ? 1 : 0;
        } else {
            Commit(APPLY_DPI_COLOR, uint32_t(lParam & 0xFF));
            result = 0;
        }
        return true;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_STATIC) {
            OnDrawItem(*item);
            result = TRUE;
            return true;
        }
        break;
    }
    default:
        break;
    }
    return CSkinPage::OnMessage(msg, wParam, lParam, result);
}

void CAdvDlg::OnSliderMoving(UINT id, int thumb, uint32_t value) {
    if (id >= IDC_ADV_LEVEL0 && id < IDC_ADV_LEVEL0 + kAdvLevels) {
        LevelRow& row = m_rows[id - IDC_ADV_LEVEL0];
        const bool separate = Separate();
        if (thumb == 2 && separate) {
            SetLabel(row.labelY, value);
        } else {
            SetLabel(row.labelX, value);
            if (!separate)
                SetLabel(row.labelY, value);
        }
    } else if (id == IDC_ADV_SPEED) {
        SetLabel(m_lblSpeed, value);
    } else if (id == IDC_ADV_WHEEL) {
        SetLabel(m_lblWheel, value);
    }
}

void CAdvDlg::OnSliderSet(UINT id, int thumb, uint32_t value) {
    if (id >= IDC_ADV_LEVEL0 && id < IDC_ADV_LEVEL0 + kAdvLevels) {
        const int i = int(id - IDC_ADV_LEVEL0);
        LevelRow& row = m_rows[i];
        const bool separate = Separate();
        // What the user moved is no longer the held value; in linked mode
        // both thumbs moved.
        if (thumb == 2 && separate) {
            row.keptY.Moved();
        } else {
            row.keptX.Moved();
            if (!separate)
                row.keptY.Moved();
        }
        OnSliderMoving(id, thumb, value);
        ShowLevelValues(i, !(thumb == 2 && separate), thumb == 2 || !separate);
        Commit(APPLY_DPI, uint32_t(i));
        return;
    }
    switch (id) {
    case IDC_ADV_SPEED:
        m_keptSpeed.Moved();
        SetLabel(m_lblSpeed, value);
        Commit(APPLY_SYS, 0);
        break;
    case IDC_ADV_WHEEL:
        m_keptWheel.Moved();
        SetLabel(m_lblWheel, value);
        Commit(APPLY_SYS, 0);
        break;
    case IDC_ADV_DBLCLICK:
        m_keptDblClick.Moved();
        Commit(APPLY_SYS, 0);
        break;
    case IDC_ADV_BRIGHT:
    case IDC_ADV_LSPEED:
        if (m_cmbLight.UserValue() == 0 && m_cmbLight.GetSelected() >= 0)
            break;
        (id == IDC_ADV_BRIGHT ? m_keptBright : m_keptLightSpeed).Moved();
        Commit(APPLY_LED, LED_DPI);
        break;
    default:
        break;
    }
}

bool CAdvDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) != BN_CLICKED)
        return CSkinPage::OnCommand(wParam, lParam);
    if (id >= IDC_ADV_CHECK0 && id < IDC_ADV_CHECK0 + kAdvLevels) {
        OnLevelCheck(int(id - IDC_ADV_CHECK0));
        return true;
    }
    switch (id) {
    case IDC_ADV_PRECISION:
    case IDC_ADV_ONESCREEN: {
        // A refused change is neither shown nor stored.
        if (!DeviceReady())
            return true;
        CPngBtn& box = id == IDC_ADV_PRECISION ? m_chkPrecision : m_chkOneScreen;
        box.SetCheck(!box.GetCheck());
        // The wheel lines are not used while one screen per notch is on.
        m_sldWheel.SetDimmed(m_chkOneScreen.GetCheck());
        if (m_lblWheel)
            ::InvalidateRect(m_lblWheel, nullptr, FALSE);
        Commit(APPLY_SYS, 0);
        Redraw();
        return true;
    }
    case IDC_ADV_XY:
        OnXYToggle();
        return true;
    case IDC_ADV_LIGHT:
        ApplyDpiLightVisibility(int(m_cmbLight.UserValue()));
        m_nDpiLight = int(m_cmbLight.UserValue());
        Commit(APPLY_LED, LED_DPI);
        return true;
    case IDC_ADV_LOD1:
    case IDC_ADV_LOD2:
        if (!LiftOffShown() || !DeviceReady())
            return true;
        m_btnLod1.SetCheck(id == IDC_ADV_LOD1);
        m_btnLod2.SetCheck(id == IDC_ADV_LOD2);
        Commit(APPLY_LOD, 0);
        return true;
    default:
        return CSkinPage::OnCommand(wParam, lParam);
    }
}

void CAdvDlg::OnLevelCheck(int level) {
    if (level >= m_nLevels)
        return;
    CPngBtn& box = m_rows[level].check;
    const bool leaving = box.GetCheck();
    if (leaving && !DeviceReady())
        return;
    switch (CheckLevelToggle(LevelsOn(), m_nLevels, level)) {
    case LevelToggle::OutOfOrder:
        // The user is told why: levels leave from the end and join in order.
        WriteLog("CAdvDlg: level %d may not %s the cycle now", level, leaving ? "leave" : "join");
        CMsgDlg::ShowMessage(leaving ? u"tc_dpi_leave" : u"tc_dpi_join",
                             ::GetAncestor(m_hwnd, GA_ROOT));
        return;
    case LevelToggle::LastLevel:
        CMsgDlg::ShowMessage(u"tc_msg28", ::GetAncestor(m_hwnd, GA_ROOT));
        return;
    case LevelToggle::Allow:
        break;
    }
    // Joining the cycle changes the device too.
    if (!leaving && !DeviceReady())
        return;
    box.SetCheck(!leaving);
    ShowLevelsInUse();
    Commit(APPLY_DPI_COUNT, 0);
}

void CAdvDlg::OnXYToggle() {
    if (!XYSensor() || !DeviceReady())
        return;
    const bool separate = !m_btnXY.GetCheck();
    m_btnXY.SetCheck(separate);
    for (int i = 0; i < kAdvLevels; ++i) {
        LevelRow& row = m_rows[i];
        if (!row.slider.Hwnd())
            continue;
        row.slider.SetSeparate(separate);
        if (i >= m_nLevels)
            continue;
        if (!separate) {
            row.slider.Thumb(2).SetPosition(row.slider.Thumb(1).Positions().Position());
            row.keptY.Follow(row.keptX);
        }
        ShowLevelValues(i, true, true);
    }
    // Stored like every other control; a level whose Y value changed with
    // it is written to the device.
    ProfileRecord before{}, after{};
    if (!EditCurrentProfile([&](ProfileRecord& p) {
            before = p;
            StoreToProfile(p);
            after = p;
        })) {
        WriteLog("CAdvDlg: no current profile, X/Y toggle not committed");
        return;
    }
    const std::vector<int> changed = LevelsWithNewValues(before, after, m_nLevels);
    WriteLog("CAdvDlg: X/Y %s committed, %d levels change%s", separate ? "separate" : "linked",
             int(changed.size()), g_opt.ApplyNow ? " posted" : "");
    if (g_opt.ApplyNow != 0)
        for (int level : changed)
            PostApply(APPLY_DPI, uint32_t(level));
}
