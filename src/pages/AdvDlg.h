#pragma once
// CAdvDlg: the DPI and advanced page. It edits, for the current profile, the
// DPI levels (value, X and Y on the sensors that have both, colour, whether
// the level is in the device's cycle), the DPI light, the lift-off distance
// and the pointer settings kept in the profile, and marks the level the mouse
// uses. Every change is written straight back into the current profile and,
// with ApplyNow, sent to the device at once; a change the main window's
// ready check refuses is neither shown nor stored.
//
// The page also works without its window (the contract tests drive it so):
// then it only keeps what it was told.

#include "controls/ColorSwatch.h"
#include "controls/ComboBtn.h"
#include "controls/PngBtn.h"
#include "controls/PngHSliderEx.h"
#include "controls/PngSlider.h"
#include "model/ProfileRecord.h"
#include "pages/AdvLayout.h"
#include "pages/AdvRules.h"
#include "pages/KeptValue.h"
#include "pages/SkinPage.h"

#include <array>
#include <string>
#include <vector>

class CAdvDlg : public CSkinPage {
public:
    CAdvDlg();
    ~CAdvDlg() override;

    // Marks level `level` (0-based) as the one the mouse uses; levels outside
    // 0..7 are ignored.
    void SelectLevel(int level);
    void ApplySensorLayout() override;
    void ShowProfile(const ProfileRecord& profile) override;
    void StoreToProfile(ProfileRecord& profile) override;
    // The DPI level event marks the level, the DPI light event shows the
    // light's mode.
    void OnDeviceEvent(const PageEvent& event) override;
    // Enter, Escape, Space and F1 never reach the page's controls.
    bool TakeKey(const MSG& msg) override;
    // Shows the DPI light's mode (0 off) and the sliders that belong to it.
    void ShowDpiLight(int mode);

    int SelectedLevel() const { return m_nSelLevel; }
    int LevelCount() const { return m_nLevels; }
    int DpiLightMode() const { return m_nDpiLight; }

    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    void DrawContent(HDC dc) override;

private:
    struct LevelRow {
        CPngHSliderBarEx slider;
        CPngBtn check;
        CColorDlg swatch;
        HWND labelX = nullptr, labelY = nullptr;
        // A stored value the sensor's steps lack, kept until the user moves
        // the slider.
        KeptValue keptX, keptY;
        bool visible = false;
    };
    // Sizes of the skin's images the layout depends on.
    struct SkinSizes {
        int rowH = 19, thumbW = 18; // a level slider's row and thumb
        SIZE slider{315, 20};       // a pointer or DPI light slider
        SIZE combo{87, 20};
        int check = 16, radio = 18;
    };

    void LoadImages();
    void BuildControls();
    void BuildLevelRow(int i);
    HWND MakeLabel(UINT id);
    bool MakeCheck(CPngBtn& btn, UINT id, const wchar_t* normal, const wchar_t* checked);
    bool MakeSlider(CPngSliderBar& bar, UINT id, const uint32_t* values, int count);
    AdvLayoutInput LayoutInput() const;
    void PlaceControls();
    void PlaceLevelRows();
    void PlaceSlider(CPngSliderBar& bar, const RECT& rect);
    void PlaceButton(CPngBtn& btn, const RECT& rect);
    // The page's background with each shown level's row under it, the
    // current level's marked; every control of a row is cut from it.
    // ComposeRows marks it to be composed afresh when next needed (Rows).
    void ComposeRows();
    Gdiplus::Bitmap* Rows() const;
    void OnBackgroundReleased() override { m_imgRows.reset(); }
    fw::Image PieceOf(const RECT& rect) const;
    void ShowLevelValues(int i, bool x, bool y);
    void ShowLevelsInUse();
    void SetLabel(HWND label, uint32_t value);
    void ApplyDpiLightVisibility(int mode);
    void ApplyOptionVisibility();

    // Copies the page into the current profile (under its lock) and, with
    // ApplyNow, asks the apply worker to write `nFlag`/`nData`. Nothing is
    // posted without a current profile.
    void Commit(uint32_t nFlag, uint32_t nData);
    bool DeviceReady();
    void OnSliderSet(UINT id, int thumb, uint32_t value);
    void OnSliderMoving(UINT id, int thumb, uint32_t value);
    void OnLevelCheck(int level);
    void OnXYToggle();
    void OnDrawItem(const DRAWITEMSTRUCT& item);

    bool XYSensor() const;
    bool Separate() const;
    bool LiftOffShown() const;
    std::vector<bool> LevelsOn() const;

    // Mirror of the page for use without a window: what was last shown.
    int m_nLevels = 0;
    int m_nSelLevel = -1;
    int m_nDpiLight = 0;
    std::vector<uint32_t> m_steps; // the active sensor's DPI steps

    bool m_bBuilt = false;
    mutable fw::Image m_imgRows; // the same with the level rows under the controls
    bool m_bRowsWanted = false;  // the rows are laid out (Rows composes them)
    fw::Image m_imgThumb, m_imgThumbX, m_imgThumbY, m_imgBarDot, m_imgDpiDot;
    fw::Image m_imgRow, m_imgRowCur; // a level row's background, plain and current
    fw::Image m_imgWell;             // behind a level's colour swatch
    // Shared by the level sliders: a slider with one row of thumbs, and with
    // two (X and Y).
    fw::SharedImage m_imgTrack, m_imgFill;
    fw::SharedImage m_imgTrackXY, m_imgFillXY;
    SkinSizes m_sizes;
    AdvLayout m_layout;
    fw::Font m_fontBold;
    std::array<LevelRow, kAdvLevels> m_rows;
    CPngBtn m_btnXY{IDC_ADV_XY};
    CPngSliderBar m_sldSpeed, m_sldDblClick, m_sldWheel, m_sldBright, m_sldLightSpeed;
    HWND m_lblSpeed = nullptr, m_lblWheel = nullptr;
    CPngBtn m_chkPrecision{IDC_ADV_PRECISION}, m_chkOneScreen{IDC_ADV_ONESCREEN};
    CPngBtn m_btnLod1{IDC_ADV_LOD1}, m_btnLod2{IDC_ADV_LOD2};
    CComboBtn m_cmbLight;
    KeptValue m_keptSpeed, m_keptDblClick, m_keptWheel, m_keptBright, m_keptLightSpeed;
    DpiLightVisible m_lightVisible{};
};
