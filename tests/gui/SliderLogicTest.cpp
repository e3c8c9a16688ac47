// The sliders' arithmetic without windows: scales, the position under a
// pixel, values and their table, and the warnings a page's numbers can earn.

#include "common/TestUtil.h"
#include "controls/SliderScale.h"

#include <gtest/gtest.h>

namespace {

// The report-rate slider of the keys page.
SliderPositions RateSlider(bool withScale) {
    SliderPositions p;
    p.SetRange(1, 4);
    const uint32_t rates[] = {0x125, 0x250, 0x500, 0x1000};
    p.SetValues(rates, 4);
    if (withScale) {
        const int places[] = {10, 108, 206, 305};
        EXPECT_TRUE(p.SetScale(places, 4));
    }
    return p;
}

TEST(SliderLogic, ScalesSpreadTheirPlacesOverTheTrack) {
    struct Case {
        const char* name;
        std::vector<int> places;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"rate slider", ComputeScale(315, 4), {10, 108, 206, 305}},
        // Single precision: nine steps of 32.78 add up to just under 305.
        {"ten light steps", ComputeScale(315, 10), {10, 42, 75, 108, 141, 173, 206, 239, 272, 304}},
        {"one place", ComputeScale(315, 1), {10}},
        {"two-thumb, 18-pixel thumbs", ComputeScaleEx(18, 4), {9, 108, 207, 306}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.places, c.expected) << c.name;
}

TEST(SliderLogic, AScaleThatCannotBeMadeWarnsAndGivesNoPlaces) {
    testutil::MessageRecorder boxes;
    struct Case {
        const char* name;
        std::vector<int> places;
    };
    const Case cases[] = {
        {"track no wider than its margins", ComputeScale(20, 4)},
        {"no places", ComputeScale(315, 0)},
        {"more places than a scale holds", ComputeScale(315, kSliderMaxEntries + 1)},
        {"thumb as wide as the track", ComputeScaleEx(315, 3)},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.places.empty()) << c.name;
    ASSERT_EQ(boxes.Messages().size(), std::size(cases));
    for (const auto& [text, caption] : boxes.Messages()) {
        EXPECT_EQ(text, u"Scale num too much");
        EXPECT_EQ(caption, u"Warning");
    }
}

TEST(SliderLogic, ThePositionUnderAPixel) {
    SliderPositions scaled = RateSlider(true);
    SliderPositions even = RateSlider(false); // steps of 105 on a 315-pixel bar
    struct Case {
        const char* name;
        const SliderPositions* slider;
        int pixel;
        uint32_t value;
    };
    const Case cases[] = {
        {"nearest place", &scaled, 150, 0x250},             // 42 from 108, 56 from 206
        {"equal distance: the later", &scaled, 157, 0x500}, // 49 from both
        {"on a place", &scaled, 305, 0x1000},
        {"left of the bar", &scaled, -40, 0x125},
        {"right of the bar", &scaled, 900, 0x1000},
        {"evenly: just past a step", &even, 110, 0x250},
        {"evenly: nearer the next step", &even, 170, 0x500},
        {"evenly: nearer its own step", &even, 52, 0x125}, // 52 from 0, 53 from 105
        {"evenly: past the end clamps", &even, 400, 0x1000},
        {"evenly: before the start clamps", &even, -10, 0x125},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.slider->ValueAt(c.slider->PositionUnder(c.pixel, 315)), c.value) << c.name;

    SliderPositions flat; // one position: nothing to divide
    flat.SetRange(3, 3);
    EXPECT_EQ(flat.PositionUnder(100, 315), 3);
    EXPECT_EQ(flat.PositionUnder(100, 0), 3);
}

TEST(SliderLogic, ValuesPositionsAndPlaces) {
    SliderPositions p = RateSlider(true);
    EXPECT_TRUE(p.SetValue(0x500));
    EXPECT_EQ(p.Position(), 3);
    // A value the table does not hold leaves the slider where it was.
    EXPECT_FALSE(p.SetValue(0x333));
    EXPECT_EQ(p.Position(), 3);
    EXPECT_EQ(p.Value(), 0x500u);
    EXPECT_EQ(p.PlaceOf(p.Position(), 315), 206);

    // Without a table a value is its position; outside the range it becomes
    // the minimum.
    SliderPositions plain;
    plain.SetRange(1, 10);
    struct Case {
        uint32_t value;
        int position;
        int place; // even spread: 315 / 9 = 35 per step
    };
    for (const Case& c : {Case{7, 7, 210}, Case{10, 10, 315}, Case{11, 1, 0}, Case{0, 1, 0}}) {
        EXPECT_TRUE(plain.SetValue(c.value));
        EXPECT_EQ(plain.Position(), c.position) << c.value;
        EXPECT_EQ(plain.PlaceOf(plain.Position(), 315), c.place) << c.value;
    }
    // A position beyond the table has the value 0.
    SliderPositions shortTable;
    shortTable.SetRange(1, 5);
    const uint32_t two[] = {100, 200};
    shortTable.SetValues(two, 2);
    EXPECT_EQ(shortTable.ValueAt(2), 200u);
    EXPECT_EQ(shortTable.ValueAt(4), 0u);

    // The top value: the last of the table, or the maximum.
    EXPECT_TRUE(p.IsTopValue(0x1000));
    EXPECT_FALSE(p.IsTopValue(0x500));
    EXPECT_TRUE(plain.IsTopValue(10));
    EXPECT_FALSE(plain.IsTopValue(9));
}

TEST(SliderLogic, TablesAndScalesAreCappedAndChecked) {
    SliderPositions p;
    p.SetRange(1, 3);
    const int four[] = {10, 50, 90, 130};
    EXPECT_FALSE(p.SetScale(four, 4)); // four places for three positions
    EXPECT_EQ(p.Scale().size(), 4u);   // stored anyway
    // The extra place cannot take the slider past its range.
    EXPECT_EQ(p.PositionUnder(130, 315), 3);

    std::vector<uint32_t> many(400, 7);
    p.SetValues(many.data(), int(many.size()));
    EXPECT_EQ(p.Values().size(), size_t(kSliderMaxEntries));
    std::vector<int> places(400, 1);
    p.SetScale(places.data(), int(places.size()));
    EXPECT_EQ(p.Scale().size(), size_t(kSliderMaxEntries));

    // An inverted range is taken the right way round; a position outside a
    // new range falls back to the minimum.
    SliderPositions r;
    r.SetRange(8, 2);
    EXPECT_EQ(r.Min(), 2);
    EXPECT_EQ(r.Max(), 8);
    r.SetPosition(8);
    r.SetRange(2, 5);
    EXPECT_EQ(r.Position(), 2);
}

} // namespace
