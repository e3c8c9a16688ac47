// The DPI and advanced page's rules apart from its window: row layout, the
// in-order rule of the level check boxes, what the wheel controls show for
// one screen per notch, and which DPI light controls a mode shows.

#include "pages/AdvRules.h"

#include <gtest/gtest.h>

namespace {
bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace

TEST(AdvRules, LevelRowsFollowTheFirstRowAndTheRowSpacing) {
    const POINT bar{125, 70};
    const struct {
        int level, rowH;
        bool colour, xy;
        RECT slider, swatch, check, labelX, labelY;
    } cases[] = {
        {0,
         48,
         true,
         false,
         {125, 70, 440, 89},
         {92, 70, 110, 88},
         {61, 71, 77, 87},
         {450, 70, 490, 89},
         {0, 0, 0, 0}},
        {3,
         48,
         true,
         false,
         {125, 214, 440, 233},
         {92, 214, 110, 232},
         {61, 215, 77, 231},
         {450, 214, 490, 233},
         {0, 0, 0, 0}},
        // Without swatches the check box takes the swatch's place.
        {1,
         40,
         false,
         false,
         {125, 110, 440, 129},
         {0, 0, 0, 0},
         {92, 111, 108, 127},
         {450, 110, 490, 129},
         {0, 0, 0, 0}},
        // X and Y: two labels, 14 pixels high, the Y one below.
        {7,
         30,
         true,
         true,
         {125, 280, 440, 299},
         {92, 280, 110, 298},
         {61, 281, 77, 297},
         {448, 280, 490, 294},
         {448, 294, 490, 308}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        const AdvRowRects r = LevelRowRects(bar, c.rowH, c.level, c.colour, c.xy);
        EXPECT_TRUE(Same(r.slider, c.slider));
        EXPECT_TRUE(Same(r.swatch, c.swatch));
        EXPECT_TRUE(Same(r.check, c.check));
        EXPECT_TRUE(Same(r.labelX, c.labelX));
        EXPECT_TRUE(Same(r.labelY, c.labelY));
    }
    EXPECT_TRUE(Same(XYToggleRect(bar, 48, 6), {215, 332, 231, 348}));
    EXPECT_TRUE(IsXYSensor(0x9800));
    EXPECT_TRUE(IsXYSensor(0x3360));
    EXPECT_FALSE(IsXYSensor(0x3325));
}

TEST(AdvRules, LevelsLeaveTheCycleFromTheEndAndJoinItInOrder) {
    const std::vector<bool> all6{true, true, true, true, true, true, false, false};
    const std::vector<bool> two{true, true, false, false, false, false, false, false};
    const std::vector<bool> one{true, false, false, false, false, false, false, false};
    const std::vector<bool> fourOn{true, true, true, true, false, false, false, false};
    const struct {
        const std::vector<bool>* on;
        int count, level;
        LevelToggle verdict;
    } cases[] = {
        {&all6, 6, 2, LevelToggle::OutOfOrder}, // level 4 still in the cycle
        {&all6, 6, 5, LevelToggle::Allow},      // the last one may leave
        {&two, 6, 1, LevelToggle::Allow},
        {&one, 6, 0, LevelToggle::LastLevel},     // one level always stays
        {&fourOn, 6, 5, LevelToggle::OutOfOrder}, // level 5 is off: 6 may not join
        {&fourOn, 6, 4, LevelToggle::Allow},      // the next in order joins
        {&one, 1, 0, LevelToggle::LastLevel},
        {&all6, 6, 6, LevelToggle::OutOfOrder}, // beyond the sensor's levels
        {&all6, 6, -1, LevelToggle::OutOfOrder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "count " << c.count << " level " << c.level);
        EXPECT_EQ(CheckLevelToggle(*c.on, c.count, c.level), c.verdict);
    }
}

TEST(AdvRules, OneScreenPerNotchLeavesTheWheelSliderOnThree) {
    const struct {
        int32_t stored, lines;
        bool oneScreen;
    } cases[] = {{-1, 3, true}, {7, 7, false}, {12, 12, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(ShowWheelLines(c.stored).lines, c.lines);
        EXPECT_EQ(ShowWheelLines(c.stored).oneScreen, c.oneScreen);
    }
}

TEST(AdvRules, DpiLightControlsFollowTheModeAndTheLiftOffPairItsValue) {
    const DpiLightVisible both{true, true, true};
    const struct {
        int mode;
        bool showEffect;
        DpiLightVisible now, expected;
    } cases[] = {
        {1, true, {}, {true, true, false}},      {2, true, {}, {true, false, true}},
        {0, true, both, {true, false, false}},   {5, true, both, both}, // unknown modes leave them
        {2, false, both, {false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(DpiLightVisibility(c.mode, c.showEffect, c.now), c.expected);
    }
    EXPECT_EQ(LodOneMm(1), true);
    EXPECT_EQ(LodOneMm(2), false);
    EXPECT_EQ(LodOneMm(0), std::nullopt);
    EXPECT_EQ(LodOneMm(3), std::nullopt);
}
