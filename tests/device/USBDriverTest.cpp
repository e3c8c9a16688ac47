#include "DriverFixture.h"

#include "common/TestUtil.h"
#include "model/InitData.h"
#include "model/SensorCatalogue.h"
#include "sync/OpenReceiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using testutil::DriverTest;
using Mode = CUSBDriver::WaitMode;

namespace {

constexpr Mode kModes[] = {Mode::Polling, Mode::Signalled};

const char* Name(Mode mode) {
    return mode == Mode::Polling ? "polling" : "signalled";
}

sim::Report Answer(uint8_t command, uint8_t result, std::vector<uint8_t> data = {}) {
    sim::Report r{};
    r[0] = 0x09;
    r[1] = command;
    r[2] = result;
    std::copy(data.begin(), data.end(), r.begin() + 6);
    return r;
}

// --- simple exchanges -------------------------------------------------------

TEST_F(DriverTest, SimpleExchangesReadTheAnswerData) {
    Open();
    for (Mode mode : kModes) {
        SCOPED_TRACE(Name(mode));
        driver->SetWaitMode(mode);
        receiver->SetDeviceState(1);
        EXPECT_EQ(driver->GetDevState(), 1);
        receiver->SetDeviceState(2);
        EXPECT_EQ(driver->GetDevState(), 2);
        int ok = -1;
        EXPECT_EQ(driver->GetPowerLevel(&ok), sim::kFactoryPowerLevel);
        EXPECT_EQ(ok, 1);
        uint8_t level[2] = {};
        ASSERT_TRUE(driver->ReadEEPROM(0x04, level, 2));
        EXPECT_EQ(level[0], 1); // factory DPI level
        EXPECT_EQ(level[1], 0x54);
    }
}

TEST_F(DriverTest, TellDrvStatusSendsTheStatusByte) {
    Open();
    EXPECT_TRUE(driver->TellDrvStatus(1));
    EXPECT_EQ(receiver->DriverStatus(), 1);
    const auto reports = receiver->ReceivedReports();
    ASSERT_EQ(reports.size(), 1u);
    const sim::Report expected = {0x08, 0x02, 0, 0, 0, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x49};
    EXPECT_EQ(reports[0], expected);
    EXPECT_TRUE(log.Has("TellDrvStatus= 1"));
    EXPECT_TRUE(log.Has("SendCMD: nCmdID=0x2, bData=0x1"));
    EXPECT_TRUE(log.Has("SendCMD: hDev=0x"));
    EXPECT_TRUE(log.Has("SendCommand:  08 02 00 00 00 01 01 "));
    EXPECT_TRUE(log.Has("Read:  09 02 00 "));
}

// Commands other than 2 carry no data, whatever bData says.
TEST_F(DriverTest, SendCMDCarriesDataOnlyForTheDriverStatus) {
    Open();
    EXPECT_TRUE(driver->SendCMD(CMD_GET_STATE, 0x77));
    EXPECT_EQ(receiver->ReceivedReports().at(0)[5], 0);
    EXPECT_EQ(receiver->ReceivedReports().at(0)[6], 0);
}

// --- result codes and retries -----------------------------------------------

struct RetryCase {
    const char* name;
    int retry;
    int badAnswers; // answers with result code 1 before good ones
    bool ok;
    int reports;
    int failedLines; // "WriteEEPROM Failed"
    int retryLines;  // "nRetry="
};

TEST_F(DriverTest, WriteRetriesAnswersWithAResultCode) {
    const RetryCase cases[] = {
        {"retry 3, first answer bad", 3, 1, true, 2, 1, 1},
        {"retry 3, two bad answers", 3, 2, true, 3, 2, 2},
        {"retry 1, bad answer", 1, 1, false, 1, 1, 0},
        {"retry 2, all bad", 2, 5, false, 2, 2, 2},
    };
    Open();
    const uint8_t data[4] = {1, 2, 3, 4};
    for (const RetryCase& c : cases) {
        SCOPED_TRACE(c.name);
        driver->SetRetry(c.retry);
        receiver->SetResultCodeForNext(c.badAnswers, 1);
        receiver->ResetCounters();
        log.Clear();
        EXPECT_EQ(driver->WriteEEPROM(4, 0x200, data, 10), c.ok);
        EXPECT_EQ(receiver->ReportsReceived(), c.reports);
        EXPECT_EQ(log.Count("WriteEEPROM Failed"), c.failedLines);
        EXPECT_EQ(log.Count("nRetry="), c.retryLines);
        if (c.retryLines) {
            EXPECT_TRUE(log.Has("nRetry=1"));
        }
        receiver->SetResultCodeForNext(0, 0);
    }
}

TEST_F(DriverTest, NonZeroResultCodesFailEveryExchange) {
    Open();
    driver->SetRetry(2);
    receiver->SetResultCode(5);
    EXPECT_FALSE(driver->SendCMD(CMD_RESTORE, 0));
    EXPECT_EQ(driver->GetDevState(), -1);
    uint8_t byte = 0xAA;
    EXPECT_FALSE(driver->ReadEEPROM(0, &byte, 1));
    EXPECT_EQ(byte, 0xAA); // nothing copied
    EXPECT_EQ(log.Count("ReadEEPROM Failed"), 2);
    int ok = -1;
    EXPECT_EQ(driver->GetPowerLevel(&ok), 1);
    EXPECT_EQ(ok, 0);
    // Two tries each, one for the power level.
    EXPECT_EQ(receiver->ReportsReceived(), 2 + 2 + 2 + 1);
}

TEST_F(DriverTest, UnknownCommandIsAFailedTry) {
    Open();
    EXPECT_FALSE(driver->SendCMD(0x0B, 0));
    EXPECT_EQ(receiver->ReportsReceived(), 1);
}

// --- lost, foreign and malformed answers ------------------------------------

// A lost answer costs the whole wait (about one second) and, with tries
// left, one more report.
TEST_F(DriverTest, LostAnswerTimesOutThenRetries) {
    struct Case {
        Mode mode;
        int retry;
        bool ok;
        int reports;
    };
    const Case cases[] = {{Mode::Polling, 1, false, 1}, {Mode::Signalled, 2, true, 2}};
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.mode));
        driver->SetWaitMode(c.mode);
        driver->SetRetry(c.retry);
        receiver->DropNextAnswers(1);
        receiver->ResetCounters();
        log.Clear();
        EXPECT_EQ(driver->SendCMD(CMD_GET_STATE, 0), c.ok);
        EXPECT_EQ(receiver->ReportsReceived(), c.reports);
        EXPECT_EQ(log.Count("WaitNotify TimeOut for nCmdID=3, ThreadId=0x"), 1);
    }
}

TEST_F(DriverTest, AnswerToAnotherCommandIsReadPast) {
    Open();
    for (Mode mode : kModes) {
        SCOPED_TRACE(Name(mode));
        driver->SetWaitMode(mode);
        receiver->ResetCounters();
        receiver->InjectBeforeNextAnswer(Answer(CMD_READ_EEPROM, 0, {0xDE, 0xAD}));
        const uint8_t data[2] = {0x11, 0x22};
        EXPECT_TRUE(driver->WriteEEPROM(2, 0x400, data, 10));
        EXPECT_EQ(receiver->ReportsReceived(), 1);
        EXPECT_EQ(log.Count("WaitNotify TimeOut"), 0);
        EXPECT_EQ(receiver->ReadMemory()[0x401], 0x22);
        EXPECT_EQ(driver->QueuedAnswers(), 0u);
    }
}

// The host never checks an answer's check byte.
TEST_F(DriverTest, AnswerWithAWrongCheckByteIsAccepted) {
    for (Mode mode : kModes) {
        SCOPED_TRACE(Name(mode));
        driver->SetWaitMode(mode);
        sim::Report report = Answer(CMD_GET_STATE, 0, {1});
        report[16] = 0x00; // should be 0x4f
        driver->OnNotifyReport(report.data());
        CRetParam answer;
        EXPECT_EQ(driver->WaitNotify(CMD_GET_STATE, answer), 1);
        EXPECT_EQ(answer.Command(), CMD_GET_STATE);
        EXPECT_EQ(answer.Data()[0], 1);
        EXPECT_EQ(answer.m_bData[15], 0x00);
    }
}

// Answers nobody waited for are dropped when the next exchange starts.
TEST_F(DriverTest, StaleAnswersAreEmptiedBeforeAnExchange) {
    Open();
    driver->OnNotifyReport(Answer(CMD_GET_STATE, 0, {7}).data());
    ASSERT_EQ(driver->QueuedAnswers(), 1u);
    receiver->SetDeviceState(1);
    EXPECT_EQ(driver->GetDevState(), 1);
}

// --- sends that fail ---------------------------------------------------------

TEST_F(DriverTest, FailedSendsEndTheExchangeAtOnce) {
    Open();
    driver->SetRetry(3);
    receiver->SetSendsFail(true);

    EXPECT_FALSE(driver->SendCMD(CMD_DRV_STATUS, 1));
    EXPECT_EQ(log.Count("SendCommand err=0x1f"), 1);
    EXPECT_EQ(log.Count("SendCMD: err=0x1f"), 1);
    EXPECT_EQ(log.Count("SendCommand: "), 1); // one report, three SetFeature calls

    EXPECT_EQ(driver->GetDevState(), 0);

    const uint8_t data[25] = {};
    log.Clear();
    EXPECT_FALSE(driver->WriteEEPROM(25, 0x300, data, 10));
    EXPECT_TRUE(log.Has("WriteEEPROM Err, i=0"));
    // A lone shorter chunk fails without naming its index.
    log.Clear();
    EXPECT_FALSE(driver->WriteEEPROM(5, 0x300, data, 10));
    EXPECT_EQ(log.Count("WriteEEPROM Err"), 0);

    log.Clear();
    uint8_t buffer[30];
    EXPECT_FALSE(driver->ReadROM(nullptr, buffer, 0x310, 30));
    EXPECT_TRUE(log.Has("ReadROM Failed at 0: nAddr=0x310"));
}

TEST_F(DriverTest, UnpluggedReceiverFailsAndComesBack) {
    Open();
    receiver->SetUnplugged(true);
    EXPECT_EQ(driver->GetDevState(), 0);
    EXPECT_FALSE(driver->OpenDevice());
    EXPECT_FALSE(driver->ReaderRunning());
    receiver->SetUnplugged(false);
    ASSERT_TRUE(driver->OpenDevice());
    EXPECT_EQ(driver->GetDevState(), 1);
}

// --- memory in chunks ----------------------------------------------------------

TEST_F(DriverTest, WriteEEPROMSplitsIntoChunks) {
    struct Case {
        int length, chunk;
        std::vector<std::pair<int, int>> chunks; // (length, address)
    };
    const Case cases[] = {
        {25, 10, {{10, 0x500}, {10, 0x50A}, {5, 0x514}}},
        {25, 8, {{8, 0x500}, {8, 0x508}, {8, 0x510}, {1, 0x518}}},
        {25, 0, {{10, 0x500}, {10, 0x50A}, {5, 0x514}}},  // 0 means 10
        {25, 16, {{10, 0x500}, {10, 0x50A}, {5, 0x514}}}, // never above 10
        {20, 10, {{10, 0x500}, {10, 0x50A}}},
        {0, 10, {}},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes, chunk " << c.chunk);
        receiver->ResetCounters();
        std::vector<uint8_t> data(size_t(c.length) + 1);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = uint8_t(c.length * 3 + c.chunk + int(i));
        EXPECT_TRUE(driver->WriteEEPROM(c.length, 0x500, data.data(), c.chunk));
        EXPECT_EQ(Chunks(), c.chunks);
        const sim::Memory memory = receiver->ReadMemory();
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + c.length, &memory[0x500]));
    }
}

TEST_F(DriverTest, UnacknowledgedChunkFailsTheWriteButTheRestIsWritten) {
    Open();
    receiver->SetResultCodeForNext(1, 3); // the first chunk's only answer is bad
    uint8_t data[25];
    for (int i = 0; i < 25; ++i)
        data[i] = uint8_t(0xA0 + i);
    EXPECT_FALSE(driver->WriteEEPROM(25, 0x600, data, 10));
    EXPECT_EQ(receiver->ReportsReceived(), 3);
    EXPECT_TRUE(log.Has("WriteEEPROM: chunk 0 at Addr=0x600 not acknowledged"));
    EXPECT_EQ(log.Count("WriteEEPROM: chunk"), 1);
    const sim::Memory memory = receiver->ReadMemory();
    EXPECT_EQ(memory[0x600], 0); // the refused chunk
    EXPECT_TRUE(std::equal(data + 10, data + 25, &memory[0x60A]));
}

TEST_F(DriverTest, WriteEEPROMLogsTheDataIn32ByteLines) {
    Open();
    std::vector<uint8_t> data(40, 0x5A);
    EXPECT_TRUE(driver->WriteEEPROM(40, 0x300, data.data(), 10));
    const auto entries = log.Entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[0], "WriteEEPROM( Addr=0x300 ): ");
    EXPECT_EQ(entries[1].size(), 32u * 3);
    EXPECT_EQ(entries[2].size(), 8u * 3);
}

TEST_F(DriverTest, ReadROMReadsInPiecesAndStopsWhenAsked) {
    Open();
    const sim::Memory memory = receiver->ReadMemory();
    uint8_t buffer[30] = {};
    ASSERT_TRUE(driver->ReadROM(nullptr, buffer, 0x0C, 25));
    EXPECT_EQ(Chunks(), (std::vector<std::pair<int, int>>{{10, 0x0C}, {10, 0x16}, {5, 0x20}}));
    EXPECT_TRUE(std::equal(buffer, buffer + 25, &memory[0x0C]));

    receiver->ResetCounters();
    int calls = 0;
    const CUSBDriver::StopTest stopAtOnce = [&](const uint8_t* piece, int n) {
        ++calls;
        EXPECT_EQ(piece, buffer);
        EXPECT_EQ(n, 10);
        return true;
    };
    ASSERT_TRUE(driver->ReadROM(stopAtOnce, buffer, 0x300, 30));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Chunks(), (std::vector<std::pair<int, int>>{{10, 0x300}}));
}

TEST_F(DriverTest, ReadEEPROMTakesOneToTenBytes) {
    Open();
    uint8_t buffer[11];
    EXPECT_FALSE(driver->ReadEEPROM(0, buffer, 0));
    EXPECT_FALSE(driver->ReadEEPROM(0, buffer, 11));
    EXPECT_EQ(receiver->ReportsReceived(), 0);
}

// --- finding the receiver -------------------------------------------------------

TEST_F(DriverTest, FindsTheReceiverUnderPrimaryOrSecondaryIds) {
    struct Case {
        const char* name;
        uint16_t devicePid, pid, pid2a, pid2b;
        bool open;
        std::vector<std::string> lookedFor;
    };
    const Case cases[] = {
        {"primary", 0xFA92, 0xFA92, 0xFA99, 0, true, {"VID_25a7&PID_fa92"}},
        {"PID 0: secondary only", 0xFA99, 0, 0xFA99, 0, true, {"VID_25a7&PID_fa99"}},
        {"primary missing, second secondary",
         0xFA99,
         0xFA92,
         0,
         0xFA99,
         true,
         {"VID_25a7&PID_fa92", "VID_25a7&PID_fa99"}},
        {"none matches",
         0x1234,
         0xFA92,
         0xFA99,
         0xFA9A,
         false,
         {"VID_25a7&PID_fa92", "VID_25a7&PID_fa99", "VID_25a7&PID_fa9a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        receiver->SetIds(sim::kFactoryVid, c.devicePid);
        settings::g_opt.PID = c.pid;
        settings::g_opt.PID2[0] = c.pid2a;
        settings::g_opt.PID2[1] = c.pid2b;
        MakeDriver();
        log.Clear();
        ASSERT_TRUE(driver->InitDriver());
        EXPECT_EQ(driver->OpenDevice(), c.open);
        std::vector<std::string> lookedFor;
        for (const std::string& e : log.Entries())
            if (e.rfind("FindDev: looking for ", 0) == 0)
                lookedFor.push_back(e.substr(21));
        EXPECT_EQ(lookedFor, c.lookedFor);
        EXPECT_EQ(driver->ReaderRunning(), c.open);
        if (c.open) {
            EXPECT_EQ(driver->GetDevState(), 1); // commands reach the pair found
            EXPECT_EQ(library->OpenHandles(), 2u);
        } else {
            EXPECT_EQ(library->OpenHandles(), 0u);
        }
    }
}

TEST_F(DriverTest, MissingLibraryFindsNoDevice) {
    library->SetLoadable(false);
    EXPECT_FALSE(driver->InitDriver());
    EXPECT_TRUE(log.Has("load dll failed."));
    EXPECT_FALSE(driver->OpenDevice());
    EXPECT_EQ(library->OpenHandles(), 0u);
    EXPECT_EQ(log.Count("FindDev"), 0);
}

// The release number's top digit names the sensor; unknown digits keep the
// active one but still log both lines.
TEST_F(DriverTest, AutoSwPicksTheSensorFromTheReleaseNumber) {
    struct Case {
        uint16_t release;
        uint32_t sensor;
        const char* line;
    };
    const Case cases[] = {
        {0x0102, 0x3325, "bcdDevice=0x0102, nSensor=0"},
        {0x1234, 0x3335, "bcdDevice=0x1234, nSensor=1"},
        {0x2001, 0x3330, "bcdDevice=0x2001, nSensor=2"},
        {0x3000, 0x3330, "bcdDevice=0x3000, nSensor=3"}, // as the case before left it
    };
    testutil::MessageRecorder boxes;
    ASSERT_TRUE(settings::InitData(testutil::ProductDir()));
    settings::g_opt.Debug = 1;
    ASSERT_EQ(settings::g_opt.AutoSw, 1);
    set_cur_sensor(0x3335);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        receiver->SetReleaseNumber(c.release);
        log.Clear();
        MakeDriver();
        ASSERT_TRUE(driver->InitDriver());
        ASSERT_TRUE(OpenReceiver(*driver));
        EXPECT_TRUE(log.Has(c.line));
        EXPECT_EQ(g_nCurSensor, c.sensor);
        char line[40];
        std::snprintf(line, sizeof line, "mouse's sensor is %x", unsigned(c.sensor));
        EXPECT_TRUE(log.Has(line));
    }
    EXPECT_TRUE(boxes.Messages().empty());
    ResetSensorCatalogue();
}

// --- events ---------------------------------------------------------------------

TEST_F(DriverTest, EventsArePostedToTheMainWindow) {
    Open();
    receiver->PressDpiButton(); // level 1 -> 2
    receiver->SendEvent(0x06);  // rate and configuration changed in one report
    const auto messages = poster.WaitFor(3);
    ASSERT_EQ(messages.size(), 3u);
    const std::pair<uintptr_t, intptr_t> expected[] = {{2, 1}, {1, 2}, {0, 3}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(messages[i].msg, WM_DEVICE_BEHAVIOR);
        EXPECT_EQ(messages[i].wParam, expected[i].first);
        EXPECT_EQ(messages[i].lParam, expected[i].second);
    }
    EXPECT_EQ(driver->QueuedAnswers(), 0u);
}

TEST_F(DriverTest, EventsWithoutAWindowAreDropped) {
    Open();
    poster.m_bWindow = false;
    receiver->ConfigChanged();
    // An answer after the event shows the reader got past it.
    EXPECT_EQ(driver->GetDevState(), 1);
    EXPECT_TRUE(poster.Messages().empty());
    EXPECT_EQ(log.Count("Read:  09 0a "), 1);
}

// --- threads --------------------------------------------------------------------

// The configuration reader, the apply worker and the window thread exchange
// at the same time; each gets its own answers.
TEST_F(DriverTest, ConcurrentCallersEachGetTheirOwnAnswers) {
    Open();
    constexpr int kThreads = 4, kRounds = 8;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const uint32_t base = 0x1000 + uint32_t(t) * 0x40;
            for (int r = 0; r < kRounds; ++r) {
                const uint8_t data[4] = {uint8_t(t), uint8_t(r), uint8_t(t ^ r), 0x5A};
                uint8_t back[4] = {};
                int ok = 0;
                if (!driver->WriteEEPROM(4, base + uint32_t(r) * 4, data, 10) ||
                    !driver->ReadEEPROM(base + uint32_t(r) * 4, back, 4) ||
                    std::memcmp(data, back, 4) != 0 || driver->GetDevState() != 1 ||
                    driver->GetPowerLevel(&ok) != sim::kFactoryPowerLevel || ok != 1)
                    ++failures;
            }
        });
    }
    std::thread mouse([&] {
        for (int i = 0; i < 10; ++i) {
            receiver->PressDpiButton();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    for (auto& th : threads)
        th.join();
    mouse.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(receiver->ReportsReceived(), kThreads * kRounds * 4);
    EXPECT_EQ(poster.WaitFor(10).size(), 10u);
}

// Stopping never kills the reader: its blocked read is cancelled and it is
// joined, having logged its exit.
TEST_F(DriverTest, ShutdownWakesTheBlockedReader) {
    Open();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the reader blocks now
    driver->StopNotify();
    EXPECT_FALSE(driver->ReaderRunning());
    EXPECT_EQ(log.Count("Thread exit!"), 1);
    driver.reset();
    EXPECT_EQ(log.Count("ClearHandle"), 1);
}

TEST_F(DriverTest, ReopeningReplacesTheReader) {
    Open();
    ASSERT_TRUE(driver->OpenDevice());
    EXPECT_EQ(log.Count("Thread exit!"), 1);
    EXPECT_EQ(library->OpenHandles(), 2u);
    EXPECT_EQ(driver->GetDevState(), 1);
    // A reader whose reads fail (unplugged) stops as well.
    receiver->SetUnplugged(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    driver.reset();
    EXPECT_EQ(log.Count("Thread exit!"), 2);
}

} // namespace
