// The one rule of every page for stored values its controls cannot show:
// the control shows the nearest value it has, the stored value is stored
// again unchanged until the user moves the control.

#include "pages/KeptValue.h"
#include "pages/AdvRules.h"
#include "pages/LedRules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(KeptValue, AValueTheControlLacksIsShownNearAndStoredUnchangedUntilMoved) {
    const std::vector<uint32_t> none;
    const std::vector<uint32_t> steps5 = led::StepValues(5);
    const std::vector<uint32_t> steps10 = led::StepValues(10);
    const struct {
        const char* name;
        std::span<const uint32_t> values;
        int32_t stored;
        uint32_t shown;
        bool kept;
    } cases[] = {
        {"pointer speed offered", kPointerSpeeds, 6, 6, false},
        {"pointer speed between two: the earlier", kPointerSpeeds, 3, 2, true},
        {"pointer speed above the last", kPointerSpeeds, 25, 20, true},
        {"double-click time between two", kDblClickTimes, 500, 480, true},
        {"double-click time offered", kDblClickTimes, 200, 200, false},
        {"wheel lines 0", kWheelLines, 0, 1, true},
        {"logo speed above its 5 steps", steps5, 8, 5, true},
        {"brightness 0", steps10, 0, 1, true},
        {"negative brightness", steps10, -3, 1, true},
        {"brightness offered", steps10, 10, 10, false},
        {"a control that could not be made", none, 7, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KeptValue value;
        EXPECT_EQ(value.Show(c.values, c.stored), c.shown);
        EXPECT_EQ(value.IsKept(), c.kept);
        // Every commit before the user moves the control stores what was there.
        EXPECT_EQ(value.Store(c.shown), c.stored);
        EXPECT_EQ(value.Store(c.shown), c.stored);
        // Once moved, the control's value is stored.
        value.Moved();
        EXPECT_FALSE(value.IsKept());
        EXPECT_EQ(value.Store(c.shown), int32_t(c.shown));
    }
}

TEST(KeptValue, ShowingAnOfferedValueEndsAnEarlierKeepAndALinkedControlFollows) {
    KeptValue x, y;
    x.Show(kPointerSpeeds, 3);
    y.Show(kPointerSpeeds, 4);
    y.Follow(x); // the thumbs linked: Y takes X's value, kept one included
    EXPECT_EQ(y.Store(2), 3);
    // The next profile holds a value the control has.
    x.Show(kPointerSpeeds, 8);
    EXPECT_FALSE(x.IsKept());
    EXPECT_EQ(x.Store(8), 8);
}

} // namespace
