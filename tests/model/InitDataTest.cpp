#include "model/InitData.h"

#include "common/TestUtil.h"
#include "model/SensorCatalogue.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

using settings::g_KeyTable;
using settings::Rect;

namespace {

std::string Cfg(const std::string& opt, const std::string& sensorExtra = "") {
    return "[OPT]\nappdir=T\nMacProtocol=1\nSensor=0x3325\n" + opt +
           "\n[SENSOR_1]\nSensor=0x3325\nDM=6\nDPI=800,1200,2000,3200,4000,5000\nMDNUM=9\nKM=32\n"
           "KEYH=13\nKEYY=116\n" +
           sensorExtra;
}

TEST(InitDataTest, LaysKeyButtonsOutInTwoColumns) {
    struct Case {
        const char* opt;
        Rect key0, key2, key12;
    } cases[] = {
        // Pitch is KEYH + 30 = 43; the second column starts 80 pixels right of the first.
        {"", {100, 80, 234, 110}, {100, 166, 234, 196}, {314, 166, 448, 196}},
        {"ptKey=50,0", {50, 116, 184, 146}, {50, 202, 184, 232}, {264, 202, 398, 232}},
        {"KeyNumCol=16", {100, 80, 234, 110}, {100, 166, 234, 196}, {100, 596, 234, 626}},
        // A column longer than the keys holds them all.
        {"KeyNumCol=20", {100, 80, 234, 110}, {100, 166, 234, 196}, {100, 596, 234, 626}},
        // A column count without a first column takes the default.
        {"KeyNumCol=-3", {100, 80, 234, 110}, {100, 166, 234, 196}, {314, 166, 448, 196}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opt);
        testutil::TempDir dir;
        dir.Write("cfg.ini", Cfg(c.opt));
        testutil::MessageRecorder quiet;
        ASSERT_TRUE(settings::InitData(dir.Dir()));
        for (int mode = 0; mode < kKeyModes; ++mode) {
            EXPECT_EQ(g_KeyTable[mode][0].rcHot, c.key0);
            EXPECT_EQ(g_KeyTable[mode][2].rcHot, c.key2);
            EXPECT_EQ(g_KeyTable[mode][12].rcHot, c.key12);
        }
    }
}

TEST(InitDataTest, PowerControlWithoutAColumnStandsUnderTheRateControl) {
    struct Case {
        const char* opt;
        settings::Point power;
    } cases[] = {
        {"", {605, 430}},
        {"ptPower=0,500", {605, 500}},
        {"ptRate=10,20\nptPower=0,7", {10, 7}},
        {"ptPower=3,4", {3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opt);
        testutil::TempDir dir;
        dir.Write("cfg.ini", Cfg(c.opt));
        testutil::MessageRecorder quiet;
        ASSERT_TRUE(settings::InitData(dir.Dir()));
        EXPECT_EQ(settings::g_opt.ptPower, c.power);
    }
}

TEST(InitDataTest, CopiesTheSensorKeysAndSetsMacroLimits) {
    testutil::TempDir dir;
    dir.Write("cfg.ini", Cfg("MinDelay=25", "K1_1=1,11,0,1\nK1_2=1,13,0,1\n"));
    testutil::MessageRecorder quiet;
    ASSERT_TRUE(settings::InitData(dir.Dir()));
    EXPECT_EQ(g_KeyTable[0][0].dwFunID, 0x1000011u);
    EXPECT_EQ(g_KeyTable[1][0].dwFunID, 0x1000013u);
    EXPECT_EQ(g_KeyTable[0][0].nMatrixIndex, 1);
    EXPECT_EQ(settings::g_macroLimits.nMinDelay, 25);
    EXPECT_EQ(settings::g_macroLimits.nMaxDelay, 65535);
    EXPECT_EQ(settings::g_macroLimits.nMaxSteps, 70);
    EXPECT_EQ(settings::g_macroLimits.nMaxBytes, 384);
}

TEST(InitDataTest, StartsFromZeroEachTime) {
    testutil::TempDir dir;
    dir.Write("cfg.ini", Cfg("Pop=1\nExKey1=5"));
    testutil::MessageRecorder quiet;
    ASSERT_TRUE(settings::InitData(dir.Dir()));
    EXPECT_EQ(settings::g_opt.Pop, 1);
    dir.Write("cfg.ini", Cfg(""));
    ASSERT_TRUE(settings::InitData(dir.Dir()));
    EXPECT_EQ(settings::g_opt.Pop, 0);
    EXPECT_EQ(settings::g_opt.ExKey1, 0);
}

TEST(InitDataTest, ReadsTheStepSettingBeforeBuildingTables) {
    testutil::TempDir dir;
    for (auto [setting, highSteps] : {std::pair{"3325Setp200=1", 25u}, std::pair{"", 5u}}) {
        dir.Write("cfg.ini", Cfg(setting));
        testutil::MessageRecorder quiet;
        ASSERT_TRUE(settings::InitData(dir.Dir()));
        EXPECT_EQ(FindSensorDpiTable(0x3325)->nSteps, 49u + highSteps) << setting;
    }
}

TEST(InitDataTest, ShippedProductLoadsWithoutAMessage) {
    testutil::MessageRecorder recorder;
    EXPECT_TRUE(settings::InitData(testutil::ProductDir()));
    EXPECT_EQ(recorder.Texts(), std::vector<std::string>{});
    EXPECT_EQ(g_nCurSensor, 0x3325u);
}

TEST(InitDataTest, BrokenSensorSectionsFailStartUp) {
    for (const char* section : {"MDNUM=4", "KM=33"}) {
        testutil::TempDir dir;
        dir.Write("cfg.ini",
                  "[OPT]\nappdir=T\nMacProtocol=1\nSensor=0x3325\n[SENSOR_1]\nSensor=0x3325\n"
                  "DPI=800,1200,2000,3200,4000,5000\n" +
                      std::string(section) + "\n");
        testutil::MessageRecorder quiet;
        EXPECT_FALSE(settings::InitData(dir.Dir())) << section;
    }
}

} // namespace
