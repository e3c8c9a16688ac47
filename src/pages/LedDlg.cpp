#include "pages/LedDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "controls/SliderFactory.h"
#include "device/DeviceEvents.h"
#include "model/ApplyRequest.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cwchar>

using settings::g_opt;
using settings::WriteLog;

namespace {

constexpr COLORREF kFieldColour = RGB(204, 204, 204);
// The frame of a number field, and of the one being typed in.
constexpr COLORREF kFieldFrame = RGB(96, 102, 114);
constexpr COLORREF kFieldFrameFocused = RGB(0, 190, 255);
const wchar_t* const kChannel[3] = {L"R", L"G", L"B"};

RECT ToRect(const settings::Rect& rc) {
    return RECT{rc.left, rc.top, rc.right, rc.bottom};
}

uint32_t MaskOf(int which) {
    return which == CLedDlg::kMain ? LED_MAIN : LED_LOGO;
}

void ShowWindowIf(HWND hwnd, bool show) {
    if (hwnd)
        ::ShowWindow(hwnd, show ? SW_SHOWNA : SW_HIDE);
}

} // namespace

CLedDlg::CLedDlg() : CSkinPage(L"led_nr.png") {
    // The selectors know their effects before (and without) their windows, so
    // device events select in them either way.
    const bool altMain = !Txt(u"tc_led_eft1").empty();
    for (const led::EffectItem& item : led::MainEffects(altMain))
        m_main.effect.AddItem(0, uint32_t(item.mode), Txt(item.key));
    for (const led::EffectItem& item : led::LogoEffects())
        m_logo.effect.AddItem(0, uint32_t(item.mode), Txt(item.key));
    m_main.effect.SetCurList(0);
    m_logo.effect.SetCurList(0);
}

BOOL CLedDlg::OnInitDialog() {
    CSkinPage::OnInitDialog();
    m_imgSpectrum = LoadSkinImage(L"grd.png");
    m_imgThumb = LoadSkinImage(L"slider.png");
    m_imgDot = LoadSkinImage(L"bar_dot.png");
    m_brField = fw::Brush(::CreateSolidBrush(kFieldColour));
    m_fontLabel = MakeFont(14, FW_NORMAL);
    m_layout = led::MakeLayout(g_opt);
    m_bPreviewTried = false; // the picture comes with the first show

    m_main.shown = g_opt.ShowMainEffect != 0;
    m_logo.shown = g_opt.ShowLogoEffect != 0;
    MakeLight(m_main, kMain, m_layout.main, led::kMainSpeedSteps);
    MakeLight(m_logo, kLogo, m_layout.logo, led::kLogoSpeedSteps);
    MakeFields();
    // Without the main light's controls the logo colour button is the
    // editor's target; without the logo's it never is.
    m_nTarget = m_main.shown ? kMain : m_logo.shown ? kLogo : kNoTarget;
    SetTarget(m_nTarget);
    return TRUE;
}

void CLedDlg::MakeLight(Light& light, int which, const led::LightPlace& place, int speedSteps) {
    ComboBtnArgs combo;
    combo.parent = m_hwnd;
    combo.id = which == kMain ? kIdMainEffect : kIdLogoEffect;
    combo.left = place.selector.left;
    combo.top = place.selector.top;
    combo.parentBkg = Background();
    // Wider than the button so the longer effect names fit in the menu.
    combo.menuWidth = 130;
    if (light.effect.Create(combo)) {
        PageHost* host = Host();
        light.effect.SetChangeCheck([host] { return !host || host->PreApplyCheck(); });
    }

    const struct {
        CPngSliderBar& bar;
        UINT id;
        const settings::Rect& rect;
        int steps;
    } sliders[] = {
        {light.bright, which == kMain ? kIdMainBright : kIdLogoBright, place.bright,
         led::kBrightSteps},
        {light.speed, which == kMain ? kIdMainSpeed : kIdLogoSpeed, place.speed, speedSteps},
    };
    for (const auto& s : sliders) {
        SliderBarArgs args;
        args.parentBkg = Background();
        args.parent = m_hwnd;
        args.thumb = m_imgThumb.get();
        args.positions = s.steps;
        args.id = s.id;
        args.fillName = L"bar2_ov.png";
        args.thumbOffset = POINT{0, g_opt.SliderY};
        args.trackSource = {0, 0, s.rect.Width(), s.rect.bottom - s.rect.top};
        args.bar = ToRect(s.rect);
        if (!NewSmallPngSliderBar(s.bar, args))
            continue;
        const std::vector<int> places = ComputeScale(s.rect.Width(), s.steps);
        s.bar.SetScalePos(places.data(), int(places.size()));
        if (fw::Width(m_imgDot) > 0)
            s.bar.SetDotImage(m_imgDot.get(), g_opt.ScaleY);
    }

    ColorBtnArgs colour;
    colour.parent = m_hwnd;
    colour.rect = ToRect(place.colour);
    colour.index = which;
    colour.colour = 0xFFFFFF;
    // The page's colour editor sets the colour; a double click is a click.
    colour.canPick = false;
    // The editor's target is framed in the skin's accent colour.
    colour.frameColour = RGB(0, 174, 255);
    light.colour.Create(colour);

    light.made = true;
    light.visible = {true, true, true};
    if (!light.shown) {
        ShowWindowIf(light.effect.Hwnd(), false);
        ShowWindowIf(light.bright.Hwnd(), false);
        ShowWindowIf(light.speed.Hwnd(), false);
        ShowWindowIf(light.colour.Hwnd(), false);
        light.visible = {};
    }
}

RECT CLedDlg::FieldBox(int field) const {
    return ToRect(m_layout.fields[field]);
}

void CLedDlg::MakeFields() {
    // The page draws each field's box on the skin; the edit box sits inside
    // it, as high as a line of the page's font and centred in the box, so the
    // digits sit in its middle.
    const HFONT font = AppFontOr(m_fontLabel.Get());
    TEXTMETRICW metrics{};
    if (HDC dc = ::GetDC(m_hwnd)) {
        const fw::SelectScope select(dc, font);
        ::GetTextMetricsW(dc, &metrics);
        ::ReleaseDC(m_hwnd, dc);
    }
    for (int i = 0; i < 3; ++i) {
        const RECT box = FieldBox(i);
        const int boxH = box.bottom - box.top;
        const int lineH = std::clamp(int(metrics.tmHeight), 1, std::max(boxH - 2, 1));
        const int top = box.top + (boxH - lineH) / 2;
        m_hwndField[i] = ::CreateWindowExW(
            0, L"EDIT", L"0", WS_CHILD | WS_VISIBLE | ES_CENTER | ES_NUMBER | ES_AUTOHSCROLL,
            box.left + 3, top, box.right - box.left - 6, lineH, m_hwnd,
            reinterpret_cast<HMENU>(UINT_PTR(kIdRed + i)), ::GetModuleHandleW(nullptr), nullptr);
        if (!m_hwndField[i]) {
            WriteLog("CLedDlg: number field %d not created", i);
            continue;
        }
        ::SendMessageW(m_hwndField[i], WM_SETFONT, WPARAM(font), FALSE);
        ::SendMessageW(m_hwndField[i], EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        ::SendMessageW(m_hwndField[i], EM_SETLIMITTEXT, 3, 0);
    }
}

void CLedDlg::OnFieldFocus(int field, bool focused) {
    // An emptied field counts as 0; once left it says so.
    if (!focused && m_hwndField[field] && ::GetWindowTextLengthW(m_hwndField[field]) == 0) {
        m_bQuiet = true;
        ::SetWindowTextW(m_hwndField[field], L"0");
        m_bQuiet = false;
    }
    // The box's frame shows which field is being typed in.
    RECT box = FieldBox(field);
    ::InflateRect(&box, 1, 1);
    ::InvalidateRect(m_hwnd, &box, FALSE);
}

const settings::LedOption (&CLedDlg::OptionsOf(int which) const)[4] {
    return which == kMain ? g_opt.LedOpt : g_opt.LogoLedOpt;
}

int CLedDlg::EffectOf(const Light& light) const {
    const uint32_t code = light.effect.List().SelectedCode();
    return code == kComboNoCode ? 0 : int(code);
}

int CLedDlg::MainEffect() const {
    return EffectOf(m_main);
}

int CLedDlg::LogoEffect() const {
    return EffectOf(m_logo);
}

void CLedDlg::ShowProfile(const ProfileRecord& profile) {
    ShowLight(kMain, profile.MainLight);
    ShowLight(kLogo, profile.LogoLight);
    Redraw();
}

void CLedDlg::ShowOnPicture(int which, const LightRecord& light) {
    m_preview.SetLight(which == kMain ? CLedPreview::kMain : CLedPreview::kLogo, light,
                       LightOf(which).shown,
                       which == kMain ? led::kMainSpeedSteps : led::kLogoSpeedSteps);
}

void CLedDlg::ShowLight(int which, const LightRecord& light) {
    ShowOnPicture(which, light);
    Light& controls = LightOf(which);
    if (!controls.effect.SelectCode(uint32_t(light.nMode))) {
        WriteLog("CLedDlg: unknown effect %d of the %s light", int(light.nMode),
                 which == kMain ? "main" : "logo");
        controls.effect.Select(-1);
    }
    controls.colour.SetColor(light.crColor & 0xFFFFFF);
    SetSliders(which, light);
    ApplyVisibility(which);
    if (m_nTarget == which)
        ShowInFields(controls.colour.GetColor());
}

void CLedDlg::SetSliders(int which, const LightRecord& light) {
    Light& controls = LightOf(which);
    const int speedSteps = which == kMain ? led::kMainSpeedSteps : led::kLogoSpeedSteps;
    // A slider that could not be made offers nothing: its value is kept.
    const auto offered = [](const CPngSliderBar& bar, int steps) {
        return bar.Hwnd() ? led::StepValues(steps) : std::vector<uint32_t>{};
    };
    const uint32_t bright =
        controls.keptBright.Show(offered(controls.bright, led::kBrightSteps), light.nBright);
    const uint32_t speed =
        controls.keptSpeed.Show(offered(controls.speed, speedSteps), light.nSpeed);
    if (controls.bright.Hwnd())
        controls.bright.Thumb().SetPos(bright, false);
    if (controls.speed.Hwnd())
        controls.speed.Thumb().SetPos(speed, false);
}

void CLedDlg::StoreLight(int which, LightRecord& light) const {
    const Light& controls = which == kMain ? m_main : m_logo;
    if (controls.effect.List().SelectedCode() != kComboNoCode)
        light.nMode = int32_t(controls.effect.List().SelectedCode());
    // A slider moved while the light is off is not taken.
    if (light.nMode != 0) {
        if (controls.bright.Hwnd())
            light.nBright = controls.keptBright.Store(controls.bright.GetValue());
        if (controls.speed.Hwnd())
            light.nSpeed = controls.keptSpeed.Store(controls.speed.GetValue());
    }
    if (controls.colour.Hwnd())
        light.crColor = (light.crColor & 0xFF000000u) | (controls.colour.GetColor() & 0xFFFFFF);
}

void CLedDlg::StoreToProfile(ProfileRecord& profile) {
    StoreLight(kMain, profile.MainLight);
    StoreLight(kLogo, profile.LogoLight);
}

void CLedDlg::Commit(uint32_t mask) {
    if (!mask)
        return;
    const bool stored = StoreEdit([&](ProfileRecord& profile) {
        if (mask & LED_MAIN)
            StoreLight(kMain, profile.MainLight);
        if (mask & LED_LOGO)
            StoreLight(kLogo, profile.LogoLight);
    });
    // Without a current profile there is nothing the device could be given.
    if (!stored)
        return;
    ProfileRecord profile{};
    if (CopyCurrentProfile(profile)) {
        if (mask & LED_MAIN)
            ShowOnPicture(kMain, profile.MainLight);
        if (mask & LED_LOGO)
            ShowOnPicture(kLogo, profile.LogoLight);
    }
    if (g_opt.ApplyNow)
        PostApply(APPLY_LED, mask);
}

void CLedDlg::ApplyVisibility(int which) {
    Light& light = LightOf(which);
    if (!light.made || !light.shown)
        return;
    light.visible = led::VisibilityOf(OptionsOf(which), EffectOf(light));
    ShowWindowIf(light.speed.Hwnd(), light.visible.speed);
    ShowWindowIf(light.bright.Hwnd(), light.visible.bright);
    ShowWindowIf(light.colour.Hwnd(), light.visible.colour);
    Redraw();
    ProfileRecord profile{};
    if (CopyCurrentProfile(profile))
        SetSliders(which, which == kMain ? profile.MainLight : profile.LogoLight);
}

void CLedDlg::SelectEffect(int which, int mode) {
    Light& light = LightOf(which);
    if (!light.effect.SelectCode(uint32_t(mode))) {
        WriteLog("CLedDlg: the device reported unknown effect %d", mode);
        return;
    }
    ApplyVisibility(which);
}

void CLedDlg::SelectLogoEffect(int mode) {
    SelectEffect(kLogo, mode);
}

void CLedDlg::SelectMainEffect(int mode) {
    SelectEffect(kMain, mode);
}

void CLedDlg::OnDeviceEvent(const PageEvent& event) {
    int which;
    if (event.kind == DEV_EVT_LOGO_LIGHT)
        which = kLogo;
    else if (event.kind == DEV_EVT_MAIN_LIGHT)
        which = kMain;
    else
        return;
    // The main window has brought the light in the current profile up to
    // date with the mouse (effect, colour, speed, brightness): show all of
    // it, or the next change of that light, or Apply, would write the page's
    // old colour back over the one the mouse reported.
    ProfileRecord profile{};
    if (CopyCurrentProfile(profile))
        ShowLight(which, which == kMain ? profile.MainLight : profile.LogoLight);
    else
        SelectEffect(which, event.value);
    Redraw();
}

void CLedDlg::OnEffectPicked(int which) {
    // The pick already passed the ready check (the selector's change check).
    const int mode = EffectOf(LightOf(which));
    // The effect the light already has, picked again, changes nothing: no
    // start values, nothing written.
    ProfileRecord profile{};
    if (CopyCurrentProfile(profile) &&
        (which == kMain ? profile.MainLight : profile.LogoLight).nMode == mode) {
        WriteLog("CLedDlg: effect %d of the %s light picked again", mode,
                 which == kMain ? "main" : "logo");
        return;
    }
    if (which == kMain)
        EditCurrentProfile([mode](ProfileRecord& profile) {
            profile.MainLight.nMode = mode;
            led::MainEffectDefaults(profile.MainLight, mode);
        });
    else
        EditCurrentProfile([mode](ProfileRecord& profile) { profile.LogoLight.nMode = mode; });
    ApplyVisibility(which);
    Commit(MaskOf(which));
}

void CLedDlg::OnSliderReleased(UINT id) {
    int which;
    if (id == kIdMainBright || id == kIdMainSpeed)
        which = kMain;
    else if (id == kIdLogoBright || id == kIdLogoSpeed)
        which = kLogo;
    else
        return;
    if (Host() && !Host()->PreApplyCheck()) {
        // Refused: the slider goes back to what the profile holds.
        ProfileRecord profile{};
        if (CopyCurrentProfile(profile))
            SetSliders(which, which == kMain ? profile.MainLight : profile.LogoLight);
        return;
    }
    // What the user moved is the value from now on.
    Light& controls = LightOf(which);
    (id == kIdMainBright || id == kIdLogoBright ? controls.keptBright : controls.keptSpeed).Moved();
    ProfileRecord profile{};
    if (!CopyCurrentProfile(profile))
        return;
    const LightRecord& light = which == kMain ? profile.MainLight : profile.LogoLight;
    if (light.nMode == 0)
        return;
    Commit(MaskOf(which));
}

bool CLedDlg::TargetUsable() const {
    if (m_nTarget == kNoTarget)
        return false;
    const Light& light = m_nTarget == kMain ? m_main : m_logo;
    return light.shown && light.visible.colour && light.colour.Hwnd();
}

void CLedDlg::OnFieldChanged(int field) {
    if (m_bQuiet || !m_hwndField[field])
        return;
    wchar_t text[16]{};
    ::GetWindowTextW(m_hwndField[field], text, int(std::size(text)));
    const led::FieldValue read = led::ReadColourField(text);
    if (read.corrected) {
        m_bQuiet = true;
        ::SetWindowTextW(m_hwndField[field], read.corrected->c_str());
        ::SendMessageW(m_hwndField[field], EM_SETSEL, WPARAM(-1), LPARAM(-1));
        const int end = ::GetWindowTextLengthW(m_hwndField[field]);
        ::SendMessageW(m_hwndField[field], EM_SETSEL, WPARAM(end), LPARAM(end));
        m_bQuiet = false;
    }
    if (Host() && !Host()->PreApplyCheck())
        return;
    int rgb[3]{};
    for (int i = 0; i < 3; ++i) {
        wchar_t value[16]{};
        if (m_hwndField[i])
            ::GetWindowTextW(m_hwndField[i], value, int(std::size(value)));
        rgb[i] = led::ReadColourField(value).value;
    }
    if (!TargetUsable())
        return;
    LightOf(m_nTarget).colour.SetColor(led::ColourOf(rgb[0], rgb[1], rgb[2]));
    Commit(MaskOf(m_nTarget));
}

void CLedDlg::ShowInFields(uint32_t colour) {
    m_bQuiet = true;
    const int rgb[3] = {int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF)};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[8];
        std::swprintf(text, std::size(text), L"%d", rgb[i]);
        if (m_hwndField[i])
            ::SetWindowTextW(m_hwndField[i], text);
    }
    m_bQuiet = false;
}

void CLedDlg::SetTarget(int which) {
    if (which == kLogo && !m_logo.shown)
        which = m_main.shown ? kMain : kNoTarget;
    m_nTarget = which;
    for (int i : {kMain, kLogo})
        if (LightOf(i).colour.Hwnd())
            LightOf(i).colour.SetSelected(i == m_nTarget);
    if (m_nTarget != kNoTarget)
        ShowInFields(LightOf(m_nTarget).colour.GetColor());
}

void CLedDlg::OnColourClicked(int which) {
    if (which != kMain && which != kLogo)
        return;
    SetTarget(which);
}

bool CLedDlg::PickColour(uint32_t colour) {
    if (!TargetUsable())
        return false;
    if (Host() && !Host()->PreApplyCheck())
        return false;
    LightOf(m_nTarget).colour.SetColor(colour & 0xFFFFFF);
    ShowInFields(colour);
    Commit(MaskOf(m_nTarget));
    // The spectrum's mark follows the target's colour.
    const RECT spectrum = SpectrumRect();
    ::InvalidateRect(m_hwnd, &spectrum, FALSE);
    return true;
}

RECT CLedDlg::SpectrumRect() const {
    // With room for the mark at the edges.
    return {m_layout.spectrum.x - 6, m_layout.spectrum.y - 6,
            m_layout.spectrum.x + fw::Width(m_imgSpectrum) + 6,
            m_layout.spectrum.y + fw::Height(m_imgSpectrum) + 6};
}

std::optional<POINT> CLedDlg::SpectrumMark() const {
    if (m_nTarget == kNoTarget || !m_spectrumPick[size_t(m_nTarget)])
        return std::nullopt;
    const SpectrumPick& pick = *m_spectrumPick[size_t(m_nTarget)];
    const Light& light = m_nTarget == kMain ? m_main : m_logo;
    if ((light.colour.GetColor() & 0xFFFFFF) != pick.colour)
        return std::nullopt;
    return pick.at;
}

bool CLedDlg::OnPagePressed(POINT pt) {
    const settings::Point at{pt.x, pt.y};
    const settings::Rect spectrum{m_layout.spectrum.x, m_layout.spectrum.y,
                                  m_layout.spectrum.x + fw::Width(m_imgSpectrum),
                                  m_layout.spectrum.y + fw::Height(m_imgSpectrum)};
    if (fw::Width(m_imgSpectrum) > 0 && led::Contains(spectrum, at)) {
        // The colour of the spectrum under the pointer (the picture itself,
        // not the screen: the mark drawn over it is not a colour to take).
        Gdiplus::Color picked;
        if (m_imgSpectrum->GetPixel(pt.x - m_layout.spectrum.x, pt.y - m_layout.spectrum.y,
                                    &picked) != Gdiplus::Ok)
            return true;
        const uint32_t colour = led::ColourOf(picked.GetR(), picked.GetG(), picked.GetB());
        if (m_nTarget != kNoTarget && PickColour(colour)) {
            m_spectrumPick[size_t(m_nTarget)] = SpectrumPick{pt, colour};
            const RECT area = SpectrumRect();
            ::InvalidateRect(m_hwnd, &area, FALSE);
        }
        return true;
    }
    if (const std::optional<int> square = led::GridSquareAt(m_layout, at)) {
        PickColour(led::GridColours()[size_t(*square)]);
        return true;
    }
    return false;
}

bool CLedDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id >= kIdRed && id <= kIdBlue) {
        if (code == EN_CHANGE)
            OnFieldChanged(int(id - kIdRed));
        else if (code == EN_SETFOCUS || code == EN_KILLFOCUS)
            OnFieldFocus(int(id - kIdRed), code == EN_SETFOCUS);
        return true;
    }
    if (id == kIdMainEffect || id == kIdLogoEffect) {
        if (code == BN_CLICKED)
            OnEffectPicked(id == kIdMainEffect ? kMain : kLogo);
        return true;
    }
    return CSkinPage::OnCommand(wParam, lParam);
}

bool CLedDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_SLIDER_SET:
        OnSliderReleased(LOWORD(lParam));
        result = 0;
        return true;
    case WM_SLIDER_ASK:
        result = !Host() || Host()->PreApplyCheck() ? 1 : 0;
        return true;
    case WM_COLOR_CLICKED:
        OnColourClicked(int(lParam));
        result = 0;
        return true;
    case WM_SETCURSOR: {
        if (HWND(wParam) != m_hwnd || LOWORD(lParam) != HTCLIENT)
            return CSkinPage::OnMessage(msg, wParam, lParam, result);
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hwnd, &pt);
        const settings::Rect spectrum{m_layout.spectrum.x, m_layout.spectrum.y,
                                      m_layout.spectrum.x + fw::Width(m_imgSpectrum),
                                      m_layout.spectrum.y + fw::Height(m_imgSpectrum)};
        if (!led::Contains(spectrum, {pt.x, pt.y}))
            return CSkinPage::OnMessage(msg, wParam, lParam, result);
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    }
    case WM_SHOWWINDOW: {
        const bool handled = CSkinPage::OnMessage(msg, wParam, lParam, result);
        if (wParam && !m_bPreviewTried) {
            m_bPreviewTried = true; // a skin without the masks is not read again
            m_preview.Create(m_hwnd, Background());
        }
        return handled;
    }
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, kFieldColour);
        ::SetTextColor(dc, RGB(0, 0, 0));
        result = reinterpret_cast<LRESULT>(m_brField.Get());
        return true;
    }
    default:
        return CSkinPage::OnMessage(msg, wParam, lParam, result);
    }
}

void CLedDlg::DrawContent(HDC dc) {
    const HFONT font = AppFontOr(m_fontLabel.Get());
    const COLORREF text = g_opt.Txt_clr;
    auto rightOf = [&](const std::wstring& label, const settings::Rect& control) {
        const int mid = (control.top + control.bottom) / 2;
        DrawTextIn(dc, label, {control.left - 15 - 130, mid - 10, control.left - 15, mid + 10},
                   font, text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    };
    for (int which : {kMain, kLogo}) {
        const Light& light = which == kMain ? m_main : m_logo;
        if (!light.shown)
            continue;
        const led::LightPlace& place = which == kMain ? m_layout.main : m_layout.logo;
        DrawTextIn(dc, Txt(which == kMain ? u"tc_adv_str8" : u"tc_adv_str9"),
                   {place.selector.left, place.selector.top - 20, place.selector.left + 130,
                    place.selector.top},
                   m_fontTitle.Get(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (light.visible.bright)
            rightOf(Txt(u"tc_adv_str7"), place.bright);
        if (light.visible.speed)
            rightOf(Txt(u"tc_adv_str10"), place.speed);
        if (light.visible.colour)
            rightOf(Txt(u"tc_adv_str11"), place.colour);
    }
    const settings::Point grid = g_opt.ptRGBGrid;
    DrawTextIn(dc, Txt(u"tc_adv_str12"), {grid.x, grid.y - 30, grid.x + 300, grid.y - 10},
               m_fontTitle.Get(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    const settings::Rect& first = m_layout.fields[0];
    DrawTextIn(dc, Txt(u"tc_adv_str13"),
               {first.left, first.top - 40, first.left + 300, first.top - 20}, m_fontTitle.Get(),
               text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    for (int i = 0; i < 3; ++i) {
        const settings::Rect& rc = m_layout.fields[i];
        DrawTextIn(dc, kChannel[i], {rc.left - 40, rc.top, rc.left - 10, rc.bottom}, font, text,
                   DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    for (int i = 0; i < 3; ++i) {
        // The number fields, drawn on the skin.
        const RECT box = FieldBox(i);
        ::FillRect(dc, &box, m_brField.Get());
        const bool focused = m_hwndField[i] && ::GetFocus() == m_hwndField[i];
        fw::Brush frame(::CreateSolidBrush(focused ? kFieldFrameFocused : kFieldFrame));
        ::FrameRect(dc, &box, frame.Get());
    }
    if (fw::Width(m_imgSpectrum) > 0) {
        DrawImage(dc, m_imgSpectrum.get(), m_layout.spectrum.x, m_layout.spectrum.y,
                  fw::Width(m_imgSpectrum), fw::Height(m_imgSpectrum));
        if (const std::optional<POINT> mark = SpectrumMark()) {
            // A ring around the picked point, dark and light so it shows on
            // every colour.
            fw::Pen dark(::CreatePen(PS_SOLID, 3, RGB(20, 22, 26)));
            fw::Pen light(::CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
            const fw::SelectScope noFill(dc, ::GetStockObject(NULL_BRUSH));
            for (HPEN pen : {dark.Get(), light.Get()}) {
                const fw::SelectScope select(dc, pen);
                ::Ellipse(dc, mark->x - 5, mark->y - 5, mark->x + 6, mark->y + 6);
            }
        }
    }
    const auto& colours = led::GridColours();
    for (size_t i = 0; i < colours.size(); ++i) {
        const RECT square = ToRect(m_layout.grid[i]);
        fw::Brush fill(::CreateSolidBrush(colours[i]));
        ::FillRect(dc, &square, fill.Get());
    }
}
