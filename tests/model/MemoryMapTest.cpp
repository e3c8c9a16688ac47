// The encodings of the device memory map.

#include "model/MemoryMap.h"

#include "model/CoreFixture.h"

#include <vector>

namespace {

using namespace memmap;
using Bytes = std::vector<uint8_t>;

template <size_t N> Bytes Vec(const std::array<uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

TEST(MemoryMapTest, ProtectionRules) {
    struct Case {
        const char* what;
        Bytes got, want;
    } cases[] = {
        {"LOD 2 at 0x0A", Vec(EncodeSetting(2)), {0x02, 0x53}},
        {"off", Vec(EncodeSetting(0)), {0x00, 0x55}},
        {"complement wraps", Vec(EncodeSetting(0x80)), {0x80, 0xD5}},
        {"DPI entry", Vec(EncodeEntry(0x10, 0x12, 0x00)), {0x10, 0x12, 0x00, 0x33}},
        {"colour red, green, blue", Vec(EncodeColourEntry(0x00332211)), {0x11, 0x22, 0x33, 0xEF}},
        {"matrix: double click", Vec(EncodeMatrixEntry(0x023204)), {0x04, 0x32, 0x02, 0x1D}},
        {"matrix: no function", Vec(EncodeMatrixEntry(-1)), {0xFF, 0xFF, 0xFF, 0x58}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want) << c.what;
    const uint8_t entry[4] = {0x04, 0x32, 0x02, 0};
    EXPECT_EQ(DecodeMatrixEntry(entry), 0x023204u);
    const uint8_t colour[4] = {0x11, 0x22, 0x33, 0};
    EXPECT_EQ(DecodeColourEntry(colour), 0x00332211u);
}

TEST(MemoryMapTest, ReportRateCodes) {
    const std::pair<uint8_t, uint32_t> pairs[] = {{1, 0x1000}, {2, 0x500}, {4, 0x250}, {8, 0x125}};
    for (auto [code, rate] : pairs) {
        EXPECT_EQ(ReportRateToCode(rate), code);
        uint32_t back = 0;
        EXPECT_TRUE(CodeToReportRate(code, back));
        EXPECT_EQ(back, rate);
    }
    uint32_t rate = 77;
    for (uint8_t bad : {0, 3, 16, 0xFF})
        EXPECT_FALSE(CodeToReportRate(bad, rate)) << int(bad);
    EXPECT_EQ(rate, 77u);
    EXPECT_EQ(ReportRateToCode(1000), 0);
    EXPECT_EQ(ReportRateToCode(0), 0);
}

TEST(MemoryMapTest, LightLevelTables) {
    struct Case {
        const LevelTable* table;
        uint8_t level1, level5, level10;
    } cases[] = {
        {&kBrightBytes, 0x01, 0x80, 0xFF},
        {&kMainBrightBytes, 0x19, 0x7D, 0xFF},
        {&kMainSpeedBytes, 0xFF, 0xAA, 0x28},
        {&kMainSpeedBytesMode0, 0x2D, 0x19, 0x03},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LevelToByte(*c.table, 1), c.level1);
        EXPECT_EQ(LevelToByte(*c.table, 5), c.level5);
        EXPECT_EQ(LevelToByte(*c.table, 10), c.level10);
        for (int level = 1; level <= 10; ++level)
            EXPECT_EQ(ByteToLevel(*c.table, LevelToByte(*c.table, level)), level);
        // Levels from outside never index past the table.
        EXPECT_EQ(LevelToByte(*c.table, 0), c.level1);
        EXPECT_EQ(LevelToByte(*c.table, 11), c.level1);
        EXPECT_EQ(LevelToByte(*c.table, -100000), c.level1);
    }
    EXPECT_EQ(ByteToLevel(kBrightBytes, 0x02), 1);
}

TEST(MemoryMapTest, MainLightBlock) {
    struct Case {
        int32_t mode, speed, bright;
        Bytes want; // without the check
    } cases[] = {
        {1, 1, 10, {2, 0x11, 0x22, 0x33, 0xFF, 0xFF}}, {2, 3, 1, {1, 0x11, 0x22, 0x33, 0xD2, 0x19}},
        {3, 10, 5, {0, 0x11, 0x22, 0x33, 0x03, 0x7D}}, {0, 5, 5, {4, 0x11, 0x22, 0x33, 0, 0}},
        {4, 5, 5, {4, 0x11, 0x22, 0x33, 0, 0}},        {7, 5, 5, {7, 0x11, 0x22, 0x33, 0, 0}},
    };
    for (const Case& c : cases) {
        LightRecord l{};
        l.nMode = c.mode;
        l.nSpeed = c.speed;
        l.nBright = c.bright;
        l.crColor = 0x00332211;
        auto b = EncodeMainLight(l);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), c.want) << "mode " << c.mode;
        EXPECT_EQ(b[6], BlockCheck(b.data(), 6));
    }
    // Switching off keeps the device's colour bytes.
    uint8_t device[7] = {2, 0xAA, 0xBB, 0xCC, 0xFF, 0xFF, 0};
    SwitchMainLightOff(device);
    EXPECT_EQ(Bytes(device, device + 7),
              (Bytes{4, 0xAA, 0xBB, 0xCC, 0xFF, 0xFF, BlockCheck(device, 6)}));
}

TEST(MemoryMapTest, MainLightDecoding) {
    struct Case {
        const char* what;
        Bytes bytes;
        int32_t mode, speed, bright;
        uint32_t colour;
        const char* log; // expected line, or nullptr for none
    } cases[] = {
        {"device 2 needs no speed", {2, 1, 2, 3, 0x55, 0x32, 0, 0}, 1, 1, 2, 0x030201, nullptr},
        {"device 1", {1, 1, 2, 3, 0xD2, 0xFF, 0, 0}, 2, 3, 10, 0x030201, nullptr},
        {"device 0", {0, 1, 2, 3, 0x05, 0x19, 0, 0}, 3, 9, 1, 0x030201, nullptr},
        {"unknown speed",
         {1, 1, 2, 3, 0x50, 0x19, 0, 0},
         2,
         1,
         1,
         0x030201,
         "EEPROM_To_MainRGB: Unkown Speed"},
        {"unknown brightness",
         {2, 1, 2, 3, 0, 0x20, 0, 0},
         1,
         1,
         1,
         0x030201,
         "EEPROM_To_MainRGB: Unkown Bri"},
        // Off: only the mode changes.
        {"off", {4, 1, 2, 3, 0, 0, 0, 0}, 0, 7, 7, 0x777777, nullptr},
        {"garbage mode", {0x99, 1, 2, 3, 0, 0, 0, 0}, 0, 7, 7, 0x777777, nullptr},
    };
    settings::g_opt = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::LogCapture log;
        LightRecord l{};
        l.nMode = 3;
        l.nSpeed = l.nBright = 7;
        l.crColor = 0x777777;
        EEPROM_To_MainRGB(c.bytes.data(), l);
        EXPECT_EQ(l.nMode, c.mode);
        EXPECT_EQ(l.nSpeed, c.speed);
        EXPECT_EQ(l.nBright, c.bright);
        EXPECT_EQ(l.crColor, c.colour);
        EXPECT_TRUE(log.Contains("EEPROM_To_MainRGB:")) << log.Text();
        if (c.log) {
            EXPECT_TRUE(log.Contains(c.log)) << log.Text();
        } else {
            EXPECT_FALSE(log.Contains("Unkown")) << log.Text();
        }
    }
}

TEST(MemoryMapTest, MacroBlockLayout) {
    // Events as the converter lays them out: count at 31, events from 32.
    auto events = [](int n) {
        Bytes e(32 + 5 * size_t(n), 0);
        e[31] = uint8_t(n);
        for (int i = 0; i < n; ++i) {
            e[32 + 5 * i] = 0x81;
            e[33 + 5 * i] = uint8_t(4 + i % 20);
            e[36 + 5 * i] = 3;
        }
        return e;
    };
    uint8_t block[kMacroBlockBytes];

    Bytes two = events(2);
    size_t n = BuildMacroBlock(u"ab", two.data(), two.size(), block);
    EXPECT_EQ(n, 46u);
    EXPECT_EQ(Bytes(block, block + 5), (Bytes{4, 0x61, 0x00, 0x62, 0x00}));
    EXPECT_EQ(block[31], 2);
    EXPECT_EQ(block[42], BlockCheck(block + 31, 11));
    EXPECT_EQ(Bytes(block + 43, block + 46), (Bytes{0, 0, 0}));
    EXPECT_EQ(MacroBlockName(block + 1), u"ab");

    Bytes full = events(70);
    n = BuildMacroBlock(u"a much too long macro name", full.data(), full.size(), block);
    EXPECT_EQ(n, 383u); // check at 382, no zero tail
    EXPECT_EQ(block[0], 30);
    EXPECT_EQ(MacroBlockName(block + 1), u"a much too long");
    EXPECT_EQ(block[382], BlockCheck(block + 31, 351));

    n = BuildMacroBlock(u"x", full.data(), 32 + 5 * 69, block);
    EXPECT_EQ(block[31], 69) << "the count is cut to the events held";
    EXPECT_EQ(n, 381u); // 69 events still have their zero tail

    // A count byte that claims more than the buffer holds.
    Bytes lying = events(3);
    lying[31] = 200;
    n = BuildMacroBlock(u"", lying.data(), lying.size(), block);
    EXPECT_EQ(block[31], 3);
    EXPECT_EQ(n, 32u + 15 + 1 + 3);
}

TEST(MemoryMapTest, DpiCountsStayInsideTheLevels) {
    EXPECT_EQ(DecodeDpiLevelCount(0), 0);
    EXPECT_EQ(DecodeDpiLevelCount(6), 6);
    EXPECT_EQ(DecodeDpiLevelCount(0xFF), 8);
    ProfileRecord p{};
    p.DpiLevel[1].bDisabled = 1;
    EXPECT_EQ(CountEnabledDpiLevels(p, 6), 5);
    EXPECT_EQ(CountEnabledDpiLevels(p, 100), 7);
    EXPECT_EQ(CountEnabledDpiLevels(p, -3), 0);
}

class DpiEntryTest : public testutil::ProductTest {};

TEST_F(DpiEntryTest, EntryRoundTripsThroughTheSensorTable) {
    const SensorDpiTable* t = FindSensorDpiTable(g_nCurSensor);
    ASSERT_NE(t, nullptr);
    for (uint32_t step : {0u, t->nSteps / 2, t->nSteps - 1}) {
        DpiLevelRecord level{t->dpi[step], t->dpi[step], 0, 0};
        auto e = EncodeDpiEntry(g_nCurSensor, level);
        EXPECT_EQ(e[3], BlockCheck(e.data(), 3));
        DpiLevelRecord back{};
        DecodeDpiEntry(ActiveSensorNow(), e.data(), back);
        EXPECT_EQ(back.nDpiX, level.nDpiX) << "step " << step;
        EXPECT_EQ(back.nDpiY, level.nDpiY) << "step " << step;
    }
}

} // namespace
