#pragma once
// Where every control of the DPI and advanced page goes: the rows of DPI
// levels, the DPI light, the pointer settings and the lift-off pair, from
// the product's positions, the sensor and the sizes of the skin's images.
// Each group keeps the place the settings give it unless that puts it
// outside the page or over another group; then it moves to the nearest free
// place. The level rows close up (down to a minimum pitch) rather than run
// into the DPI light below them. Plain arithmetic: CAdvDlg moves its windows
// by it and the tests check it.

#include <windows.h>

#include <array>
#include <string>
#include <vector>

struct AdvLayoutInput {
    SIZE page{994, 500};
    RECT title{33, 25, 133, 45}; // kept clear
    // Level rows.
    POINT dpiBar{125, 70};
    int rowPitch = 48; // DPIH
    int levels = 6;
    bool xy = false; // two values, two rows of thumbs per level
    bool showColor = true;
    bool showCheck = true;
    int rowH = 19;   // one row of a level slider (track and thumb)
    int thumbW = 18; // the level sliders' thumb
    // DPI light.
    POINT dpiEft{130, 390};
    bool showLight = true;
    // Pointer settings.
    POINT moveSpeed{630, 320};
    bool showSys = true;
    bool showDblClick = true;
    // Lift-off pair.
    POINT lod{630, 440};
    bool showLod = true;
    // Sizes of the skin's controls.
    SIZE slider{315, 20};
    SIZE combo{87, 20};
    int check = 16;
    int radio = 18;
};

struct AdvLevelRow {
    RECT strip;  // the row's background, around its controls
    RECT slider; // one or (X/Y) two rows of thumbs
    RECT swatch; // empty without colour swatches
    RECT check;
    RECT labelX;
    RECT labelY; // empty unless the sensor has X and Y values
};

struct AdvLayout {
    int rowPitch = 0;
    std::array<AdvLevelRow, 8> rows{};
    RECT xyToggle{}, xyText{};
    // DPI light: the selector and the slider under it (brightness or speed,
    // one at a time), each with its label on the left.
    RECT light{}, lightLabel{}, lightSlider{}, lightSliderLabel{};
    // Pointer settings, with labels on the left and values on the right.
    RECT dblClick{}, dblClickLabel{}, dblClickCaptions{};
    RECT wheel{}, wheelLabel{}, wheelValue{};
    RECT oneScreen{}, oneScreenText{};
    RECT precision{}, precisionText{};
    RECT speed{}, speedLabel{}, speedValue{};
    // Lift-off: "LOD", the two buttons and their texts.
    RECT lodLabel{}, lod1{}, lod1Text{}, lod2{}, lod2Text{};
};

// Width of the room for a label left of a control, and the gap to it.
inline constexpr int kAdvLabelW = 110;
inline constexpr int kAdvLabelGap = 20;

AdvLayout LayOutAdvPage(const AdvLayoutInput& in);

// The areas of the controls and labels the page shows for `in`, each named;
// the layout keeps them inside the page and apart from one another.
struct AdvArea {
    std::string name;
    RECT rect;
};
std::vector<AdvArea> ShownAdvAreas(const AdvLayout& layout, const AdvLayoutInput& in);
