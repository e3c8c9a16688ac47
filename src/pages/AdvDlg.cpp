#include "pages/AdvDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWindow.h"
#include "device/DeviceEvents.h"
#include "model/SensorCatalogue.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cwchar>

using settings::g_opt;

namespace {
// The level rows of the skin: the first centred at y 180, one every 48 pixels.
constexpr int kFirstRowY = 180;
constexpr int kRowLeft = 44, kRowRight = 492;
} // namespace

CAdvDlg::CAdvDlg() : CSkinPage(L"adv_nr.png") {}

void CAdvDlg::SelectLevel(int level) {
    if (level < 0 || level >= std::max(m_nLevels, 1) || level >= kDpiLevels)
        return;
    settings::WriteLog("CAdvDlg::SelectLevel: %d", level);
    m_nSelLevel = level;
    Redraw();
}

void CAdvDlg::ApplySensorLayout() {
    m_nLevels = pSensorCfg ? std::clamp(pSensorCfg->nLevels, 0, kDpiLevels) : 0;
    if (m_nSelLevel >= m_nLevels)
        m_nSelLevel = -1;
    Redraw();
}

void CAdvDlg::ShowProfile(const ProfileRecord& profile) {
    m_levels.assign(profile.DpiLevel, profile.DpiLevel + m_nLevels);
    m_nDpiLight = profile.DpiLight.nMode;
    Redraw();
}

void CAdvDlg::OnDeviceEvent(const PageEvent& event) {
    if (event.kind == DEV_EVT_DPI_LEVEL)
        SelectLevel(event.value);
    else if (event.kind == DEV_EVT_DPI_LIGHT)
        ShowDpiLight(event.value);
}

void CAdvDlg::ShowDpiLight(int mode) {
    m_nDpiLight = mode;
    Redraw();
}

void CAdvDlg::DrawContent(HDC dc) {
    const POINT title = FromWindow(36, 126);
    wchar_t head[96];
    std::swprintf(head, std::size(head), L"DPI  \x00B7  light mode %d", m_nDpiLight);
    DrawTextIn(dc, head, {title.x, title.y, title.x + 440, title.y + 24}, m_fontTitle.Get(),
               g_opt.Txt_clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);

    const int rowH = pSensorCfg && pSensorCfg->nDpiRowH > 0 ? pSensorCfg->nDpiRowH : 48;
    for (size_t i = 0; i < m_levels.size(); ++i) {
        const DpiLevelRecord& lv = m_levels[i];
        const POINT c = FromWindow(kRowLeft, kFirstRowY + int(i) * rowH);
        const bool selected = int(i) == m_nSelLevel;
        if (selected) {
            RECT bar{c.x, c.y - 18, c.x + 4, c.y + 18};
            fw::Brush accent(::CreateSolidBrush(g_opt.Btn_txt_clr_dn));
            ::FillRect(dc, &bar, accent.Get());
        }
        RECT swatch{c.x + 52, c.y - 8, c.x + 68, c.y + 8};
        fw::Brush colour(::CreateSolidBrush(lv.crColor & 0xFFFFFF));
        ::FillRect(dc, &swatch, colour.Get());

        wchar_t text[64];
        if (lv.nDpiX == lv.nDpiY)
            std::swprintf(text, std::size(text), L"DPI-%zu    %d", i + 1, int(lv.nDpiX));
        else
            std::swprintf(text, std::size(text), L"DPI-%zu    X %d  Y %d", i + 1, int(lv.nDpiX),
                          int(lv.nDpiY));
        const COLORREF clr = lv.bDisabled ? g_opt.Btn_txt_clr_nr
                             : selected   ? g_opt.Btn_txt_clr_dn
                                          : g_opt.Txt_clr;
        const POINT right = FromWindow(kRowRight, 0);
        DrawTextIn(dc, text, {c.x + 84, c.y - 14, right.x - 12, c.y + 14},
                   selected ? m_fontTitle.Get() : TextFont(), clr,
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}
