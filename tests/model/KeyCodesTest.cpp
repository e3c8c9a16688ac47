// Key function codes: matrix codes, combination data, usage tables, names
// and display texts.

#include "model/KeyCodes.h"

#include "model/CoreFixture.h"
#include "model/KeyNames.h"
#include "model/MemoryMap.h"

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

KeyInfo Key(uint32_t funId, uint32_t combo = 0, uint32_t parameter = 0, uint32_t macro = 0) {
    KeyInfo k{};
    k.dwFunID = funId;
    k.stCombo = combo;
    k.dwParameter = parameter;
    k.dwMacroID = macro;
    k.nMatrixIndex = 3;
    k.rcHot = {1, 2, 3, 4};
    return k;
}

class KeyCodesTest : public testutil::ProductTest {
protected:
    // A library macro with `id`, `name` and repeat settings.
    static void AddMacro(uint32_t id, const char16_t* name, int32_t mode, uint16_t count) {
        StMacro m = NewMacroRecord(name);
        m.dwID = id;
        m.nRepeatMode = mode;
        m.wRepeatCount = count;
        ASSERT_NE(AppendMacro(m), nullptr);
    }
};

TEST_F(KeyCodesTest, AssignmentsToMatrixCodes) {
    AddMacro(0x111, u"count", 0, 0x105);
    AddMacro(0x222, u"hold", 1, 1);
    AddMacro(0x333, u"toggle", 2, 1);
    AddMacro(0x444, u"odd", 9, 1);
    struct Case {
        KeyInfo key;
        int32_t code;
    } cases[] = {
        {Key(0x1000011), 0x000101},
        {Key(0x1000012), 0x000401},
        {Key(0x1000013), 0x000201},
        {Key(0x1000014), 0x001001},
        {Key(0x1000015), 0x000801},
        {Key(0x1000016), 0x023204}, // double click is a repeated click
        {Key(0x1000017), 0x033204},
        {Key(0x1000018), -1},
        {Key(0x80000A2), 0x000000},
        {Key(0x80000A4, 0, 0x0A02), 0x020A04},
        {Key(0x80000A6, 0, 3), -1},
        {Key(0x80000A7), 0x000008},
        {Key(0x80000A8), 0x000202},
        {Key(0x80000A9), 0x000302},
        {Key(0x80000AA), 0x000102},
        {Key(0x80000AC), 0x000007},
        {Key(0x80000AD, 0, 0x1234), 0x1234},
        {Key(0x80000B0), 0x000009},
        {Key(0x20000A1, 0x4102), 5},
        {Key(0x3000035), 5},
        {Key(0x4000028), 5},
        {Key(0xB000002, 0, 0x7788), 0x7788},
        {Key(0x5000000, 0, 0, 0x111), 0x050006}, // count cut to its low byte
        {Key(0x5000000, 0, 0, 0x222), 0xFF0006},
        {Key(0x5000000, 0, 0, 0x333), 0xFE0006},
        {Key(0x5000000, 0, 0, 0x444), 0x000006},
        {Key(0x6000001), -1},
        {Key(0), -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keyinfo_to_hardware_code(c.key), c.code) << std::hex << c.key.dwFunID;
}

TEST_F(KeyCodesTest, MissingMacroGivesNoCodeAndALogLine) {
    testutil::LogCapture log;
    const int32_t code = keyinfo_to_hardware_code(Key(0x5000000, 0, 0, 0xABCDE));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(memmap::EncodeMatrixEntry(code)[0], 0xFF);
    EXPECT_TRUE(log.Contains("keyinfo_to_hardware_code can't find macro id 0xabcde"));
}

TEST_F(KeyCodesTest, MatrixCodesToAssignments) {
    struct Case {
        uint32_t code;
        uint32_t funId, parameter;
    } cases[] = {
        {0x000000, 0x80000A2, 0},
        {0x000007, 0x80000AC, 0},
        {0x000008, 0x80000A7, 0},
        {0x000009, 0x80000B0, 0},
        {0x000101, 0x1000011, 0},
        {0x000102, 0x80000AA, 0},
        {0x000201, 0x1000013, 0},
        {0x000202, 0x80000A8, 0},
        {0x000302, 0x80000A9, 0},
        {0x000401, 0x1000012, 0},
        {0x000801, 0x1000015, 0},
        {0x001001, 0x1000014, 0},
        {0x033204, 0x1000017, 0},
        // Double click comes back as a repeated click: speed 0x32, 2 clicks.
        {0x023204, 0x80000A4, 0x3202},
        {0x0A1404, 0x80000A4, 0x140A},
    };
    for (const Case& c : cases) {
        KeyInfo k = Key(0x1234, 0x55, 0x66, 0x77);
        k.dwReserved = 9;
        ASSERT_EQ(HardwareCode_To_KeyInfo(c.code, nullptr, 0, k), 1) << std::hex << c.code;
        EXPECT_EQ(k.dwFunID, c.funId) << std::hex << c.code;
        EXPECT_EQ(k.dwParameter, c.parameter) << std::hex << c.code;
        EXPECT_EQ(k.stCombo, 0u);
        EXPECT_EQ(k.dwMacroID, 0u);
        EXPECT_EQ(k.dwReserved, 0u);
        EXPECT_EQ(k.nMatrixIndex, 3); // the button stays
        EXPECT_EQ(k.rcHot, (settings::Rect{1, 2, 3, 4}));
    }
    for (uint32_t bad : {0x000003u, 0x000105u /*5 only alone*/, 0xFFFFFFu, 0x000001u}) {
        KeyInfo k = Key(0x1234);
        const KeyInfo before = k;
        EXPECT_EQ(HardwareCode_To_KeyInfo(bad, nullptr, 0, k), 0) << std::hex << bad;
        EXPECT_EQ(std::memcmp(&k, &before, sizeof k), 0);
    }
}

TEST_F(KeyCodesTest, MacroCodesFindTheLibraryMacroByTheDeviceName) {
    AddMacro(0x4321, u"Combo Attack", 0, 1);
    const uint8_t name[] = {'c', 0, 'o', 0, 'm', 0, 'b', 0, 'o', 0, ' ', 0,
                            'a', 0, 't', 0, 't', 0, 'a', 0, 'c', 0, 'k', 0};
    SetDevMacroName(2, name, sizeof name);
    KeyInfo k = Key(0); // matrix slot 3: macro block 2
    ASSERT_EQ(HardwareCode_To_KeyInfo(0x010206, nullptr, 0, k), 1);
    EXPECT_EQ(k.dwFunID, 0x5000000u);
    EXPECT_EQ(k.dwMacroID, 0x4321u);
    EXPECT_EQ(KeyInfoText(k), u"Macro - Combo Attack");

    // A device macro that the library does not know keeps its slot.
    k.nMatrixIndex = 5;
    ASSERT_EQ(HardwareCode_To_KeyInfo(0x010406, nullptr, 0, k), 1);
    EXPECT_EQ(k.dwMacroID, 0x00FFEE04u);
    const uint8_t other[] = {'Z', 0, 'z', 0};
    SetDevMacroName(4, other, sizeof other);
    EXPECT_EQ(KeyInfoText(k), u"Macro - Zz");
    // Device slots beyond the 16 blocks have no name.
    k.dwMacroID = 0x00FFEEC0;
    EXPECT_EQ(KeyInfoText(k), u"Macro - ");

    // A key without a device slot has no macro block.
    k.nMatrixIndex = 17;
    EXPECT_EQ(HardwareCode_To_KeyInfo(0x000006, nullptr, 0, k), 0);
}

TEST_F(KeyCodesTest, CombinationData) {
    struct Case {
        const char* what;
        KeyInfo key;
        Bytes data;
    } cases[] = {
        {"left Ctrl + left Shift + C",
         Key(0x20000A1, 0x4303),
         {6, 0x80, 0x01, 0, 0x80, 0x02, 0, 0x81, 0x06, 0, 0x40, 0x01, 0, 0x40, 0x02, 0, 0x41, 0x06,
          0}},
        {"right Ctrl + C: the right modifier is not sent",
         Key(0x20000A1, 0x4310),
         {2, 0x81, 0x06, 0, 0x41, 0x06, 0}},
        {"keys released last first",
         Key(0x20000A0, 0x42434100),
         {6, 0x81, 0x04, 0, 0x81, 0x06, 0, 0x81, 0x05, 0, 0x41, 0x05, 0, 0x41, 0x06, 0, 0x41, 0x04,
          0}},
        {"unknown key is usage 0", Key(0x20000A0, 0xFF00), {2, 0x81, 0, 0, 0x41, 0, 0}},
        {"mute", Key(0x4000028), {2, 0x82, 0xE2, 0x00, 0x42, 0xE2, 0x00}},
        {"media player", Key(0x4000021), {2, 0x82, 0x83, 0x01, 0x42, 0x83, 0x01}},
        {"unknown consumer", Key(0x3000040), {2, 0x82, 0xFF, 0xFF, 0x42, 0xFF, 0xFF}},
        {"mouse button: none", Key(0x1000011), {}},
        // Four modifiers and three keys would overrun the 32-byte slot: the
        // last keys are dropped until five parts remain.
        {"too many parts",
         Key(0x20000A1, 0x4342410F),
         {10,   0x80, 1, 0,    0x80, 2, 0,    0x80, 4, 0,    0x80, 8, 0,    0x81, 4, 0,
          0x40, 1,    0, 0x40, 2,    0, 0x40, 4,    0, 0x40, 8,    0, 0x41, 4,    0}},
    };
    for (const Case& c : cases) {
        uint8_t out[kComboDataMax];
        const size_t n = ComboToDevice(c.key, out);
        EXPECT_EQ(Bytes(out, out + n), c.data) << c.what;
    }
}

TEST_F(KeyCodesTest, CombinationDataReadBack) {
    struct Case {
        const char* what;
        Bytes data;
        int ok;
        uint32_t funId, combo;
    } cases[] = {
        {"ctrl shift C",
         {6, 0x80, 0x01, 0, 0x80, 0x02, 0, 0x81, 0x06, 0, 0x40, 0x01, 0, 0x40, 0x02, 0, 0x41, 0x06,
          0},
         1,
         0x2000000,
         0x4303},
        {"right Ctrl + C reads as C", {2, 0x81, 0x06, 0, 0x41, 0x06, 0}, 1, 0x2000000, 0x4300},
        {"a fourth key is dropped",
         {4, 0x81, 0x04, 0, 0x81, 0x05, 0, 0x81, 0x06, 0, 0x81, 0x07, 0},
         1,
         0x2000000,
         0x43424100},
        {"modifier bits above 0x08 ignored", {2, 0x80, 0x1F, 0, 0x40, 0x1F, 0}, 1, 0x2000000, 0x0F},
        {"mute", {2, 0x82, 0xE2, 0x00, 0x42, 0xE2, 0x00}, 1, 0x4000028, 0},
        {"mail", {2, 0x82, 0x8A, 0x01, 0x42, 0x8A, 0x01}, 1, 0x3000030, 0},
        {"unknown usage", {2, 0x82, 0x99, 0x09, 0x42, 0x99, 0x09}, 0, 0, 0},
        {"no events", {0, 0x81, 0x04, 0}, 0, 0, 0},
        {"mouse type", {2, 0x84, 0x01, 0}, 0, 0, 0},
        {"count beyond the data", {200, 0x81, 0x04, 0, 0x81, 0x05}, 1, 0x2000000, 0x4100},
        {"too short for an event", {1, 0x81}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        KeyInfo k = Key(0x1234);
        EXPECT_EQ(ComboFromDevice(c.data.data(), c.data.size(), k), c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(k.dwFunID, c.funId) << c.what;
            EXPECT_EQ(k.stCombo, c.combo) << c.what;
        }
    }
    // Code 5 takes its function from the combination slot.
    KeyInfo k = Key(0x1234);
    const uint8_t mute[] = {2, 0x82, 0xE2, 0x00, 0x42, 0xE2, 0x00, 0x00};
    ASSERT_EQ(HardwareCode_To_KeyInfo(5, mute, sizeof mute, k), 1);
    EXPECT_EQ(k.dwFunID, 0x4000028u);
    EXPECT_EQ(HardwareCode_To_KeyInfo(5, mute, 0, k), 0);
}

TEST(KeyTablesTest, ConsumerAndKeyboardUsages) {
    const std::pair<uint32_t, uint16_t> consumer[] = {
        {0x21, 0x0183}, {0x22, 0x00CD}, {0x23, 0x00B7}, {0x24, 0x00B6}, {0x25, 0x00B5},
        {0x26, 0x00E9}, {0x27, 0x00EA}, {0x28, 0x00E2}, {0x30, 0x018A}, {0x31, 0x0192},
        {0x32, 0x0194}, {0x33, 0x0221}, {0x34, 0x0223}, {0x35, 0x0224}, {0x36, 0x0225},
        {0x37, 0x0226}, {0x38, 0x0227}, {0x39, 0x022A}, {0x29, 0xFFFF}, {0x11, 0xFFFF}};
    for (auto [function, usage] : consumer) {
        EXPECT_EQ(ConsumerUsage(function), usage) << std::hex << function;
        // Both categories are encoded by the low byte alone.
        EXPECT_EQ(ConsumerUsage(0x3000000 | function), usage);
    }
    const std::pair<uint8_t, uint8_t> usageVk[] = {
        {0x29, 0x1B}, {0x04, 0x41}, {0x1D, 0x5A}, {0x27, 0x30}, {0x33, 0xBA},
        {0xE0, 0xA2}, {0xE7, 0x5C}, {0x65, 0x5D}, {0x53, 0x90}, {0x62, 0x60}};
    for (auto [usage, vk] : usageVk) {
        EXPECT_EQ(HidToVk(usage), vk) << std::hex << int(usage);
        EXPECT_EQ(VkToHid(vk), usage) << std::hex << int(vk);
    }
    // Enter is in the table twice: the main key wins by VK, both read back.
    EXPECT_EQ(VkToHid(0x0D), 0x28);
    EXPECT_EQ(HidToVk(0x58), 0x0D);
    EXPECT_EQ(HidToVk(0x00), 0);
    EXPECT_EQ(HidToVk(0x99), 0);
    EXPECT_EQ(VkToHid(0xFF), 0);
    int pairs = 0;
    for (int usage = 0; usage < 256; ++usage)
        pairs += HidToVk(uint8_t(usage)) != 0;
    EXPECT_EQ(pairs, 104);
}

TEST(KeyTablesTest, KeyNames) {
    const std::pair<uint32_t, const char16_t*> cases[] = {
        {0x08, u"Backspace"},
        {0x0D, u"Enter"},
        {0x2B, u"Enter"},
        {0x11, u"Ctrl"},
        {0x2C, u"PrintScreen"},
        {0x5C, u"R_Win"},
        {0x60, u"Num 0"},
        {0x69, u"Num 9"},
        {0x6C, u"\\"},
        {0x6E, u"Num ."},
        {0x70, u"F1"},
        {0x7B, u"F12"},
        {0x91, u"Scroll Lock"},
        {0xA5, u"R_Alt"},
        {0x30, u"0"},
        {0x39, u"9"},
        {0x41, u"A"},
        {0x5A, u"Z"},
        // Punctuation: the character of the layout's key (US layout here).
        {0xBA, u";"},
        {0xBC, u","},
        {0xDB, u"["},
        {0xC0, u"`"},
        {0x07, u""},
        {0x100, u""}};
    for (auto [vk, name] : cases)
        EXPECT_EQ(KeyName(vk), name) << std::hex << vk;
}

TEST_F(KeyCodesTest, DisplayTexts) {
    testutil::LoadTexts({{"tc_click", "Click"},
                         {"tc_fire", "Fire"},
                         {"tc_back", "Back"},
                         {"tc_forward", "Forward"},
                         {"tc_kbmedia_back", ""},
                         {"tc_kbmedia_forward", "Web forward"},
                         {"tc_mute", "Mute"},
                         {"tc_dbclick", "Double"},
                         {"tc_ex1", "Ex one"},
                         {"tc_ex5", "Ex five"},
                         {"tc_msg25", "Macro"},
                         {"tc_msg11", "Macro not found"},
                         {"tc_prosw", "Profiles"}});
    AddMacro(0x777, u"Reload", 0, 1);
    struct Case {
        KeyInfo key;
        const char16_t* text;
    } cases[] = {
        {Key(0x1000011), u"Click"},
        {Key(0x1000016), u"Double"},
        {Key(0x80000B0), u"Profiles"},
        {Key(0x80000A4, 0, 0x0A02), u"Fire"},
        {Key(0x10000A4), u"Fire"}, // chosen by the low bits
        {Key(0x3000035), u"Back"}, // empty text falls back
        {Key(0x3000036), u"Web forward"},
        {Key(0x4000028), u"Mute"},
        {Key(0xB000000), u"Ex one"},
        {Key(0xB000004), u"Ex five"},
        {Key(0xB000005), u""},
        {Key(0x80000FF), u""},
        {Key(0x5000000, 0, 0, 0x777), u"Macro - Reload"},
        {Key(0x5000000, 0, 0, 0x778), u"Macro not found"},
        {Key(0x20000A1, 0x4341), u"Ctrl + Alt + C"},
        {Key(0x20000A1, 0x00BA0022), u"Shift + ;"},
        {Key(0x20000A1, 0x7080), u"Win + F1"},
        {Key(0x2000000, 0), u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text::ToUtf8(KeyInfoText(c.key)), text::ToUtf8(c.text))
            << std::hex << c.key.dwFunID << " " << c.key.stCombo;
}

TEST_F(KeyCodesTest, ComboTextNamesModifiersInEitherStyle) {
    struct Case {
        uint8_t mods;
        uint8_t keys[3];
        const char16_t* generic;
        const char16_t* sided;
    } cases[] = {
        {0, {}, u"", u""},
        {kModLCtrl | kModRCtrl, {}, u"Ctrl", u"L-Ctrl + R-Ctrl"},
        {kModLWin | kModLShift | kModLAlt | kModLCtrl,
         {'A'},
         u"Ctrl + Alt + Shift + Win + A",
         u"L-Ctrl + L-Alt + L-Shift + L-Win + A"},
        {kModRShift | kModLCtrl,
         {0, 'B', 'C'},
         u"Ctrl + Shift + B + C",
         u"L-Ctrl + R-Shift + B + C"},
        {kModRWin | kModRAlt, {0x70}, u"Alt + Win + F1", u"R-Alt + R-Win + F1"},
        {0, {'X', 'Y', 'Z'}, u"X + Y + Z", u"X + Y + Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::ToUtf8(ComboText(c.mods, c.keys, ModifierNaming::Generic)),
                  text::ToUtf8(c.generic));
        EXPECT_EQ(text::ToUtf8(ComboText(c.mods, c.keys, ModifierNaming::Sided)),
                  text::ToUtf8(c.sided));
    }
}

} // namespace
