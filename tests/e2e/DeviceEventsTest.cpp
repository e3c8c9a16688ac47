// The mouse's events and the receiver going away, with the real program.

#include "E2eFixture.h"

#include "app/AppGlobals.h"
#include "app/resource.h"
#include "model/SensorCatalogue.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace e2e;

namespace {

constexpr uint32_t kCurLevelAddr = 4;
constexpr uint32_t kMemoryBytes = 0x2000;
// One look for the receiver under its first product id.
constexpr char kLookPrimary[] = "FindDev: looking for VID_25a7&PID_fa92";

// The notification window, which start-up makes once the main window has
// been painted.
HWND NotifyWindow() {
    HWND found = nullptr;
    WaitUntil([&] { return (found = ::FindWindowW(nullptr, L"TarvelNotify")) != nullptr; });
    return found;
}

// What the system broadcasts when a USB device interface comes or goes.
LRESULT SendDeviceChange(HWND main, WPARAM event, const wchar_t* name) {
    std::vector<uint8_t> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) +
                                std::wcslen(name) * sizeof(wchar_t));
    auto* di = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
    di->dbcc_size = DWORD(buffer.size());
    di->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    di->dbcc_classguid = {
        0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    std::wcscpy(di->dbcc_name, name);
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(main, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(di),
                                 SMTO_NORMAL, 20000, &result);
}

} // namespace

TEST(DeviceEvents, DpiButtonShowsTheNotificationAndFollowsOnProfileZeroOnly) {
    TarvelRun run("dpi");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ASSERT_TRUE(run.Click(IDC_MAIN_NAVI1 + 1)); // the DPI page
    HWND notify = NotifyWindow();
    ASSERT_NE(notify, nullptr);
    EXPECT_FALSE(::IsWindowVisible(notify));

    const std::vector<uint8_t> before = run.Peek(kCurLevelAddr, 1);
    ASSERT_EQ(before.size(), 1u);
    const ScreenPixels screen = ReadScreen();
    ASSERT_TRUE(run.Control("dpi"));
    EXPECT_TRUE(WaitShownOnScreen(notify, screen));
    EXPECT_TRUE(Screenshot("notification-dpi"));
    EXPECT_TRUE(Screenshot("page-dpi-after-button"));

    const int level = run.Peek(kCurLevelAddr, 1).at(0);
    EXPECT_NE(level, before[0]);
    EXPECT_TRUE(run.WaitLog("CAdvDlg::SelectLevel: " + std::to_string(level), 2000)) << run.Log();
    // The notification fades out by itself.
    EXPECT_TRUE(run.WaitGone(notify, 3000));

    // With another profile current the page stays, profile 0 is marked for
    // reading again, and the notification still shows.
    ASSERT_TRUE(run.SelectProfile(1)) << run.Log();
    const int selections = run.LogCount("CAdvDlg::SelectLevel");
    constexpr char kLeftForLater[] = "OnDeviceBehavior: profile 0 is read again";
    const int leftForLater = run.LogCount(kLeftForLater);
    ASSERT_TRUE(run.Control("dpi"));
    const DWORD end2 = ::GetTickCount() + 3000;
    while (!::IsWindowVisible(notify) && int(::GetTickCount() - end2) < 0)
        Pump(10);
    EXPECT_TRUE(::IsWindowVisible(notify));
    // The window has handled the event to its end before the selections count.
    ASSERT_TRUE(run.WaitLogCount(kLeftForLater, leftForLater + 1, 3000)) << run.Log();
    EXPECT_EQ(run.LogCount("CAdvDlg::SelectLevel"), selections);
}

// A pulled receiver fails the blocked read at once; Windows' notices (the HID
// interfaces', then the USB device's) may come seconds later. Whichever comes
// first is handled, once: one removal, three tries, one exit with the store
// saved; the later ones are logged and left alone.
TEST(DeviceEvents, AnUnplugIsHandledOnceWhenEverItsNoticesCome) {
    for (const int delayMs : {0, 300, 3000}) {
        SCOPED_TRACE("notices " + std::to_string(delayMs) + " ms late");
        TarvelRun run("unplug-" + std::to_string(delayMs));
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        const int looks = run.LogCount(kLookPrimary);
        ASSERT_TRUE(run.Control("unplug --notice-delay-ms " + std::to_string(delayMs)));
        ASSERT_NE(run.WaitExit(25000), DWORD(STILL_ACTIVE)) << run.Log();
        const std::string log = run.Log();
        EXPECT_NE(log.find("NotifyThread: read failed, err=0x48f"), std::string::npos) << log;
        EXPECT_EQ(run.LogCount("Device OUT") - run.LogCount("ALL Device OUT"), 1) << log;
        EXPECT_EQ(run.LogCount(kLookPrimary) - looks, 3) << log;
        EXPECT_EQ(run.LogCount("ALL Device OUT, Close now."), 1) << log;
        EXPECT_EQ(run.LogCount("OnExit"), 1) << log;
        EXPECT_EQ(run.LogCount("TellDrvStatus= 0"), 0) << "nobody left to tell\n" << log;
        // Every notice reached the window. A notice whose check ran before the
        // link found the pair gone logs a second line ("..., and the open
        // pair: ...") and is the one handled; the others were left alone.
        EXPECT_EQ(run.LogCount("OnDeviceChange: HID removal, ") -
                      run.LogCount("OnDeviceChange: HID removal, and the open pair"),
                  2)
            << log;
        EXPECT_EQ(run.LogCount("OnDeviceChange: USB removal, ") -
                      run.LogCount("OnDeviceChange: USB removal, and the open pair"),
                  1)
            << log;
        EXPECT_GE(run.LogCount(" ignored, "), 2) << log;
        const std::vector<ProfileRecord> stored = run.StoredProfiles();
        ASSERT_EQ(stored.size(), 5u);
        EXPECT_EQ(run.StoredCurId(), stored[0].dwProfileID);
    }
}

// The receiver plugged in while the program runs without one (Suwnd 1): the
// USB device's notice opens it; its HID interfaces' notices, which come after,
// find the pair open and do nothing. A mouse asleep is not ready but its
// receiver is there: one arrival, no removal. With a slow driver set-up the
// HID interfaces come after the three tries: the program waits for them and
// opens the receiver when they come.
TEST(DeviceEvents, APlugIsOneArrivalWhateverTheMouseAndTheDriverDo) {
    const struct Case {
        const char* name;
        bool asleep;
        int hidDelayMs;
    } cases[] = {
        {"plug-asleep", true, 300},
        {"plug-slow-driver", false, 7000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TarvelRun run(c.name, {{"Suwnd", "1"}});
        run.UnplugBeforeStart();
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitLog("ReadCurCfgThread Start", 20000)) << run.Log();
        HWND main = run.Main();
        ASSERT_TRUE(WaitVisible(main, true)) << run.Log();
        ASSERT_NE(run.Log().find("m_hCmd2=0x0, g_hNotify2=0x0"), std::string::npos) << run.Log();

        // A mouse of another maker, and a broadcast without interface name:
        // each call returns once the window's handler has.
        if (c.asleep) {
            ASSERT_NE(SendDeviceChange(main, DBT_DEVICEARRIVAL,
                                       L"\\\\?\\USB#VID_046D&PID_C077#5&1&0#{a5dcbf10-6530-"
                                       L"11d2-901f-00c04fb951ed}"),
                      0);
            DEV_BROADCAST_HDR volume{sizeof volume, DBT_DEVTYP_VOLUME, 0};
            DWORD_PTR result = 0;
            ASSERT_NE(::SendMessageTimeoutW(main, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                            reinterpret_cast<LPARAM>(&volume), SMTO_NORMAL, 5000,
                                            &result),
                      0);
            EXPECT_EQ(run.LogCount("OnDeviceChange:"), 0) << run.Log();
            ASSERT_TRUE(run.Control("asleep 1"));
        }

        const ScreenPixels screen = ReadScreen();
        ASSERT_TRUE(run.Control("plug --hid-delay-ms " + std::to_string(c.hidDelayMs)));
        ASSERT_TRUE(run.WaitLog("Device IN", 5000)) << run.Log();
        if (c.asleep) {
            // The mouse is not ready: the user is told, and closes the message.
            ASSERT_TRUE(run.WaitLog("Message: " + std::string("The mouse is not ready"), 15000))
                << run.Log();
            HWND message = run.WaitMessage();
            ASSERT_NE(message, nullptr);
            EXPECT_TRUE(WaitShownOnScreen(message, screen));
            EXPECT_TRUE(Screenshot("plug-mouse-asleep"));
            ASSERT_TRUE(run.Answer(message));
        } else {
            ASSERT_TRUE(run.WaitLog("waiting 30 s for its HID interfaces", 15000)) << run.Log();
            ASSERT_TRUE(run.WaitLog("one more reopen", 10000)) << run.Log();
        }
        // Both HID notices handled: they found the pair open.
        ASSERT_TRUE(run.WaitLogCount("OnDeviceChange: HID arrival ignored, a pair is open",
                                     c.asleep ? 2 : 1, 15000))
            << run.Log();
        EXPECT_TRUE(run.WaitLog("OnDeviceChange: connected", 2000)) << run.Log();
        const std::string log = run.Log();
        EXPECT_EQ(run.LogCount("Device IN"), 1) << log;
        EXPECT_EQ(run.LogCount("Device OUT"), 0) << log;
        EXPECT_EQ(run.LogCount("OnExit"), 0) << log;
        EXPECT_TRUE(run.Running());
        EXPECT_EQ(run.Peek(kCurLevelAddr, 1).size(), 1u);
        ASSERT_TRUE(run.Exit());
    }
}

TEST(DeviceEvents, ReceiverPluggedBackIsReopenedAndTakesAnApply) {
    // The same receiver back with the mouse's other sensor, and another
    // receiver of the product under its second product id.
    const struct Case {
        const char* name;
        const char* pid;     // control command before the plug, or null
        const char* release; // likewise
        uint32_t sensor;     // the sensor the program then lays itself out for
        bool second;         // found under the second product id
    } cases[] = {
        {"replug-sensor", nullptr, "release 0x1102", 0x3335, false},
        {"replug-pid2", "pid 0xfa99", nullptr, 0x3325, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TarvelRun run(c.name);
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        HWND notify = NotifyWindow();
        ASSERT_NE(notify, nullptr);
        ASSERT_TRUE(run.Control("dpi")); // the device's level differs from the start's
        ASSERT_TRUE(run.WaitLog("CAdvDlg::SelectLevel", 3000)) << run.Log();
        const int level = run.Peek(kCurLevelAddr, 1).at(0);
        const std::string selected = "CAdvDlg::SelectLevel: " + std::to_string(level);
        const int selections = run.LogCount(selected);

        ASSERT_TRUE(run.Control("unplug"));
        ASSERT_TRUE(run.WaitLog("Device OUT", 5000)) << run.Log();
        for (const char* command : {c.pid, c.release})
            if (command) {
                ASSERT_TRUE(run.Control(command)) << command;
            }
        ASSERT_TRUE(run.Control("plug"));
        // The removal's tries find it back; then the arrival notice comes.
        ASSERT_TRUE(run.WaitLog("Device IN", 15000)) << run.Log();
        ASSERT_TRUE(run.WaitLog("OnDeviceChange: connected", 15000)) << run.Log();
        EXPECT_TRUE(WaitVisible(notify, true, 2000));
        WaitPainted(notify);
        EXPECT_TRUE(Screenshot(std::string("notification-") + c.name));
        EXPECT_TRUE(run.Running());
        const std::string log = run.Log();
        EXPECT_EQ(run.LogCount("m_hCmd2=0x") > run.LogCount("m_hCmd2=0x0,"), c.second) << log;
        EXPECT_EQ(log.find("ALL Device OUT"), std::string::npos) << log;
        EXPECT_GE(run.LogCount(selected) - selections, 2) << log;
        char layout[40];
        std::snprintf(layout, sizeof layout, "Init UI Layout for 0x%x", unsigned(c.sensor));
        const std::string replugged = log.substr(log.find("Device OUT"));
        EXPECT_EQ(replugged.find(layout) != std::string::npos, c.sensor != 0x3325) << log;

        // Apply reaches the receiver through the new handles.
        ASSERT_TRUE(run.SelectProfile(1)) << run.Log();
        ASSERT_TRUE(run.Click(IDC_MAIN_APPLY));
        HWND progress = run.WaitWindow(L"MyProgressDlg..", nullptr, 3000);
        ASSERT_NE(progress, nullptr);
        ASSERT_TRUE(run.WaitGone(progress, 20000));
        EXPECT_TRUE(run.WaitLog("Apply Success", 2000)) << run.Log();
        const std::vector<uint8_t> after = run.Peek(0, kMemoryBytes);
        ASSERT_EQ(after.size(), kMemoryBytes);
        ASSERT_TRUE(run.Exit());
        const std::vector<ProfileRecord> stored = run.StoredProfiles();
        ASSERT_EQ(stored.size(), 5u);
        EXPECT_EQ(stored[1].nSensor, c.sensor);
        const uint32_t startSensor = g_nCurSensor;
        set_cur_sensor(c.sensor);
        const ProfileRecord read = OnDeviceLevels(DecodeDevice(after, stored[1]), stored[1]);
        set_cur_sensor(startSensor);
        EXPECT_EQ(std::memcmp(&read, &stored[1], sizeof read), 0) << Differences(read, stored[1]);
    }
}
