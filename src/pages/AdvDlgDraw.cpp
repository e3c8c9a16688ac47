// The texts the DPI and advanced page draws: its title, the labels of the
// visible controls and the mark of the level the mouse uses.
#include "pages/AdvDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinWindow.h"
#include "pages/AdvPlaces.h"
#include "settings/Settings.h"

using settings::g_opt;
using namespace adv;

// ----------------------------------------------------------------- drawing --

void CAdvDlg::DrawContent(HDC dc) {
    const settings::Rect& t = g_opt.rcTitle3;
    DrawTextIn(dc, Txt(u"tc_msg22"), {t.left, t.top, t.left + 400, t.bottom}, m_fontTitle.Get(),
               g_opt.Txt_clr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (!m_bBuilt)
        return;
    HFONT font = TextFont();
    const COLORREF clr = g_opt.Txt_clr;
    // A label right-aligned left of a control at `at`; long texts take two lines.
    auto labelLeftOf = [&](const std::wstring& text, POINT at, int h, int gap) {
        RECT rc{at.x - gap - kLabelW, at.y - 10, at.x - gap, at.y + h + 10};
        UINT format = DT_RIGHT | DT_NOPREFIX;
        // Long texts, and texts wider than the room left of the control,
        // take two lines.
        SIZE extent{};
        {
            HGDIOBJ old = ::SelectObject(dc, font);
            ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
            ::SelectObject(dc, old);
        }
        const bool wrap = text.size() > 23 || extent.cx > kLabelW;
        format |= wrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
        if (wrap) {
            // Centre the two lines on the control by measuring them first.
            RECT calc = rc;
            HGDIOBJ old = ::SelectObject(dc, font);
            ::DrawTextW(dc, text.c_str(), int(text.size()), &calc, format | DT_CALCRECT);
            ::SelectObject(dc, old);
            const int th = calc.bottom - calc.top;
            rc.top = at.y + h / 2 - th / 2;
            rc.bottom = rc.top + th;
        }
        DrawTextIn(dc, text, rc, font, clr, format);
    };
    auto rightOf = [&](const std::wstring& text, POINT at, int w, int h) {
        DrawTextIn(dc, text, {at.x + w + 8, at.y - 4, at.x + w + 260, at.y + h + 4}, font, clr,
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    };
    if (g_opt.ShowMsSys != 0) {
        if (Visible(m_sldSpeed.Hwnd()))
            labelLeftOf(Txt(u"tc_adv_str2"), Pt(g_opt.ptMoveSpeed), kBarH, 20);
        if (Visible(m_sldWheel.Hwnd()))
            labelLeftOf(Txt(u"tc_adv_str3"), WheelAt(), kBarH, 20);
        if (Visible(m_sldDblClick.Hwnd())) {
            const POINT d = DblClickAt();
            labelLeftOf(Txt(u"tc_adv_str1"), d, kBarH, 20);
            DrawTextIn(dc, Txt(u"tc_msg37"), {d.x, d.y + kBarH + 2, d.x + 150, d.y + kBarH + 20},
                       font, g_opt.Btn_txt_clr_nr, DT_LEFT | DT_TOP | DT_SINGLELINE);
            DrawTextIn(dc, Txt(u"tc_msg38"),
                       {d.x + kBarW - 150, d.y + kBarH + 2, d.x + kBarW, d.y + kBarH + 20}, font,
                       g_opt.Btn_txt_clr_nr, DT_RIGHT | DT_TOP | DT_SINGLELINE);
        }
        if (Visible(m_chkPrecision.Hwnd()))
            rightOf(Txt(u"tc_adv_str5"), PrecisionAt(), kCheck, kCheck);
        if (Visible(m_chkOneScreen.Hwnd()))
            rightOf(Txt(u"tc_adv_str4"), OneScreenAt(), kCheck, kCheck);
    }
    const POINT eft = Pt(g_opt.ptDpiEft);
    if (Visible(m_cmbLight.Hwnd()))
        labelLeftOf(Txt(u"tc_adv_str14"), eft, 20, 15);
    if (Visible(m_sldBright.Hwnd()))
        labelLeftOf(Txt(u"tc_adv_str7"), LightSliderAt(), kBarH, 15);
    if (Visible(m_sldLightSpeed.Hwnd()))
        labelLeftOf(Txt(u"tc_adv_str10"), LightSliderAt(), kBarH, 15);
    if (Visible(m_btnLod1.Hwnd())) {
        const POINT lod = Pt(g_opt.ptLOD);
        labelLeftOf(L"LOD", lod, kRadio, 20);
        rightOf(L"1 mm", lod, kRadio, kRadio);
        rightOf(L"2 mm", Lod2At(), kRadio, kRadio);
    }
    if (Visible(m_btnXY.Hwnd())) {
        RECT rc;
        ::GetWindowRect(m_btnXY.Hwnd(), &rc);
        ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rc), 2);
        rightOf(Txt(u"tc_msg19"), {rc.left, rc.top}, kCheck, kCheck);
    }
    // The level the mouse uses: a dot right of its value.
    if (m_nSelLevel >= 0 && m_nSelLevel < m_nLevels && fw::Width(m_imgDpiDot) > 0) {
        const LevelRow& row = m_rows[m_nSelLevel];
        RECT rc;
        if (row.labelX && ::GetWindowRect(row.labelX, &rc)) {
            ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rc), 2);
            DrawImage(dc, m_imgDpiDot.get(), rc.right + 1, (rc.top + rc.bottom) / 2 - 2);
        }
    }
}
