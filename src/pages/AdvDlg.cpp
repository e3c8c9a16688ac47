#include "pages/AdvDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "controls/SliderFactory.h"
#include "device/DeviceEvents.h"
#include "model/ApplyRequest.h"
#include "model/SensorCatalogue.h"
#include "pages/AdvPlaces.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "sync/DeviceRead.h"

#include <algorithm>
#include <cwchar>
#include <utility>

using settings::g_opt;
using settings::WriteLog;
using namespace adv;

CAdvDlg::CAdvDlg() : CSkinPage(L"adv_nr.png") {}

CAdvDlg::~CAdvDlg() = default;

// ------------------------------------------------------------------ building --

BOOL CAdvDlg::OnInitDialog() {
    CSkinPage::OnInitDialog();
    const settings::Rect& rc = g_opt.rcSubDlg;
    fw::Image full = LoadSkinImage(L"adv_nr.png");
    m_imgPage = CropImage(full.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    m_imgThumb = LoadSkinImage(L"slider.png");
    m_imgThumbX = LoadSkinImage(L"slider1.png");
    m_imgThumbY = LoadSkinImage(L"slider2.png");
    m_imgBarDot = LoadSkinImage(L"bar_dot.png");
    m_imgDpiDot = LoadSkinImage(L"dpi_dot.png");
    m_fontBold = MakeFont(15, FW_BOLD);
    BuildControls();
    m_bBuilt = true;
    // What the pointer controls show until a profile is shown.
    m_sldSpeed.SetPos(2);
    m_sldDblClick.SetPos(900);
    m_sldWheel.SetPos(3);
    ApplySensorLayout();
    return TRUE;
}

HWND CAdvDlg::MakeLabel(UINT id) {
    return ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW, 0, 0, 40, 19, m_hwnd,
                             reinterpret_cast<HMENU>(UINT_PTR(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

bool CAdvDlg::MakeCheck(CPngBtn& btn, UINT id, const wchar_t* normal, const wchar_t* checked,
                        POINT at) {
    btn.SetId(id);
    return NewSkinButton({.parent = m_hwnd,
                          .btn = &btn,
                          .normal = normal,
                          .hover = normal,
                          .pressed = checked,
                          .left = at.x,
                          .top = at.y,
                          .parentBkg = m_imgPage.get(),
                          .toggle = true}) == 1;
}

bool CAdvDlg::MakeSlider(CPngSliderBar& bar, UINT id, const uint32_t* values, int count, POINT at) {
    SliderBarArgs args;
    args.parentBkg = m_imgPage.get();
    args.parent = m_hwnd;
    args.thumb = m_imgThumb.get();
    args.positions = count;
    args.id = id;
    args.fillName = L"bar2_ov.png";
    args.bar = At(at, kBarW, kBarH);
    if (NewSmallPngSliderBar(bar, args) != 1)
        return false;
    bar.SetValues(values, count);
    const std::vector<int> scale = ComputeScale(kBarW, count);
    bar.SetScalePos(scale.data(), int(scale.size()));
    if (fw::Width(m_imgBarDot) > 0)
        bar.SetDotImage(m_imgBarDot.get(), 8);
    bar.Thumb().SetReportWhileMoving(true);
    return true;
}

void CAdvDlg::BuildLevelRow(int i) {
    LevelRow& row = m_rows[i];
    const AdvRowRects r = LevelRowRects(Pt(g_opt.ptDpiBar), 48, i, g_opt.ShowDpiColor != 0, false);
    HSliderBarArgs args;
    args.parentBkg = m_imgPage.get();
    args.parent = m_hwnd;
    args.upperThumb = m_imgThumbX.get();
    args.lowerThumb = m_imgThumbY.get();
    args.id = IDC_ADV_LEVEL0 + i;
    args.bar = r.slider;
    if (NewSmallPngHSliderBarEx(row.slider, args) == 1) {
        row.slider.SetSingleThumb(true);
        row.slider.Thumb(1).SetReportWhileMoving(true);
        row.slider.Thumb(2).SetReportWhileMoving(true);
    }
    MakeCheck(row.check, IDC_ADV_CHECK0 + i, L"check_nr.png", L"check_dn.png",
              {r.check.left, r.check.top});
    if (g_opt.ShowDpiColor != 0)
        row.swatch.Create(ColorDlgArgs{m_hwnd, r.swatch, i, 0xFFFFFF});
    row.labelX = MakeLabel(IDC_ADV_LABELX0 + i);
    row.labelY = MakeLabel(IDC_ADV_LABELY0 + i);
}

void CAdvDlg::BuildControls() {
    for (int i = 0; i < kAdvLevels; ++i)
        BuildLevelRow(i);
    MakeCheck(m_btnXY, IDC_ADV_XY, L"check_nr.png", L"check_dn.png", {0, 0});
    Show(m_btnXY.Hwnd(), false);

    MakeSlider(m_sldDblClick, IDC_ADV_DBLCLICK, kDblClickTimes, 11, DblClickAt());
    MakeSlider(m_sldWheel, IDC_ADV_WHEEL, kWheelLines, 10, WheelAt());
    MakeSlider(m_sldSpeed, IDC_ADV_SPEED, kPointerSpeeds, 11, Pt(g_opt.ptMoveSpeed));
    m_lblWheel = MakeLabel(IDC_ADV_WHEEL + 1000);
    m_lblSpeed = MakeLabel(IDC_ADV_SPEED + 1000);
    // The values right of their sliders.
    for (const auto& [label, at] :
         {std::pair{m_lblWheel, WheelAt()}, std::pair{m_lblSpeed, Pt(g_opt.ptMoveSpeed)}})
        MoveTo(label, {at.x + kBarW + 10, at.y, at.x + kBarW + 50, at.y + kBarH});
    MakeCheck(m_chkOneScreen, IDC_ADV_ONESCREEN, L"check_nr.png", L"check_dn.png", OneScreenAt());
    MakeCheck(m_chkPrecision, IDC_ADV_PRECISION, L"check_nr.png", L"check_dn.png", PrecisionAt());

    MakeCheck(m_btnLod1, IDC_ADV_LOD1, L"radio_nr.png", L"radio_dn.png", Pt(g_opt.ptLOD));
    MakeCheck(m_btnLod2, IDC_ADV_LOD2, L"radio_nr.png", L"radio_dn.png", Lod2At());

    ComboBtnArgs combo;
    combo.parent = m_hwnd;
    combo.id = IDC_ADV_LIGHT;
    combo.left = g_opt.ptDpiEft.x;
    combo.top = g_opt.ptDpiEft.y;
    combo.parentBkg = m_imgPage.get();
    if (m_cmbLight.Create(combo) == 1) {
        m_cmbLight.AddItem(0, 1, Txt(u"tc_led_mode1"));
        m_cmbLight.AddItem(0, 2, Txt(u"tc_led_mode2"));
        m_cmbLight.AddItem(0, 0, Txt(u"tc_led_mode5"));
        m_cmbLight.SetCurList(0);
        m_cmbLight.SetChangeCheck([this] { return DeviceReady(); });
    }
    MakeSlider(m_sldBright, IDC_ADV_BRIGHT, kDpiLightBrights, 10, LightSliderAt());
    MakeSlider(m_sldLightSpeed, IDC_ADV_LSPEED, kDpiLightSpeeds, 5, LightSliderAt());
    ApplyOptionVisibility();
    ApplyDpiLightVisibility(m_nDpiLight);
}

void CAdvDlg::ApplyOptionVisibility() {
    const bool sys = g_opt.ShowMsSys != 0;
    Show(m_sldSpeed.Hwnd(), sys);
    Show(m_lblSpeed, sys);
    Show(m_sldWheel.Hwnd(), sys);
    Show(m_lblWheel, sys);
    Show(m_chkOneScreen.Hwnd(), sys);
    Show(m_chkPrecision.Hwnd(), sys);
    Show(m_sldDblClick.Hwnd(), sys && g_opt.ShowDbClickSpeed != 0);
    Show(m_btnLod1.Hwnd(), LiftOffShown());
    Show(m_btnLod2.Hwnd(), LiftOffShown());
}

// ----------------------------------------------------------------- the layout --

bool CAdvDlg::XYSensor() const {
    return IsXYSensor(g_nCurSensor);
}

bool CAdvDlg::Separate() const {
    return XYSensor() && m_btnXY.GetCheck();
}

bool CAdvDlg::LiftOffShown() const {
    return pSensorCfg && pSensorCfg->bShowLOD != 0;
}

std::vector<bool> CAdvDlg::LevelsOn() const {
    std::vector<bool> on(kAdvLevels);
    for (int i = 0; i < kAdvLevels; ++i)
        on[i] = m_rows[i].check.GetCheck();
    return on;
}

void CAdvDlg::ApplySensorLayout() {
    m_steps.clear();
    if (const SensorDpiTable* table = FindSensorDpiTable(g_nCurSensor)) {
        const int n = std::clamp(int(table->nSteps), 0, kMaxDpiSteps);
        for (int i = 0; i < n; ++i)
            m_steps.push_back(uint32_t(table->dpi[i]));
    }
    // Without steps there is nothing a level slider could show.
    m_nLevels = pSensorCfg && !m_steps.empty() ? std::clamp(pSensorCfg->nLevels, 0, kDpiLevels) : 0;
    WriteLog("CAdvDlg::ApplySensorLayout: sensor 0x%x, %d levels, %d steps", unsigned(g_nCurSensor),
             m_nLevels, int(m_steps.size()));
    if (!m_bBuilt)
        return;
    const int n = int(m_steps.size());
    const std::vector<int> scale = n > 0 ? ComputeScaleEx(kThumbW, n) : std::vector<int>{};
    for (LevelRow& row : m_rows) {
        if (!row.slider.Hwnd() || n == 0)
            continue;
        row.slider.SetRange(1, n);
        for (int thumb : {1, 2}) {
            row.slider.SetValues(thumb, m_steps.data(), n);
            if (!scale.empty())
                row.slider.SetScalePos(thumb, scale.data(), int(scale.size()));
        }
    }
    PlaceLevelRows();
    ApplyOptionVisibility();
    Redraw();
}

void CAdvDlg::PlaceLevelRows() {
    const bool xy = XYSensor();
    const bool colour = g_opt.ShowDpiColor != 0;
    const int rowH = pSensorCfg && pSensorCfg->nDpiRowH > 0 ? pSensorCfg->nDpiRowH : 48;
    const POINT bar = Pt(g_opt.ptDpiBar);
    for (int i = 0; i < kAdvLevels; ++i) {
        LevelRow& row = m_rows[i];
        const AdvRowRects r = LevelRowRects(bar, rowH, i, colour, xy);
        row.visible = i < m_nLevels;
        if (row.slider.Hwnd()) {
            MoveTo(row.slider.Hwnd(), r.slider);
            row.slider.SetBackground(CropImage(m_imgPage.get(), r.slider.left, r.slider.top,
                                               r.slider.right - r.slider.left,
                                               r.slider.bottom - r.slider.top));
            row.slider.SetSingleThumb(!xy);
            row.slider.SetSeparate(Separate());
            row.slider.Redraw();
        }
        if (row.check.Hwnd()) {
            MoveTo(row.check.Hwnd(), r.check);
            row.check.SetBackground(CropImage(m_imgPage.get(), r.check.left, r.check.top,
                                              r.check.right - r.check.left,
                                              r.check.bottom - r.check.top));
        }
        MoveTo(row.swatch.Hwnd(), r.swatch);
        MoveTo(row.labelX, r.labelX);
        if (xy)
            MoveTo(row.labelY, r.labelY);
        Show(row.slider.Hwnd(), row.visible);
        Show(row.check.Hwnd(), row.visible && g_opt.ShowDpiCheck != 0);
        Show(row.swatch.Hwnd(), row.visible && colour);
        Show(row.labelX, row.visible);
        Show(row.labelY, row.visible && xy);
    }
    const RECT toggle = XYToggleRect(bar, rowH, m_nLevels);
    if (m_btnXY.Hwnd()) {
        MoveTo(m_btnXY.Hwnd(), toggle);
        m_btnXY.SetBackground(CropImage(m_imgPage.get(), toggle.left, toggle.top, kCheck, kCheck));
    }
    Show(m_btnXY.Hwnd(), xy && m_nLevels > 0);
}

// -------------------------------------------------------------- show, commit --

void CAdvDlg::ShowProfile(const ProfileRecord& p) {
    m_nDpiLight = p.DpiLight.nMode;
    if (!m_bBuilt)
        return;
    m_btnXY.SetCheck(p.bXYSeparate != 0);
    const int n = int(m_steps.size());
    for (int i = 0; i < kAdvLevels; ++i) {
        LevelRow& row = m_rows[i];
        const DpiLevelRecord& lv = p.DpiLevel[i];
        const uint32_t x = row.keptX.Show(m_steps, lv.nDpiX);
        const uint32_t y = row.keptY.Show(m_steps, lv.nDpiY);
        if (n > 0 && row.slider.Hwnd()) {
            row.slider.SetSeparate(Separate());
            row.slider.SetPos(1, x);
            row.slider.SetPos(2, y);
        }
        row.swatch.SetColor(lv.crColor & 0xFFFFFF);
        row.check.SetCheck(i < m_nLevels && lv.bDisabled == 0);
        ShowLevelValues(i, true, true);
    }
    m_sldSpeed.SetPos(m_keptSpeed.Show(kPointerSpeeds, p.nPointerSpeed));
    m_sldDblClick.SetPos(m_keptDblClick.Show(kDblClickTimes, p.nDblClickTime));
    m_chkPrecision.SetCheck(p.bEnhancePrecision != 0);
    const WheelShown wheel = ShowWheelLines(p.nWheelLines);
    m_sldWheel.SetPos(m_keptWheel.Show(kWheelLines, wheel.lines));
    m_chkOneScreen.SetCheck(wheel.oneScreen);
    SetLabel(m_lblSpeed, uint32_t(m_keptSpeed.Store(m_sldSpeed.GetValue())));
    if (!wheel.oneScreen)
        SetLabel(m_lblWheel, uint32_t(m_keptWheel.Store(m_sldWheel.GetValue())));

    m_cmbLight.SelectCode(uint32_t(p.DpiLight.nMode));
    m_sldBright.SetPos(m_keptBright.Show(kDpiLightBrights, p.DpiLight.nBright));
    m_sldLightSpeed.SetPos(m_keptLightSpeed.Show(kDpiLightSpeeds, p.DpiLight.nSpeed));
    ApplyDpiLightVisibility(p.DpiLight.nMode);

    // The mark from the level the mouse was last seen using, without the
    // log line of a device event.
    const int cur = g_nCurDpiLevel.load();
    if (cur >= 0 && cur < kAdvLevels)
        m_nSelLevel = cur;
    if (const std::optional<bool> oneMm = LodOneMm(p.nLOD)) {
        m_btnLod1.SetCheck(*oneMm);
        m_btnLod2.SetCheck(!*oneMm);
    }
    Redraw();
}

void CAdvDlg::StoreToProfile(ProfileRecord& p) {
    if (!m_bBuilt)
        return;
    const bool separate = Separate();
    p.bXYSeparate = m_btnXY.GetCheck() ? 1 : 0;
    const bool slidersUsable = !m_steps.empty();
    for (int i = 0; i < kAdvLevels; ++i) {
        LevelRow& row = m_rows[i];
        DpiLevelRecord& lv = p.DpiLevel[i];
        // Levels the sensor does not have keep what the profile says: the
        // page shows no check box for them.
        if (i < m_nLevels)
            lv.bDisabled = row.check.GetCheck() ? 0 : 1;
        if (slidersUsable && row.slider.Hwnd()) {
            lv.nDpiX = row.keptX.Store(row.slider.GetValue(1));
            lv.nDpiY = separate ? row.keptY.Store(row.slider.GetValue(2)) : lv.nDpiX;
        }
        if (row.swatch.Hwnd())
            lv.crColor = row.swatch.GetColor();
    }
    p.bEnhancePrecision = m_chkPrecision.GetCheck() ? 1 : 0;
    p.nPointerSpeed = m_keptSpeed.Store(m_sldSpeed.GetValue());
    p.nDblClickTime = m_keptDblClick.Store(m_sldDblClick.GetValue());
    p.nWheelLines = m_chkOneScreen.GetCheck() ? -1 : m_keptWheel.Store(m_sldWheel.GetValue());
    if (m_cmbLight.GetSelected() >= 0)
        p.DpiLight.nMode = int32_t(m_cmbLight.UserValue());
    p.DpiLight.nBright = m_keptBright.Store(m_sldBright.GetValue());
    p.DpiLight.nSpeed = m_keptLightSpeed.Store(m_sldLightSpeed.GetValue());
    if (LiftOffShown())
        p.nLOD = m_btnLod1.GetCheck() ? 1 : 2;
}

bool CAdvDlg::DeviceReady() {
    return !Host() || Host()->PreApplyCheck();
}

void CAdvDlg::Commit(uint32_t nFlag, uint32_t nData) {
    StoreEdit([this](ProfileRecord& p) { StoreToProfile(p); });
    WriteLog("CAdvDlg: committed, flag 0x%x data %u%s", unsigned(nFlag), unsigned(nData),
             g_opt.ApplyNow ? " posted" : "");
    if (g_opt.ApplyNow != 0)
        PostApply(nFlag, nData);
}

// ------------------------------------------------------------ level marking --

void CAdvDlg::SelectLevel(int level) {
    if (level < 0 || level >= kAdvLevels)
        return;
    WriteLog("CAdvDlg::SelectLevel: %d", level);
    m_nSelLevel = level;
    if (!m_bBuilt)
        return;
    for (LevelRow& row : m_rows) {
        if (row.labelX)
            ::InvalidateRect(row.labelX, nullptr, FALSE);
        if (row.labelY)
            ::InvalidateRect(row.labelY, nullptr, FALSE);
    }
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
    if (!m_bBuilt)
        return;
    m_cmbLight.SelectCode(uint32_t(mode));
    ApplyDpiLightVisibility(mode);
    Redraw();
}

void CAdvDlg::ApplyDpiLightVisibility(int mode) {
    m_lightVisible = DpiLightVisibility(mode, g_opt.ShowDpiEffect != 0, m_lightVisible);
    Show(m_cmbLight.Hwnd(), m_lightVisible.selector);
    Show(m_sldBright.Hwnd(), m_lightVisible.bright);
    Show(m_sldLightSpeed.Hwnd(), m_lightVisible.speed);
    Redraw();
}

bool CAdvDlg::TakeKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP)
        return false;
    if (!m_hwnd || (msg.hwnd != m_hwnd && !::IsChild(m_hwnd, msg.hwnd)))
        return false;
    switch (msg.wParam) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
    case VK_F1:
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ labels --

void CAdvDlg::SetLabel(HWND label, uint32_t value) {
    if (!label)
        return;
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%d", int(value));
    ::SetWindowTextW(label, text);
    ::InvalidateRect(label, nullptr, FALSE);
}

void CAdvDlg::ShowLevelValues(int i, bool x, bool y) {
    LevelRow& row = m_rows[i];
    if (!row.slider.Hwnd() || m_steps.empty())
        return;
    if (x)
        SetLabel(row.labelX, uint32_t(row.keptX.Store(row.slider.GetValue(1))));
    if (y)
        SetLabel(row.labelY, uint32_t(row.keptY.Store(row.slider.GetValue(2))));
}

void CAdvDlg::OnDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT rc = item.rcItem;
    RECT inPage = rc;
    ::MapWindowPoints(item.hwndItem, m_hwnd, reinterpret_cast<POINT*>(&inPage), 2);
    {
        fw::Brush bkg(::CreateSolidBrush(g_opt.clrBkg));
        ::FillRect(dc, &rc, bkg.Get());
        if (fw::Width(m_imgPage) > 0) {
            Gdiplus::Graphics g(dc);
            g.DrawImage(m_imgPage.get(), Gdiplus::Rect(0, 0, rc.right, rc.bottom), inPage.left,
                        inPage.top, rc.right, rc.bottom, Gdiplus::UnitPixel);
        }
    }
    wchar_t text[32] = {};
    ::GetWindowTextW(item.hwndItem, text, int(std::size(text)));
    const int id = int(item.CtlID);
    const bool current = m_nSelLevel >= 0 && (id == int(IDC_ADV_LABELX0) + m_nSelLevel ||
                                              id == int(IDC_ADV_LABELY0) + m_nSelLevel);
    DrawTextIn(dc, text, rc, current ? m_fontBold.Get() : TextFont(),
               current ? g_opt.Btn_txt_clr_dn : g_opt.Txt_clr,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
