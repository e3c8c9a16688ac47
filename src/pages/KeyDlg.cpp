#include "pages/KeyDlg.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "controls/SliderFactory.h"
#include "device/DeviceEvents.h"
#include "model/ApplyRequest.h"
#include "model/KeyTable.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "pages/AdvRules.h"
#include "pages/KeyPlaces.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/MacroList.h"
#include "store/ProfileStore.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

using settings::g_opt;
using settings::WriteLog;
using namespace keys;
using namespace keyplace;

namespace {
constexpr COLORREF kMaskedText = 0x646464;
constexpr int kKeyArrowW = 24; // the arrow of keybtn_nr.png
} // namespace

CKeyDlg::CKeyDlg() : CSkinPage(L"key_nr.png") {}

CKeyDlg::~CKeyDlg() = default;

// ------------------------------------------------------------------ building --

BOOL CKeyDlg::OnInitDialog() {
    CSkinPage::OnInitDialog();
    m_imgThumb = LoadSkinImage(L"slider.png");
    m_imgDot = LoadSkinImage(L"bar_dot.png");
    for (int i = 0; i < kKeysPerMode; ++i) {
        wchar_t name[32];
        std::swprintf(name, std::size(name), L"number%01d.png", i + 1);
        m_imgNumber[size_t(i)] = LoadSkinImage(name);
    }
    for (int i = 0; i < 3; ++i) {
        wchar_t name[32];
        std::swprintf(name, std::size(name), L"powerbar%d.png", i + 1);
        m_imgPower[size_t(i)] = LoadSharedSkinImage(name);
    }
    BuildControls();
    m_bBuilt = true;
    ApplySensorLayout();
    ::SetTimer(m_hwnd, kTimerFirstPower, kFirstPowerMs, nullptr);
    return TRUE;
}

int CKeyDlg::TitleRight() {
    const std::wstring title = Txt(u"tc_msg20");
    SIZE extent{};
    HDC dc = ::GetDC(m_hwnd);
    {
        fw::SelectScope font(dc, m_fontTitle.Get());
        ::GetTextExtentPoint32W(dc, title.c_str(), int(title.size()), &extent);
    }
    ::ReleaseDC(m_hwnd, dc);
    return g_opt.rcTitle1.left + int(extent.cx);
}

void CKeyDlg::BuildControls() {
    const int modeRow = ModeRowLeft(TitleRight());
    for (int i = 0; i < kKeyModes; ++i)
        MakeModeButton(i, modeRow);
    MakeRateSlider();
    MakeBattery();
    MakeMarkDlg();
}

void CKeyDlg::MakeModeButton(int i, int rowLeft) {
    // The radio and its caption form one button, so the caption can be
    // clicked too; the selected mode's caption takes the accent colour.
    CPngBtn& btn = m_btnMode[size_t(i)];
    btn.SetId(IDC_KEY_MODE0 + UINT(i));
    const RECT rc = ModeButton(i, rowLeft);
    const RECT size{0, 0, rc.right - rc.left, rc.bottom - rc.top};
    static const char16_t* const kTexts[kKeyModes] = {u"tc_mode1", u"tc_mode2", u"tc_mode3"};
    if (!NewSkinButton({.parent = m_hwnd,
                        .btn = &btn,
                        .normal = L"radio_nr.png",
                        .hover = L"radio_nr.png",
                        .pressed = L"radio_dn.png",
                        .size = &size,
                        .left = rc.left,
                        .top = rc.top,
                        .parentBkg = Background(),
                        .toggle = true}))
        return;
    btn.SetText(Txt(kTexts[i]), kModeCaption);
    btn.SetTextColours(g_opt.Txt_clr, g_opt.Btn_txt_clr_ov, g_opt.Btn_txt_clr_dn);
}

void CKeyDlg::MakeKeyButton(int i) {
    m_keyTried[size_t(i)] = true;
    CPngBtn& btn = m_btnKey[size_t(i)];
    btn.SetId(IDC_KEY_BTN0 + UINT(i));
    const settings::Rect& at = settings::g_KeyTable[0][i].rcHot;
    if (!NewSkinButton({.parent = m_hwnd,
                        .btn = &btn,
                        .normal = L"keybtn_nr.png",
                        .hover = L"keybtn_ov.png",
                        .pressed = L"keybtn_ov.png",
                        .left = at.left,
                        .top = at.top,
                        .parentBkg = Background()}))
        return;
    btn.SetUserValue(uint32_t(i));
    // The caption keeps clear of the arrow at the button's right end.
    RECT rc;
    ::GetClientRect(btn.Hwnd(), &rc);
    btn.SetTextRect({rc.left + 4, rc.top, rc.right - kKeyArrowW, rc.bottom});
    if (!KeyEnabled(g_opt.KeyMask, i)) {
        ::EnableWindow(btn.Hwnd(), FALSE);
        btn.SetTextColours(kMaskedText, kMaskedText, kMaskedText);
    }
    ::ShowWindow(btn.Hwnd(), SW_HIDE);
    // The keys follow the mode buttons in the order of the page's controls
    // (the tab order), whenever they are made.
    HWND before = HWND_TOP;
    for (int k = i - 1; k >= 0 && before == HWND_TOP; --k)
        if (HWND h = m_btnKey[size_t(k)].Hwnd())
            before = h;
    for (int m = kKeyModes - 1; m >= 0 && before == HWND_TOP; --m)
        if (HWND h = m_btnMode[size_t(m)].Hwnd())
            before = h;
    ::SetWindowPos(btn.Hwnd(), before, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // A profile shown before the button was made gave the key its text.
    if (size_t(i) < m_keyTexts.size() && !m_keyTexts[size_t(i)].empty()) {
        const std::wstring text = m_keyTexts[size_t(i)];
        SetKeyText(i, text);
    }
}

void CKeyDlg::MakeRateSlider() {
    SliderBarArgs args;
    args.parentBkg = Background();
    args.parent = m_hwnd;
    args.thumb = m_imgThumb.get();
    args.positions = 4;
    args.id = IDC_KEY_RATE;
    args.fillName = L"bar2_ov.png";
    args.thumbOffset = POINT{0, g_opt.SliderY};
    args.trackSource = {0, 0, kBarW, kBarH};
    args.bar = RateBar();
    if (NewSmallPngSliderBar(m_sldRate, args) != 1)
        return;
    if (fw::Width(m_imgDot) > 0)
        m_sldRate.SetDotImage(m_imgDot.get(), g_opt.ScaleY);
    m_sldRate.Thumb().SetReportWhileMoving(true);
    if (g_opt.ShowUsbRate == 0)
        ::ShowWindow(m_sldRate.Hwnd(), SW_HIDE);
}

void CKeyDlg::MakeBattery() {
    SliderBarArgs args;
    args.parentBkg = Background();
    args.parent = m_hwnd;
    args.positions = 10;
    args.id = IDC_KEY_POWER;
    args.fillName = L"powerbar1.png";
    args.trackSource = {0, 0, kBarW, kBarH};
    args.bar = PowerBar();
    if (NewSmallPngSliderBar(m_sldPower, args) != 1)
        return;
    m_sldPower.SetReadOnly(true);
    m_sldPower.SetFillEnd(0); // nothing shown until the mouse tells its level
    m_nPowerImage = 1;
    if (g_opt.ShowPower == 0)
        ::ShowWindow(m_sldPower.Hwnd(), SW_HIDE);
}

void CKeyDlg::MakeMarkDlg() {
    auto mark = std::make_unique<CKeyMarkDlg>(Background(), POINT{g_opt.ptMark.x, g_opt.ptMark.y});
    if (!mark->CreateOn(m_hwnd)) {
        WriteLog("CKeyDlg: no mouse_nr.png, no key marks");
        return;
    }
    ::ShowWindow(mark->Hwnd(), SW_SHOWNA);
    m_pMarkDlg = std::move(mark);
    ::SetTimer(m_hwnd, kTimerMarks, kMarksMs, nullptr);
}

// ----------------------------------------------------------------- the layout --

void CKeyDlg::ApplySensorLayout() {
    m_nKeys = pSensorCfg ? std::clamp(pSensorCfg->nKeys, 0, kKeysPerMode) : 0;
    m_nModes = pSensorCfg ? std::clamp(pSensorCfg->nModes, 1, kKeyModes) : 1;
    if (pSensorCfg) {
        const keys::RateValues rates = RateValuesOf(pSensorCfg->nRateChoice);
        for (int32_t dropped : rates.dropped)
            WriteLog("CKeyDlg: RATE value 0x%x of sensor 0x%x is no report rate, left out",
                     unsigned(dropped), unsigned(g_nCurSensor));
        m_rates = rates.values;
    }
    if (m_nSelMode >= m_nModes)
        m_nSelMode = m_nModes - 1;
    WriteLog("CKeyDlg::ApplySensorLayout: sensor 0x%x, %d keys, %d modes, %d rates",
             unsigned(g_nCurSensor), m_nKeys, m_nModes, int(m_rates.size()));
    if (m_bBuilt) {
        PlaceKeys();
        const std::array<bool, kKeyModes> shown = ModeButtonsShown(m_nModes);
        for (int i = 0; i < kKeyModes; ++i)
            if (m_btnMode[size_t(i)].Hwnd())
                ::ShowWindow(m_btnMode[size_t(i)].Hwnd(), shown[size_t(i)] ? SW_SHOWNA : SW_HIDE);
        if (m_sldRate.Hwnd() && !m_rates.empty()) {
            const int n = int(m_rates.size());
            m_sldRate.SetRange(1, n);
            m_sldRate.SetValues(m_rates.data(), n);
            const std::vector<int> scale = ComputeScale(kBarW, n);
            m_sldRate.SetScalePos(scale.data(), int(scale.size()));
        }
        if (m_pMarkDlg)
            m_pMarkDlg->LayoutMarks();
    }
    // Whoever changed the layout shows the current profile next (once: it
    // sets and measures every key's text).
    Redraw();
}

void CKeyDlg::PlaceKeys() {
    for (int i = 0; i < kKeysPerMode; ++i) {
        CPngBtn& btn = m_btnKey[size_t(i)];
        if (i < m_nKeys && !m_keyTried[size_t(i)])
            MakeKeyButton(i);
        if (!btn.Hwnd())
            continue;
        const settings::Rect& at = settings::g_KeyTable[0][i].rcHot;
        RECT now;
        ::GetWindowRect(btn.Hwnd(), &now);
        ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&now), 2);
        // A button already there keeps the piece of the background it has:
        // start-up lays the page out more than once.
        if (now.left != at.left || now.top != at.top) {
            const int w = now.right - now.left, h = now.bottom - now.top;
            ::SetWindowPos(btn.Hwnd(), nullptr, at.left, at.top, w, h,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            btn.SetBackground(CropImage(Background(), at.left, at.top, w, h));
        }
        ::ShowWindow(btn.Hwnd(), i < m_nKeys ? SW_SHOWNA : SW_HIDE);
    }
}

// --------------------------------------------------------------- showing --

void CKeyDlg::ShowProfile(const ProfileRecord& profile) {
    ProfileRecord shown = profile;
    const int mode = ShownMode(profile.nCurMode, m_nModes);
    bool fixed = false;
    if (mode != profile.nCurMode) {
        // A mode the sensor lacks would select a hidden button the user
        // could never leave.
        WriteLog("CKeyDlg: nCurMode=%d beyond the sensor's %d modes, mode %d shown",
                 profile.nCurMode, m_nModes, mode);
        shown.nCurMode = mode;
        fixed = true;
    }
    m_nSelMode = mode;
    for (int i = 0; i < kKeyModes; ++i)
        m_btnMode[size_t(i)].SetCheck(i == mode);
    FillKeys(mode, shown);
    fixed = fixed || std::memcmp(shown.Key[mode], profile.Key[mode], sizeof shown.Key[mode]) != 0;
    ShowRate(shown.dwReportRate[mode]);
    if (fixed)
        EditCurrentProfile([&](ProfileRecord& p) {
            if (p.dwProfileID != shown.dwProfileID)
                return;
            p.nCurMode = shown.nCurMode;
            std::memcpy(p.Key[mode], shown.Key[mode], sizeof p.Key[mode]);
        });
    Redraw();
}

void CKeyDlg::FillKeys(int mode, ProfileRecord& profile) {
    m_keyTexts.assign(kKeysPerMode, std::wstring());
    for (int i = 0; i < kKeysPerMode; ++i) {
        KeyInfo& key = profile.Key[mode][i];
        KeyText text = KeyButtonText(key);
        if (text.useDefault) {
            const KeyInfo& def = settings::g_KeyTable[mode][i];
            WriteLog("CKeyDlg: key %d/%d dwFunID=0x%x unknown, default 0x%x taken", mode, i,
                     unsigned(key.dwFunID), unsigned(def.dwFunID));
            key = def;
            text = KeyButtonText(key);
        }
        SetKeyText(i, W(text.text));
    }
}

void CKeyDlg::SetKeyText(int key, const std::wstring& text) {
    m_keyTexts[size_t(key)] = text;
    CPngBtn& btn = m_btnKey[size_t(key)];
    if (!btn.Hwnd())
        return;
    btn.SetText(text);
    if (g_opt.BtnTips != 0)
        btn.SetTip(text);
}

void CKeyDlg::ShowRate(uint32_t rate) {
    // A stored rate the slider lacks is shown at the nearest value and kept
    // until the user moves the slider.
    m_dwSliderRate = m_keptRate.Show(m_rates, int32_t(rate));
    m_bRateShown = true;
    if (m_sldRate.Hwnd() && !m_rates.empty())
        m_sldRate.SetPos(m_dwSliderRate);
    SetRateLabel(ReportRate());
}

uint32_t CKeyDlg::ReportRate() const {
    return uint32_t(m_keptRate.Store(m_dwSliderRate));
}

void CKeyDlg::SetRateLabel(uint32_t rate) {
    m_strRate = RateText(rate);
    if (!m_hwnd)
        return;
    const RECT rc = ValueRightOf(RateBar());
    ::InvalidateRect(m_hwnd, &rc, FALSE);
}

// ------------------------------------------------------------- storing --

void CKeyDlg::StoreToProfile(ProfileRecord& profile) {
    if (m_nSelMode >= 0)
        profile.nCurMode = m_nSelMode;
    // Nothing shown yet: nothing the page could store.
    if (m_bRateShown)
        profile.dwReportRate[DeviceKeyMode(profile)] = ReportRate();
}

void CKeyDlg::StoreRate() {
    EditCurrentProfile([this](ProfileRecord& p) { StoreToProfile(p); });
}

bool CKeyDlg::DeviceReady() {
    return !Host() || Host()->PreApplyCheck();
}

HWND CKeyDlg::Owner() const {
    return m_hwnd ? ::GetAncestor(m_hwnd, GA_ROOT) : nullptr;
}

// --------------------------------------------------- device and macro page --

void CKeyDlg::OnDeviceEvent(const PageEvent& event) {
    if (event.kind == DEV_EVT_REPORT_RATE)
        OnDeviceRate(uint8_t(event.value & 0xFF));
}

void CKeyDlg::OnDeviceRate(uint8_t code) {
    uint32_t rate = 0;
    if (!memmap::CodeToReportRate(code, rate)) {
        WriteLog("OnDeviceRate: unknown rate code 0x%x", unsigned(code));
        return;
    }
    WriteLog("OnDeviceRate: 0x%x", unsigned(rate));
    // The mouse already runs at it: stored, not sent.
    ShowRate(rate);
    StoreRate();
}

bool CKeyDlg::OnMacrosChanged(MacroChange change) {
    if (change == MacroChange::Removed)
        return DropMissingMacros();
    RefreshKeys();
    return false;
}

void CKeyDlg::RefreshKeys() {
    ProfileRecord cur{};
    if (!CopyCurrentProfile(cur))
        return;
    ShowProfile(cur);
    if (g_opt.ApplyNow != 0)
        PostApply(APPLY_KEYS, kApplyAll);
}

bool CKeyDlg::DropMissingMacros() {
    int dropped = 0;
    bool current = false;
    const ProfileRecord* cur = g_pCurProfile.load();
    g_ProfileList.ForEach([&](ProfileRecord& p) {
        const int n = DropMissingMacroKeys(p, settings::g_KeyTable, MacroIdInUse);
        if (n == 0)
            return;
        WriteLog("DropMissingMacros: profile 0x%x, %d keys back to their defaults",
                 unsigned(p.dwProfileID), n);
        dropped += n;
        current = current || &p == cur;
    });
    if (dropped == 0)
        return false;
    SaveProfiles();
    ShowCurrentProfile();
    if (current && g_opt.ApplyNow != 0)
        PostApply(APPLY_KEYS, kApplyAll);
    return true;
}
