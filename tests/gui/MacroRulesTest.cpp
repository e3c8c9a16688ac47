// The macro page's rules apart from its windows: showing and storing steps,
// recording, where inserted steps go, the repeat count field and the context
// menus by place.

#include "pages/MacroRules.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

using namespace mac;

namespace {

constexpr uint32_t A = 0x41, B = 0x42, kShift = 0xA0;

StepItem P(uint32_t vk) {
    return {kPress, vk};
}
StepItem R(uint32_t vk) {
    return {kRelease, vk};
}
StepItem D(uint32_t ms) {
    return {kDelay, ms};
}

std::string Show(const Steps& items) {
    std::string s;
    for (const StepItem& i : items) {
        if (!s.empty())
            s += ' ';
        if (i.kind != kDelay)
            s += i.kind == kPress ? '+' : '-';
        s += std::to_string(i.value);
        if (i.kind == kDelay)
            s += "ms";
    }
    return s;
}

StMacro MacroOf(std::initializer_list<MacroStep> steps) {
    StMacro m{};
    int i = 0;
    for (const MacroStep& s : steps)
        m.Steps[i++] = s;
    return m;
}

TEST(MacroRules, ShowingAMacroListsKeysThenTheirDelays) {
    const struct {
        const char* name;
        StMacro macro;
        int limit;
        Steps items;
    } cases[] = {
        {"key, delay, key", MacroOf({{A, 1, 120}, {A, 0, 0}}), 70, {P(A), D(120), R(A)}},
        {"a step with code 0 shows its delay only",
         MacroOf({{0, 0, 40}, {B, 1, 0}}),
         70,
         {D(40), P(B)}},
        {"the end step stops it", MacroOf({{A, 1, 0}, {0, 0, 0}, {B, 1, 0}}), 70, {P(A)}},
        {"at most the limit",
         MacroOf({{A, 1, 5}, {A, 0, 5}, {B, 1, 5}}),
         2,
         {P(A), D(5), R(A), D(5)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Show(ItemsOfMacro(c.macro, c.limit)), Show(c.items));
    }
}

TEST(MacroRules, StoringTidiesTheListFirst) {
    const struct {
        const char* name;
        Steps items;
        Steps tidy;
    } cases[] = {
        {"leading pause and release go", {D(50), R(A), P(B), D(10), R(B)}, {P(B), D(10), R(B)}},
        {"adjacent pauses add up", {P(A), D(50), D(30), R(A)}, {P(A), D(80), R(A)}},
        {"three pauses add up", {P(A), D(1), D(2), D(3)}, {P(A), D(6)}},
        {"a merged pause stops at 65535", {P(A), D(65000), D(1000), R(A)}, {P(A), D(65535), R(A)}},
        {"a repeated key item goes", {P(A), P(A), R(A), R(A)}, {P(A), R(A)}},
        {"press and release of one key stay", {P(A), R(A), P(A)}, {P(A), R(A), P(A)}},
        {"no press at all: nothing", {R(A), D(5), R(B)}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Steps items = c.items;
        TidySteps(items);
        EXPECT_EQ(Show(items), Show(c.tidy));
    }
}

TEST(MacroRules, StoredStepsCarryTheDelayAfterThem) {
    StMacro m{};
    m.Steps[5] = {0x99, 1, 99}; // stale steps are cleared
    EXPECT_FALSE(StoreSteps({P(kShift), P(A), D(50), R(A), D(20), R(kShift)}, m));
    const MacroStep expected[] = {{kShift, 1, 0}, {A, 1, 50}, {A, 0, 20},
                                  {kShift, 0, 0}, {0, 0, 0},  {0, 0, 0}};
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.Steps[i].wVk, expected[i].wVk);
        EXPECT_EQ(m.Steps[i].wPress, expected[i].wPress);
        EXPECT_EQ(m.Steps[i].dwDelay, expected[i].dwDelay);
    }
    // The code is a byte; a key item of code 0 is reported.
    EXPECT_TRUE(StoreSteps({P(0x141), P(0), R(0)}, m));
    EXPECT_EQ(m.Steps[0].wVk, A);
}

TEST(MacroRules, AtMostNinetyStepsAreStored) {
    Steps items;
    for (int i = 0; i < 100; ++i)
        items.push_back(i % 2 ? R(A) : P(A));
    StMacro m{};
    StoreSteps(items, m);
    EXPECT_EQ(m.Steps[89].wVk, A);
    EXPECT_TRUE(IsEndStep(m.Steps[90]));
}

TEST(MacroRules, StepLimitAndDelayRange) {
    EXPECT_EQ(StepLimit(70), 70);
    EXPECT_EQ(StepLimit(0), 90);
    EXPECT_EQ(StepLimit(90), 90);
    EXPECT_EQ(StepLimit(89), 89);
    EXPECT_EQ(ClampDelay(4, 10), 10u);
    EXPECT_EQ(ClampDelay(120, 10), 120u);
    EXPECT_EQ(ClampDelay(70000, 10), 65535u);
    EXPECT_EQ(ClampDelay(0, -5), 0u);
}

// One recorded event: key, up, time.
struct Event {
    uint32_t vk;
    bool up;
    uint32_t tick;
};

TEST(MacroRules, Recording) {
    const struct {
        const char* name;
        std::vector<Event> events;
        bool withDelays;
        int minDelay;
        int limit;
        Steps items;     // after the events
        Steps afterStop; // after FinishRecording
        Recorded last;   // the answer to the last event
    } cases[] = {
        {"A, 120 ms, A up with delays",
         {{A, false, 1000}, {A, true, 1120}},
         true,
         10,
         70,
         {P(A), D(120), R(A)},
         {P(A), D(120), R(A)},
         Recorded::Taken},
        {"a 4 ms gap is stored as MinDelay",
         {{A, false, 1000}, {A, true, 1004}},
         true,
         10,
         70,
         {P(A), D(10), R(A)},
         {P(A), D(10), R(A)},
         Recorded::Taken},
        {"no delays with the box clear",
         {{A, false, 1000}, {A, true, 1500}},
         false,
         10,
         70,
         {P(A), R(A)},
         {P(A), R(A)},
         Recorded::Taken},
        {"auto-repeat gives one press",
         {{A, false, 0}, {A, false, 30}, {A, false, 60}, {A, true, 90}},
         false,
         10,
         70,
         {P(A), R(A)},
         {P(A), R(A)},
         Recorded::Taken},
        {"a long gap is at most 65535 ms",
         {{A, false, 0}, {A, true, 100000}},
         true,
         10,
         70,
         {P(A), D(65535), R(A)},
         {P(A), D(65535), R(A)},
         Recorded::Taken},
        {"keys held at the stop are released newest first",
         {{kShift, false, 0}, {A, false, 10}, {B, false, 20}, {A, true, 30}},
         false,
         10,
         70,
         {P(kShift), P(A), P(B), R(A)},
         {P(kShift), P(A), P(B), R(A), R(B), R(kShift)},
         Recorded::Taken},
        {"a press without room for its release is refused",
         {{A, false, 0}, {A, true, 10}, {B, false, 20}},
         false,
         10,
         3,
         {P(A), R(A)},
         {P(A), R(A)},
         Recorded::Full},
        {"at the limit the held keys still get their releases",
         {{kShift, false, 0}, {A, false, 10}, {A, true, 20}, {B, false, 30}},
         false,
         10,
         4,
         {P(kShift), P(A), R(A)},
         {P(kShift), P(A), R(A), R(kShift)},
         Recorded::Full},
        {"a release at the limit fits",
         {{A, false, 0}, {A, true, 10}},
         true,
         10,
         2,
         {P(A), D(10), R(A)},
         {P(A), D(10), R(A)},
         Recorded::Taken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder recorder;
        Steps items;
        Recorded last = Recorded::Ignored;
        for (const Event& e : c.events) {
            const Recorded r =
                RecordKey(recorder, items, e.vk, e.up, e.tick, c.withDelays, c.minDelay, c.limit);
            if (r != Recorded::Ignored)
                last = r;
        }
        EXPECT_EQ(Show(items), Show(c.items));
        EXPECT_EQ(last, c.last);
        FinishRecording(recorder, items);
        EXPECT_EQ(Show(items), Show(c.afterStop));
        EXPECT_LE(KeyItemCount(items), c.limit);
    }
}

TEST(MacroRules, InsertedItemsStandByTheSelectedStep) {
    const Steps list{P(A), R(A), P(B)};
    const struct {
        const char* name;
        Steps added;
        std::optional<size_t> selected;
        bool before;
        Steps result;
        std::optional<size_t> selectedAfter;
    } cases[] = {
        {"click before the selected step, in order",
         ClickItems(0xF0, true),
         1,
         true,
         {P(A), P(0xF0), D(50), R(0xF0), R(A), P(B)},
         4},
        {"click after the selected step, reversed",
         ClickItems(0xF0, true),
         1,
         false,
         {P(A), R(A), R(0xF0), D(50), P(0xF0), P(B)},
         1},
        {"click without delays",
         ClickItems(0xF2, false),
         0,
         true,
         {P(0xF2), R(0xF2), P(A), R(A), P(B)},
         2},
        {"key before: pause, then the key",
         KeyItems(B, true, true),
         2,
         true,
         {P(A), R(A), D(50), P(B), P(B)},
         4},
        {"key after: the key, then the pause",
         KeyItems(B, false, true),
         0,
         false,
         {P(A), R(B), D(50), R(A), P(B)},
         0},
        {"nothing selected: appended without a pause",
         KeyItems(B, true, false),
         std::nullopt,
         true,
         {P(A), R(A), P(B), P(B)},
         std::nullopt},
        {"delay appended", {D(300)}, std::nullopt, false, {P(A), R(A), P(B), D(300)}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Steps items = list;
        EXPECT_EQ(InsertItems(items, c.selected, c.before, c.added), c.selectedAfter);
        EXPECT_EQ(Show(items), Show(c.result));
    }
}

TEST(MacroRules, InsertingRespectsTheStepLimit) {
    const Steps list{P(A), R(A), P(B)};
    EXPECT_TRUE(RoomFor(list, ClickItems(0xF0, true), 5));
    EXPECT_FALSE(RoomFor(list, ClickItems(0xF0, true), 4));
    EXPECT_TRUE(RoomFor(list, {D(100)}, 3));
}

TEST(MacroRules, CapturedKeyOrModifierBox) {
    EXPECT_EQ(CapturedKey(0x00, A), A);
    EXPECT_EQ(CapturedKey(0x05, A), A);
    EXPECT_EQ(CapturedKey(0x01, 0), 0xA2u);
    EXPECT_EQ(CapturedKey(0x02, 0), 0xA0u);
    EXPECT_EQ(CapturedKey(0x04, 0), 0xA4u);
    EXPECT_EQ(CapturedKey(0x08, 0), 0x5Bu);
    EXPECT_EQ(CapturedKey(0x06, 0), 0xA0u);
    EXPECT_EQ(CapturedKey(0, 0), 0u);
}

TEST(MacroRules, CountFieldStaysWithinOneTo250) {
    const struct {
        const wchar_t* typed;
        std::optional<std::wstring> replaced;
        uint16_t stored;
    } cases[] = {
        {L"300", L"250", 250},     {L"0", L"1", 1},        {L"250", std::nullopt, 250},
        {L"1", std::nullopt, 1},   {L"", std::nullopt, 1}, {L"99999999999999999999", L"250", 250},
        {L"007", std::nullopt, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed, c.typed + std::wcslen(c.typed)));
        EXPECT_EQ(CorrectCount(c.typed), c.replaced);
        EXPECT_EQ(CountOfField(c.typed), c.stored);
    }
}

TEST(MacroRules, RepeatRadios) {
    EXPECT_EQ(RadioOfMode(0), 0);
    EXPECT_EQ(RadioOfMode(2), 1);
    EXPECT_EQ(RadioOfMode(1), 2);
    EXPECT_EQ(RadioOfMode(7), std::nullopt);
}

std::vector<uint32_t> Codes(const std::vector<MenuEntry>& entries, int parent) {
    std::vector<uint32_t> codes;
    for (const MenuEntry& e : entries)
        if (e.parent == parent)
            codes.push_back(e.code);
    return codes;
}

TEST(MacroRules, ContextMenusByPlace) {
    const uint32_t insert = 0;
    const std::vector<uint32_t> insertEntries{InsertCode(kInsertPress),
                                              InsertCode(kInsertRelease),
                                              InsertCode(kInsertDelay),
                                              0xF00080,
                                              0xF10080,
                                              0xF20080,
                                              0xF30080,
                                              0xF40080};
    const struct {
        const char* name;
        MenuPlace place;
        std::vector<uint32_t> main;
        bool insertMenu;
    } cases[] = {
        {"tree background", MenuPlace::TreeBackground, {kCmdNew, kCmdImport}, false},
        {"folder", MenuPlace::Folder, {kCmdNew, kCmdDelete, kCmdImport, kCmdRename}, false},
        {"macro", MenuPlace::Macro, {kCmdDelete, kCmdExport, kCmdRename}, false},
        {"step list background", MenuPlace::StepBackground, {insert}, true},
        {"step", MenuPlace::Step, {kCmdEditStep, kCmdDeleteStep, insert}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<MenuEntry> entries = MenuEntries(c.place);
        EXPECT_EQ(Codes(entries, -1), c.main);
        int parent = -1;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].parent == -1 && std::u16string(entries[i].key) == u"tc_macro_loop")
                parent = int(i);
        EXPECT_EQ(parent >= 0, c.insertMenu);
        if (parent >= 0) {
            EXPECT_EQ(Codes(entries, parent), insertEntries);
        }
        for (const MenuEntry& e : entries)
            EXPECT_NE(e.key, nullptr);
    }
    // Mouse entries only for the buttons of the mask.
    const std::vector<MenuEntry> masked = MenuEntries(MenuPlace::StepBackground, 0x05);
    EXPECT_EQ(Codes(masked, 0),
              (std::vector<uint32_t>{InsertCode(kInsertPress), InsertCode(kInsertRelease),
                                     InsertCode(kInsertDelay), 0xF00080, 0xF20080}));
}

TEST(MacroRules, InsertCodesNameWhatTheyInsert) {
    EXPECT_EQ(InsertOf(0xF00080), 0xF0u);
    EXPECT_EQ(InsertOf(0xF40080), 0xF4u);
    EXPECT_EQ(InsertOf(InsertCode(kInsertDelay)), uint32_t(kInsertDelay));
    EXPECT_EQ(InsertOf(0xF50080), std::nullopt); // a button the device cannot play
    EXPECT_EQ(InsertOf(kCmdEditStep), std::nullopt);
    EXPECT_EQ(InsertOf(0x01F00080), std::nullopt);
}

TEST(MacroRules, StepTexts) {
    EXPECT_EQ(StepText(D(120)), u"120 ms");
    EXPECT_EQ(StepText(P(A)), u"A");
    EXPECT_EQ(StepText(R(0xA0)), u"L_Shift");
    EXPECT_EQ(StepText(P(0x07)), u"0x07");
}

} // namespace
