#pragma once
// The rules of the DPI and advanced page apart from its windows: where the
// level rows go, which level may join or leave the DPI cycle, the values of
// its sliders, what the wheel controls show for a stored value, and which DPI
// light controls a mode shows. CAdvDlg only moves windows by them.

#include "model/ProfileRecord.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

constexpr int kAdvLevels = 8;

// Control ids of the page.
enum AdvId : UINT {
    IDC_ADV_SPEED = 129,    // pointer speed slider
    IDC_ADV_DBLCLICK = 130, // double-click slider
    IDC_ADV_WHEEL = 132,    // wheel lines slider
    IDC_ADV_PRECISION = 133,
    IDC_ADV_ONESCREEN = 134,
    IDC_ADV_LOD1 = 135,
    IDC_ADV_LOD2 = 136,
    IDC_ADV_XY = 137,
    IDC_ADV_LEVEL0 = 144,  // level sliders 144..151
    IDC_ADV_CHECK0 = 160,  // level check boxes 160..167
    IDC_ADV_LABELX0 = 176, // X value labels 176..183
    IDC_ADV_LABELY0 = 184, // Y value labels 184..191
    IDC_ADV_LIGHT = 271,   // DPI light selector
    IDC_ADV_BRIGHT = 272,
    IDC_ADV_LSPEED = 273,
};

// Sensors whose levels carry a separate X and Y value.
bool IsXYSensor(uint32_t sensor);

// Where one level row's controls go, in page coordinates.
struct AdvRowRects {
    RECT slider; // 315 x 19
    RECT swatch; // empty without colour swatches
    RECT check;
    RECT labelX;
    RECT labelY; // empty unless the sensor has X and Y values
};
AdvRowRects LevelRowRects(POINT dpiBar, int rowH, int level, bool showColor, bool xySensor);
// The X/Y toggle: a 16 x 16 box just under the last level's row.
RECT XYToggleRect(POINT dpiBar, int rowH, int levelCount);

// The verdict on a click on a level's check box.
enum class LevelToggle {
    Allow,      // toggle it
    OutOfOrder, // refused silently: levels leave the cycle from the end and join it in order
    LastLevel,  // refused with a message: one level always stays in the cycle
};
// `on` holds the check boxes of the first `levelCount` levels.
LevelToggle CheckLevelToggle(const std::vector<bool>& on, int levelCount, int level);

// The values of the sliders, position 1 first.
extern const uint32_t kPointerSpeeds[11];
extern const uint32_t kDblClickTimes[11];
extern const uint32_t kWheelLines[10];
extern const uint32_t kDpiLightBrights[10];
extern const uint32_t kDpiLightSpeeds[5];
// Stored wheel lines (-1: one screen per notch): the lines the slider is to
// show (3 with one screen per notch) and whether one screen per notch is on.
struct WheelShown {
    int32_t lines;
    bool oneScreen;
};
WheelShown ShowWheelLines(int32_t stored);

// Which DPI light controls are visible.
struct DpiLightVisible {
    bool selector = true;
    bool bright = false;
    bool speed = false;
    bool operator==(const DpiLightVisible&) const = default;
};
// Mode 1 shows brightness, mode 2 speed, mode 0 neither, other modes leave
// `now`; without the DPI light option everything is hidden.
DpiLightVisible DpiLightVisibility(int mode, bool showEffect, DpiLightVisible now);

// The levels (below `levelCount`) whose X or Y value differs between two
// profiles: the ones a change has to write to the device.
std::vector<int> LevelsWithNewValues(const ProfileRecord& before, const ProfileRecord& after,
                                     int levelCount);

// The lift-off pair for a stored distance: whether "1 mm" is the checked one,
// or none to leave the pair as it is.
std::optional<bool> LodOneMm(int32_t stored);
