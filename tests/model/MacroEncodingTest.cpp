// Stored macro steps <-> device macro events.

#include "model/MacroEncoding.h"

#include "model/CoreFixture.h"
#include "model/MemoryMap.h"

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Step {
    uint16_t vk, press;
    uint32_t delay;
};

StMacro MacroOf(const std::vector<Step>& steps) {
    StMacro m{};
    m.dwMagicNumber = kMacroMagic;
    for (size_t i = 0; i < steps.size(); ++i)
        m.Steps[i] = {steps[i].vk, steps[i].press, steps[i].delay};
    return m;
}

class MacroEncodingTest : public testutil::ProductTest {
protected:
    // Encodes, checks the head, and returns count + events.
    static Bytes Encode(const StMacro& m) {
        uint8_t out[384];
        std::fill(std::begin(out), std::end(out), 0xEE);
        const size_t n = StMacro_To_HdMacro(&m, out);
        EXPECT_GE(n, 32u);
        for (size_t i = 0; i < 31; ++i)
            EXPECT_EQ(out[i], 0) << "name area byte " << i;
        EXPECT_EQ(n, 32u + 5 * out[31]);
        return Bytes(out + 31, out + n);
    }
    static StMacro Decode(const Bytes& data) {
        StMacro m;
        HdMacro_To_StMacro(m, data.data(), data.size());
        return m;
    }
};

TEST_F(MacroEncodingTest, StepsToEventsAndBack) {
    struct Case {
        const char* what;
        std::vector<Step> steps;
        Bytes events;           // count and events
        std::vector<Step> back; // steps read back
    } cases[] = {
        {"shift A",
         {{0xA0, 1, 0}, {0x41, 1, 50}, {0x41, 0, 0}, {0xA0, 0, 0}},
         {4, 0x80, 0x02, 0, 0, 3, 0x81, 0x04, 0, 0, 0x32, 0x41, 0x04, 0, 0, 3, 0x40, 0x02, 0, 0, 3},
         {{0xA0, 1, 0}, {0x41, 1, 50}, {0x41, 0, 0}, {0xA0, 0, 0}}},
        {"generic modifiers read back as left ones",
         {{0x11, 1, 10}, {0x5C, 1, 10}, {0x10, 0, 10}, {0x12, 0, 10}},
         {4,    0x80, 0x01, 0, 0,  10,   0x80, 0x08, 0, 0, 10,
          0x40, 0x02, 0,    0, 10, 0x40, 0x04, 0,    0, 10},
         {{0xA2, 1, 10}, {0x5B, 1, 10}, {0xA0, 0, 10}, {0xA4, 0, 0}}},
        {"right modifiers",
         {{0xA3, 1, 5}, {0xA1, 1, 5}, {0xA5, 1, 5}},
         {3, 0x80, 0x10, 0, 0, 5, 0x80, 0x20, 0, 0, 5, 0x80, 0x40, 0, 0, 5},
         {{0xA3, 1, 5}, {0xA1, 1, 5}, {0xA5, 1, 0}}},
        {"mouse buttons",
         {{0xF0, 1, 4}, {0xF1, 1, 4}, {0xF2, 1, 4}, {0xF3, 0, 4}, {0xF4, 0, 4}},
         {5, 0x84, 0x01, 0,    0,    4, 0x84, 0x02, 0,    0,    4, 0x84, 0x04,
          0, 0,    4,    0x44, 0x10, 0, 0,    4,    0x44, 0x08, 0, 0,    4},
         {{0xF0, 1, 4}, {0xF1, 1, 4}, {0xF2, 1, 4}, {0xF3, 0, 4}, {0xF4, 0, 0}}},
        {"long delay sent as its low 16 bits",
         {{0x41, 1, 70000}, {0x41, 0, 1}},
         {2, 0x81, 0x04, 0, 0x11, 0x70, 0x41, 0x04, 0, 0, 3},
         {{0x41, 1, 70000 & 0xFFFF}, {0x41, 0, 0}}},
        {"no steps", {}, {0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Encode(MacroOf(c.steps)), c.events);
        const StMacro m = Decode(c.events);
        EXPECT_EQ(m.dwMagicNumber, kMacroMagic);
        EXPECT_EQ(m.dwID, 0u);
        EXPECT_EQ(m.bAutoDelay, 1);
        EXPECT_EQ(m.nRepeatMode, 0);
        for (size_t i = 0; i < c.back.size(); ++i) {
            EXPECT_EQ(m.Steps[i].wVk, c.back[i].vk) << "step " << i;
            EXPECT_EQ(m.Steps[i].wPress, c.back[i].press) << "step " << i;
            EXPECT_EQ(uint32_t{m.Steps[i].dwDelay}, c.back[i].delay) << "step " << i;
        }
        EXPECT_TRUE(IsEndStep(m.Steps[c.back.size()]));
    }
}

TEST_F(MacroEncodingTest, AtMostSeventyEventsEitherWay) {
    std::vector<Step> many(kMacroStepSlots, Step{0x41, 1, 7});
    const Bytes events = Encode(MacroOf(many));
    EXPECT_EQ(events[0], 70);
    EXPECT_EQ(events.size(), 1u + 5 * 70);

    Bytes ninety(1 + 5 * 90, 0);
    ninety[0] = 90;
    for (int i = 0; i < 90; ++i) {
        ninety[1 + 5 * i] = 0x81;
        ninety[2 + 5 * i] = 0x04;
        ninety[5 + 5 * i] = 9;
    }
    const StMacro m = Decode(ninety);
    EXPECT_EQ(m.Steps[69].wVk, 0x41);
    EXPECT_EQ(uint32_t{m.Steps[68].dwDelay}, 9u);
    EXPECT_EQ(uint32_t{m.Steps[69].dwDelay}, 0u); // the last event read keeps no delay
    EXPECT_TRUE(IsEndStep(m.Steps[70]));

    // A count the data cannot hold reads only the events present.
    const Bytes lying = {50, 0x81, 0x04, 0, 0, 9, 0x41, 0x04, 0};
    const StMacro cut = Decode(lying);
    EXPECT_EQ(cut.Steps[0].wVk, 0x41);
    EXPECT_EQ(uint32_t{cut.Steps[0].dwDelay}, 0u) << "the only event held is the last";
    EXPECT_TRUE(IsEndStep(cut.Steps[1]));
}

TEST_F(MacroEncodingTest, BadCodesAreLoggedAndKeptAsCodeZero) {
    struct Case {
        Bytes data;
        const char* log;
        uint16_t vk, press;
    } cases[] = {
        {{1, 0x81, 0x99, 0, 0, 3}, "HdMacro_To_StMacro: convert err, i=0, nHid=99", 0, 1},
        {{1, 0x80, 0x80, 0, 0, 3}, "HdMacro_To_StMacro: convert err, i=0, nHid=80", 0, 1},
        {{1, 0x44, 0x20, 0, 0, 3}, "HdMacro_To_StMacro: convert err, i=0, nHid=20", 0, 0},
        {{1, 0x82, 0x04, 0, 0, 3}, "HdMacro_To_StMacro: convert err, nKeyFalg=2", 0, 1},
        {{1, 0xC1, 0x04, 0, 0, 3}, "HdMacro_To_StMacro: convert err, i=0", 0x41, 0},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log;
        const StMacro m = Decode(c.data);
        EXPECT_TRUE(log.Contains(c.log)) << log.Text();
        EXPECT_EQ(m.Steps[0].wVk, c.vk);
        EXPECT_EQ(m.Steps[0].wPress, c.press);
    }
    testutil::LogCapture log;
    Encode(MacroOf({{0xE8, 1, 3}}));
    EXPECT_TRUE(log.Contains("StMacro_To_HdMacro: get wrong hid"));
    EXPECT_EQ(StMacro_To_HdMacro(nullptr, nullptr), 0u);
}

TEST_F(MacroEncodingTest, BlockOfAnEncodedMacro) {
    const StMacro m = MacroOf({{0x41, 1, 3}, {0x41, 0, 3}});
    uint8_t events[384];
    const size_t n = StMacro_To_HdMacro(&m, events);
    uint8_t block[384];
    EXPECT_EQ(memmap::BuildMacroBlock(u"ab", events, n, block), 46u);
    EXPECT_EQ(block[31], 2);
    EXPECT_EQ(block[42], memmap::BlockCheck(block + 31, 11));
}

} // namespace
