// The window thread switches the active sensor while the apply worker writes
// and while a worker reads the device. Each request takes the sensor it
// started with; under ThreadSanitizer (tsan preset) any unguarded access to
// the active sensor fails this test.

#include "model/SensorCatalogue.h"
#include "sync/ApplyWorker.h"
#include "sync/DeviceRead.h"

#include "sync/SyncFixture.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kSensors[] = {0x3325, 0x3335};

class SensorSwitchTest : public testutil::SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        ASSERT_NE(FindSensorCfg(kSensors[0]), nullptr);
        ASSERT_NE(FindSensorCfg(kSensors[1]), nullptr);
    }
    void TearDown() override {
        StopApply();
        set_cur_sensor(kSensors[0]);
        SyncTest::TearDown();
    }
    // Switches between the two sensors until `done` says stop; returns how
    // often it switched.
    template <typename Done> int SwitchUntil(Done done) {
        int switches = 0;
        while (!done()) {
            set_cur_sensor(kSensors[switches % 2]);
            ++switches;
            std::this_thread::yield();
        }
        return switches;
    }

    testutil::MessageRecorder boxes;
    testutil::RecordingPoster mainWnd;
};

TEST_F(SensorSwitchTest, SwitchDuringApplies) {
    InitApply(&mainWnd, driver.get(), nullptr, &m_mouse);
    constexpr int kRequests = 12;
    for (int i = 0; i < kRequests; ++i)
        PostApply(APPLY_DPI | APPLY_DPI_COUNT | APPLY_DPI_COLOR, kApplyAll);
    const int switches = SwitchUntil([] { return WaitApplyIdle(std::chrono::milliseconds(0)); });
    EXPECT_GT(switches, 0);
    // Every request reached the device: each one writes the level count.
    EXPECT_EQ(rec.Count("Set DPI --------"), kRequests);
}

TEST_F(SensorSwitchTest, SwitchDuringARead) {
    auto levelsOf = [](const ProfileRecord& r) {
        std::vector<int32_t> dpi;
        for (const DpiLevelRecord& level : r.DpiLevel)
            dpi.push_back(level.nDpiX);
        return dpi;
    };
    // The same memory read with each sensor active, one after the other.
    std::vector<int32_t> expected[2];
    for (int s = 0; s < 2; ++s) {
        set_cur_sensor(kSensors[s]);
        ProfileRecord r{};
        ASSERT_EQ(ReadDevCfg(r, ctx, *driver), 1);
        expected[s] = levelsOf(r);
    }

    std::atomic<bool> finished{false};
    ProfileRecord read{};
    int result = -1;
    std::thread reader([&] {
        result = ReadDevCfg(read, ctx, *driver);
        finished = true;
    });
    const int switches = SwitchUntil([&] { return finished.load(); });
    reader.join();
    EXPECT_GT(switches, 0);
    ASSERT_EQ(result, 1);
    // Every level is decoded for the one sensor the read started with.
    const std::vector<int32_t> got = levelsOf(read);
    EXPECT_TRUE(got == expected[0] || got == expected[1]);
}

} // namespace
