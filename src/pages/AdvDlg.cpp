#include "pages/AdvDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"
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
    LoadImages();
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

namespace {

template <typename AnImage> int HeightOr(const AnImage& image, int fallback) {
    return fw::Width(image) > 0 ? fw::Height(image) : fallback;
}

int WidthOr(const fw::Image& image, int fallback) {
    return fw::Width(image) > 0 ? fw::Width(image) : fallback;
}

// A level slider's track (or fill) for two rows of thumbs: the skin's own
// image, else the one-row image twice.
fw::Image TwoRows(const wchar_t* name, Gdiplus::Bitmap* oneRow) {
    fw::Image own = LoadSkinImage(name);
    if (fw::Width(own) > 0 || !oneRow || oneRow->GetWidth() == 0)
        return own;
    const int w = int(oneRow->GetWidth()), h = int(oneRow->GetHeight());
    auto both = std::make_unique<Gdiplus::Bitmap>(w, 2 * h, PixelFormat32bppARGB);
    Gdiplus::Graphics g(both.get());
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    for (int row = 0; row < 2; ++row)
        g.DrawImage(oneRow, Gdiplus::Rect(0, row * h, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
    return both;
}

// The width of a pop-up menu that shows each of `texts` whole: the text, the
// menu's indent, its sub-menu arrow column and its frame.
int MenuWidthFor(const std::wstring (&texts)[3], int atLeast) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old =
        ::SelectObject(dc, g_fontApp ? g_fontApp.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
    int widest = 0;
    for (const std::wstring& text : texts) {
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
        widest = std::max(widest, int(extent.cx));
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return std::max(atLeast, widest + 12 + 16 + 10);
}

} // namespace

void CAdvDlg::LoadImages() {
    m_imgThumb = LoadSkinImage(L"slider.png");
    m_imgThumbX = LoadSkinImage(L"slider1.png");
    m_imgThumbY = LoadSkinImage(L"slider2.png");
    // Without its thumbs a slider shows no value: the user hears of it.
    for (const auto& [name, image] :
         {std::pair{L"slider.png", &m_imgThumb}, std::pair{L"slider1.png", &m_imgThumbX},
          std::pair{L"slider2.png", &m_imgThumbY}})
        if (fw::Width(*image) == 0)
            ReportMissingSkin(L"CAdvDlg", name);
    m_imgBarDot = LoadSkinImage(L"bar_dot.png");
    m_imgDpiDot = LoadSkinImage(L"dpi_dot.png");
    // The rows under the levels are optional: without them the page shows
    // its background there.
    m_imgRow = LoadSkinImage(L"dpi_row.png");
    m_imgRowCur = LoadSkinImage(L"dpi_row_cur.png");
    m_imgWell = LoadSkinImage(L"dpi_well.png");
    m_imgTrack = LoadSharedSkinImage(L"dpi-bar.png");
    m_imgFill = LoadSharedSkinImage(L"dpi-bar-ov.png");
    m_imgTrackXY = TwoRows(L"dpi-bar-xy.png", m_imgTrack.get());
    m_imgFillXY = TwoRows(L"dpi-bar-xy-ov.png", m_imgFill.get());

    // The sizes the layout needs, from the images this product has.
    m_sizes.thumbW = WidthOr(m_imgThumbX, 18);
    m_sizes.rowH = std::max(HeightOr(m_imgTrack, 19),
                            g_opt.DpiSliderY + HeightOr(m_imgThumbX, 19 - g_opt.DpiSliderY));
    fw::Image bar = LoadSkinImage(L"bar2.png");
    m_sizes.slider = {kBarW, std::max(HeightOr(bar, kBarH),
                                      g_opt.SliderY + HeightOr(m_imgThumb, kBarH - g_opt.SliderY))};
    fw::Image combo = LoadSkinImage(L"combo_nr.png");
    m_sizes.combo = {WidthOr(combo, 87), HeightOr(combo, 20)};
    fw::Image check = LoadSkinImage(L"check_nr.png");
    m_sizes.check = WidthOr(check, kCheck);
    fw::Image radio = LoadSkinImage(L"radio_nr.png");
    m_sizes.radio = WidthOr(radio, kRadio);
}

HWND CAdvDlg::MakeLabel(UINT id) {
    return ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW, 0, 0, 40, 19, m_hwnd,
                             reinterpret_cast<HMENU>(UINT_PTR(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

bool CAdvDlg::MakeCheck(CPngBtn& btn, UINT id, const wchar_t* normal, const wchar_t* checked) {
    btn.SetId(id);
    // Placed, with the background of its place, by PlaceControls.
    return NewSkinButton({.parent = m_hwnd,
                          .btn = &btn,
                          .normal = normal,
                          .hover = normal,
                          .pressed = checked,
                          .toggle = true}) == 1;
}

bool CAdvDlg::MakeSlider(CPngSliderBar& bar, UINT id, const uint32_t* values, int count) {
    SliderBarArgs args;
    args.parentBkg = Background();
    args.parent = m_hwnd;
    args.thumb = m_imgThumb.get();
    args.positions = count;
    args.id = id;
    args.fillName = L"bar2_ov.png";
    args.thumbOffset = POINT{0, g_opt.SliderY};
    args.trackTop = g_opt.BarY;
    args.bar = At({0, 0}, m_sizes.slider.cx, m_sizes.slider.cy);
    if (NewSmallPngSliderBar(bar, args) != 1)
        return false;
    bar.SetValues(values, count);
    const std::vector<int> scale = ComputeScale(m_sizes.slider.cx, count);
    bar.SetScalePos(scale.data(), int(scale.size()));
    if (fw::Width(m_imgBarDot) > 0)
        bar.SetDotImage(m_imgBarDot.get(), g_opt.ScaleY);
    bar.Thumb().SetReportWhileMoving(true);
    return true;
}

void CAdvDlg::BuildLevelRow(int i) {
    LevelRow& row = m_rows[i];
    HSliderBarArgs args;
    args.parentBkg = Background();
    args.parent = m_hwnd;
    args.upperThumb = m_imgThumbX.get();
    args.lowerThumb = m_imgThumbY.get();
    args.id = IDC_ADV_LEVEL0 + i;
    args.thumbOffset = POINT{0, g_opt.DpiSliderY};
    args.trackTop = g_opt.DpiBarY;
    args.bar = At({0, 0}, kBarW, m_sizes.rowH);
    if (NewSmallPngHSliderBarEx(row.slider, args) == 1) {
        row.slider.SetSingleThumb(true);
        row.slider.Thumb(1).SetReportWhileMoving(true);
        row.slider.Thumb(2).SetReportWhileMoving(true);
    }
    MakeCheck(row.check, IDC_ADV_CHECK0 + i, L"check_nr.png", L"check_dn.png");
    if (g_opt.ShowDpiColor != 0)
        row.swatch.Create(ColorDlgArgs{m_hwnd, RECT{0, 0, 18, 18}, i, 0xFFFFFF});
    row.labelX = MakeLabel(IDC_ADV_LABELX0 + i);
    row.labelY = MakeLabel(IDC_ADV_LABELY0 + i);
}

void CAdvDlg::BuildControls() {
    for (int i = 0; i < kAdvLevels; ++i)
        BuildLevelRow(i);
    MakeCheck(m_btnXY, IDC_ADV_XY, L"check_nr.png", L"check_dn.png");
    Show(m_btnXY.Hwnd(), false);

    MakeSlider(m_sldDblClick, IDC_ADV_DBLCLICK, kDblClickTimes, 11);
    MakeSlider(m_sldWheel, IDC_ADV_WHEEL, kWheelLines, 10);
    MakeSlider(m_sldSpeed, IDC_ADV_SPEED, kPointerSpeeds, 11);
    m_lblWheel = MakeLabel(IDC_ADV_WHEEL + 1000);
    m_lblSpeed = MakeLabel(IDC_ADV_SPEED + 1000);
    MakeCheck(m_chkOneScreen, IDC_ADV_ONESCREEN, L"check_nr.png", L"check_dn.png");
    MakeCheck(m_chkPrecision, IDC_ADV_PRECISION, L"check_nr.png", L"check_dn.png");

    MakeCheck(m_btnLod1, IDC_ADV_LOD1, L"radio_nr.png", L"radio_dn.png");
    MakeCheck(m_btnLod2, IDC_ADV_LOD2, L"radio_nr.png", L"radio_dn.png");

    ComboBtnArgs combo;
    combo.parent = m_hwnd;
    combo.id = IDC_ADV_LIGHT;
    combo.parentBkg = Background();
    if (m_cmbLight.Create(combo) == 1) {
        const std::wstring modes[] = {Txt(u"tc_led_mode1"), Txt(u"tc_led_mode2"),
                                      Txt(u"tc_led_mode5")};
        const uint32_t codes[] = {1, 2, 0};
        for (int i = 0; i < 3; ++i)
            m_cmbLight.AddItem(0, codes[i], modes[i]);
        m_cmbLight.SetCurList(0);
        m_cmbLight.SetChangeCheck([this] { return DeviceReady(); });
        // The menu is as wide as its longest entry needs, at least as the
        // button.
        m_cmbLight.SetMenuWidth(MenuWidthFor(modes, m_sizes.combo.cx));
    }
    MakeSlider(m_sldBright, IDC_ADV_BRIGHT, kDpiLightBrights, 10);
    MakeSlider(m_sldLightSpeed, IDC_ADV_LSPEED, kDpiLightSpeeds, 5);
    ApplyOptionVisibility();
    ApplyDpiLightVisibility(m_nDpiLight);
}

void CAdvDlg::ApplyOptionVisibility() {
    const bool sys = g_opt.ShowMsSys != 0;
    Show(m_sldSpeed.Hwnd(), sys);
    // A value shows only beside a slider that could be made.
    Show(m_lblSpeed, sys && m_sldSpeed.Hwnd());
    Show(m_sldWheel.Hwnd(), sys);
    Show(m_lblWheel, sys && m_sldWheel.Hwnd());
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
    const std::vector<int> scale = n > 0 ? ComputeScaleEx(m_sizes.thumbW, n) : std::vector<int>{};
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
    PlaceControls();
    ApplyOptionVisibility();
    ShowLevelsInUse();
    Redraw();
}

AdvLayoutInput CAdvDlg::LayoutInput() const {
    AdvLayoutInput in;
    const settings::Rect& sub = g_opt.rcSubDlg;
    in.page = {sub.right - sub.left, sub.bottom - sub.top};
    const settings::Rect& t = g_opt.rcTitle3;
    in.title = {t.left, t.top, t.right, t.bottom};
    in.dpiBar = Pt(g_opt.ptDpiBar);
    in.rowPitch = pSensorCfg && pSensorCfg->nDpiRowH > 0 ? pSensorCfg->nDpiRowH : 48;
    in.levels = m_nLevels;
    in.xy = XYSensor();
    in.showColor = g_opt.ShowDpiColor != 0;
    in.showCheck = g_opt.ShowDpiCheck != 0;
    in.rowH = m_sizes.rowH;
    in.thumbW = m_sizes.thumbW;
    in.dpiEft = Pt(g_opt.ptDpiEft);
    in.showLight = g_opt.ShowDpiEffect != 0;
    in.moveSpeed = Pt(g_opt.ptMoveSpeed);
    in.showSys = g_opt.ShowMsSys != 0;
    in.showDblClick = g_opt.ShowDbClickSpeed != 0;
    in.lod = Pt(g_opt.ptLOD);
    in.showLod = LiftOffShown();
    in.slider = m_sizes.slider;
    in.combo = m_sizes.combo;
    in.check = m_sizes.check;
    in.radio = m_sizes.radio;
    return in;
}

fw::Image CAdvDlg::PieceOf(const RECT& rect) const {
    Gdiplus::Bitmap* bkg = Rows() ? Rows() : Background();
    return CropImage(bkg, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void CAdvDlg::ComposeRows() {
    m_imgRows.reset();
    m_bRowsWanted = true;
}

Gdiplus::Bitmap* CAdvDlg::Rows() const {
    if (m_imgRows || !m_bRowsWanted)
        return m_imgRows.get();
    Gdiplus::Bitmap* page = Background();
    if (!page)
        return nullptr;
    m_imgRows = CropImage(page, 0, 0, int(page->GetWidth()), int(page->GetHeight()));
    if (!m_imgRows)
        return nullptr;
    Gdiplus::Graphics g(m_imgRows.get());
    for (int i = 0; i < m_nLevels; ++i) {
        const RECT& strip = m_layout.rows[i].strip;
        const bool current = i == m_nSelLevel;
        Gdiplus::Bitmap* image = current && m_imgRowCur ? m_imgRowCur.get() : m_imgRow.get();
        DrawNineSlice(g, image, strip, kRowCorner);
        const RECT& swatch = m_layout.rows[i].swatch;
        if (fw::Width(m_imgWell) > 0 && swatch.right > swatch.left)
            g.DrawImage(m_imgWell.get(), int(swatch.left + swatch.right - fw::Width(m_imgWell)) / 2,
                        int(swatch.top + swatch.bottom - fw::Height(m_imgWell)) / 2);
        // Without a row image for it, a dot inside the row marks the current
        // level.
        if (current && fw::Width(m_imgRowCur) == 0 && fw::Width(m_imgDpiDot) > 0) {
            const RECT& check = m_layout.rows[i].check;
            const int right =
                check.right > check.left ? int(check.left) : int(m_layout.rows[i].slider.left);
            const int y = (m_layout.rows[i].slider.top + m_layout.rows[i].slider.bottom) / 2;
            g.DrawImage(m_imgDpiDot.get(), right - 8 - fw::Width(m_imgDpiDot),
                        y - fw::Height(m_imgDpiDot) / 2);
        }
    }
    return m_imgRows.get();
}

void CAdvDlg::PlaceSlider(CPngSliderBar& bar, const RECT& rect) {
    if (bar.Hwnd() && rect.right > rect.left)
        bar.MoveTo(rect, PieceOf(rect));
}

void CAdvDlg::PlaceButton(CPngBtn& btn, const RECT& rect) {
    if (!btn.Hwnd() || rect.right <= rect.left)
        return;
    // The button keeps the size of its image; only its place moves.
    RECT own{};
    ::GetClientRect(btn.Hwnd(), &own);
    const RECT at{rect.left, rect.top, rect.left + own.right, rect.top + own.bottom};
    ::SetWindowPos(btn.Hwnd(), nullptr, at.left, at.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    btn.SetBackground(PieceOf(at));
}

void CAdvDlg::PlaceControls() {
    m_layout = LayOutAdvPage(LayoutInput());
    ComposeRows();
    PlaceLevelRows();
    PlaceSlider(m_sldDblClick, m_layout.dblClick);
    PlaceSlider(m_sldWheel, m_layout.wheel);
    PlaceSlider(m_sldSpeed, m_layout.speed);
    MoveTo(m_lblWheel, m_layout.wheelValue);
    MoveTo(m_lblSpeed, m_layout.speedValue);
    PlaceButton(m_chkOneScreen, m_layout.oneScreen);
    PlaceButton(m_chkPrecision, m_layout.precision);
    PlaceButton(m_btnLod1, m_layout.lod1);
    PlaceButton(m_btnLod2, m_layout.lod2);
    PlaceButton(m_cmbLight, m_layout.light);
    PlaceSlider(m_sldBright, m_layout.lightSlider);
    PlaceSlider(m_sldLightSpeed, m_layout.lightSlider);
}

void CAdvDlg::PlaceLevelRows() {
    const bool xy = XYSensor();
    for (int i = 0; i < kAdvLevels; ++i) {
        LevelRow& row = m_rows[i];
        const AdvLevelRow& r = m_layout.rows[i];
        row.visible = i < m_nLevels;
        if (row.slider.Hwnd() && row.visible) {
            // Two rows of thumbs on the sensors with X and Y values.
            if (row.slider.IsSingleThumb() == xy || !row.slider.HasTrack()) {
                row.slider.SetTrackImage(xy ? m_imgTrackXY : m_imgTrack);
                row.slider.SetFillImage(xy ? m_imgFillXY : m_imgFill);
                row.slider.SetSingleThumb(!xy);
            }
            row.slider.MoveTo(r.slider, PieceOf(r.slider));
            row.slider.SetSeparate(Separate());
        }
        if (row.visible) {
            PlaceButton(row.check, r.check);
            MoveTo(row.swatch.Hwnd(), r.swatch);
            MoveTo(row.labelX, r.labelX);
            MoveTo(row.labelY, r.labelY);
        }
        Show(row.slider.Hwnd(), row.visible);
        Show(row.check.Hwnd(), row.visible && g_opt.ShowDpiCheck != 0);
        Show(row.swatch.Hwnd(), row.visible && g_opt.ShowDpiColor != 0);
        Show(row.labelX, row.visible);
        Show(row.labelY, row.visible && xy);
    }
    PlaceButton(m_btnXY, m_layout.xyToggle);
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
    // Shown (dimmed) also while one screen per notch is on.
    SetLabel(m_lblWheel, uint32_t(m_keptWheel.Store(m_sldWheel.GetValue())));
    m_sldWheel.SetDimmed(wheel.oneScreen);

    m_cmbLight.SelectCode(uint32_t(p.DpiLight.nMode));
    m_sldBright.SetPos(m_keptBright.Show(kDpiLightBrights, p.DpiLight.nBright));
    m_sldLightSpeed.SetPos(m_keptLightSpeed.Show(kDpiLightSpeeds, p.DpiLight.nSpeed));
    ApplyDpiLightVisibility(p.DpiLight.nMode);

    // The mark from the level the mouse was last seen using, without the
    // log line of a device event.
    const int cur = g_nCurDpiLevel.load();
    if (cur >= 0 && cur < kAdvLevels && cur != m_nSelLevel) {
        m_nSelLevel = cur;
        ComposeRows();
        PlaceLevelRows();
    }
    if (const std::optional<bool> oneMm = LodOneMm(p.nLOD)) {
        m_btnLod1.SetCheck(*oneMm);
        m_btnLod2.SetCheck(!*oneMm);
    }
    ShowLevelsInUse();
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
    // A slider the skin could not make holds nothing: the profile keeps its
    // value.
    if (m_sldSpeed.Hwnd())
        p.nPointerSpeed = m_keptSpeed.Store(m_sldSpeed.GetValue());
    if (m_sldDblClick.Hwnd())
        p.nDblClickTime = m_keptDblClick.Store(m_sldDblClick.GetValue());
    if (m_chkOneScreen.GetCheck())
        p.nWheelLines = -1;
    else if (m_sldWheel.Hwnd())
        p.nWheelLines = m_keptWheel.Store(m_sldWheel.GetValue());
    if (m_cmbLight.GetSelected() >= 0)
        p.DpiLight.nMode = int32_t(m_cmbLight.UserValue());
    if (m_sldBright.Hwnd())
        p.DpiLight.nBright = m_keptBright.Store(m_sldBright.GetValue());
    if (m_sldLightSpeed.Hwnd())
        p.DpiLight.nSpeed = m_keptLightSpeed.Store(m_sldLightSpeed.GetValue());
    if (LiftOffShown())
        p.nLOD = m_btnLod1.GetCheck() ? 1 : 2;
}

bool CAdvDlg::DeviceReady() {
    return !Host() || Host()->PreApplyCheck();
}

void CAdvDlg::Commit(uint32_t nFlag, uint32_t nData) {
    // Without a current profile there is nothing the device could be given.
    if (!StoreEdit([this](ProfileRecord& p) { StoreToProfile(p); })) {
        WriteLog("CAdvDlg: no current profile, flag 0x%x not committed", unsigned(nFlag));
        return;
    }
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
    const bool changed = level != m_nSelLevel;
    m_nSelLevel = level;
    if (!m_bBuilt)
        return;
    // The current level's row is marked: the rows' background changes.
    if (changed) {
        ComposeRows();
        PlaceLevelRows();
    }
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

void CAdvDlg::ShowLevelsInUse() {
    if (!m_bBuilt)
        return;
    // A level out of the device's cycle shows its slider and value faint.
    for (int i = 0; i < m_nLevels; ++i) {
        LevelRow& row = m_rows[i];
        row.slider.SetDimmed(!row.check.GetCheck());
        for (HWND label : {row.labelX, row.labelY})
            if (label)
                ::InvalidateRect(label, nullptr, FALSE);
    }
}

void CAdvDlg::OnDrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT rc = item.rcItem;
    RECT inPage = rc;
    ::MapWindowPoints(item.hwndItem, m_hwnd, reinterpret_cast<POINT*>(&inPage), 2);
    {
        fw::Brush bkg(::CreateSolidBrush(g_opt.clrBkg));
        ::FillRect(dc, &rc, bkg.Get());
        Gdiplus::Bitmap* page = Rows() ? Rows() : Background();
        if (HasBackground()) {
            Gdiplus::Graphics g(dc);
            g.DrawImage(page, Gdiplus::Rect(0, 0, rc.right, rc.bottom), inPage.left, inPage.top,
                        rc.right, rc.bottom, Gdiplus::UnitPixel);
        }
    }
    wchar_t text[32] = {};
    ::GetWindowTextW(item.hwndItem, text, int(std::size(text)));
    const int id = int(item.CtlID);
    const int level =
        id >= int(IDC_ADV_LABELY0) ? id - int(IDC_ADV_LABELY0) : id - int(IDC_ADV_LABELX0);
    const bool ofLevel = level >= 0 && level < kAdvLevels && id < int(IDC_ADV_LABELY0) + kAdvLevels;
    const bool current = ofLevel && level == m_nSelLevel;
    // A value that is not in use: a level out of the cycle, the wheel lines
    // while one screen per notch is on.
    const bool unused = (ofLevel && !m_rows[level].check.GetCheck()) ||
                        (item.hwndItem == m_lblWheel && m_chkOneScreen.GetCheck());
    COLORREF colour = current ? g_opt.Btn_txt_clr_dn : g_opt.Txt_clr;
    if (unused)
        colour = MixColour(colour, g_opt.clrBkg, 0.5);
    DrawTextIn(dc, text, rc, current ? m_fontBold.Get() : TextFont(), colour,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
