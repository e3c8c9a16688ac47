// The lighting page's rules apart from its window: effect lists, which
// controls an effect shows, effect defaults, the colour fields' correction,
// the preset colours, where the controls sit and how the mouse picture shows
// each effect.

#include "pages/LedRules.h"
#include "pages/LedLook.h"

#include <gtest/gtest.h>

namespace {

// Option records as cfg.ini gives them: five option values per effect.
void Fill(settings::LedOption (&records)[4], const int (&values)[4][5]) {
    for (int r = 0; r < 4; ++r) {
        records[r] = {};
        records[r].present = 1;
        for (int v = 0; v < 5; ++v)
            records[r].values[v] = values[r][v];
    }
}

TEST(LedRules, EffectListsInSelectorOrder) {
    const struct {
        const char* name;
        std::vector<led::EffectItem> items;
        std::vector<int> modes;
        const char16_t* firstKey;
        const char16_t* thirdKey;
    } cases[] = {
        {"main", led::MainEffects(false), {1, 2, 3, 0}, u"tc_led_mode1", u"tc_led_mode4"},
        {"main, product texts",
         led::MainEffects(true),
         {1, 2, 3, 0},
         u"tc_led_eft1",
         u"tc_led_eft3"},
        {"logo", led::LogoEffects(), {1, 2, 3, 0}, u"tc_led_mode1", u"tc_led_mode3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.items.size(), c.modes.size());
        for (size_t i = 0; i < c.items.size(); ++i)
            EXPECT_EQ(c.items[i].mode, c.modes[i]);
        EXPECT_EQ(std::u16string(c.items[0].key), c.firstKey);
        EXPECT_EQ(std::u16string(c.items[2].key), c.thirdKey);
    }
}

TEST(LedRules, OptionRecordsDecideWhatAnEffectShows) {
    settings::LedOption main[4];
    // The product's main-light defaults, with effect 3 set to hide the colour.
    Fill(main, {{0, 1, 0, 0, 1}, {1, 1, 0, 0, 1}, {1, 1, 0, 0, 0}, {0, 0, 0, 0, 0}});
    const struct {
        int mode;
        led::Visibility shown; // speed, brightness, colour
    } cases[] = {
        {1, {false, true, true}},
        {2, {true, true, true}},
        {3, {true, true, false}},
        {0, {false, false, false}},
        {7, {false, false, false}}, // unknown effect: nothing beyond
                                    // the selector
        {-1, {false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(led::VisibilityOf(main, c.mode), c.shown);
    }
    EXPECT_EQ(led::OptionRecord(0), 3);
    EXPECT_EQ(led::OptionRecord(2), 1);
}

TEST(LedRules, MainEffectDefaults) {
    const struct {
        int mode;
        int speed, bright;
    } cases[] = {{2, 6, 10}, {3, 6, 10}, {1, 3, 10}, {0, 3, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        LightRecord light{};
        light.nSpeed = 3;
        light.nBright = 4;
        led::MainEffectDefaults(light, c.mode);
        EXPECT_EQ(light.nSpeed, c.speed);
        EXPECT_EQ(light.nBright, c.bright);
    }
}

TEST(LedRules, ColourFieldsReadAndCorrect) {
    const struct {
        const wchar_t* text;
        int value;
        const wchar_t* corrected; // null: the text stays
    } cases[] = {
        {L"0", 0, nullptr},
        {L"255", 255, nullptr},
        {L"256", 255, L"255"},
        {L"300", 255, L"255"},
        {L"", 0, nullptr},
        {L"abc", 0, nullptr},
        {L"12x", 12, nullptr},
        {L"007", 7, nullptr},
        {L" 40", 40, nullptr},
        {L"99999999999999999999", 255, L"255"}, // no overflow on a long paste
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.text).size() << " chars");
        const led::FieldValue read = led::ReadColourField(c.text);
        EXPECT_EQ(read.value, c.value);
        if (c.corrected) {
            ASSERT_TRUE(read.corrected);
            EXPECT_EQ(*read.corrected, c.corrected);
        } else {
            EXPECT_FALSE(read.corrected);
        }
    }
    EXPECT_EQ(led::ColourOf(255, 0x12, 0x34), 0x3412FFu);
}

TEST(LedRules, GridColoursAndSquares) {
    const auto& colours = led::GridColours();
    EXPECT_EQ(colours[0], settings::Rgb(255, 0, 0));
    EXPECT_EQ(colours[8], settings::Rgb(0, 255, 0));
    EXPECT_EQ(colours[16], settings::Rgb(0, 0, 255));
    EXPECT_EQ(colours[26], settings::Rgb(179, 18, 121));

    settings::OptSettings opt{};
    opt.ptRGBGrid = {87, 391};
    opt.ptRGBEdit = {620, 384};
    opt.ptMainEft = {77, 41};
    const led::Layout layout = led::MakeLayout(opt);
    const struct {
        settings::Point pt;
        std::optional<int> square;
    } cases[] = {
        {{87, 391}, 0},
        {{111, 415}, 0},
        {{112, 391}, std::nullopt}, // the gap
        {{123, 391}, 1},
        {{87 + 8 * 36, 391 + 64}, 26},
        {{86, 391}, std::nullopt},
        {{87, 391 + 25}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pt.x << "," << c.pt.y);
        EXPECT_EQ(led::GridSquareAt(layout, c.pt), c.square);
    }
}

TEST(LedRules, LayoutFollowsTheAnchorPoints) {
    const struct {
        const char* name;
        settings::Point logoPoint;
        int showMain;
        settings::Point logoAt;
    } cases[] = {
        {"logo below main", {0, 0}, 1, {77, 211}},
        {"logo alone takes the main place", {0, 0}, 0, {77, 41}},
        {"a zero coordinate counts as unset", {300, 0}, 1, {77, 211}},
        {"own point", {400, 50}, 1, {400, 50}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings::OptSettings opt{};
        opt.ptMainEft = {77, 41};
        opt.ptLogoEft = c.logoPoint;
        opt.ShowMainEffect = c.showMain;
        opt.ptRGBEdit = {620, 384};
        const led::Layout layout = led::MakeLayout(opt);
        EXPECT_EQ(layout.logo.selector,
                  (settings::Rect{c.logoAt.x, c.logoAt.y, c.logoAt.x + 87, c.logoAt.y + 20}));
        EXPECT_EQ(layout.logo.speed.left, c.logoAt.x + 63);
        EXPECT_EQ(layout.logo.speed.top, c.logoAt.y + 68);
        EXPECT_EQ(layout.logo.colour.bottom, c.logoAt.y + 129);
    }
    settings::OptSettings opt{};
    opt.ptRGBEdit = {620, 384};
    const led::Layout layout = led::MakeLayout(opt);
    EXPECT_EQ(layout.fields[2], (settings::Rect{620, 448, 679, 468}));
    EXPECT_EQ(layout.spectrum, (settings::Point{710, 384}));
}

} // namespace

namespace {

TEST(LedLook, EffectsShowOnThePictureAsTheyRunOnTheMouse) {
    const uint32_t red = 0x0000FF;
    // Breathing at speed 1 of 10 takes the slowest breath, at 10 the fastest;
    // the colour cycle likewise.
    const uint32_t slow = led::kBreathSlowMs, fast = led::kBreathFastMs;
    const struct {
        const char* name;
        LightRecord light;
        int speedSteps;
        uint32_t ms;
        uint32_t colour;
        double level;
    } cases[] = {
        {"off is dark", {0, 5, 10, red, {}}, 10, 0, 0, 0},
        {"unknown effect is dark", {7, 5, 10, red, {}}, 10, 0, 0, 0},
        {"steady at full brightness", {1, 5, 10, red, {}}, 10, 1234, red, 1},
        {"steady at the lowest brightness still shows", {1, 5, 1, red, {}}, 10, 0, red, 0.25},
        {"brightness past 10 counts as 10", {1, 5, 15, red, {}}, 10, 0, red, 1},
        {"breathing starts nearly dark", {2, 1, 10, red, {}}, 10, 0, red, 0.08},
        {"breathing at its top halfway", {2, 1, 10, red, {}}, 10, slow / 2, red, 1},
        {"a fast breath is at its top sooner", {2, 10, 10, red, {}}, 10, fast / 2, red, 1},
        {"a breath ends where it began", {2, 10, 10, red, {}}, 10, fast, red, 0.08},
        {"the logo's 5 speeds span the same range", {2, 5, 10, red, {}}, 5, fast / 2, red, 1},
        {"a colour cycle starts at red", {3, 1, 10, 0x00FF00, {}}, 10, 0, 0x0000FF, 1},
        {"a third round is green", {3, 1, 10, 0, {}}, 10, led::kCycleSlowMs / 3, 0x00FF00, 1},
        {"two thirds are blue", {3, 1, 10, 0, {}}, 10, led::kCycleSlowMs * 2 / 3, 0xFF0000, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const led::LightLook look = led::LookAt(c.light, c.speedSteps, c.ms);
        EXPECT_EQ(look.colour, c.colour);
        EXPECT_NEAR(look.level, c.level, 0.005);
        EXPECT_EQ(led::Animated(c.light), c.light.nMode == 2 || c.light.nMode == 3);
    }
}

} // namespace
