// How the device link copes with what a real receiver's HID stack does and
// the virtual receiver does not by itself: an error code that a log write
// replaces, a report the receiver never takes, interfaces that vanish without
// a removal notice, foreign reports on the notification interface, and the
// library's account of a search that found nothing.

#include "DriverFixture.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

using testutil::DriverTest;

// The virtual receiver's library with the faults of a real HID stack laid on
// top: SetFeature can be made to fail with a given reason, and the reason
// behaves like GetLastError, which any later system call may replace.
class FaultyLibrary : public HidLibrary {
public:
    explicit FaultyLibrary(std::unique_ptr<sim::VirtualHidLibrary> inner)
        : m_inner(std::move(inner)) {}

    bool Load() override { return m_inner->Load(); }
    void Unload() override { m_inner->Unload(); }
    bool IsLoaded() const override { return m_inner->IsLoaded(); }
    HidHandle OpenHidDevice(uint32_t usagePage, uint32_t usage, const char16_t* pattern,
                            HidAcceptTestA testA, HidAcceptTestB testB, int reserved1,
                            int debugLevel, uint32_t access, uint32_t flags,
                            int reserved2) override {
        return Track(m_inner->OpenHidDevice(usagePage, usage, pattern, testA, testB, reserved1,
                                            debugLevel, access, flags, reserved2));
    }
    bool SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) override {
        ++m_nSends;
        if (const uint32_t error = m_sendError) {
            m_error = error;
            return false;
        }
        return Track(m_inner->SetFeature(cmd, report, length));
    }
    bool GetVersionNumber(HidHandle cmd, uint32_t* version) override {
        return Track(m_inner->GetVersionNumber(cmd, version));
    }
    bool ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) override {
        if (const uint32_t error = m_readError) {
            m_error = error;
            return false;
        }
        return Track(m_inner->ReadReport(notify, buffer, length));
    }
    void CancelBlockedRead(HidHandle notify) override { m_inner->CancelBlockedRead(notify); }
    void Close(HidHandle handle) override { m_inner->Close(handle); }
    uint32_t LastError() const override { return m_error; }
    std::u16string LastSearchReport() const override { return m_searchReport; }

    std::atomic<uint32_t> m_sendError{0}; // nonzero: every SetFeature fails so
    std::atomic<uint32_t> m_readError{0}; // nonzero: every read fails so
    std::atomic<uint32_t> m_error{0};
    std::atomic<int> m_nSends{0};
    std::u16string m_searchReport;

private:
    template <class T> T Track(T result) {
        if (!result)
            m_error = m_inner->LastError();
        return result;
    }
    std::unique_ptr<sim::VirtualHidLibrary> m_inner;
};

constexpr uint32_t kErrorGenFailure = 0x1F;
constexpr uint32_t kErrorSharingViolation = 0x20; // what a log write may leave behind

class LinkFaultsTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        MakeFaultyDriver();
    }
    void MakeFaultyDriver() {
        driver.reset();
        auto faulty =
            std::make_unique<FaultyLibrary>(std::make_unique<sim::VirtualHidLibrary>(receiver));
        hid = faulty.get();
        driver = std::make_unique<CUSBDriver>(std::move(faulty), &poster);
        m_nLostBefore = AllLostMessages();
    }
    // WM_DEVICE_LOST messages posted by the current driver.
    int LostMessages() const { return AllLostMessages() - m_nLostBefore; }
    int AllLostMessages() const {
        int n = 0;
        for (const auto& m : poster.Messages())
            n += m.msg == WM_DEVICE_LOST;
        return n;
    }
    int m_nLostBefore = 0;
    FaultyLibrary* hid = nullptr;
};

TEST_F(LinkFaultsTest, SendErrorsAreLoggedAsTheSendLeftThem) {
    Open();
    // Every log write replaces the reason, as a write to the log file does.
    std::mutex mtx;
    std::vector<std::string> entries;
    settings::SetLogSink([&](const std::string& entry) {
        hid->m_error = kErrorSharingViolation;
        std::lock_guard lock(mtx);
        entries.push_back(entry);
    });
    hid->m_sendError = kErrorGenFailure;
    EXPECT_FALSE(driver->SendCMD(CMD_GET_STATE, 0));
    settings::SetLogSink({});
    std::lock_guard lock(mtx);
    auto has = [&](const std::string& line) {
        return std::find(entries.begin(), entries.end(), line) != entries.end();
    };
    EXPECT_TRUE(has("SendCommand err=0x1f"));
    EXPECT_TRUE(has("SendCMD: err=0x1f"));
}

TEST_F(LinkFaultsTest, AReportTheReceiverNeverTookEndsTheExchangeAtOnce) {
    driver->SetRetry(3);
    Open();
    hid->m_sendError = kHidErrorTimeout;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(driver->SendCMD(CMD_GET_STATE, 0));
    EXPECT_EQ(hid->m_nSends, 1);
    // No pause for a second send, no further tries.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_TRUE(log.Has("SendCommand: the receiver did not take the report in time, err=0x5b4"));
    EXPECT_TRUE(log.Has("SendCMD: err=0x5b4"));
    EXPECT_EQ(LostMessages(), 0);
}

// Interfaces that vanish ask the window once per open pair, whichever side
// (the reader or a send) notices first.
TEST_F(LinkFaultsTest, VanishedInterfacesAskTheWindowToReopenOncePerPair) {
    enum class Side { Read, Send };
    for (Side side : {Side::Read, Side::Send}) {
        SCOPED_TRACE(side == Side::Read ? "read" : "send");
        MakeFaultyDriver();
        Open();
        if (side == Side::Read) {
            receiver->SetUnplugged(true);
            poster.WaitFor(1);
        } else {
            hid->m_sendError = kHidErrorDeviceNotConnected;
        }
        // A send now also finds the interfaces gone; it must not ask again.
        EXPECT_EQ(driver->GetDevState(), 0);
        EXPECT_EQ(LostMessages(), 1);
        EXPECT_EQ(log.Count("SendCommand err=0x48f"), 1);

        // A new pair that fails again asks again.
        receiver->SetUnplugged(false);
        hid->m_sendError = 0;
        ASSERT_TRUE(driver->OpenDevice());
        hid->m_sendError = kHidErrorDeviceNotConnected;
        EXPECT_EQ(driver->GetDevState(), 0);
        EXPECT_EQ(LostMessages(), 2);
    }
}

// A read failing for another reason than a pulled receiver is logged once per
// reason; only a run of them reports the link lost, for the pair it is about.
// Our own cancel at shutdown is neither.
TEST_F(LinkFaultsTest, ReadsThatKeepFailingReportTheLinkLostOnce) {
    constexpr uint32_t kAborted = 995;
    Open();
    const uint32_t pair = driver->PairGeneration();
    hid->m_readError = kAborted;
    receiver->SendEvent(0x08); // wakes the blocked read; the next ones fail
    const auto lost = poster.WaitFor(poster.Messages().size() + 1);
    ASSERT_EQ(LostMessages(), 1);
    EXPECT_EQ(lost.back().wParam, pair);
    EXPECT_EQ(log.Count("NotifyThread: read failed, err=0x3e3"), 1);
    EXPECT_EQ(log.Count("NotifyThread: err=0x3e3, reads keep failing"), 1);

    hid->m_readError = kErrorGenFailure;
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // several more reads
    EXPECT_EQ(log.Count("NotifyThread: read failed, err=0x1f"), 1);
    EXPECT_EQ(LostMessages(), 1) << "once per pair";

    // A new pair starts a new watch; stopping it is our own cancel.
    hid->m_readError = 0;
    ASSERT_TRUE(driver->OpenDevice());
    EXPECT_NE(driver->PairGeneration(), pair);
    log.Clear();
    driver->StopNotify();
    EXPECT_EQ(log.Count("NotifyThread: read failed"), 0);
    EXPECT_EQ(LostMessages(), 1);
}

// The probe tells a receiver that answers, whatever its mouse's state, from
// one that cannot be reached; GetDevState gives 0 for both a mouse asleep and
// an unsent report.
TEST_F(LinkFaultsTest, TheProbeTellsAnAsleepMouseFromAGonePair) {
    struct Case {
        const char* name;
        std::function<void()> fault;
        device::LinkProbe probe;
        int state;
    } cases[] = {
        {"awake", [] {}, device::LinkProbe::Answered, 1},
        {"asleep", [&] { receiver->SetDeviceState(sim::kAsleepState); },
         device::LinkProbe::Answered, sim::kAsleepState},
        {"answer with an error code", [&] { receiver->SetResultCode(2); },
         device::LinkProbe::Answered, 0},
        {"no answer", [&] { receiver->DropNextAnswers(5); }, device::LinkProbe::NoAnswer, -1},
        {"interfaces gone", [&] { hid->m_sendError = kHidErrorDeviceNotConnected; },
         device::LinkProbe::NotSent, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        receiver = std::make_shared<sim::VirtualReceiver>();
        MakeFaultyDriver();
        Open();
        c.fault();
        uint8_t state = 0xEE;
        EXPECT_EQ(driver->ProbeLink(&state), c.probe);
        if (c.state >= 0) {
            EXPECT_EQ(int(state), c.state);
        }
    }
}

TEST_F(LinkFaultsTest, ForeignReportsAreNeitherAnswersNorEvents) {
    Open();
    struct Case {
        const char* name;
        uint8_t id, byte1;
    } cases[] = {
        {"answer-shaped, id 5", 0x05, CMD_GET_STATE},
        {"event-shaped, id 0", 0x00, REPORT_EVENT},
        {"event-shaped, command id", REPORT_ID_CMD, REPORT_EVENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t report[device::kReportSize] = {c.id, c.byte1};
        report[6] = 0xFF; // every event flag
        driver->OnNotifyReport(report);
        EXPECT_EQ(driver->QueuedAnswers(), 0u);
    }
    EXPECT_TRUE(poster.Messages().empty());
    EXPECT_EQ(log.Count("OnNotifyReport: report id 0x5 is not 0x9, dropped"), 1);
    EXPECT_EQ(log.Count("OnNotifyReport:"), 1);
    // Reports of our id are still taken.
    uint8_t answer[device::kReportSize] = {REPORT_ID_NOTIFY, CMD_GET_STATE};
    driver->OnNotifyReport(answer);
    EXPECT_EQ(driver->QueuedAnswers(), 1u);
}

TEST_F(LinkFaultsTest, TheLibrarysSearchReportReachesTheLog) {
    hid->m_searchReport = u"\\\\?\\hid#vid_25a7&pid_fa92&mi_00#8&1&0&0000#{x}: usage page "
                          u"0x1, not the one asked for\n\ncannot open \\\\?\\hid#y: 0x5\n";
    Open();
    log.Clear();
    driver->OpenDevice();
    // Both interfaces' searches, each line of the report once per search.
    EXPECT_EQ(log.Count("FindDev: \\\\?\\hid#vid_25a7&pid_fa92&mi_00#8&1&0&0000#{x}: usage page "
                        "0x1, not the one asked for"),
              2);
    EXPECT_EQ(log.Count("FindDev: cannot open \\\\?\\hid#y: 0x5"), 2);
    // Empty lines are left out.
    const auto entries = log.Entries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "FindDev: "), 0);
}

} // namespace
