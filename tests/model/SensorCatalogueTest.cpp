// The built-in DPI tables and the conversions between DPI and hardware codes.

#include "model/SensorCatalogue.h"

#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SensorCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { Build(true); }
    void TearDown() override {
        ResetSensorCatalogue();
        settings::g_opt = {};
    }

    static void Build(bool step200) {
        settings::g_opt = {};
        settings::g_opt.n3325Setp200 = step200 ? 1 : 0;
        ResetSensorCatalogue();
        BuildSensorDpiTables();
    }

    // Makes `sensorId` the sensor HwDpi_To_Dpi works for.
    static void MakeActive(uint32_t sensorId) {
        g_SensorCfg[0].nSensor = int32_t(sensorId);
        pSensorCfg = &g_SensorCfg[0];
    }
};

struct SlotCase {
    int slot;
    uint32_t sensor;
    uint32_t steps;
    int32_t firstDpi, lastDpi;
};

TEST_F(SensorCatalogueTest, BuildsNineSlotsInOrder) {
    const SlotCase cases[] = {
        {0, 0x3050, 11, 500, 4000},  {1, 0x3330, 192, 50, 12000}, {2, 0x3104, 35, 600, 4000},
        {3, 0x3212, 19, 600, 2400},  {4, 0x3325, 74, 200, 10000}, {5, 0x3335, 160, 100, 16000},
        {6, 0x4090, 74, 200, 10000}, {7, 0x3336, 192, 50, 12000}, {8, 0x3370, 290, 50, 19000},
    };
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot);
        const SensorDpiTable& t = g_SensorDpiTable[c.slot];
        EXPECT_EQ(t.nSensor, c.sensor);
        EXPECT_EQ(t.nSteps, c.steps);
        EXPECT_EQ(t.dpi[0], c.firstDpi);
        EXPECT_EQ(t.dpi[c.steps - 1], c.lastDpi);
        EXPECT_EQ(t.dpi[c.steps], 0);
        EXPECT_EQ(FindSensorDpiTable(c.sensor), &t);
        for (uint32_t i = 1; i < t.nSteps; ++i)
            ASSERT_GT(t.dpi[i], t.dpi[i - 1]) << "step " << i;
        // Only 0x3050 has built-in lock codes.
        for (uint32_t i = 0; i < t.nSteps; ++i)
            ASSERT_EQ(t.lock[i], c.sensor == 0x3050 ? i + 1 : 0u) << "step " << i;
    }
    for (int slot = 9; slot < kSensorSlots; ++slot)
        EXPECT_EQ(g_SensorDpiTable[slot].nSensor, 0u) << "slot " << slot;
    // Free slots hold id 0, which never names a sensor.
    EXPECT_EQ(FindSensorDpiTable(0), nullptr);
    EXPECT_EQ(FindSensorDpiTable(0x9800), nullptr);
}

struct CodeCase {
    uint32_t sensor;
    int32_t dpi;
    uint8_t code;
};

TEST_F(SensorCatalogueTest, StepsCarryTheirHardwareCodes) {
    const CodeCase cases[] = {
        {0x3050, 500, 1},
        {0x3050, 4000, 11},
        {0x3330, 7200, 143},
        {0x3330, 7300, 144},
        {0x3104, 600, 0x10},
        {0x3104, 1000, 0x1B},
        {0x3104, 4000, 0x69},
        {0x3212, 1000, 0x1A},
        {0x3212, 2400, 0x3F},
        {0x3325, 200, 0x04},
        {0x3325, 2600, 0x3B},
        {0x3325, 5000, 0x73},
        {0x3335, 100, 0x00},
        {0x3335, 200, 0x02},
        {0x3335, 16000, 0xBD},
        {0x3336, 7200, 143},
        {0x3370, 10000, 199},
        {0x3370, 10100, 100},
        {0x3370, 19000, 189},
        // High steps take the code of the base step with half their DPI.
        {0x3325, 5200, 0x3B},
        {0x3325, 10000, 0x73},
        {0x4090, 5200, 0x3B},
        {0x4090, 10000, 0x73},
        {0x3336, 7300, 72},
        {0x3336, 12000, 119},
    };
    for (const CodeCase& c : cases) {
        const SensorDpiTable* t = FindSensorDpiTable(c.sensor);
        ASSERT_NE(t, nullptr);
        bool found = false;
        for (uint32_t i = 0; i < t->nSteps; ++i) {
            if (t->dpi[i] == c.dpi) {
                EXPECT_EQ(t->code[i], c.code) << std::hex << c.sensor << std::dec << " " << c.dpi;
                found = true;
            }
        }
        EXPECT_TRUE(found) << std::hex << c.sensor << std::dec << " " << c.dpi;
    }
}

TEST_F(SensorCatalogueTest, Setp200ChoosesTheHighStepsOf3325) {
    struct Case {
        bool step200;
        std::vector<int32_t> high;
    } const cases[] = {
        {false, {6000, 7000, 8000, 9000, 10000}},
        {true,
         [] {
             std::vector<int32_t> v;
             for (int32_t d = 5200; d <= 10000; d += 200)
                 v.push_back(d);
             return v;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step200 ? "3325Setp200 on" : "3325Setp200 off");
        Build(c.step200);
        const SensorDpiTable* t = FindSensorDpiTable(0x3325);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->nSteps, kBaseSteps3325 + c.high.size());
        for (size_t k = 0; k < c.high.size(); ++k)
            EXPECT_EQ(t->dpi[kBaseSteps3325 + k], c.high[k]);
        // 0x4090 keeps its 200-DPI high steps either way.
        EXPECT_EQ(FindSensorDpiTable(0x4090)->nSteps, 74u);
    }

    // 5200 is not a step without the option: it maps to nothing.
    Build(false);
    int32_t flag = 7;
    EXPECT_EQ(Dpi_To_HwDpi(0x3325, 5200, &flag), 0);
    EXPECT_EQ(flag, 7);
    int32_t high = 0;
    EXPECT_EQ(Dpi_To_HwDpi(0x3325, 6000, &high), 0x45); // code of 3000
    EXPECT_EQ(high, 1);
}

constexpr int32_t kUntouched = 7;

struct ToHwCase {
    uint32_t sensor;
    int32_t dpi;
    uint8_t code;
    int32_t flag; // kUntouched: the flag is left alone
};

TEST_F(SensorCatalogueTest, DpiToHwDpi) {
    const ToHwCase cases[] = {
        // 0x3330 is computed: 50 DPI per code, above 7200 half the DPI with the flag.
        {0x3330, 7200, 143, 0},
        {0x3330, 7300, 72, 1},
        {0x3330, 12000, 119, 1},
        {0x3330, 50, 0, 0},
        {0x3325, 5000, 0x73, 0},
        {0x3325, 10000, 0x73, 1},
        {0x3325, 5200, 0x3B, 1},
        {0x3325, 5050, 0, kUntouched}, // between steps
        {0x4090, 5000, 0x73, 0},
        {0x4090, 5200, 0x3B, 1},
        {0x3336, 7200, 143, 0},
        {0x3336, 7300, 72, 1},
        {0x3370, 10000, 199, 0},
        {0x3370, 10100, 100, 1},
        {0x3370, 19000, 189, 1},
        {0x3370, 19100, 0, kUntouched},
        // Sensors without a high range never touch the flag.
        {0x3050, 500, 1, kUntouched},
        {0x3050, 600, 0, kUntouched},
        {0x3104, 4000, 0x69, kUntouched},
        {0x3335, 16000, 0xBD, kUntouched},
        {0x9800, 1000, 0, kUntouched}, // no table
        {0, 1000, 0, kUntouched},
    };
    for (const ToHwCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.sensor << std::dec << " " << c.dpi);
        int32_t flag = kUntouched;
        EXPECT_EQ(Dpi_To_HwDpi(c.sensor, c.dpi, &flag), c.code);
        EXPECT_EQ(flag, c.flag);
        EXPECT_EQ(Dpi_To_HwDpi(c.sensor, c.dpi), c.code); // the flag is optional
    }
}

struct ToDpiCase {
    uint32_t sensor;
    int32_t flag;
    uint8_t code;
    int32_t dpi;
};

TEST_F(SensorCatalogueTest, HwDpiToDpi) {
    const ToDpiCase cases[] = {
        {0x3330, 1, 72, 7300},    {0x3330, 0, 143, 7200},
        {0x3325, 1, 0x73, 10000}, {0x3325, 0, 0x73, 5000},
        {0x3325, 1, 0x3B, 5200},  {0x3325, 1, 0x04, 0}, // no high step has the code of 200
        {0x3370, 1, 100, 10100},  {0x3370, 0, 100, 5050},
        {0x3370, 0, 199, 10000},  {0x3336, 1, 72, 7300},
        {0x3336, 0, 143, 7200},   {0x3336, 1, 119, 12000},
        {0x4090, 1, 0x73, 10000}, {0x4090, 0, 0x04, 200},
        {0x4090, 0, 0xFF, 0},     {0x3050, 0, 11, 4000},
        {0x3050, 0, 12, 0},       {0x3104, 0, 0x69, 4000},
        {0x9800, 0, 1, 0}, // configured sensor without a table
    };
    for (const ToDpiCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << c.sensor << " " << c.flag << " " << int(c.code));
        MakeActive(c.sensor);
        EXPECT_EQ(HwDpi_To_Dpi(c.flag, c.code), c.dpi);
    }

    pSensorCfg = nullptr;
    EXPECT_EQ(HwDpi_To_Dpi(0, 1), 0);
}

// Every step of every built-in table survives the way to the device and back.
TEST_F(SensorCatalogueTest, EveryStepRoundTrips) {
    for (bool step200 : {false, true}) {
        Build(step200);
        for (int slot = 0; slot < 9; ++slot) {
            const SensorDpiTable& t = g_SensorDpiTable[slot];
            MakeActive(t.nSensor);
            for (uint32_t i = 0; i < t.nSteps; ++i) {
                int32_t flag = 0;
                const uint8_t code = Dpi_To_HwDpi(t.nSensor, t.dpi[i], &flag);
                ASSERT_EQ(HwDpi_To_Dpi(flag, code), t.dpi[i])
                    << std::hex << t.nSensor << std::dec << " step " << i << " setp200 " << step200;
            }
        }
    }
}

TEST_F(SensorCatalogueTest, DefaultDpiLevels) {
    struct Case {
        uint32_t sensor;
        std::vector<int32_t> levels; // empty: none
    } const cases[] = {
        {0x3050, {750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}},
        {0x3370, {750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}},
        {0x3212, {750, 1000, 1600, 2400, 3200, 4000, 5000, 7200}},
        {0x3325, {800, 1200, 2000, 3200, 4000, 5200, 6000, 8000}},
        {0x3330, {1000, 1500, 2000, 3000, 4000, 5000, 6000, 7200}},
        {0x5090, {500, 1000, 1250, 1500, 2000, 2500, 3000, 3500}},
        {0x9800, {1000, 1500, 2000, 3000, 3500, 4000, 5000, 8200}},
        {0x3336, {}},
        {0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.sensor);
        const int32_t* levels = GetDefaultDpiLevels(c.sensor);
        if (c.levels.empty()) {
            EXPECT_EQ(levels, nullptr);
            continue;
        }
        ASSERT_NE(levels, nullptr);
        EXPECT_EQ(std::vector<int32_t>(levels, levels + kDpiLevels), c.levels);
    }
}

} // namespace
