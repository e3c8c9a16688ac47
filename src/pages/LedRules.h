#pragma once
// The rules of the lighting page, apart from its windows: which effects each
// light offers, which controls an effect shows, the values an effect starts
// with, the colour editor's number fields, the preset colours and where every
// control sits.

#include "model/ProfileRecord.h"
#include "settings/Settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace led {

// One entry of an effect selector: the light's mode and its text key.
struct EffectItem {
    int32_t mode;
    const char16_t* key;
};

// The main light's effects; the tc_led_eft* texts replace the usual ones when
// the product gives them (`altTexts`).
std::vector<EffectItem> MainEffects(bool altTexts);
std::vector<EffectItem> LogoEffects();

// Which of a light's controls an effect shows.
struct Visibility {
    bool speed = false;
    bool bright = false;
    bool colour = false;
    bool operator==(const Visibility&) const = default;
};

// The option record of effect `mode` (1, 2, 3 use records 1 to 3, the light
// switched off record 4). None for a mode the page does not know.
std::optional<int> OptionRecord(int32_t mode);
// What effect `mode` shows, from the light's four option records. A mode
// without a record shows nothing but the selector.
Visibility VisibilityOf(const settings::LedOption (&records)[4], int32_t mode);

// The values the main light takes when the user picks effect `mode`: effects
// 2 and 3 speed 6 and brightness 10, effect 1 brightness 10, off nothing.
void MainEffectDefaults(LightRecord& light, int32_t mode);

// Ranges of the sliders.
constexpr int kBrightSteps = 10;
constexpr int kMainSpeedSteps = 10;
constexpr int kLogoSpeedSteps = 5;
// The values a slider of `steps` positions offers: 1 to steps.
std::vector<uint32_t> StepValues(int steps);

// The colour editor's number field: the value its text reads as (0 when it
// does not read as a number, at most 255) and, when the text reads as 256 or
// more, the text that replaces it.
struct FieldValue {
    int value = 0;
    std::optional<std::wstring> corrected;
};
FieldValue ReadColourField(const std::wstring& text);
// 0x00BBGGRR from the three fields' values.
uint32_t ColourOf(int red, int green, int blue);

// The preset colours of the grid, row by row (0x00BBGGRR).
constexpr int kGridColumns = 9;
constexpr int kGridRows = 3;
const std::array<uint32_t, kGridColumns * kGridRows>& GridColours();

// Where the page's controls sit, in page coordinates.
using settings::Point;
using settings::Rect;
struct LightPlace {
    Rect selector, bright, speed, colour;
};
struct Layout {
    LightPlace main, logo;
    Rect fields[3]; // red, green, blue
    Point spectrum; // top left corner; the image keeps its own size
    std::array<Rect, kGridColumns * kGridRows> grid;
};
Layout MakeLayout(const settings::OptSettings& opt);
LightPlace PlaceLight(Point origin);

bool Contains(const Rect& rc, Point pt);
// The grid square under a point, or none.
std::optional<int> GridSquareAt(const Layout& layout, Point pt);

} // namespace led
