// What the DPI and advanced page draws itself: the level rows under their
// controls, its title and the labels of the visible controls.
#include "pages/AdvDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWindow.h"
#include "pages/AdvPlaces.h"
#include "settings/Settings.h"

using settings::g_opt;
using namespace adv;

// ----------------------------------------------------------------- drawing --

void CAdvDlg::DrawContent(HDC dc) {
    // The level rows under their controls.
    if (Gdiplus::Bitmap* rows = Rows())
        DrawImage(dc, rows, 0, 0);
    const settings::Rect& t = g_opt.rcTitle3;
    DrawTextIn(dc, Txt(u"tc_msg22"), {t.left, t.top, t.left + 400, t.bottom}, m_fontTitle.Get(),
               g_opt.Txt_clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (!m_bBuilt)
        return;
    HFONT font = TextFont();
    const COLORREF clr = g_opt.Txt_clr;
    // A label right-aligned in the room the layout keeps left of a control;
    // a long text takes two lines, centred on the control.
    auto labelIn = [&](const std::wstring& text, RECT rc) {
        UINT format = DT_RIGHT | DT_NOPREFIX;
        SIZE extent{};
        {
            HGDIOBJ old = ::SelectObject(dc, font);
            ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
            ::SelectObject(dc, old);
        }
        const bool wrap = text.size() > 23 || extent.cx > rc.right - rc.left;
        format |= wrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
        if (wrap) {
            RECT calc = rc;
            HGDIOBJ old = ::SelectObject(dc, font);
            ::DrawTextW(dc, text.c_str(), int(text.size()), &calc, format | DT_CALCRECT);
            ::SelectObject(dc, old);
            const int th = calc.bottom - calc.top;
            const int mid = (rc.top + rc.bottom) / 2;
            rc.top = mid - th / 2;
            rc.bottom = rc.top + th;
        }
        DrawTextIn(dc, text, rc, font, clr, format);
    };
    auto textIn = [&](const std::wstring& text, const RECT& rc) {
        DrawTextIn(dc, text, rc, font, clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    };
    const AdvLayout& l = m_layout;
    if (g_opt.ShowMsSys != 0) {
        if (Visible(m_sldSpeed.Hwnd()))
            labelIn(Txt(u"tc_adv_str2"), l.speedLabel);
        if (Visible(m_sldWheel.Hwnd()))
            labelIn(Txt(u"tc_adv_str3"), l.wheelLabel);
        if (Visible(m_sldDblClick.Hwnd())) {
            labelIn(Txt(u"tc_adv_str1"), l.dblClickLabel);
            DrawTextIn(dc, Txt(u"tc_msg37"), l.dblClickCaptions, font, g_opt.Btn_txt_clr_nr,
                       DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
            DrawTextIn(dc, Txt(u"tc_msg38"), l.dblClickCaptions, font, g_opt.Btn_txt_clr_nr,
                       DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        }
        if (Visible(m_chkPrecision.Hwnd()))
            textIn(Txt(u"tc_adv_str5"), l.precisionText);
        if (Visible(m_chkOneScreen.Hwnd()))
            textIn(Txt(u"tc_adv_str4"), l.oneScreenText);
    }
    if (Visible(m_cmbLight.Hwnd()))
        labelIn(Txt(u"tc_adv_str14"), l.lightLabel);
    if (Visible(m_sldBright.Hwnd()))
        labelIn(Txt(u"tc_adv_str7"), l.lightSliderLabel);
    if (Visible(m_sldLightSpeed.Hwnd()))
        labelIn(Txt(u"tc_adv_str10"), l.lightSliderLabel);
    if (Visible(m_btnLod1.Hwnd())) {
        labelIn(L"LOD", l.lodLabel);
        textIn(L"1 mm", l.lod1Text);
        textIn(L"2 mm", l.lod2Text);
    }
    if (Visible(m_btnXY.Hwnd()))
        textIn(Txt(u"tc_msg19"), l.xyText);
}
