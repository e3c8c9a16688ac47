#pragma once
// CKeyDlg: the keys page. It edits, for the current profile, the function of
// every button in each key mode, which mode is current and the report rate of
// each mode; it shows the mouse's battery and, on a picture of the mouse, the
// button under the cursor. A key button opens the function picker; the choice
// (after its second dialog where one is needed) goes through AssignKey. Every
// change is written into the current profile and, with ApplyNow, sent to the
// mouse at once; a change the main window's ready check refuses is dropped.
//
// The page also works without its window (the contract tests drive it so):
// then it only keeps what it was told.

#include "controls/PngBtn.h"
#include "controls/PngSlider.h"
#include "model/ProfileRecord.h"
#include "pages/KeptValue.h"
#include "pages/KeyMarkDlg.h"
#include "pages/KeyRules.h"
#include "pages/SkinPage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CKeyDlg : public CSkinPage {
public:
    CKeyDlg();
    ~CKeyDlg() override;

    BOOL OnInitDialog() override;
    // Lays the page out for the active sensor: its modes, keys and rates.
    void ApplySensorLayout() override;
    // Selects the profile's mode (one the sensor has), fills the key buttons
    // for it and sets the rate slider to its rate.
    void ShowProfile(const ProfileRecord& profile) override;
    // The selected mode and the shown rate (StoreRate).
    void StoreToProfile(ProfileRecord& profile) override;
    // The report-rate event goes to OnDeviceRate.
    void OnDeviceEvent(const PageEvent& event) override;
    // Renamed macros: RefreshKeys; removed ones: DropMissingMacros.
    bool OnMacrosChanged(MacroChange change) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The mouse switched its report rate: `code` is the device's rate code
    // (1 1000 Hz, 2 500 Hz, 4 250 Hz, 8 125 Hz); the current mode takes it,
    // nothing is sent.
    void OnDeviceRate(uint8_t code);
    // The key buttons again from the current profile (macro names changed)
    // and, with ApplyNow, every key to the mouse.
    void RefreshKeys();
    // Keys of any profile naming a macro the library no longer holds take
    // their defaults; the store is saved. True when a key was replaced.
    bool DropMissingMacros();
    // Stores `record` for key `key` of the current mode (AssignKey's rules);
    // true when it was stored.
    bool AssignKey(int key, KeyInfo record);
    // Opens the function picker for key `key` under its button.
    void OpenFunctionPicker(int key);
    // A choice of the picker for key `keyIndex` (WM_MENU_CHOICE).
    void OnFunctionChosen(uint32_t code, int keyIndex);
    // Reads the battery through the main window and shows it.
    void ReadBattery();

    int KeyCount() const { return m_nKeys; }
    int ModeCount() const { return m_nModes; }
    // The selected mode, -1 before a profile was shown.
    int SelectedMode() const { return m_nSelMode; }
    const std::vector<std::wstring>& KeyTexts() const { return m_keyTexts; }
    // The rate StoreRate would store.
    uint32_t ReportRate() const;
    const std::vector<uint32_t>& RateValues() const { return m_rates; }
    const std::optional<keys::BatteryLook>& Battery() const { return m_battery; }
    CKeyMarkDlg* MarkDlg() { return m_pMarkDlg.get(); }

protected:
    void DrawContent(HDC dc) override;

private:
    void BuildControls();
    // The right end of the page title as drawn: the mode row starts after it.
    int TitleRight();
    void MakeModeButton(int i, int rowLeft);
    // Key i's button, made when a sensor first has key i (PlaceKeys): most
    // sensors have only some of the keys.
    void MakeKeyButton(int i);
    void MakeRateSlider();
    void MakeBattery();
    void MakeMarkDlg();
    // Places and shows the buttons of the sensor's keys (made first where
    // need be) and hides the others.
    void PlaceKeys();
    void ShowRate(uint32_t rate);
    void SetRateLabel(uint32_t rate);
    // Fills the key buttons for `mode`; a key no category knows takes its
    // default in `profile`.
    void FillKeys(int mode, ProfileRecord& profile);
    void SetKeyText(int key, const std::wstring& text);

    bool DeviceReady();
    // nCurMode from the selected mode button, the mode's rate from the slider.
    void StoreRate();
    void OnModePressed(int mode);
    void OnRateReleased(uint32_t value);
    void OnTimer(UINT_PTR id);
    void UpdateMarks();
    std::optional<KeyInfo> RecordForChoice(uint32_t code, int key);
    std::optional<uint32_t> PickMacro();
    std::optional<KeyInfo> CaptureCombo();
    std::optional<KeyInfo> AskFireKey(int key);
    HWND Owner() const;

    // Mirror of the page for use without a window.
    int m_nKeys = 0;
    int m_nModes = 1;
    int m_nSelMode = -1;
    std::vector<std::wstring> m_keyTexts;
    std::vector<uint32_t> m_rates;
    uint32_t m_dwSliderRate = 0;
    KeptValue m_keptRate; // a stored rate the slider lacks
    bool m_bRateShown = false;
    std::optional<keys::BatteryLook> m_battery;

    bool m_bBuilt = false;
    fw::Image m_imgThumb, m_imgDot;
    std::array<fw::Image, kKeysPerMode> m_imgNumber;
    std::array<fw::SharedImage, 3> m_imgPower;
    std::array<CPngBtn, kKeyModes> m_btnMode;
    std::array<CPngBtn, kKeysPerMode> m_btnKey;
    std::array<bool, kKeysPerMode> m_keyTried{}; // MakeKeyButton ran for it
    CPngSliderBar m_sldRate, m_sldPower;
    std::wstring m_strRate;
    int m_nPowerImage = 0;
    std::unique_ptr<CKeyMarkDlg> m_pMarkDlg;
    int m_nMarked = -1;
};
