#pragma once
// CLedDlg: the lighting page. It edits the main and the logo light of the
// current profile: for each an effect selector, brightness and speed sliders
// and a colour button; one colour editor (three number fields, a spectrum and
// a grid of preset colours) colours whichever colour button is its target.
// Every change goes straight into the current profile and, with ApplyNow, to
// the device; a change the main window's ready check refuses is dropped.

#include "controls/ColorSwatch.h"
#include "controls/ComboBtn.h"
#include "controls/PngSlider.h"
#include "model/ProfileRecord.h"
#include "pages/KeptValue.h"
#include "pages/LedPreview.h"
#include "pages/LedRules.h"
#include "pages/SkinPage.h"

#include <array>
#include <cstdint>
#include <optional>

class CLedDlg : public CSkinPage {
public:
    // Control ids.
    static constexpr UINT kIdRed = 257, kIdGreen = 258, kIdBlue = 259;
    static constexpr UINT kIdMainEffect = 271, kIdMainBright = 272, kIdMainSpeed = 273;
    static constexpr UINT kIdLogoEffect = 288, kIdLogoBright = 289, kIdLogoSpeed = 290;
    // Colour button indexes (and colour editor targets).
    static constexpr int kMain = 0, kLogo = 1, kNoTarget = -1;

    CLedDlg();

    BOOL OnInitDialog() override;
    void ShowProfile(const ProfileRecord& profile) override;
    void StoreToProfile(ProfileRecord& profile) override;
    // The logo and main light events select the reported effect.
    void OnDeviceEvent(const PageEvent& event) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Selects an effect in a selector and shows that light's controls for
    // it (0 off), as the device's light events do.
    void SelectLogoEffect(int mode);
    void SelectMainEffect(int mode);

    int LogoEffect() const;
    int MainEffect() const;
    int Target() const { return m_nTarget; }
    // The picture of the mouse with its lights.
    const CLedPreview& Preview() const { return m_preview; }
    // Where the spectrum shows the target's colour was picked (page
    // coordinates), or none.
    std::optional<POINT> SpectrumMark() const;

protected:
    void DrawContent(HDC dc) override;

private:
    // One light's controls.
    struct Light {
        CComboBtn effect;
        CPngSliderBar bright, speed;
        CColorBtnDlg colour;
        // A stored brightness or speed the slider lacks, kept until the user
        // moves that slider.
        KeptValue keptBright, keptSpeed;
        bool shown = false; // ShowMainEffect / ShowLogoEffect
        bool made = false;  // its controls were created
        led::Visibility visible;
    };

    void MakeLight(Light& light, int which, const led::LightPlace& place, int speedSteps);
    void MakeFields();
    // The number field's box on the page and where its digits are typed.
    RECT FieldBox(int field) const;
    void OnFieldFocus(int field, bool focused);
    Light& LightOf(int which) { return which == kMain ? m_main : m_logo; }
    const settings::LedOption (&OptionsOf(int which) const)[4];
    int EffectOf(const Light& light) const;
    void SelectEffect(int which, int mode);
    // Shows one light of a profile: effect, sliders, colour and, when its
    // colour button is the editor's target, the number fields.
    void ShowLight(int which, const LightRecord& light);
    // Shows or hides the light's controls for its effect and sets its sliders
    // to the profile's values.
    void ApplyVisibility(int which);
    void SetSliders(int which, const LightRecord& light);
    // Writes the lights named in `mask` (LED_MAIN, LED_LOGO) from the
    // controls into the current profile and, with ApplyNow, asks for them to
    // be written to the device.
    void Commit(uint32_t mask);
    void StoreLight(int which, LightRecord& light) const;

    void OnEffectPicked(int which);
    void OnSliderReleased(UINT id);
    void OnFieldChanged(int field);
    void OnColourClicked(int which);
    // The spectrum and the preset grid pick a colour; elsewhere the page
    // drags the window.
    bool OnPagePressed(POINT pt) override;
    // Gives the target a picked colour; false when nothing took it.
    bool PickColour(uint32_t colour);
    RECT SpectrumRect() const;
    // The picture shows a light as the profile now holds it.
    void ShowOnPicture(int which, const LightRecord& light);
    void SetTarget(int which);
    bool TargetUsable() const;
    // Writes a colour into the three fields without treating it as typed.
    void ShowInFields(uint32_t colour);

    Light m_main, m_logo;
    HWND m_hwndField[3]{};
    led::Layout m_layout{};
    int m_nTarget = kMain;
    bool m_bQuiet = false; // the fields are being written by the page
    // Per light: the spectrum point its colour was last picked at, and that
    // colour (the mark shows while the light still has it).
    struct SpectrumPick {
        POINT at;
        uint32_t colour;
    };
    std::array<std::optional<SpectrumPick>, 2> m_spectrumPick;
    // Made when the page is first shown: its masks and picture (about 1 MiB)
    // are not held while the page has never been seen.
    CLedPreview m_preview;
    bool m_bPreviewTried = false;
    fw::Image m_imgSpectrum;
    fw::Image m_imgThumb, m_imgDot;
    fw::Brush m_brField;
    fw::Font m_fontLabel;
};
