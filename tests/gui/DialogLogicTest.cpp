// The plain logic of the dialogs: the progress fill, the key capture of the
// message dialog with its left/right refinement, the number check, and the
// notification's bands and fade.

#include "app/NotifyDlg.h"
#include "model/KeyNames.h"
#include "pages/MsgDlg.h"
#include "pages/ProgressDlg.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ProgressFill, GrowsFromFillStartToFillEnd) {
    struct Case {
        int64_t value;
        int32_t position, width;
    };
    // Range 0 to 100 over the span 45..486 of progress_ov.png.
    const Case cases[] = {
        {0, 0, 45},  {50, 50, 265}, {100, 100, 486},
        {1, 1, 49},  {150, 0, 45}, // out of range falls back to the minimum, not the maximum
        {-1, 0, 45},
    };
    for (const auto& c : cases) {
        const int32_t pos = ProgressPosition(c.value, 0, 100);
        EXPECT_EQ(pos, c.position) << c.value;
        EXPECT_EQ(ProgressFillWidth(pos, 0, 100, 45, 486), c.width) << c.value;
    }
    EXPECT_EQ(ProgressPosition(7, 5, 10), 7);
    EXPECT_EQ(ProgressPosition(4, 5, 10), 5);
    EXPECT_EQ(ProgressFillWidth(3, 3, 3, 45, 486), 45); // empty range: no division by zero
}

TEST(RefineKey, TellsRightHandModifiersApart) {
    struct Case {
        uint32_t vk;
        LPARAM lParam;
        uint32_t refined;
    };
    const LPARAM extended = 1 << 24;
    const LPARAM rightShiftScan = 0x36 << 16, leftShiftScan = 0x2A << 16;
    const Case cases[] = {
        {VK_CONTROL, 0x1D << 16, VK_CONTROL},  {VK_CONTROL, (0x1D << 16) | extended, VK_RCONTROL},
        {VK_MENU, 0x38 << 16, VK_MENU},        {VK_MENU, (0x38 << 16) | extended, VK_RMENU},
        {VK_SHIFT, leftShiftScan, VK_SHIFT},   {VK_SHIFT, rightShiftScan, VK_RSHIFT},
        {'A', extended | rightShiftScan, 'A'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RefineKey(c.vk, c.lParam), c.refined) << c.vk << " " << c.lParam;
}

// One key message: virtual key, up or down, tick count in milliseconds.
struct Key {
    uint32_t vk;
    bool up;
    uint32_t tick;
};
Key Down(uint32_t vk, uint32_t tick) {
    return {vk, false, tick};
}
Key Up(uint32_t vk, uint32_t tick) {
    return {vk, true, tick};
}

std::u16string Name(uint32_t vk) {
    return KeyName(vk);
}

struct CaptureCase {
    const char* name;
    std::vector<Key> keys;
    bool singleKey, checkBoxes;
    std::u16string text; // what the input field shows at the end
};

TEST(CaptureKey, BuildsCombinationsTheWayTheFieldShowsThem) {
    const CaptureCase cases[] = {
        {"ctrl then C within a second",
         {Down(VK_CONTROL, 10000), Up(VK_CONTROL, 10100), Down('C', 10300)},
         false,
         false,
         u"L-Ctrl + " + Name('C')},
        {"a pause of a second starts over",
         {Down(VK_CONTROL, 10000), Up(VK_CONTROL, 10100), Down('C', 10300), Up('C', 10400),
          Down('V', 11600)},
         false,
         false,
         Name('V')},
        {"three parts in order of the field",
         {Down(VK_SHIFT, 20000), Down(VK_CONTROL, 20100), Down('A', 20200)},
         false,
         false,
         u"L-Ctrl + L-Shift + " + Name('A')},
        {"a fourth key starts over",
         {Down(VK_CONTROL, 20000), Down(VK_SHIFT, 20100), Down('A', 20200), Up('A', 20300),
          Down('B', 20400)},
         false,
         false,
         Name('B')},
        {"the same modifier again starts over",
         {Down(VK_CONTROL, 30000), Up(VK_CONTROL, 30100), Down(VK_CONTROL, 30200)},
         false,
         false,
         u"L-Ctrl"},
        {"auto-repeat is ignored",
         {Down('A', 40000), Down('A', 40050), Down('A', 40100), Up('A', 40150), Down('B', 40200)},
         false,
         false,
         Name('A') + u" + " + Name('B')},
        {"right-hand modifiers",
         {Down(VK_RCONTROL, 50000), Down(VK_RMENU, 50100), Down(VK_RWIN, 50200)},
         false,
         false,
         u"R-Ctrl + R-Alt + R-Win"},
        {"single key replaces",
         {Down(VK_CONTROL, 60000), Down('C', 60100)},
         true,
         false,
         Name('C')},
        {"with check boxes the modifier keys do nothing",
         {Down(VK_CONTROL, 70000), Down(VK_DELETE, 70100)},
         false,
         true,
         Name(VK_DELETE)},
        {"three plain keys, a key twice only once",
         {Down('A', 80000), Up('A', 80010), Down('B', 80020), Up('B', 80030), Down('A', 80040)},
         false,
         false,
         Name('A') + u" + " + Name('B')},
    };
    for (const auto& c : cases) {
        KeyCombo combo;
        KeyCaptureMemory memory;
        for (const Key& k : c.keys)
            CaptureKey(combo, memory, k.vk, k.up, k.tick, c.singleKey, c.checkBoxes);
        EXPECT_EQ(ComboText(combo), c.text) << c.name;
    }
}

TEST(CaptureKey, ReportsOnlyPressesItTook) {
    KeyCombo combo;
    KeyCaptureMemory memory;
    EXPECT_TRUE(CaptureKey(combo, memory, 'A', false, 1000, false, false));
    EXPECT_FALSE(CaptureKey(combo, memory, 'A', false, 1010, false, false)); // repeat
    EXPECT_FALSE(CaptureKey(combo, memory, 'A', true, 1020, false, false));  // release
    EXPECT_FALSE(CaptureKey(combo, memory, VK_SHIFT, false, 1030, false, true));
    EXPECT_EQ(combo, (KeyCombo{0, {'A', 0, 0}}));
    EXPECT_EQ(ComboParts(KeyCombo{0x11, {'A', 'B', 0}}), 3); // both Ctrl keys are one kind
}

TEST(CheckNumberInput, HintsAndClampsAgainstTheRange) {
    struct Case {
        const wchar_t* text;
        int32_t min, max;
        NumberCheck::Hint hint;
        bool replace;
    };
    const Case cases[] = {
        {L"70000", 10, 65535, NumberCheck::Above, true},
        {L"5", 10, 65535, NumberCheck::Below, false},
        {L"100", 10, 65535, NumberCheck::None, false},
        {L"65535", 10, 65535, NumberCheck::None, false},
        {L"5", -1, -1, NumberCheck::None, false},
        {L"99999999999", -1, 100, NumberCheck::Above, true},
    };
    for (const auto& c : cases) {
        const NumberCheck check = CheckNumberInput(c.text, c.min, c.max);
        EXPECT_TRUE(check.isNumber) << c.text;
        EXPECT_EQ(check.hint, c.hint) << c.text;
        EXPECT_EQ(check.replaceWithMax, c.replace) << c.text;
    }
    EXPECT_FALSE(CheckNumberInput(L"", 10, 20).isNumber);
    EXPECT_EQ(NumberHint(NumberCheck::Below, L"Range:", 10, 65535), L"Range:  10 - 65535");
    EXPECT_EQ(NumberHint(NumberCheck::Above, L"Range:", 10, 65535), L"Range:   10 - 65535");
    EXPECT_EQ(NumberHint(NumberCheck::None, L"Range:", 10, 65535), L"");
}

TEST(NotifyLayout, ThirdsWithoutAThirdLineQuartersWithOne) {
    const NotifyBands three = NotifyLayout(300, 180, false);
    EXPECT_EQ(three.first.bottom, 60);
    EXPECT_EQ(three.second.top, 60);
    EXPECT_EQ(three.second.bottom, 120);
    EXPECT_EQ(three.fourth.top, 120);
    EXPECT_EQ(three.fourth.bottom, 180);
    const NotifyBands four = NotifyLayout(300, 181, true);
    EXPECT_EQ(four.first.bottom, 45);
    EXPECT_EQ(four.third.top, 90);
    EXPECT_EQ(four.fourth.top, 135);
    EXPECT_EQ(four.fourth.right, 300);
}

// A large line keeps its height when the text fits the band and otherwise
// takes the largest height that fits, down to a floor.
TEST(NotifyLayout, LargeLinesShrinkToFitTheirBand) {
    struct Case {
        const char* name;
        int chars;    // the text's length; each character is 0.6 of the height wide
        int room;     // the band's width
        int expected; // font height
    };
    const Case cases[] = {
        {"a DPI value keeps the large font", 4, 280, 48},
        {"exactly fitting keeps it", 10, 288, 48},
        {"a sentence shrinks", 24, 280, 19},
        {"a little too long shrinks a little", 11, 288, 43},
        {"too long even at the floor stops there", 80, 280, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto widthAt = [&](int height) { return c.chars * height * 6 / 10; };
        const int height = FitLineHeight(48, 15, c.room, widthAt);
        EXPECT_EQ(height, c.expected);
        if (height > 15 && height < 48) {
            EXPECT_LE(widthAt(height), c.room);
            EXPECT_GT(widthAt(height + 1), c.room);
        }
    }
}

TEST(NotifyFade, StepsFrom200DownTo20ThenHides) {
    NotifyFade fade;
    std::vector<int> applied;
    bool hide = false;
    while (!hide)
        applied.push_back(fade.Step(hide));
    ASSERT_EQ(applied.size(), 19u);
    EXPECT_EQ(applied.front(), 200);
    EXPECT_EQ(applied.back(), 20);
    fade.Restart();
    EXPECT_EQ(fade.Opacity(), 200);
}

} // namespace
