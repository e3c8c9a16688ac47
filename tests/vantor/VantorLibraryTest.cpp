// Vantor.dll through the program's loader: the virtual receiver behind real
// kernel handles (feature reports out, input reports in through a pipe read
// with ReadFile), its control pipe, cancelling a blocked read, and the real
// backend when no receiver is present.

#include "device/win32/VantorLibrary.h"
#include "common/TestUtil.h"
#include "device/CheckByte.h"
#include "sim/StateClaim.h"
#include "sim/VirtualReceiver.h"

#include "VirtualControl.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using sim::Report;
using namespace std::chrono_literals;

constexpr uint32_t kCmdAccess = 0x12019F;
constexpr uint32_t kCmdFlags = 0x40000000;
constexpr uint32_t kNotifyAccess = 0x120089;

// The program's accept tests, and ones that turn every interface down.
int AcceptCommand(int, int, int, int featureLength) {
    return featureLength == 17;
}
int AcceptNotify(int, int inputLength) {
    return inputLength == 17;
}
int RejectCommand(int, int, int, int) {
    return 0;
}
int RejectNotify(int, int) {
    return 0;
}

// Accept tests that note what they were asked.
std::vector<int> g_askedCommand;
std::vector<int> g_askedNotify;
int RecordCommand(int usagePage, int usage, int inputLength, int featureLength) {
    g_askedCommand = {usagePage, usage, inputLength, featureLength};
    return 1;
}
int RecordNotify(int usagePage, int inputLength) {
    g_askedNotify = {usagePage, inputLength};
    return 1;
}

std::u16string Pattern(unsigned vid, unsigned pid) {
    char text[32];
    std::snprintf(text, sizeof text, "VID_%04x&PID_%04x", vid, pid);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

void SetVariable(const wchar_t* name, const std::u16string& value) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr
                                                : reinterpret_cast<const wchar_t*>(value.c_str()));
}

// A command report framed by hand: id 8, code, 0, address, length, data, check.
Report Frame(uint8_t code, uint16_t address, uint8_t length,
             const std::vector<uint8_t>& data = {}) {
    Report r{};
    r[0] = 8;
    r[1] = code;
    r[3] = uint8_t(address >> 8);
    r[4] = uint8_t(address);
    r[5] = length;
    std::copy(data.begin(), data.end(), r.begin() + 6);
    r[16] = CheckByte(r.data(), 16);
    return r;
}

class VantorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state = m_dir.File("receiver.bin");
        SetVariable(kVantorVirtualReceiverVariable, m_state);
        SetVariable(kVantorVirtualPidVariable, u"");
        ASSERT_TRUE(m_lib.Load());
    }
    void TearDown() override {
        for (HidHandle h : m_open)
            m_lib.Close(h);
        SetVariable(kVantorVirtualReceiverVariable, u"");
        SetVariable(kVantorVirtualPidVariable, u"");
    }

    HidHandle Keep(HidHandle h) {
        if (h)
            m_open.push_back(h);
        return h;
    }
    HidHandle OpenCommand(const std::u16string& pattern = Pattern(0x25a7, 0xfa92),
                          HidAcceptTestA test = AcceptCommand) {
        return Keep(m_lib.OpenHidDevice(0xFF02, 2, pattern.c_str(), test, nullptr, 0, 0, kCmdAccess,
                                        kCmdFlags, 0));
    }
    HidHandle OpenNotify(const std::u16string& pattern = Pattern(0x25a7, 0xfa92),
                         HidAcceptTestB test = AcceptNotify) {
        return Keep(m_lib.OpenHidDevice(0xFF01, 0, pattern.c_str(), nullptr, test, 0, 0,
                                        kNotifyAccess, 0, 0));
    }
    void OpenBoth() {
        m_cmd = OpenCommand();
        m_notify = OpenNotify();
        ASSERT_TRUE(m_cmd && m_notify);
    }

    std::string Control(const std::string& command) {
        std::string reply;
        SendVirtualControl(m_state, command, &reply);
        return reply;
    }

    // One report from the notification handle, or none within `wait`; a read
    // still blocked then is cancelled.
    std::optional<Report> Read(std::chrono::milliseconds wait = 2000ms,
                               HidHandle notify = nullptr) {
        notify = notify ? notify : m_notify;
        auto report = std::make_shared<Report>();
        auto read = std::async(std::launch::async, [this, notify, report] {
            return m_lib.ReadReport(notify, report->data(), uint32_t(report->size()));
        });
        if (read.wait_for(wait) == std::future_status::timeout) {
            m_lib.CancelBlockedRead(notify);
            read.get();
            return std::nullopt;
        }
        if (!read.get())
            return std::nullopt;
        return *report;
    }

    // Sends `command` and returns the answer report.
    std::optional<Report> Exchange(const Report& command) {
        if (!m_lib.SetFeature(m_cmd, command.data(), uint32_t(command.size())))
            return std::nullopt;
        return Read();
    }

    testutil::TempDir m_dir;
    std::u16string m_state;
    VantorLibrary m_lib;
    HidHandle m_cmd = nullptr;
    HidHandle m_notify = nullptr;
    std::vector<HidHandle> m_open;
};

TEST_F(VantorTest, ExportsAllSixEntryPointsByPlainName) {
    HMODULE module = GetModuleHandleW(L"Vantor.dll");
    ASSERT_NE(module, nullptr);
    for (const char* name : {"OpenHidDevice", "SetFeature", "GetFeature", "GetInputReport",
                             "GetProductString", "GetVersionNumber"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
}

TEST_F(VantorTest, OpensOnlyTheInterfaceAskedFor) {
    struct Case {
        const char* name;
        bool command; // else the notification interface
        std::u16string pattern;
        HidAcceptTestA testA;
        HidAcceptTestB testB;
        bool opens;
    };
    const std::u16string good = Pattern(0x25a7, 0xfa92);
    const Case cases[] = {
        {"command interface", true, good, AcceptCommand, nullptr, true},
        {"notification interface", false, good, nullptr, AcceptNotify, true},
        {"pattern in upper case", true, u"VID_25A7&PID_FA92", AcceptCommand, nullptr, true},
        {"other product", true, Pattern(0x25a7, 0xfa99), AcceptCommand, nullptr, false},
        {"other vendor", false, Pattern(0x25a8, 0xfa92), nullptr, AcceptNotify, false},
        {"command test says no", true, good, RejectCommand, nullptr, false},
        {"notification test says no", false, good, nullptr, RejectNotify, false},
    };
    for (const Case& c : cases) {
        HidHandle h = c.command ? OpenCommand(c.pattern, c.testA) : OpenNotify(c.pattern, c.testB);
        EXPECT_EQ(h != nullptr, c.opens) << c.name;
        if (!c.opens) {
            EXPECT_EQ(m_lib.LastError(), uint32_t(ERROR_DEVICE_NOT_CONNECTED)) << c.name;
        }
    }

    // Usage page and usage select the collection.
    EXPECT_EQ(Keep(m_lib.OpenHidDevice(0xFF03, 2, good.c_str(), AcceptCommand, nullptr, 0, 0,
                                       kCmdAccess, kCmdFlags, 0)),
              nullptr);
    EXPECT_EQ(Keep(m_lib.OpenHidDevice(0xFF02, 3, good.c_str(), AcceptCommand, nullptr, 0, 0,
                                       kCmdAccess, kCmdFlags, 0)),
              nullptr);
}

TEST_F(VantorTest, UsageZeroMeansTheNotificationTest) {
    ASSERT_NE(OpenCommand(Pattern(0x25a7, 0xfa92), RecordCommand), nullptr);
    ASSERT_NE(OpenNotify(Pattern(0x25a7, 0xfa92), RecordNotify), nullptr);
    EXPECT_EQ(g_askedCommand, (std::vector<int>{0xFF02, 2, 0, 17}));
    EXPECT_EQ(g_askedNotify, (std::vector<int>{0xFF01, 17}));
}

TEST_F(VantorTest, ProductIdComesFromTheEnvironmentWhenGiven) {
    SetVariable(kVantorVirtualPidVariable, u"fa99");
    EXPECT_NE(OpenCommand(Pattern(0x25a7, 0xfa99)), nullptr);
    EXPECT_EQ(OpenCommand(Pattern(0x25a7, 0xfa92)), nullptr);
}

TEST_F(VantorTest, MemoryReadsAnswerThroughTheNotificationHandle) {
    OpenBoth();
    const sim::Memory factory = sim::FactoryImage();
    struct Case {
        uint16_t address;
        uint8_t length;
    };
    for (const Case c : {Case{0x0000, 10}, Case{0x0004, 2}, Case{0x1FF6, 10}}) {
        const std::optional<Report> answer = Exchange(Frame(8, c.address, c.length));
        ASSERT_TRUE(answer) << c.address;
        EXPECT_EQ((*answer)[0], 9);
        EXPECT_EQ((*answer)[1], 8);
        EXPECT_EQ((*answer)[2], 0);
        for (int i = 0; i < c.length; ++i)
            EXPECT_EQ((*answer)[6 + i], factory[c.address + i]) << c.address << "+" << i;
    }
}

TEST_F(VantorTest, WrittenMemoryReadsBack) {
    OpenBoth();
    const std::vector<uint8_t> bytes = {0x11, 0x22, 0x33, 0x44, 0x55};
    const std::optional<Report> written = Exchange(Frame(7, 0x0123, 5, bytes));
    ASSERT_TRUE(written);
    EXPECT_EQ((*written)[1], 7);
    EXPECT_EQ((*written)[2], 0);

    const std::optional<Report> read = Exchange(Frame(8, 0x0123, 5));
    ASSERT_TRUE(read);
    EXPECT_EQ(std::vector<uint8_t>(read->begin() + 6, read->begin() + 11), bytes);
    EXPECT_EQ(Control("peek 0x123 5"), "ok 1122334455");
    EXPECT_EQ(Control("reports"), "ok 2");
}

TEST_F(VantorTest, ReleaseNumberAndProductString) {
    OpenBoth();
    uint32_t version = 0;
    ASSERT_TRUE(m_lib.GetVersionNumber(m_cmd, &version));
    EXPECT_EQ(version, sim::kFactoryRelease);

    auto getProduct = reinterpret_cast<VantorGetProductStringFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"Vantor.dll"), "GetProductString")));
    wchar_t text[8];
    ASSERT_TRUE(getProduct(m_cmd, text, 8));
    EXPECT_EQ(std::wstring(text), L"Tarvel ") << "cut to the buffer, terminated";
}

TEST_F(VantorTest, PowerSetsTheLevelTheBatteryQueryAnswers) {
    OpenBoth();
    for (int level : {3, 10, 11}) {
        ASSERT_EQ(Control("power " + std::to_string(level)), "ok");
        const std::optional<Report> answer = Exchange(Frame(4, 0, 0));
        ASSERT_TRUE(answer) << level;
        EXPECT_EQ((*answer)[1], 4) << level;
        EXPECT_EQ((*answer)[6], level);
    }
    EXPECT_EQ(Control("power 256").rfind("error ", 0), 0u);
}

TEST_F(VantorTest, MouseActionsArriveAsEventReports) {
    OpenBoth();
    struct Case {
        const char* command;
        uint8_t flags;
    };
    for (const Case c : {Case{"dpi", 0x01}, Case{"rate", 0x02}, Case{"config", 0x04},
                         Case{"light 0x40 0", 0x40}, Case{"event 0x18", 0x18}}) {
        EXPECT_EQ(Control(c.command), "ok") << c.command;
        const std::optional<Report> event = Read();
        ASSERT_TRUE(event) << c.command;
        EXPECT_EQ((*event)[0], 9) << c.command;
        EXPECT_EQ((*event)[1], 0x0A) << c.command;
        EXPECT_EQ((*event)[6], c.flags) << c.command;
    }
}

TEST_F(VantorTest, MalformedControlCommandsAreRefused) {
    OpenBoth();
    for (const char* command : {"",
                                "bogus",
                                "dpi 1",
                                "light 0x10 1",
                                "light 0x20 2",
                                "light 0x20",
                                "event 256",
                                "event -1",
                                "result 0x1g",
                                "latency",
                                "sendfail 2",
                                "peek 0x1fff 2",
                                "peek 0 0",
                                "asleep",
                                "asleep 2",
                                "unplug 5",
                                "unplug --notice-delay-ms",
                                "unplug --hid-delay-ms 5",
                                "plug --hid-delay-ms x",
                                "plug --hid-delay-ms 999999"}) {
        const std::string reply = Control(command);
        EXPECT_EQ(reply.rfind("error ", 0), 0u) << "'" << command << "' -> " << reply;
    }
    EXPECT_EQ(Control("reports"), "ok 0") << "no refused command reached the receiver";
}

TEST_F(VantorTest, ControlWithoutAServingProgramFailsCleanly) {
    std::string reply;
    EXPECT_FALSE(SendVirtualControl(m_dir.File("nobody.bin"), "dpi", &reply));
    EXPECT_EQ(reply.rfind("error ", 0), 0u) << reply;
}

TEST_F(VantorTest, InjectedFaultsReachTheProgram) {
    OpenBoth();
    // A non-zero result code is carried in the answer.
    ASSERT_EQ(Control("result 3"), "ok");
    std::optional<Report> answer = Exchange(Frame(3, 0, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[2], 3);
    ASSERT_EQ(Control("result 0"), "ok");

    // A dropped answer never comes; the next one does.
    ASSERT_EQ(Control("drop 1"), "ok");
    ASSERT_TRUE(m_lib.SetFeature(m_cmd, Frame(3, 0, 0).data(), 17));
    EXPECT_FALSE(Read(300ms));
    answer = Exchange(Frame(3, 0, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[1], 3);

    // A mouse asleep: the receiver still answers, with another state.
    ASSERT_EQ(Control("asleep 1"), "ok");
    answer = Exchange(Frame(3, 0, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[2], 0);
    EXPECT_EQ((*answer)[6], sim::kAsleepState);
    ASSERT_EQ(Control("asleep 0"), "ok");
    answer = Exchange(Frame(3, 0, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[6], sim::kFactoryState);

    // Failing sends fail SetFeature with a reason.
    ASSERT_EQ(Control("sendfail 1"), "ok");
    EXPECT_FALSE(m_lib.SetFeature(m_cmd, Frame(3, 0, 0).data(), 17));
    EXPECT_EQ(m_lib.LastError(), uint32_t(ERROR_GEN_FAILURE));
    ASSERT_EQ(Control("sendfail 0"), "ok");
    EXPECT_TRUE(Exchange(Frame(3, 0, 0)));
}

// Pumps messages until every notice posted so far, by any receiver of the
// process, has been delivered; true when that happened within `wait`.
bool AllNoticesDelivered(const std::function<std::string()>& pending,
                         std::chrono::milliseconds wait = 5s);

// As a pulled receiver's HID interfaces do: the blocked read, and every read
// after, fails with ERROR_DEVICE_NOT_CONNECTED, a send too; nothing opens
// until the receiver is back and its HID interfaces are set up.
TEST_F(VantorTest, UnpluggingKillsTheHandlesUntilReopenedAfterPlug) {
    OpenBoth();
    auto blocked = std::async(std::launch::async, [this] {
        Report r{};
        const bool ok = m_lib.ReadReport(m_notify, r.data(), 17);
        return std::make_pair(ok, m_lib.LastError());
    });
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(Control("unplug --notice-delay-ms 3000"), "ok");
    ASSERT_EQ(blocked.wait_for(2s), std::future_status::ready)
        << "the blocked read ends before the notices come";
    const auto [read, readError] = blocked.get();
    EXPECT_FALSE(read);
    EXPECT_EQ(readError, uint32_t(ERROR_DEVICE_NOT_CONNECTED));
    Report r{};
    EXPECT_FALSE(m_lib.ReadReport(m_notify, r.data(), 17));
    EXPECT_EQ(m_lib.LastError(), uint32_t(ERROR_DEVICE_NOT_CONNECTED));

    EXPECT_FALSE(m_lib.SetFeature(m_cmd, Frame(3, 0, 0).data(), 17));
    EXPECT_EQ(m_lib.LastError(), uint32_t(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(OpenCommand(), nullptr);
    EXPECT_EQ(OpenNotify(), nullptr);

    ASSERT_EQ(Control("plug"), "ok");
    EXPECT_EQ(OpenCommand(), nullptr) << "the HID interfaces are not set up yet";
    EXPECT_FALSE(m_lib.SetFeature(m_cmd, Frame(3, 0, 0).data(), 17)) << "old handle stays dead";
    ASSERT_TRUE(AllNoticesDelivered([this] { return Control("notices"); }, 8s));
    OpenBoth();
    const std::optional<Report> answer = Exchange(Frame(3, 0, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[1], 3);
}

// The device notices a window of the process gets, as (event, interface name).
std::vector<std::pair<WPARAM, std::wstring>> g_notices;
LRESULT CALLBACK NoticeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DEVICECHANGE && lParam) {
        const auto* di = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lParam);
        if (di->dbcc_devicetype == DBT_DEVTYP_DEVICEINTERFACE)
            g_notices.emplace_back(wParam, di->dbcc_name);
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::optional<std::pair<WPARAM, std::wstring>> NextNotice(std::chrono::milliseconds wait = 3s) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (g_notices.empty() && std::chrono::steady_clock::now() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    if (g_notices.empty())
        return std::nullopt;
    auto notice = g_notices.front();
    g_notices.erase(g_notices.begin());
    return notice;
}

bool AllNoticesDelivered(const std::function<std::string()>& pending,
                         std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (pending() == "ok 0")
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

TEST_F(VantorTest, UnplugAndPlugAreAnnouncedToTheWindowsOfTheProcess) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = NoticeWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantorNoticeTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    OpenBoth(); // the receiver, and with it its control pipe, is there from now
    // Notices an earlier test's receiver posted may still be on their way to
    // this window: let them arrive before counting.
    const auto pending = [this] { return Control("notices"); };
    ASSERT_TRUE(AllNoticesDelivered(pending));
    g_notices.clear();

    // Windows' order: the HID interfaces come after the USB device and go
    // before it.
    const std::wstring usbTail = L"#TARVEL0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    const std::wstring hidTail = L"#tarvel-virtual#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    auto usb = [&](const wchar_t* ids) { return L"\\\\?\\USB#" + std::wstring(ids) + usbTail; };
    auto hid = [&](const wchar_t* ids, const wchar_t* col) {
        return L"\\\\?\\HID#" + std::wstring(ids) + L"&" + col + hidTail;
    };
    const wchar_t* a = L"VID_25A7&PID_FA92";
    const wchar_t* b = L"VID_25A7&PID_FA99";
    using Clock = std::chrono::steady_clock;
    const struct {
        const char* command;
        std::vector<std::pair<WPARAM, std::wstring>> notices;
        std::chrono::milliseconds notBefore; // of the last notice, after the command
    } steps[] = {
        {"unplug",
         {{DBT_DEVICEREMOVECOMPLETE, hid(a, L"Col01")},
          {DBT_DEVICEREMOVECOMPLETE, hid(a, L"Col02")},
          {DBT_DEVICEREMOVECOMPLETE, usb(a)}},
         0ms},
        {"plug",
         {{DBT_DEVICEARRIVAL, usb(a)},
          {DBT_DEVICEARRIVAL, hid(a, L"Col01")},
          {DBT_DEVICEARRIVAL, hid(a, L"Col02")}},
         250ms},
        {"unplug --notice-delay-ms 500",
         {{DBT_DEVICEREMOVECOMPLETE, hid(a, L"Col01")},
          {DBT_DEVICEREMOVECOMPLETE, hid(a, L"Col02")},
          {DBT_DEVICEREMOVECOMPLETE, usb(a)}},
         450ms},
        {"pid 0xfa99", {}, 0ms}, // another receiver of the product
        {"plug --hid-delay-ms 0",
         {{DBT_DEVICEARRIVAL, usb(b)},
          {DBT_DEVICEARRIVAL, hid(b, L"Col01")},
          {DBT_DEVICEARRIVAL, hid(b, L"Col02")}},
         0ms},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        const auto start = Clock::now();
        ASSERT_EQ(Control(step.command), "ok");
        for (const auto& expected : step.notices) {
            const auto notice = NextNotice();
            ASSERT_TRUE(notice);
            EXPECT_EQ(notice->first, expected.first);
            EXPECT_EQ(notice->second, expected.second);
        }
        EXPECT_GE(Clock::now() - start, step.notBefore);
    }
    // Pulled or plugged twice over, nothing more is announced.
    ASSERT_EQ(Control("plug"), "ok");
    ASSERT_TRUE(AllNoticesDelivered(pending));
    EXPECT_TRUE(g_notices.empty());
    EXPECT_EQ(Control("pid 0xfa92"), "error unplug the receiver first");
    EXPECT_NE(OpenCommand(Pattern(0x25a7, 0xfa99)), nullptr);
    EXPECT_EQ(OpenCommand(Pattern(0x25a7, 0xfa92)), nullptr);
    DestroyWindow(window);
}

TEST_F(VantorTest, TheServingLibraryHoldsTheStateFile) {
    OpenBoth();
    sim::StateClaim other(m_state, "a tool");
    EXPECT_FALSE(other.Held());
    EXPECT_EQ(other.Reason().rfind("served by Tarvel.exe (process ", 0), 0u) << other.Reason();
}

// A read blocked in another thread ends when cancelled, however close the
// cancel comes to the start of the read, and the handle still works after.
TEST_F(VantorTest, CancelWakesABlockedRead) {
    OpenBoth();
    for (auto delay : {100ms, 5ms, 0ms}) {
        for (int round = 0; round < (delay == 0ms ? 200 : 3); ++round) {
            auto blocked = std::async(std::launch::async, [this] {
                Report r{};
                return m_lib.ReadReport(m_notify, r.data(), 17);
            });
            std::this_thread::sleep_for(delay);
            m_lib.CancelBlockedRead(m_notify);
            if (blocked.wait_for(3s) != std::future_status::ready) {
                ADD_FAILURE() << "read not woken, delay " << delay.count() << " ms";
                Control("event 0x08"); // let it go
            }
            EXPECT_FALSE(blocked.get()) << "delay " << delay.count() << " ms";
        }
    }
    ASSERT_EQ(Control("dpi"), "ok");
    const std::optional<Report> event = Read();
    ASSERT_TRUE(event) << "cancelled reads leave the handle usable";
    EXPECT_EQ((*event)[1], 0x0A);
}

TEST_F(VantorTest, CancelWithNobodyReadingEndsTheNextReadOnly) {
    OpenBoth();
    m_lib.CancelBlockedRead(m_notify);
    Report r{};
    EXPECT_FALSE(m_lib.ReadReport(m_notify, r.data(), 17));
    EXPECT_EQ(m_lib.LastError(), uint32_t(ERROR_OPERATION_ABORTED));
    ASSERT_EQ(Control("config"), "ok");
    const std::optional<Report> event = Read();
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)[6], 0x04);
}

// The real backend, under ids no device has (vendor id 0 is never assigned),
// so a receiver plugged into the machine changes nothing.
TEST_F(VantorTest, WithoutTheVirtualReceiverNoDeviceIsFound) {
    SetVariable(kVantorVirtualReceiverVariable, u"");
    EXPECT_EQ(OpenCommand(Pattern(0, 0)), nullptr);
    EXPECT_NE(m_lib.LastError(), 0u);
    EXPECT_EQ(OpenNotify(Pattern(0, 0)), nullptr);
    EXPECT_NE(m_lib.LastError(), 0u);
    uint32_t version = 0;
    EXPECT_FALSE(m_lib.SetFeature(nullptr, Frame(3, 0, 0).data(), 17));
    EXPECT_FALSE(m_lib.GetVersionNumber(nullptr, &version));
}

} // namespace
