// The keys page's rules apart from its windows: the picker's entries, the
// record each kind of choice becomes, what AssignKey stores or refuses, the
// rate slider's values, the battery's look, the fire key fields and the macro
// keys that lose their macro.

#include "pages/KeyRules.h"
#include "common/TestUtil.h"
#include "model/KeyCodes.h"
#include "model/KeyTable.h"
#include "settings/TextTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

using namespace keys;

namespace {

// Every text is its key, except those a case empties.
TextOf TextsWithout(std::set<std::u16string> empty) {
    return [empty](const char16_t* key) -> std::u16string {
        return empty.count(key) ? std::u16string() : std::u16string(key);
    };
}

std::vector<uint32_t> MainCodes(const std::vector<PickerEntry>& entries) {
    std::vector<uint32_t> codes;
    for (const PickerEntry& e : entries)
        if (e.parent == kPickerMainList)
            codes.push_back(e.code);
    return codes;
}

std::vector<PickerEntry> Under(const std::vector<PickerEntry>& entries, uint32_t code) {
    uint32_t parent = 0;
    while (parent < entries.size() && entries[parent].code != code)
        ++parent;
    std::vector<PickerEntry> sub;
    for (const PickerEntry& e : entries)
        if (e.parent == parent)
            sub.push_back(e);
    return sub;
}

PickerOptions Options(int32_t showEx, int mode,
                      std::array<int32_t, kExtraKeys> exKeys = {5, 6, 7, 8}) {
    PickerOptions o;
    o.customKeyCode = 0x1234;
    o.showExtra = showEx;
    o.extraKeys = exKeys;
    o.hasProfile = true;
    o.curMode = mode;
    return o;
}

ProfileRecord ProfileOf(const KeyDefaults& defaults) {
    ProfileRecord p{};
    p.dwProfileID = 1;
    std::memcpy(p.Key, defaults, sizeof p.Key);
    return p;
}

// Defaults of an 8-key sensor: key 0 the primary click in every mode, key 3
// something else, each key with its own matrix slot.
struct DefaultTable {
    DefaultTable() {
        for (int m = 0; m < kKeyModes; ++m)
            for (int k = 0; k < kKeysPerMode; ++k) {
                keys[m][k].dwFunID = k == 0 ? kFunPrimaryClick : 0x1000013 + uint32_t(m);
                keys[m][k].nMatrixIndex = k + 1;
                keys[m][k].rcHot = {100, 80 + 43 * k, 234, 110 + 43 * k};
            }
    }
    KeyDefaults keys{};
};
const KeyDefaults& Defaults() {
    static const DefaultTable table;
    return table.keys;
}

} // namespace

TEST(KeyRules, PickerMainListFollowsTheSettings) {
    const uint32_t rgb = 0x80000A7, pro = 0x80000B0, custom = kFunCustomKey;
    const struct {
        const char* name;
        PickerOptions options;
        std::set<std::u16string> empty;
        std::vector<uint32_t> extras; // the main list's tail after tc_media
        size_t mainCount;
    } cases[] = {
        {"everything on, four extra keys",
         Options(0x010101, 0),
         {},
         {0xB000000, 0xB000001, 0xB000002, 0xB000003},
         20},
        {"no light, profile or custom switch",
         [] {
             PickerOptions o = Options(0, 0);
             o.showRgbSwitch = o.showProfileSwitch = false;
             o.customKeyCode = 0;
             return o;
         }(),
         {},
         {},
         13},
        {"third extra text empty: the list ends there",
         Options(0x010101, 2),
         {u"tc_ex3"},
         {0xB000000, 0xB000001},
         18},
        {"extra keys of mode 1 only, profile in mode 1",
         Options(0x100, 1),
         {u"tc_ex3"},
         {0xB000000, 0xB000001},
         18},
        {"extra keys of mode 1 only, profile in mode 0", Options(0x100, 0), {}, {}, 16},
        {"an ExKey of 0 leaves its entry out",
         Options(0x010101, 0, {5, 0, 7, 0}),
         {},
         {0xB000000, 0xB000002},
         18},
        {"no current profile: no extra keys",
         [] {
             PickerOptions o = Options(0x010101, 0);
             o.hasProfile = false;
             return o;
         }(),
         {},
         {},
         16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<PickerEntry> entries = PickerEntries(c.options, TextsWithout(c.empty));
        const std::vector<uint32_t> main = MainCodes(entries);
        EXPECT_EQ(main.size(), c.mainCount);
        EXPECT_EQ(MainListCount(entries), int(c.mainCount));
        EXPECT_EQ(main.front(), kFunPrimaryClick);
        EXPECT_EQ(std::count(main.begin(), main.end(), rgb), c.options.showRgbSwitch ? 1 : 0);
        EXPECT_EQ(std::count(main.begin(), main.end(), pro), c.options.showProfileSwitch ? 1 : 0);
        EXPECT_EQ(std::count(main.begin(), main.end(), custom),
                  c.options.customKeyCode != 0 ? 1 : 0);
        const auto media = std::find(main.begin(), main.end(), kFunMediaMenu);
        ASSERT_NE(media, main.end());
        EXPECT_EQ(std::vector<uint32_t>(media + 1, main.end()), c.extras);
    }
}

TEST(KeyRules, PickerListsItsEntriesInOrderWithTheirSubMenus) {
    const std::vector<PickerEntry> entries = PickerEntries(
        Options(0x010101, 0), TextsWithout({u"tc_kbmedia_forward", u"tc_kbmedia_stop"}));
    const std::vector<uint32_t> main = MainCodes(entries);
    const std::vector<uint32_t> head(main.begin(), main.begin() + 16);
    EXPECT_EQ(head, (std::vector<uint32_t>{0x1000011, 0x1000013, 0x1000012, 0x1000014, 0x1000015,
                                           0x1000017, 0x80000A7, 0x80000AC, 0x80000B0, 0x80000A4,
                                           0x20000A1, 0x80000AD, 0x80000A2, 0x5000000, 0x8000000,
                                           0x4000000}));
    EXPECT_EQ(Under(entries, kFunDpiMenu),
              (std::vector<PickerEntry>{{14, 0x80000A8, u"tc_dpiadd"},
                                        {14, 0x80000A9, u"tc_dpisub"},
                                        {14, 0x80000AA, u"tc_dpiloop"}}));
    std::vector<std::pair<uint32_t, std::u16string>> media;
    for (const PickerEntry& e : Under(entries, kFunMediaMenu))
        media.emplace_back(e.code, e.text);
    // An empty browser-forward text takes tc_forward; an empty browser stop
    // leaves its entry out.
    EXPECT_EQ(media.size(), 17u);
    EXPECT_EQ(media.front(), (std::pair<uint32_t, std::u16string>{0x4000021, u"tc_kbmedia_msel"}));
    EXPECT_EQ(media[13], (std::pair<uint32_t, std::u16string>{0x3000036, u"tc_forward"}));
    EXPECT_EQ(media[14], (std::pair<uint32_t, std::u16string>{0x3000035, u"tc_kbmedia_back"}));
    EXPECT_EQ(media[15], (std::pair<uint32_t, std::u16string>{0x3000038, u"tc_kbmedia_refresh"}));
    // The menu library takes at most 50 entries.
    EXPECT_LE(PickerEntries(Options(0x010101, 0), TextsWithout({})).size(), 50u);
}

TEST(KeyRules, PickerWidensToMenuWidthAroundTheButton) {
    const RECT button{100, 200, 234, 230};
    const struct {
        int menuWidth;
        RECT expected;
    } cases[] = {
        {0, button}, {120, button}, {200, {67, 200, 267, 230}}, {135, {100, 200, 235, 230}}};
    for (const auto& c : cases) {
        const RECT rc = PickerRect(button, c.menuWidth);
        EXPECT_EQ(rc.left, c.expected.left) << c.menuWidth;
        EXPECT_EQ(rc.right, c.expected.right) << c.menuWidth;
        EXPECT_EQ(rc.top, c.expected.top) << c.menuWidth;
    }
}

TEST(KeyRules, EachKindOfChoiceBecomesItsRecord) {
    const std::array<int32_t, kExtraKeys> exKeys = {0x11, 0, 0x33, 0x44};
    const struct {
        uint32_t code;
        ChoiceKind kind;
        std::optional<KeyInfo> record; // for the kinds that need no dialog
    } cases[] = {
        {0x5000000, ChoiceKind::Macro, std::nullopt},
        {0x20000A1, ChoiceKind::Combo, std::nullopt},
        {0x80000A4, ChoiceKind::FireKey, std::nullopt},
        {0x10000A4, ChoiceKind::FireKey, std::nullopt}, // by the function alone
        {0x80003A6, ChoiceKind::Snipe, KeyInfo{kFunSnipe, {}, 0, 0, 0, 4, 0}},
        {0x80000AD, ChoiceKind::CustomKey, KeyInfo{kFunCustomKey, {}, 0, 0, 0, 0x1234, 0}},
        {0xB000000, ChoiceKind::ExtraKey, KeyInfo{0xB000000, {}, 0, 0, 0, 0x11, 0}},
        {0xB000001, ChoiceKind::ExtraKey, std::nullopt}, // ExKey2 is 0
        {0xB000004, ChoiceKind::ExtraKey, std::nullopt}, // no fifth extra key
        {0x1000013, ChoiceKind::Plain, KeyInfo{0x1000013, {}, 0, 0, 0, 0, 0}},
        {0x4000028, ChoiceKind::Plain, KeyInfo{0x4000028, {}, 0, 0, 0, 0, 0}},
        {0x80000AB, ChoiceKind::Plain, KeyInfo{0x80000AB, {}, 0, 0, 0, 0, 0}},
        // The sub-menus' own entries store nothing.
        {0x8000000, ChoiceKind::None, std::nullopt},
        {0x4000000, ChoiceKind::None, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        EXPECT_EQ(KindOfChoice(c.code), c.kind);
        std::optional<KeyInfo> got;
        switch (c.kind) {
        case ChoiceKind::Snipe:
            got = SnipeRecord(c.code);
            break;
        case ChoiceKind::CustomKey:
            got = CustomKeyRecord(0x1234);
            break;
        case ChoiceKind::ExtraKey:
            got = ExtraKeyRecord(c.code & 0xFFFFFF, exKeys);
            break;
        case ChoiceKind::Plain:
            got = PlainRecord(c.code);
            break;
        default:
            continue;
        }
        ASSERT_EQ(got.has_value(), c.record.has_value());
        if (got) {
            EXPECT_EQ(std::memcmp(&*got, &*c.record, sizeof(KeyInfo)), 0);
        }
    }
    const KeyInfo macro = MacroRecord(0x123456);
    EXPECT_EQ(macro.dwFunID, kFunMacro);
    EXPECT_EQ(macro.dwMacroID, 0x123456u);
    const KeyInfo fire = FireKeyRecord(20, 3);
    EXPECT_EQ(fire.dwFunID, kFunFireKey);
    EXPECT_EQ(fire.dwParameter, 0x1403u);
}

TEST(KeyRules, CombinationsStoreLeftHandModifiers) {
    const struct {
        const char* name;
        uint8_t mods;
        uint8_t keys[3];
        std::optional<uint32_t> funId;
        uint32_t combo;
    } cases[] = {
        {"Shift + A", 0x02, {0x41, 0, 0}, kFunComboMods, 0x4102},
        {"A alone", 0x00, {0x41, 0, 0}, kFunCombo, 0x4100},
        // The mouse knows no right-hand modifier: stored as the left one, it
        // still sends Ctrl + C.
        {"right Ctrl + C", 0x10, {0x43, 0, 0}, kFunComboMods, 0x4301},
        {"left Ctrl, right Alt + A", 0x41, {0x41, 0, 0}, kFunComboMods, 0x4105},
        {"both Shifts + F1 + F2", 0x22, {0x70, 0x71, 0}, kFunComboMods, 0x717002},
        {"Ctrl alone", 0x01, {0, 0, 0}, kFunComboMods, 0x01},
        {"nothing", 0x00, {0, 0, 0}, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<KeyInfo> k = ComboRecord(c.mods, c.keys);
        ASSERT_EQ(k.has_value(), c.funId.has_value());
        if (!k)
            continue;
        EXPECT_EQ(k->dwFunID, *c.funId);
        EXPECT_EQ(k->stCombo, c.combo);
        // What the mouse gets: the modifier's press comes first.
        uint8_t data[kComboDataMax] = {};
        if (c.mods) {
            EXPECT_GT(ComboToDevice(*k, data), 0u);
        }
    }
}

TEST(KeyRules, PrimaryClickStaysInEveryModeTheAssignmentReaches) {
    ProfileRecord p = ProfileOf(Defaults());
    p.Key[2][5].dwFunID = kFunPrimaryClick; // mode 3 has a second one
    const struct {
        const char* name;
        int mode, key;
        uint32_t funId;
        int modes;
        bool keeps;
    } cases[] = {
        {"the only primary click of mode 1", 0, 0, 0x1000013, 3, false},
        {"a key that is not it", 0, 3, 0x1000013, 3, true},
        {"the primary click itself again", 0, 0, kFunPrimaryClick, 3, true},
        {"mode 3 has a second one", 2, 0, 0x1000013, 3, true},
        // Stored in all modes: modes 1 and 2 would lose theirs.
        {"all modes, from mode 3", 2, 0, kFunAllModes, 3, false},
        {"all modes, another key", 1, 4, kFunAllModes, 3, true},
        // A key beyond the sensor's keys does not count.
        {"the second one of mode 3 replaced", 2, 5, 0x1000013, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeepsPrimaryClick(p, c.mode, c.key, c.funId, c.modes, 8), c.keeps);
    }
    ProfileRecord hidden = ProfileOf(Defaults());
    hidden.Key[0][0].dwFunID = 0x1000013;
    hidden.Key[0][12].dwFunID = kFunPrimaryClick; // beyond the 8 keys
    EXPECT_FALSE(KeepsPrimaryClick(hidden, 0, 3, 0x1000012, 1, 8));
    EXPECT_TRUE(KeepsPrimaryClick(hidden, 0, 3, 0x1000012, 1, 16));
}

TEST(KeyRules, AllModeFunctionGoesIntoEveryModeAndItsReplacementResetsThem) {
    ProfileRecord p = ProfileOf(Defaults());
    for (auto& mode : p.Key)
        mode[3].dwFunID = 0x4000022; // changed from the defaults in every mode
    KeyInfo ab = PlainRecord(kFunAllModes);
    const KeyInfo stored = StoreAssignment(p, 1, 3, ab, Defaults());
    EXPECT_EQ(stored.nMatrixIndex, 4);
    for (int m = 0; m < kKeyModes; ++m) {
        EXPECT_EQ(p.Key[m][3].dwFunID, kFunAllModes) << m;
        EXPECT_EQ(p.Key[m][3].nMatrixIndex, 4) << m;
    }
    // Another function in mode 3: modes 1 and 2 go back to their defaults.
    StoreAssignment(p, 2, 3, PlainRecord(0x4000028), Defaults());
    EXPECT_EQ(p.Key[0][3].dwFunID, Defaults()[0][3].dwFunID);
    EXPECT_EQ(p.Key[1][3].dwFunID, Defaults()[1][3].dwFunID);
    EXPECT_EQ(p.Key[2][3].dwFunID, 0x4000028u);
    EXPECT_EQ(p.Key[2][3].nMatrixIndex, 4);
    EXPECT_EQ(p.Key[2][3].rcHot, Defaults()[2][3].rcHot);
    // Without the all-mode function nothing else moves.
    p.Key[0][3].dwFunID = 0x1000015;
    StoreAssignment(p, 2, 3, PlainRecord(0x1000014), Defaults());
    EXPECT_EQ(p.Key[0][3].dwFunID, 0x1000015u);
}

TEST(KeyRules, KeyTextsFallBackOnlyForUnknownFunctions) {
    testutil::TempDir dir;
    // A product whose texts lack the fire key's.
    const std::u16string texts =
        dir.Write("text.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><config>"
                              "<tc_click>Left click</tc_click></config></root>");
    settings::LoadTextTable(texts);
    const KeyText click = KeyButtonText(PlainRecord(kFunPrimaryClick));
    const KeyText fire = KeyButtonText(FireKeyRecord(20, 3));
    const KeyText unknown = KeyButtonText(PlainRecord(0x7000001));
    settings::LoadTextTable(testutil::ProductDir() + u"text.xml");
    EXPECT_EQ(click.text, u"Left click");
    EXPECT_FALSE(click.useDefault);
    EXPECT_EQ(fire.text, u"0x80000A4");
    EXPECT_FALSE(fire.useDefault);
    EXPECT_TRUE(unknown.useDefault);
}

TEST(KeyRules, ModesTheButtonsShowAndSelect) {
    const struct {
        int modes;
        std::array<bool, 3> shown;
        int32_t stored;
        int selected;
    } cases[] = {
        {1, {false, false, false}, 0, 0}, {2, {true, true, false}, 1, 1},
        {2, {true, true, false}, 2, 1},   {3, {true, true, true}, 2, 2},
        {3, {true, true, true}, 7, 2},    {3, {true, true, true}, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.modes << " modes, stored " << c.stored);
        EXPECT_EQ(ModeButtonsShown(c.modes), c.shown);
        EXPECT_EQ(ShownMode(c.stored, c.modes), c.selected);
    }
    EXPECT_TRUE(KeyEnabled(0x0005, 1));
    EXPECT_FALSE(KeyEnabled(0x0005, 2));
}

TEST(KeyRules, RateSliderValuesPerSensor) {
    const std::vector<uint32_t> usual = {0x125, 0x250, 0x500, 0x1000};
    const struct {
        int32_t choices[4];
        std::vector<uint32_t> values;
        std::vector<int32_t> dropped;
    } cases[] = {
        {{0x125, 0x250, 0x500, 0x1000}, usual, {}},
        // All four set: the usual four, whatever their order.
        {{0x1000, 0x500, 0x250, 0x125}, usual, {}},
        {{0x125, 0x500, 0, 0x1000}, {0x125, 0x500}, {}},
        {{0x500, 0x1000, 0, 0}, {0x500, 0x1000}, {}},
        {{0x125, 0x300, 0x500, 0}, {0x125, 0x500}, {0x300}},
        {{0, 0x500, 0, 0}, usual, {}},
        {{0x300, 0, 0, 0}, usual, {0x300}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.choices[0] << " " << c.choices[1] << " "
                                        << c.choices[2] << " " << c.choices[3]);
        const RateValues r = RateValuesOf(c.choices);
        EXPECT_EQ(r.values, c.values);
        EXPECT_EQ(r.dropped, c.dropped);
    }
    EXPECT_EQ(RateText(0x1000), L"1000 Hz");
    EXPECT_EQ(RateText(0x125), L"125 Hz");
}

TEST(KeyRules, BatteryLevelGivesImagePositionAndText) {
    const struct {
        int level;
        std::optional<BatteryLook> look;
    } cases[] = {
        {10, BatteryLook{1, 10, L"100 %"}},
        {5, BatteryLook{1, 5, L"50 %"}},
        {4, BatteryLook{2, 4, L"40 %"}},
        {3, BatteryLook{2, 3, L"30 %"}},
        {2, BatteryLook{3, 2, L"20 %"}},
        {0, BatteryLook{3, 1, L"0 %"}},
        {11, std::nullopt},
        {-1, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatteryLookOf(c.level), c.look) << c.level;
}

TEST(KeyRules, FireKeyFieldsCorrectionAndOk) {
    EXPECT_EQ(FireKeyFieldsOf(FireKeyRecord(20, 3)), (FireKeyFields{L"20", L"3"}));
    EXPECT_EQ(FireKeyFieldsOf(FireKeyRecord(10, 2)), (FireKeyFields{L"10", L"2"}));
    EXPECT_EQ(FireKeyFieldsOf(PlainRecord(0x1000013)), (FireKeyFields{L"40", L"3"}));

    const struct {
        std::wstring text;
        std::optional<std::wstring> speed, count;
    } fields[] = {
        {L"300", L"255", L"3"},
        {L"255", std::nullopt, L"3"},
        {L"4", std::nullopt, L"3"},
        {L"3", std::nullopt, std::nullopt},
        {L"", L"255", L"3"},
        {L"1a", L"255", L"3"},
        {L"0", std::nullopt, std::nullopt},
        {std::wstring(41, L'1'), L"255", L"3"},
    };
    for (const auto& f : fields) {
        EXPECT_EQ(CorrectSpeedField(f.text), f.speed) << f.text.size();
        EXPECT_EQ(CorrectCountField(f.text), f.count) << f.text.size();
    }

    const struct {
        std::wstring speed, count;
        const wchar_t* message;
        uint32_t parameter;
    } oks[] = {
        {L"1", L"2", nullptr, 0x0302}, // raised to 3
        {L"20", L"3", nullptr, 0x1403},
        {L"255", L"255", nullptr, 0xFFFF},
        {L"", L"2", L"The value of speed is invalid", 0},
        {L"256", L"2", L"The value of speed is invalid", 0},
        {L"20", L"x", L"The value of count is invalid", 0},
        {L"20", L"256", L"The value of count is invalid", 0},
    };
    for (const auto& c : oks) {
        SCOPED_TRACE(testing::Message() << "speed '" << c.speed.size() << "'");
        const FireKeyCheck check = CheckFireKey(c.speed, c.count);
        if (c.message) {
            ASSERT_NE(check.message, nullptr);
            EXPECT_EQ(std::wstring(check.message), c.message);
        } else {
            ASSERT_EQ(check.message, nullptr);
            EXPECT_EQ(FireKeyRecord(check.speed, check.count).dwParameter, c.parameter);
        }
    }
}

TEST(KeyRules, MissingMacrosTakeTheDefaultsButTheMousesOwnStay) {
    ProfileRecord p = ProfileOf(Defaults());
    const uint32_t kept = 0x111111, gone = 0x222222, device = kDeviceMacroIdBase + 3;
    p.Key[0][2] = MacroRecord(kept);
    p.Key[1][2] = MacroRecord(gone);
    p.Key[2][7] = MacroRecord(gone);
    p.Key[2][4] = MacroRecord(device);
    const int dropped =
        DropMissingMacroKeys(p, Defaults(), [&](uint32_t id) { return id == kept; });
    EXPECT_EQ(dropped, 2);
    EXPECT_EQ(p.Key[0][2].dwMacroID, kept);
    EXPECT_EQ(std::memcmp(&p.Key[1][2], &Defaults()[1][2], sizeof(KeyInfo)), 0);
    EXPECT_EQ(std::memcmp(&p.Key[2][7], &Defaults()[2][7], sizeof(KeyInfo)), 0);
    EXPECT_EQ(p.Key[2][4].dwMacroID, device);
    EXPECT_EQ(DropMissingMacroKeys(p, Defaults(), [&](uint32_t id) { return id == kept; }), 0);
}
