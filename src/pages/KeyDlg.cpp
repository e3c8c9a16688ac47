#include "pages/KeyDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWindow.h"
#include "device/DeviceEvents.h"
#include "model/KeyCodes.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cwchar>

using settings::g_opt;

namespace {

// The report rate as the user reads it: 0x1000 is 1000 Hz.
std::wstring RateText(uint32_t rate) {
    wchar_t buf[32];
    std::swprintf(buf, std::size(buf), L"%x Hz", unsigned(rate));
    return buf;
}

} // namespace

CKeyDlg::CKeyDlg() : CSkinPage(L"key_nr.png") {}

void CKeyDlg::ApplySensorLayout() {
    m_nKeys = pSensorCfg ? std::clamp(pSensorCfg->nKeys, 0, kKeysPerMode) : 0;
    m_nModes = pSensorCfg ? std::clamp(pSensorCfg->nModes, 1, kKeyModes) : 1;
    Redraw();
}

void CKeyDlg::ShowProfile(const ProfileRecord& profile) {
    m_keyTexts.clear();
    m_nCurMode = std::clamp(profile.nCurMode, 0, m_nModes - 1);
    m_dwRate = profile.dwReportRate[m_nCurMode];
    for (int i = 0; i < m_nKeys; ++i)
        m_keyTexts.push_back(W(KeyInfoText(profile.Key[m_nCurMode][i])));
    Redraw();
}

void CKeyDlg::OnDeviceEvent(const PageEvent& event) {
    if (event.kind == DEV_EVT_REPORT_RATE)
        OnDeviceRate(uint8_t(event.value & 0xFF));
}

void CKeyDlg::OnDeviceRate(uint8_t code) {
    uint32_t rate = 0;
    if (!memmap::CodeToReportRate(code, rate)) {
        settings::WriteLog("OnDeviceRate: unknown rate code 0x%x", unsigned(code));
        return;
    }
    EditCurrentProfile([rate](ProfileRecord& p) {
        p.dwReportRate[std::clamp(p.nCurMode, 0, kKeyModes - 1)] = rate;
    });
    m_dwRate = rate;
    Redraw();
}

void CKeyDlg::DrawContent(HDC dc) {
    const POINT title = FromWindow(36, 126);
    wchar_t head[96];
    std::swprintf(head, std::size(head), L"%ls  \x00B7  Mode %d  \x00B7  %ls",
                  Txt(u"tc_page1").c_str(), m_nCurMode + 1, RateText(m_dwRate).c_str());
    DrawTextIn(dc, head, {title.x, title.y, title.x + 600, title.y + 24}, m_fontTitle.Get(),
               g_opt.Txt_clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);

    // The buttons in the list column on the left of the picture.
    const POINT list = FromWindow(36, 164);
    constexpr int kRowH = 26;
    for (size_t i = 0; i < m_keyTexts.size(); ++i) {
        const int y = list.y + int(i) * kRowH;
        wchar_t num[8];
        std::swprintf(num, std::size(num), L"%zu", i + 1);
        DrawTextIn(dc, num, {list.x, y, list.x + 24, y + kRowH}, TextFont(), g_opt.Btn_txt_clr_dn,
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        DrawTextIn(dc, m_keyTexts[i], {list.x + 28, y, list.x + 270, y + kRowH}, TextFont(),
                   g_opt.Txt_clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}
