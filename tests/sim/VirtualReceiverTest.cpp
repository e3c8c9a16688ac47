#include "sim/VirtualReceiver.h"
#include "sim/VirtualHidLibrary.h"

#include "common/TestUtil.h"
#include "device/CheckByte.h"
#include "device/DeviceEvents.h"
#include "device/ReportFrame.h"
#include "model/InitData.h"
#include "model/SensorCatalogue.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <numeric>
#include <thread>

namespace {

using sim::Memory;
using sim::Report;
using sim::VirtualReceiver;

uint8_t Sum(const uint8_t* p, size_t n) {
    return uint8_t(std::accumulate(p, p + n, 0));
}

// One command through the receiver; its answer (latency 0).
Report Exchange(VirtualReceiver& rx, uint8_t command, uint32_t address = 0,
                std::vector<uint8_t> data = {}, uint8_t length = 0) {
    device::CommandRecord record =
        device::MakeCommandRecord(command, address, data.data(), data.size());
    if (data.empty())
        record[4] = length;
    const device::Report report = device::FrameCommand(record);
    EXPECT_TRUE(rx.SendFeature(report.data(), report.size()));
    Report answer{};
    EXPECT_TRUE(rx.ReadReport(answer.data(), answer.size()));
    return answer;
}

// --- the factory image -------------------------------------------------------

// The factory configuration is what the default product's cfg.ini describes.
TEST(FactoryImage, MatchesTheDefaultProduct) {
    testutil::MessageRecorder boxes;
    ASSERT_TRUE(settings::InitData(testutil::ProductDir()));
    const SensorCfg* cfg = FindSensorCfg(0x3325);
    ASSERT_NE(cfg, nullptr);
    const Memory m = sim::FactoryImage();

    EXPECT_EQ(m[0x00], 1); // 1000 Hz
    EXPECT_EQ(m[0x02], cfg->nLevels);
    EXPECT_LT(m[0x04], cfg->nLevels);
    for (size_t a : {0x00, 0x02, 0x04, 0x0A, 0x4C, 0x4E, 0x50, 0x58, 0x5A, 0x5C})
        EXPECT_EQ(Sum(&m[a], 2), 0x55) << "setting at " << a;
    for (int i = 0; i < cfg->nLevels; ++i) {
        SCOPED_TRACE(i);
        int32_t flag = 0;
        const uint8_t code = Dpi_To_HwDpi(0x3325, cfg->nDpi[i], &flag);
        EXPECT_EQ(m[0x0C + 4 * i], code);
        EXPECT_EQ(m[0x0D + 4 * i], code);
        EXPECT_EQ(m[0x0E + 4 * i], flag);
        const uint32_t c = cfg->crColor[i];
        EXPECT_EQ(m[0x2C + 4 * i] | m[0x2D + 4 * i] << 8 | m[0x2E + 4 * i] << 16, int(c));
    }
    for (size_t a = 0x0C; a < 0x60; a += 4) {
        if (a == 0x4C || a == 0x50 || a == 0x58 || a == 0x5C)
            continue; // settings, not entries
        EXPECT_EQ(Sum(&m[a], 4), 0x55) << "entry at " << a;
    }
    // Buttons 1..8 of key mode 1: left, right, middle, back, forward, DPI
    // cycle, up, down; the rest no function.
    const uint32_t codes[16] = {0x101,    0x201,    0x401,    0x801,    0x1001,   0x102,
                                0x202,    0x302,    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    for (int k = 0; k < 16; ++k) {
        const uint8_t* e = &m[0x60 + 4 * k];
        EXPECT_EQ(uint32_t(e[0] | e[1] << 8 | e[2] << 16), codes[k]) << "slot " << k;
        EXPECT_EQ(Sum(e, 4), 0x55);
    }
    EXPECT_EQ(Sum(&m[0xA0], 7), 0x55);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(m[0x100 + 32 * k], 0);         // no combination events
        EXPECT_EQ(m[0x300 + 0x180 * k], 0);      // no macro name
        EXPECT_EQ(m[0x300 + 0x180 * k + 31], 0); // no macro events
        EXPECT_EQ(m[0x300 + 0x180 * k + 32], 0x55);
    }
    EXPECT_EQ(VirtualReceiver().ReleaseNumber() >> 12, 0); // 0x3325
    ResetSensorCatalogue();
    settings::g_opt = {};
}

// --- commands ------------------------------------------------------------------

TEST(VirtualReceiver, AnswersEveryCommand) {
    VirtualReceiver rx;
    rx.SetLatency(std::chrono::milliseconds(0));
    const Memory factory = rx.ReadMemory();
    struct Case {
        const char* name;
        uint8_t command;
        uint32_t address;
        std::vector<uint8_t> data;
        uint8_t length;
        uint8_t result;
        std::vector<uint8_t> answerData;
    };
    const Case cases[] = {
        {"driver status", CMD_DRV_STATUS, 0, {1}, 0, 0, {}},
        {"state: ready", CMD_GET_STATE, 0, {}, 0, 0, {1}},
        {"power level", CMD_GET_POWER, 0, {}, 0, 0, {sim::kFactoryPowerLevel}},
        {"read", CMD_READ_EEPROM, 0x0C, {}, 3, 0, {factory[0x0C], factory[0x0D], factory[0x0E]}},
        {"write", CMD_WRITE_EEPROM, 0x1A00, {1, 2, 3}, 0, 0, {}},
        {"read back", CMD_READ_EEPROM, 0x1A00, {}, 4, 0, {1, 2, 3, 0}},
        {"read past the end", CMD_READ_EEPROM, 0x1FFA, {}, 10, 1, {}},
        {"write past the end", CMD_WRITE_EEPROM, 0x1FFF, {1, 2}, 0, 1, {}},
        {"unknown command", 0x05, 0, {}, 0, sim::kUnknownCommandResult, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Report a = Exchange(rx, c.command, c.address, c.data, c.length);
        EXPECT_EQ(a[0], 0x09);
        EXPECT_EQ(a[1], c.command);
        EXPECT_EQ(a[2], c.result);
        EXPECT_TRUE(std::equal(c.answerData.begin(), c.answerData.end(), a.begin() + 6));
        EXPECT_EQ(Sum(a.data(), 17), 0x55);
    }
    EXPECT_EQ(rx.DriverStatus(), 1);
    EXPECT_EQ(rx.ReportsReceived(), int(std::size(cases)));
}

TEST(VirtualReceiver, RestoreBringsBackTheFactoryMemoryAndTellsTheHost) {
    VirtualReceiver rx;
    rx.SetLatency(std::chrono::milliseconds(0));
    rx.WriteMemory(0x0C, {0x99, 0x99, 0x00, 0x23});
    const Report answer = Exchange(rx, CMD_RESTORE);
    EXPECT_EQ(answer[2], 0);
    EXPECT_EQ(rx.ReadMemory(), sim::FactoryImage());
    Report event{};
    ASSERT_TRUE(rx.ReadReport(event.data(), event.size()));
    EXPECT_EQ(device::DecodeEvent(event.data()),
              (std::vector<device::DeviceMessage>{{0, DEV_EVT_CONFIG_CHANGED}}));
}

// --- the mouse -------------------------------------------------------------------

TEST(VirtualReceiver, MouseButtonsChangeMemoryAndSendEvents) {
    VirtualReceiver rx;
    rx.SetLatency(std::chrono::milliseconds(0));
    auto next = [&rx] {
        Report r{};
        EXPECT_TRUE(rx.ReadReport(r.data(), r.size()));
        EXPECT_EQ(r[1], REPORT_EVENT);
        EXPECT_EQ(Sum(r.data(), 17), 0x55);
        return device::DecodeEvent(r.data());
    };
    using Msgs = std::vector<device::DeviceMessage>;
    // Six enabled levels, from level 1: 2, 3, 4, 5, 0, 1.
    for (uint32_t level : {2u, 3u, 4u, 5u, 0u, 1u}) {
        rx.PressDpiButton();
        EXPECT_EQ(next(), (Msgs{{level, DEV_EVT_DPI_LEVEL}}));
        const Memory m = rx.ReadMemory();
        EXPECT_EQ(m[0x04], level);
        EXPECT_EQ(Sum(&m[0x04], 2), 0x55);
    }
    for (uint32_t code : {2u, 4u, 8u, 1u}) {
        rx.PressRateButton();
        EXPECT_EQ(next(), (Msgs{{code, DEV_EVT_REPORT_RATE}}));
        EXPECT_EQ(rx.ReadMemory()[0x00], code);
    }
    rx.SwitchLight(0x40, false);
    EXPECT_EQ(next(), (Msgs{{0, DEV_EVT_LOGO_LIGHT}}));
    rx.SwitchLight(0x40, true);
    EXPECT_EQ(next(), (Msgs{{1, DEV_EVT_LOGO_LIGHT}}));
    rx.SwitchLight(0x80, false);
    rx.SendEvent(0xA5); // several flags in one report
    next();
    EXPECT_EQ(next(), (Msgs{{1, DEV_EVT_DPI_LEVEL},
                            {0, DEV_EVT_CONFIG_CHANGED},
                            {1, DEV_EVT_DPI_LIGHT},
                            {0, DEV_EVT_MAIN_LIGHT}}));
}

// --- faults ------------------------------------------------------------------------

TEST(VirtualReceiver, InjectsFaults) {
    VirtualReceiver rx;
    rx.SetLatency(std::chrono::milliseconds(0));
    const device::Report state = device::FrameCommand(device::MakeCommandRecord(CMD_GET_STATE));

    rx.DropNextAnswers(1);
    EXPECT_TRUE(rx.SendFeature(state.data(), state.size()));
    EXPECT_EQ(Exchange(rx, CMD_GET_POWER)[1], CMD_GET_POWER); // the state answer never came

    rx.SetResultCodeForNext(2, 7);
    EXPECT_EQ(Exchange(rx, CMD_GET_STATE)[2], 7);
    EXPECT_EQ(Exchange(rx, CMD_WRITE_EEPROM, 0x1A00, {9})[2], 7);
    EXPECT_EQ(rx.ReadMemory()[0x1A00], 0); // refused, not written
    EXPECT_EQ(Exchange(rx, CMD_GET_STATE)[2], 0);

    rx.SetSendsFail(true);
    EXPECT_FALSE(rx.SendFeature(state.data(), state.size()));
    rx.SetSendsFail(false);

    rx.SetUnplugged(true);
    EXPECT_FALSE(rx.Open());
    EXPECT_FALSE(rx.SendFeature(state.data(), state.size()));
    uint8_t buf[17];
    EXPECT_FALSE(rx.ReadReport(buf, 17));
    rx.SetUnplugged(false);
    EXPECT_EQ(Exchange(rx, CMD_GET_STATE)[6], 1);
}

TEST(VirtualReceiver, AnswersKeepTheirOrderAndLatency) {
    VirtualReceiver rx;
    rx.SetLatency(std::chrono::milliseconds(15));
    const device::Report a = device::FrameCommand(device::MakeCommandRecord(CMD_GET_STATE));
    const device::Report b = device::FrameCommand(device::MakeCommandRecord(CMD_GET_POWER));
    rx.SendFeature(a.data(), a.size());
    rx.SetLatency(std::chrono::milliseconds(0));
    rx.SendFeature(b.data(), b.size()); // ready earlier, but leaves second
    uint8_t out[17];
    ASSERT_TRUE(rx.ReadReport(out, 17));
    EXPECT_EQ(out[1], CMD_GET_STATE);
    ASSERT_TRUE(rx.ReadReport(out, 17));
    EXPECT_EQ(out[1], CMD_GET_POWER);
}

// Runs `read` on a thread of its own while `meanwhile` runs on this one. The
// read must end within a couple of seconds; one still blocked then is ended
// by `unblock`, so a lost cancel fails the test instead of hanging it.
struct ReadOutcome {
    bool endedSoon;
    bool result;
};
ReadOutcome RunRead(const std::function<bool()>& read, const std::function<void()>& meanwhile,
                    const std::function<void()>& unblock) {
    std::promise<bool> done;
    std::future<bool> ended = done.get_future();
    std::thread reader([&] { done.set_value(read()); });
    meanwhile();
    const bool soon = ended.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!soon)
        unblock();
    reader.join();
    return {soon, ended.get()};
}

void WaitForBlockedReads(const VirtualReceiver& rx, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (rx.BlockedReads() != count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(rx.BlockedReads(), count);
}

// A cancel ends the read in progress or, when the reader has not reached its
// read yet, the next read as soon as it starts: a caller joins its reader
// right after cancelling and must not wait for ever. One cancel ends one read.
TEST(VirtualReceiver, CancelEndsTheReadInProgressOrElseTheNextOne) {
    for (const bool cancelFirst : {false, true}) {
        SCOPED_TRACE(cancelFirst ? "cancel, then read" : "read blocked, then cancel");
        VirtualReceiver rx;
        if (cancelFirst)
            rx.CancelReads();
        uint8_t out[17];
        const ReadOutcome read = RunRead(
            [&] { return rx.ReadReport(out, 17); },
            [&] {
                if (!cancelFirst) {
                    WaitForBlockedReads(rx, 1);
                    rx.CancelReads();
                }
            },
            [&] { rx.CancelReads(); });
        EXPECT_TRUE(read.endedSoon);
        EXPECT_FALSE(read.result);
        EXPECT_EQ(Exchange(rx, CMD_GET_STATE)[1], CMD_GET_STATE);
    }
}

// Through the HID binding a cancel belongs to its notification handle, as on
// Windows: it waits for that handle's next read, leaves other handles' reads
// alone, and dies with the handle. Closing a handle ends a read blocked on it.
TEST(VirtualHidLibrary, CancelBelongsToItsNotificationHandle) {
    auto rx = std::make_shared<VirtualReceiver>();
    rx->SetLatency(std::chrono::milliseconds(0));
    sim::VirtualHidLibrary lib(rx);
    ASSERT_TRUE(lib.Load());
    auto openNotify = [&] {
        return lib.OpenHidDevice(0xFF01, 0, u"VID_25a7&PID_fa92", nullptr, nullptr, 0, 0, 0, 0, 0);
    };
    const device::Report state = device::FrameCommand(device::MakeCommandRecord(CMD_GET_STATE));
    uint8_t out[17];

    HidHandle a = openNotify();
    HidHandle b = openNotify();
    ASSERT_TRUE(a && b);
    lib.CancelBlockedRead(a); // nobody reads a yet
    ASSERT_TRUE(rx->SendFeature(state.data(), state.size()));
    EXPECT_TRUE(lib.ReadReport(b, out, 17)); // b was not cancelled
    const ReadOutcome cancelled = RunRead([&] { return lib.ReadReport(a, out, 17); }, [] {},
                                          [&] { lib.CancelBlockedRead(a); });
    EXPECT_TRUE(cancelled.endedSoon);
    EXPECT_FALSE(cancelled.result);
    EXPECT_EQ(lib.LastError(), 995u); // aborted, not unplugged

    // A cancel left on a closed handle reaches no later handle.
    lib.CancelBlockedRead(a);
    lib.Close(a);
    HidHandle c = openNotify();
    ASSERT_TRUE(rx->SendFeature(state.data(), state.size()));
    EXPECT_TRUE(lib.ReadReport(c, out, 17));

    const ReadOutcome closed = RunRead(
        [&] { return lib.ReadReport(b, out, 17); },
        [&] {
            WaitForBlockedReads(*rx, 1);
            lib.Close(b);
        },
        [&] { rx->SetUnplugged(true); });
    EXPECT_TRUE(closed.endedSoon);
    EXPECT_FALSE(closed.result);
    lib.Close(c);
    EXPECT_EQ(lib.OpenHandles(), 0u);
}

// --- the state file ------------------------------------------------------------------

TEST(VirtualReceiver, StateFileKeepsTheMemoryAcrossRestarts) {
    testutil::TempDir dir;
    const std::u16string state = dir.File("receiver.bin");
    {
        VirtualReceiver rx(state);
        EXPECT_EQ(platform::ReadWholeFile(state)->size(), sim::kMemorySize); // created
        rx.SetLatency(std::chrono::milliseconds(0));
        Exchange(rx, CMD_WRITE_EEPROM, 0x300, {4, 'a', 0, 'b', 0});
        rx.PressDpiButton();
        rx.SetUnplugged(true);
    }
    {
        VirtualReceiver rx(state);
        const Memory m = rx.ReadMemory();
        EXPECT_EQ(m[0x300], 4);
        EXPECT_EQ(m[0x303], 'b');
        EXPECT_EQ(m[0x04], 2);
        EXPECT_FALSE(rx.Open());
        rx.SetUnplugged(false);
    }
    EXPECT_TRUE(VirtualReceiver(state).Open());
    // A file of the wrong size is replaced by the factory memory.
    dir.Write("receiver.bin", "short");
    EXPECT_EQ(VirtualReceiver(state).ReadMemory(), sim::FactoryImage());
    EXPECT_EQ(platform::ReadWholeFile(state)->size(), sim::kMemorySize);
}

// --- the HID binding -------------------------------------------------------------------

int AcceptA(int, int, int, int feature) {
    return feature == 17;
}
int AcceptB(int, int input) {
    return input == 17;
}
int RejectA(int, int, int, int) {
    return 0;
}

TEST(VirtualHidLibrary, OpensInterfacesByPatternUsagePageAndAcceptTest) {
    auto rx = std::make_shared<VirtualReceiver>();
    sim::VirtualHidLibrary lib(rx);
    EXPECT_EQ(lib.OpenHidDevice(0xFF02, 2, u"VID_25a7&PID_fa92", AcceptA, nullptr, 0, 0, 0, 0, 0),
              nullptr); // not loaded
    ASSERT_TRUE(lib.Load());
    struct Case {
        const char* name;
        uint32_t page;
        const char16_t* pattern;
        HidAcceptTestA a;
        HidAcceptTestB b;
        bool opens;
    };
    const Case cases[] = {
        {"command", 0xFF02, u"VID_25a7&PID_fa92", AcceptA, nullptr, true},
        {"notification", 0xFF01, u"VID_25a7&PID_fa92", nullptr, AcceptB, true},
        {"pattern without case", 0xFF02, u"vid_25A7&pid_FA92", AcceptA, nullptr, true},
        {"other product", 0xFF02, u"VID_25a7&PID_fa99", AcceptA, nullptr, false},
        {"other usage page", 0xFF00, u"VID_25a7&PID_fa92", AcceptA, nullptr, false},
        {"accept test says no", 0xFF02, u"VID_25a7&PID_fa92", RejectA, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HidHandle h = lib.OpenHidDevice(c.page, 0, c.pattern, c.a, c.b, 0, 0, 0, 0, 0);
        EXPECT_EQ(h != nullptr, c.opens);
        lib.Close(h);
    }
    EXPECT_EQ(lib.OpenHandles(), 0u);

    // Reports go to the command handle only; the release number comes from it.
    HidHandle cmd =
        lib.OpenHidDevice(0xFF02, 2, u"VID_25a7&PID_fa92", AcceptA, nullptr, 0, 0, 0, 0, 0);
    HidHandle notify =
        lib.OpenHidDevice(0xFF01, 0, u"VID_25a7&PID_fa92", nullptr, AcceptB, 0, 0, 0, 0, 0);
    const device::Report state = device::FrameCommand(device::MakeCommandRecord(CMD_GET_STATE));
    EXPECT_FALSE(lib.SetFeature(notify, state.data(), 17));
    EXPECT_TRUE(lib.SetFeature(cmd, state.data(), 17));
    uint32_t version = 0;
    EXPECT_TRUE(lib.GetVersionNumber(cmd, &version));
    EXPECT_EQ(version, sim::kFactoryRelease);
    uint8_t out[17];
    EXPECT_TRUE(lib.ReadReport(notify, out, 17));
    rx->SetUnplugged(true);
    EXPECT_FALSE(lib.SetFeature(cmd, state.data(), 17));
    EXPECT_EQ(lib.LastError(), 1167u);
}

} // namespace
