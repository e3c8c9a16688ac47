// The texts and images the keys page draws itself: its title, the keys'
// numbers, the labels and values of the rate slider and the battery bar.
#include "pages/KeyDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWindow.h"
#include "model/KeyTable.h"
#include "pages/KeyPlaces.h"
#include "settings/Settings.h"

using settings::g_opt;
using namespace keys;
using namespace keyplace;

namespace {

bool Visible(HWND hwnd) {
    return hwnd && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Frame(HDC dc, const RECT& rc) {
    fw::Brush red(::CreateSolidBrush(RGB(255, 0, 0)));
    ::FrameRect(dc, &rc, red.Get());
}

} // namespace

void CKeyDlg::DrawContent(HDC dc) {
    DrawTextIn(dc, Txt(u"tc_msg20"), ToRect(g_opt.rcTitle1), m_fontTitle.Get(), g_opt.Txt_clr,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (!m_bBuilt)
        return;
    for (int i = 0; i < m_nKeys; ++i) {
        const fw::Image& number = m_imgNumber[size_t(i)];
        if (fw::Width(number) > 0 && Visible(m_btnKey[size_t(i)].Hwnd())) {
            const POINT at = NumberAt(settings::g_KeyTable[0][i].rcHot);
            DrawImage(dc, number.get(), at.x, at.y);
        }
    }
    HFONT font = TextFont();
    const COLORREF clr = g_opt.Txt_clr;
    const UINT left = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    const UINT right = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (Visible(m_sldRate.Hwnd())) {
        const RECT bar = RateBar();
        DrawTextIn(dc, Txt(u"tc_adv_str6"), LabelLeftOf(bar), font, clr, right);
        if (g_opt.ReportText[1] != 0) {
            // The product places a caption under each of the slider's values.
            for (size_t i = 0; i < m_rates.size() && i < 4; ++i)
                DrawTextIn(dc, RateText(m_rates[i]), RateCaption(int(i)), font, clr,
                           DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        } else {
            DrawTextIn(dc, m_strRate, ValueRightOf(bar), font, clr, left);
        }
    }
    if (Visible(m_sldPower.Hwnd())) {
        const RECT bar = PowerBar();
        DrawTextIn(dc, Txt(u"tc_msg4"), LabelLeftOf(bar), font, clr, right);
        if (m_battery)
            DrawTextIn(dc, m_battery->text, ValueRightOf(bar), font, clr, left);
    }
    if (g_opt.UIDebug != 0) {
        RECT page;
        ::GetClientRect(m_hwnd, &page);
        Frame(dc, ToRect(g_opt.rcTitle1));
        Frame(dc, ToRect(g_opt.rcTitle2));
        Frame(dc, page);
    }
}
