#include "pages/LedRules.h"

#include <cwchar>

namespace led {

std::vector<EffectItem> MainEffects(bool altTexts) {
    if (altTexts)
        return {{1, u"tc_led_eft1"}, {2, u"tc_led_eft2"}, {3, u"tc_led_eft3"}, {0, u"tc_led_eft4"}};
    return {{1, u"tc_led_mode1"}, {2, u"tc_led_mode2"}, {3, u"tc_led_mode4"}, {0, u"tc_led_mode5"}};
}

std::vector<EffectItem> LogoEffects() {
    return {{1, u"tc_led_mode1"}, {2, u"tc_led_mode2"}, {3, u"tc_led_mode3"}, {0, u"tc_led_mode5"}};
}

std::optional<int> OptionRecord(int32_t mode) {
    if (mode >= 1 && mode <= 3)
        return mode - 1;
    if (mode == 0)
        return 3;
    return std::nullopt;
}

Visibility VisibilityOf(const settings::LedOption (&records)[4], int32_t mode) {
    const std::optional<int> index = OptionRecord(mode);
    if (!index)
        return {};
    const settings::LedOption& record = records[*index];
    return {record.values[0] != 0, record.values[1] != 0, record.values[4] != 0};
}

void MainEffectDefaults(LightRecord& light, int32_t mode) {
    if (mode == 2 || mode == 3) {
        light.nSpeed = 6;
        light.nBright = 10;
    } else if (mode == 1) {
        light.nBright = 10;
    }
}

std::vector<uint32_t> StepValues(int steps) {
    std::vector<uint32_t> values;
    for (int i = 1; i <= steps; ++i)
        values.push_back(uint32_t(i));
    return values;
}

FieldValue ReadColourField(const std::wstring& text) {
    // Digits only, as the field takes them; leading blanks are skipped and
    // reading stops at the first other character.
    size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t'))
        ++at;
    long long number = 0;
    bool any = false;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        any = true;
        if (number < 1000) // anything past 255 is 255; no overflow on long input
            number = number * 10 + (text[at] - L'0');
    }
    FieldValue out;
    if (!any)
        return out;
    if (number >= 256) {
        out.value = 255;
        out.corrected = L"255";
    } else {
        out.value = int(number);
    }
    return out;
}

uint32_t ColourOf(int red, int green, int blue) {
    return settings::Rgb(uint32_t(red), uint32_t(green), uint32_t(blue));
}

const std::array<uint32_t, kGridColumns * kGridRows>& GridColours() {
    using settings::Rgb;
    static const std::array<uint32_t, kGridColumns* kGridRows> colours = {
        Rgb(255, 0, 0),     Rgb(228, 0, 127),   Rgb(232, 56, 40),   Rgb(234, 85, 20),
        Rgb(243, 152, 0),   Rgb(255, 241, 0),   Rgb(248, 182, 45),  Rgb(143, 195, 31),
        Rgb(0, 255, 0),     Rgb(46, 167, 224),  Rgb(3, 110, 184),   Rgb(23, 42, 136),
        Rgb(23, 28, 97),    Rgb(96, 25, 134),   Rgb(164, 11, 93),   Rgb(0, 162, 154),
        Rgb(0, 0, 255),     Rgb(194, 65, 148),  Rgb(232, 240, 211), Rgb(186, 209, 123),
        Rgb(140, 179, 36),  Rgb(105, 134, 27),  Rgb(191, 117, 38),  Rgb(255, 156, 51),
        Rgb(255, 196, 133), Rgb(209, 113, 174), Rgb(179, 18, 121)};
    return colours;
}

LightPlace PlaceLight(Point o) {
    LightPlace p;
    p.selector = {o.x, o.y, o.x + 87, o.y + 20};
    p.bright = {o.x + 63, o.y + 36, o.x + 378, o.y + 54};
    p.speed = {o.x + 63, o.y + 68, o.x + 378, o.y + 86};
    p.colour = {o.x + 63, o.y + 99, o.x + 93, o.y + 129};
    return p;
}

Layout MakeLayout(const settings::OptSettings& opt) {
    Layout l;
    l.main = PlaceLight(opt.ptMainEft);
    Point logo = opt.ptLogoEft;
    if (logo.x == 0 || logo.y == 0) {
        logo = opt.ptMainEft;
        if (opt.ShowMainEffect == 1)
            logo.y += 170;
    }
    l.logo = PlaceLight(logo);
    const Point e = opt.ptRGBEdit;
    for (int i = 0; i < 3; ++i)
        l.fields[i] = {e.x, e.y + 32 * i, e.x + 59, e.y + 32 * i + 20};
    l.spectrum = {e.x + 90, e.y};
    const Point g = opt.ptRGBGrid;
    for (int i = 0; i < kGridColumns * kGridRows; ++i) {
        const int x = g.x + 36 * (i % kGridColumns);
        const int y = g.y + 32 * (i / kGridColumns);
        l.grid[size_t(i)] = {x, y, x + 25, y + 25};
    }
    return l;
}

bool Contains(const Rect& rc, Point pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

std::optional<int> GridSquareAt(const Layout& layout, Point pt) {
    for (size_t i = 0; i < layout.grid.size(); ++i)
        if (Contains(layout.grid[i], pt))
            return int(i);
    return std::nullopt;
}

} // namespace led
