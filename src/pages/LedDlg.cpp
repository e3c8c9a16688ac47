#include "pages/LedDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWindow.h"
#include "device/DeviceEvents.h"
#include "settings/Settings.h"

#include <cwchar>

using settings::g_opt;

CLedDlg::CLedDlg() : CSkinPage(L"led_nr.png") {}

void CLedDlg::ShowProfile(const ProfileRecord& profile) {
    m_main = profile.MainLight;
    m_logo = profile.LogoLight;
    Redraw();
}

void CLedDlg::OnDeviceEvent(const PageEvent& event) {
    if (event.kind == DEV_EVT_LOGO_LIGHT)
        SelectLogoEffect(event.value);
    else if (event.kind == DEV_EVT_MAIN_LIGHT)
        SelectMainEffect(event.value);
}

void CLedDlg::SelectLogoEffect(int mode) {
    m_logo.nMode = mode;
    Redraw();
}

void CLedDlg::SelectMainEffect(int mode) {
    m_main.nMode = mode;
    Redraw();
}

void CLedDlg::DrawContent(HDC dc) {
    const struct {
        const wchar_t* name;
        const LightRecord& light;
        int y;
    } rows[] = {{L"Main light", m_main, 126}, {L"Logo light", m_logo, 170}};
    for (const auto& row : rows) {
        const POINT at = FromWindow(36, row.y);
        wchar_t text[96];
        if (row.light.nMode == 0)
            std::swprintf(text, std::size(text), L"%ls  \x00B7  off", row.name);
        else
            std::swprintf(text, std::size(text),
                          L"%ls  \x00B7  effect %d  \x00B7  speed %d  \x00B7  "
                          L"brightness %d",
                          row.name, int(row.light.nMode), int(row.light.nSpeed),
                          int(row.light.nBright));
        DrawTextIn(dc, text, {at.x + 24, at.y, at.x + 600, at.y + 24}, m_fontTitle.Get(),
                   g_opt.Txt_clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        RECT swatch{at.x, at.y + 4, at.x + 16, at.y + 20};
        fw::Brush colour(
            ::CreateSolidBrush(row.light.nMode ? row.light.crColor & 0xFFFFFF : g_opt.clrBkg));
        ::FillRect(dc, &swatch, colour.Get());
    }
}
