// The sensor sections of cfg.ini, their key lines and the choice of the
// active sensor.

#include "model/SensorCatalogue.h"

#include "common/TestUtil.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

class SensorConfigTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        ResetSensorCatalogue();
        settings::g_opt = {};
    }

    // Fresh options and built-in tables; no messages recorded.
    void Reset() {
        m_messages.Clear();
        settings::g_opt = {};
        settings::g_opt.DpiHwRadix = 16;
        settings::g_opt.Sensor = 0x3050;
        ResetSensorCatalogue();
        BuildSensorDpiTables();
    }

    // Writes `ini` as cfg.ini and loads its sensor sections.
    int Load(const std::string& ini) {
        m_path = m_dir.Write("cfg.ini", ini);
        return LoadSensorCfg(m_path);
    }

    Texts Messages() const { return m_messages.Texts(); }

    testutil::TempDir m_dir;
    testutil::MessageRecorder m_messages;
    std::u16string m_path;
};

constexpr uint32_t kBuiltInColours[kDpiLevels] = {0x0000FF, 0xFF0000, 0x00FF00, 0xFF0080,
                                                  0x03C6FA, 0x6A03FA, 0xFF00FF, 0xFFFF00};

std::vector<int32_t> Levels(const SensorCfg& cfg) {
    return std::vector<int32_t>(cfg.nDpi, cfg.nDpi + kDpiLevels);
}
std::vector<uint32_t> Colours(const SensorCfg& cfg) {
    return std::vector<uint32_t>(cfg.crColor, cfg.crColor + kDpiLevels);
}

TEST_F(SensorConfigTest, SectionWithOnlyASensorTakesTheDefaults) {
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\n"), 1);
    EXPECT_EQ(Messages(), Texts{});
    EXPECT_EQ(pSensorCfg, &g_SensorCfg[0]);
    EXPECT_EQ(g_nCurSensor, 0x3050u);

    const SensorCfg& cfg = g_SensorCfg[0];
    EXPECT_EQ(cfg.nSensor, 0x3050);
    EXPECT_EQ(cfg.nDefLevel, 0);
    EXPECT_EQ(cfg.nLevels, 6);
    EXPECT_EQ(Levels(cfg), (std::vector<int32_t>{750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}));
    EXPECT_EQ(Colours(cfg), std::vector<uint32_t>(kBuiltInColours, kBuiltInColours + kDpiLevels));
    EXPECT_EQ(cfg.nDpiRowH, 48);
    EXPECT_EQ(cfg.nModes, 3);
    EXPECT_EQ(cfg.nKeys, 16);
    EXPECT_EQ(cfg.nKeyH, 13);
    EXPECT_EQ(cfg.nKeyY, 116);
    EXPECT_EQ(cfg.nRate[0], 0x500);
    EXPECT_EQ(cfg.nRate[1], 0x500);
    EXPECT_EQ(cfg.nRate[2], 0x500);
    EXPECT_EQ(cfg.nRateChoice[0], 0x125);
    EXPECT_EQ(cfg.nRateChoice[3], 0x1000);
    EXPECT_EQ(cfg.bShowLOD, 0);
    EXPECT_EQ(cfg.rcMark[0], (settings::Rect{0, 0, 0, 0}));
    // No K lines: every mode stays zero.
    for (int m = 0; m < kKeyModes; ++m)
        EXPECT_EQ(cfg.keys[m][0].dwFunID, 0u);
    // Sections that are not there leave their slots untouched.
    EXPECT_EQ(g_SensorCfg[1].nSensor, 0);
}

TEST_F(SensorConfigTest, ReadsTheScalarKeys) {
    ASSERT_EQ(Load("[SENSOR_3]\nSensor=12368\nDEFLEVEL=2\nDM=4\nDPI=500,1000,2000,4000\nDPIH=40\n"
                   "MDNUM=6\nKM=20\nKEYH=11\nKEYY=90\nDR=0x1000\nDR_3=0x250\nRATE1=0x500\n"
                   "RATE4=0\nShowLOD=1\n"),
              1);
    EXPECT_EQ(Messages(), Texts{});
    EXPECT_EQ(pSensorCfg, &g_SensorCfg[2]);
    const SensorCfg& cfg = g_SensorCfg[2];
    EXPECT_EQ(cfg.nDefLevel, 2);
    EXPECT_EQ(cfg.nLevels, 4);
    EXPECT_EQ(Levels(cfg), (std::vector<int32_t>{500, 1000, 2000, 4000, 0, 0, 0, 0}));
    EXPECT_EQ(cfg.nDpiRowH, 40);
    EXPECT_EQ(cfg.nModes, 2);
    EXPECT_EQ(cfg.nKeys, 10);
    EXPECT_EQ(cfg.nKeyH, 11);
    EXPECT_EQ(cfg.nKeyY, 90);
    // DR_2 and DR_3 default to DR.
    EXPECT_EQ(cfg.nRate[0], 0x1000);
    EXPECT_EQ(cfg.nRate[1], 0x1000);
    EXPECT_EQ(cfg.nRate[2], 0x250);
    EXPECT_EQ(cfg.nRateChoice[0], 0x500);
    EXPECT_EQ(cfg.nRateChoice[1], 0x250);
    EXPECT_EQ(cfg.nRateChoice[3], 0);
    EXPECT_EQ(cfg.bShowLOD, 1);
}

// What a section's problems show, and whether the load goes on.
struct MessageCase {
    const char* name;
    const char* ini;
    int result;
    Texts messages;
};

TEST_F(SensorConfigTest, ProblemsInASection) {
    const MessageCase cases[] = {
        {"levels are not the level count",
         "[SENSOR_1]\nSensor=0x3050\nDPI=800,1600\n",
         1,
         {"Warning: DPI != DM."}},
        {"level that is no step",
         "[SENSOR_1]\nSensor=0x3050\nDM=3\nDPI=500,600,4000\n",
         1,
         {"Warning: Wrong default dpi value: 600"}},
        {"colours are not three per level",
         "[SENSOR_1]\nSensor=0x3050\nDM=4\nDC=1,2,3,4,5,6,7,8,9,10,11\n",
         1,
         {"Warning: DC != DM."}},
        {"sensor without a table",
         "[SENSOR_1]\nSensor=0x3050\n[SENSOR_2]\nSensor=0x9800\n",
         1,
         {"Warning: Can't find sensor", "Warning: Wrong default dpi value: 1000",
          "Warning: Wrong default dpi value: 1500", "Warning: Wrong default dpi value: 2000",
          "Warning: Wrong default dpi value: 3000", "Warning: Wrong default dpi value: 3500",
          "Warning: Wrong default dpi value: 4000"}},
        {"same sensor twice",
         "[SENSOR_1]\nSensor=0x3050\n[SENSOR_2]\nSensor=0x3050\n",
         1,
         {"Warning: has a same sensor"}},
        {"same sensor three times",
         "[SENSOR_1]\nSensor=0x3050\n[SENSOR_2]\nSensor=0x3050\n[SENSOR_4]\nSensor=0x3050\n",
         1,
         {"Warning: has a same sensor", "Warning: has a same sensor",
          "Warning: has a same sensor"}},
        {"MDNUM 4", "[SENSOR_1]\nSensor=0x3050\nMDNUM=4\n", 0, {}},
        {"KM odd", "[SENSOR_1]\nSensor=0x3050\nKM=33\n", 0, {}},
        {"KM above 32", "[SENSOR_1]\nSensor=0x3050\nKM=34\n", 0, {}},
        {"KM 0", "[SENSOR_1]\nSensor=0x3050\nKM=0\n", 0, {}},
        {"bad section after the active one",
         "[SENSOR_1]\nSensor=0x3050\n[SENSOR_2]\nSensor=0x3370\nMDNUM=5\n",
         0,
         {}},
        {"active sensor only in SENSOR_11",
         "[SENSOR_1]\nSensor=0x3325\n[SENSOR_11]\nSensor=0x3050\n",
         0,
         {"Warning: Wrong default dpi value: 5200", "Warning: pSensorCfg is null"}},
        {"no sensor section", "[OPT]\nSensor=0x3050\n", 0, {"Warning: pSensorCfg is null"}},
        {"Sensor 0 skips the section",
         "[SENSOR_1]\nSensor=0\nKM=33\n",
         0,
         {"Warning: pSensorCfg is null"}},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        EXPECT_EQ(Load(c.ini), c.result);
        EXPECT_EQ(Messages(), c.messages);
    }
}

TEST_F(SensorConfigTest, SensorInSlotTenCanBeActive) {
    ASSERT_EQ(Load("[SENSOR_10]\nSensor=0x3050\n[SENSOR_11]\nSensor=0x3325\n"), 1);
    EXPECT_EQ(pSensorCfg, &g_SensorCfg[9]);
    // SENSOR_11 is loaded, though it can never become active.
    EXPECT_EQ(g_SensorCfg[10].nSensor, 0x3325);
}

TEST_F(SensorConfigTest, DefaultLevelsFallBackToTheBuiltInList) {
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\nDM=6\nDPI=800,1600\n"), 1);
    EXPECT_EQ(Levels(g_SensorCfg[0]),
              (std::vector<int32_t>{750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}));
}

TEST_F(SensorConfigTest, LevelColours) {
    struct Case {
        const char* dc;
        std::vector<uint32_t> colours;
    } const cases[] = {
        // Four levels, four red-green-blue triples.
        {"DC=255,0,0,0,255,0,0,0,255,1,2,3",
         {0x0000FF, 0x00FF00, 0xFF0000, 0x030201, 0x03C6FA, 0x6A03FA, 0xFF00FF, 0xFFFF00}},
        // One value short: all eight stay built-in.
        {"DC=255,0,0,0,255,0,0,0,255,1,2",
         std::vector<uint32_t>(kBuiltInColours, kBuiltInColours + kDpiLevels)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dc);
        Reset();
        ASSERT_EQ(Load(std::string("[SENSOR_1]\nSensor=0x3050\nDM=4\nDPI=500,750,1000,1250\n") +
                       c.dc + "\n"),
                  1);
        EXPECT_EQ(Colours(g_SensorCfg[0]), c.colours);
    }
}

TEST_F(SensorConfigTest, StepListsReplaceTheBuiltInSteps) {
    // Ten steps, nine codes: the tenth step keeps code 0.
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\nDM=2\nDPI=400,1200\n"
                   "DPISET=400,800,1200,1600,2000,2400,2800,3200,3600,4000\n"
                   "DPIHW=0A,0B,0C,0D,0E,0F,10,11,12\n"),
              1);
    EXPECT_EQ(Messages(), Texts{"Warning: DPISET Num != DPIHW Num"});
    const SensorDpiTable* t = FindSensorDpiTable(0x3050);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->nSteps, 10u);
    EXPECT_EQ(t->dpi[0], 400);
    EXPECT_EQ(t->dpi[9], 4000);
    EXPECT_EQ(t->dpi[10], 0); // the built-in steps beyond the list are gone
    EXPECT_EQ(t->code[0], 0x0A);
    EXPECT_EQ(t->code[8], 0x12);
    EXPECT_EQ(t->code[9], 0);
    EXPECT_EQ(Dpi_To_HwDpi(0x3050, 1200), 0x0C);
    EXPECT_EQ(Dpi_To_HwDpi(0x3050, 500), 0);
    // Lock codes are read only with the DPI lock menus.
    EXPECT_EQ(t->lock[0], 1);
    EXPECT_EQ(t->lock[10], 11);
}

TEST_F(SensorConfigTest, StepListVariants) {
    struct Case {
        const char* name;
        int radix;
        uint8_t snipMenu;
        const char* lists;
        uint32_t steps;
        std::vector<uint8_t> codes; // of the first steps
        std::vector<uint8_t> locks;
        Texts messages;
    } const cases[] = {
        {"steps without codes are numbered from 1",
         16,
         0,
         "DPISET=500,1000,1500\n",
         3,
         {1, 2, 3, 0},
         {1, 2, 3, 4},
         {}},
        {"codes without steps replace the built-in codes",
         16,
         0,
         "DPIHW=20,21\n",
         11,
         {0x20, 0x21, 0},
         {1, 2, 3},
         {"Warning: DPISET Num != DPIHW Num"}},
        {"codes in decimal",
         10,
         0,
         "DPISET=500,1000\nDPIHW=20,21\n",
         2,
         {20, 21, 0},
         {1, 2, 3},
         {}},
        {"lock codes with the lock menus",
         16,
         1,
         "DPISET=500,1000\nDPIHW=20,21\nDPILK=5,6\n",
         2,
         {0x20, 0x21},
         {5, 6, 0},
         {}},
        {"lock codes numbered from 1",
         16,
         1,
         "DPISET=500,1000,1500\n",
         3,
         {1, 2, 3},
         {1, 2, 3, 0},
         {}},
        {"lock code count",
         16,
         1,
         "DPISET=500,1000\nDPIHW=20,21\nDPILK=5\n",
         2,
         {0x20, 0x21},
         {5, 0},
         {"Warning: DPISET Num != DPILK Num"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        settings::g_opt.DpiHwRadix = c.radix;
        settings::g_opt.SnipMenu[0] = c.snipMenu;
        ASSERT_EQ(Load(std::string("[SENSOR_1]\nSensor=0x3050\nDM=1\nDPI=500\n") + c.lists), 1);
        EXPECT_EQ(Messages(), c.messages);
        const SensorDpiTable* t = FindSensorDpiTable(0x3050);
        EXPECT_EQ(t->nSteps, c.steps);
        EXPECT_EQ(std::vector<uint8_t>(t->code, t->code + c.codes.size()), c.codes);
        EXPECT_EQ(std::vector<uint8_t>(t->lock, t->lock + c.locks.size()), c.locks);
    }
}

TEST_F(SensorConfigTest, LongCodeListIsReadWhole) {
    // 200 codes take 600 characters: all of them count.
    std::string set = "DPISET=", hw = "DPIHW=";
    for (int i = 0; i < 200; ++i) {
        set += std::to_string(100 + 10 * i) + ",";
        char code[4];
        std::snprintf(code, sizeof(code), "%02X,", i);
        hw += code;
    }
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\nDM=1\nDPI=100\n" + set + "\n" + hw + "\n"), 1);
    EXPECT_EQ(Messages(), Texts{});
    const SensorDpiTable* t = FindSensorDpiTable(0x3050);
    EXPECT_EQ(t->nSteps, 200u);
    EXPECT_EQ(t->code[199], 199);
    EXPECT_EQ(Dpi_To_HwDpi(0x3050, 2090), 199);
}

TEST_F(SensorConfigTest, MarksStopAtTheFirstMissingOne) {
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\nMark1=10,20,30,40\nMark2=1,2,3\n"
                   "Mark3=5,6,7,8,9\nMark5=1,1,1,1\n"),
              1);
    EXPECT_EQ(Messages(), Texts{"Error: Mark value error"});
    const SensorCfg& cfg = g_SensorCfg[0];
    EXPECT_EQ(cfg.rcMark[0], (settings::Rect{10, 20, 40, 60}));
    EXPECT_EQ(cfg.rcMark[1], (settings::Rect{0, 0, 0, 0}));
    EXPECT_EQ(cfg.rcMark[2], (settings::Rect{5, 6, 12, 14}));
    EXPECT_EQ(cfg.rcMark[4], (settings::Rect{0, 0, 0, 0}));
}

TEST_F(SensorConfigTest, KeyLines) {
    settings::g_opt.ExKey2 = 0x1234;
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\nKM=4\n"
                   "K1_1=1,1,0,1\n"
                   "K2_1=2,1141,41,2\n"       // Left Ctrl + A, B; only the low 4 modifier bits
                   "K3_1=8,A4,64,3\n"         // special function with a value
                   "K4_1=8,A5,64,4\n"         // special function without one
                   "K5_1=0B,1,0,5\n"          // extended key 2
                   "K6_1=1,2,3\n"             // three pieces: not accepted
                   "K7_1=zz,1,1,7\n"          // not a number: not accepted
                   "K8_1=0x5,0,0,111,extra\n" // pieces after the fourth are ignored
                   "K2_2=2,42,4,2\n"          // mode 2 builds on what mode 1 left
                   "K16_2=1,2,0,10\n"),
              1);
    EXPECT_EQ(Messages(), Texts{});
    const SensorCfg& cfg = g_SensorCfg[0];

    struct Expected {
        int mode, key;
        uint32_t funId;
        int32_t matrix;
        uint32_t combo, parameter;
    } const expected[] = {
        {0, 0, 0x01000001, 1, 0, 0},
        {0, 1, 0x020000A1, 2, 0x00114101, 0},
        {0, 2, 0x080000A4, 3, 0, 0x64},
        {0, 3, 0x080000A5, 4, 0, 0},
        {0, 4, 0x0B000001, 5, 0, 0x1234},
        {0, 5, 0, 0, 0, 0},
        {0, 6, 0, 0, 0, 0},
        {0, 7, 0x05000000, 0x11, 0, 0},
        {1, 0, 0x01000001, 1, 0, 0},
        {1, 1, 0x020000A1, 2, 0x00004205, 0}, // modifier bits OR-ed into mode 1's
        {1, 15, 0x01000002, 0x10, 0, 0},
        // Mode 3 has no lines: it copies mode 1, not mode 2.
        {2, 1, 0x020000A1, 2, 0x00114101, 0},
        {2, 15, 0, 0, 0, 0},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(testing::Message() << "mode " << e.mode << " key " << e.key);
        const KeyInfo& k = cfg.keys[e.mode][e.key];
        EXPECT_EQ(k.dwFunID, e.funId);
        EXPECT_EQ(k.nMatrixIndex, e.matrix);
        EXPECT_EQ(k.stCombo, e.combo);
        EXPECT_EQ(k.dwParameter, e.parameter);
    }
}

TEST_F(SensorConfigTest, KeyCountAndEmptyModes) {
    struct Case {
        const char* name;
        const char* lines;
        Texts messages;
        uint32_t mode1, mode2, mode3; // dwFunID of key 1
    } const cases[] = {
        {"fewer lines than keys",
         "K1_1=1,1,0,1\nK1_2=1,2,0,1\n",
         {"Error: Key num to small", "Error: Key num to small"},
         0x01000001,
         0x01000002,
         0x01000001},
        {"only mode 2 has lines", "K1_2=1,2,0,1\nK2_2=1,2,0,2\n", {}, 0, 0x01000002, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        ASSERT_EQ(Load(std::string("[SENSOR_1]\nSensor=0x3050\nKM=4\n") + c.lines), 1);
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(g_SensorCfg[0].keys[0][0].dwFunID, c.mode1);
        EXPECT_EQ(g_SensorCfg[0].keys[1][0].dwFunID, c.mode2);
        EXPECT_EQ(g_SensorCfg[0].keys[2][0].dwFunID, c.mode3);
    }
}

TEST_F(SensorConfigTest, ExtendedKeys) {
    struct Case {
        const char* line;
        uint32_t funId, parameter;
        Texts messages;
    } const cases[] = {
        {"K1_1=B,0,0,1", 0x0B000000, 0x77, {}},
        {"K1_1=B,3,0,1", 0x0B000003, 0, {"Error: UnSet ExKey Value"}},
        {"K1_1=B,4,0,1", 0x0B000004, 0, {"Error: UnSet ExKey Value"}},
        {"K1_1=B,5,0,1", 0x0B000005, 0, {"Error: Wrong ExKey Index", "Error: UnSet ExKey Value"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        m_messages.Clear();
        settings::g_opt.ExKey1 = 0x77;
        settings::g_opt.ExKey4 = 0;
        const std::u16string path = m_dir.Write("keys.ini", std::string("[S]\n") + c.line + "\n");
        KeyInfo keys[kKeysPerMode] = {};
        EXPECT_EQ(LoadSensorKeys(u"S", 0, path, keys), 1);
        EXPECT_EQ(keys[0].dwFunID, c.funId);
        EXPECT_EQ(keys[0].dwParameter, c.parameter);
        EXPECT_EQ(Messages(), c.messages);
    }
}

TEST_F(SensorConfigTest, SetCurSensorSearchesTheFirstTenSlots) {
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\n[SENSOR_2]\nSensor=0x3370\n"
                   "[SENSOR_11]\nSensor=0x3335\nDPI=100,200,300,400,500,600\n"),
              1);
    ASSERT_EQ(Messages(), Texts{});

    struct Case {
        uint32_t sensor;
        SensorCfg* cfg;
        Texts messages;
    } const cases[] = {
        {0x3370, &g_SensorCfg[1], {}},
        {0x3050, &g_SensorCfg[0], {}},
        {0x3335, nullptr, {"Error: set_cur_sensor:  pSensorCfg=null for 0x3335"}},
        {0, nullptr, {"Error: set_cur_sensor:  pSensorCfg=null for 0x0000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.sensor);
        m_messages.Clear();
        set_cur_sensor(c.sensor);
        EXPECT_EQ(g_nCurSensor, c.sensor);
        EXPECT_EQ(pSensorCfg, c.cfg);
        EXPECT_EQ(Messages(), c.messages);
    }

    // The active sensor decides the conversions.
    set_cur_sensor(0x3370);
    EXPECT_EQ(HwDpi_To_Dpi(1, 100), 10100);
    set_cur_sensor(0x3050);
    EXPECT_EQ(HwDpi_To_Dpi(1, 100), 0);
}

TEST_F(SensorConfigTest, LoadingAgainStartsFromEmptySlots) {
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\n[SENSOR_2]\nSensor=0x3370\n"), 1);
    ASSERT_EQ(Load("[SENSOR_1]\nSensor=0x3050\n"), 1);
    EXPECT_EQ(Messages(), Texts{});
    EXPECT_EQ(g_SensorCfg[1].nSensor, 0);
}

} // namespace
