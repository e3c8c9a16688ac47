#include "pages/KeyDlg.h"

#include "app/AppGlobals.h"
#include "controls/SkinWindow.h"
#include "model/KeyCodes.h"
#include "model/MemoryMap.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/ProfileStore.h"

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

void CKeyDlg::ShowProfile() {
    m_keyTexts.clear();
    {
        auto lock = g_ProfileList.Lock();
        const ProfileRecord* p = g_pCurProfile.load();
        if (p) {
            m_nCurMode = std::clamp(p->nCurMode, 0, m_nModes - 1);
            m_dwRate = p->dwReportRate[m_nCurMode];
            for (int i = 0; i < m_nKeys; ++i)
                m_keyTexts.push_back(W(KeyInfoText(p->Key[m_nCurMode][i])));
        }
    }
    Redraw();
}

void CKeyDlg::OnDeviceRate(uint8_t code) {
    uint32_t rate = 0;
    if (!memmap::CodeToReportRate(code, rate)) {
        settings::WriteLog("OnDeviceRate: unknown rate code 0x%x", unsigned(code));
        return;
    }
    {
        auto lock = g_ProfileList.Lock();
        if (ProfileRecord* p = g_pCurProfile.load())
            p->dwReportRate[std::clamp(p->nCurMode, 0, kKeyModes - 1)] = rate;
    }
    m_dwRate = rate;
    Redraw();
}

void CKeyDlg::StoreToProfile() {
    // The page shows the profile as it is; nothing of it is edited here yet.
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
