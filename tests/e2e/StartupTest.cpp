// Start-up, the main window's pages and keys, the single-instance rule and
// the tray, with the real program.

#include "E2eFixture.h"

#include "app/resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

using namespace e2e;

namespace {
constexpr UINT WM_TRAYICON = 1132;
constexpr uint32_t kMemoryBytes = 0x2000;
} // namespace

TEST(Startup, ReadsTheDeviceIntoProfileZeroAndSavesOnExit) {
    TarvelRun run("startup");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    EXPECT_NE(run.Log().find("OnSyncOk"), std::string::npos);
    // The start-up timeline is off unless asked for.
    EXPECT_EQ(run.LogCount("Startup:"), 0);
    ASSERT_TRUE(Screenshot("main-window"));

    // Every page, opened by its navigation button.
    const struct {
        int button;
        int control; // one only this page shows
        const char* shot;
    } pages[] = {{IDC_MAIN_NAVI1 + 1, 144, "page-dpi"},
                 {IDC_MAIN_NAVI1 + 2, 261, "page-macro"},
                 {IDC_MAIN_NAVI1 + 3, 257, "page-lighting"},
                 {IDC_MAIN_NAVI1, 192, "page-keys"}};
    for (const auto& page : pages) {
        ASSERT_TRUE(run.Click(page.button));
        EXPECT_TRUE(WaitControl(run.Main(), page.control)) << page.shot;
        WaitPainted(run.Main());
        EXPECT_TRUE(Screenshot(page.shot)) << page.shot;
    }

    const std::vector<uint8_t> memory = run.Peek(0, kMemoryBytes);
    ASSERT_EQ(memory.size(), kMemoryBytes);
    ASSERT_TRUE(run.Exit());

    const std::vector<ProfileRecord> stored = run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    // Profile 0 is what reading the device gives: reading it again changes nothing.
    const ProfileRecord again = DecodeDevice(memory, stored[0]);
    EXPECT_EQ(std::memcmp(&again, &stored[0], sizeof again), 0) << Differences(again, stored[0]);
    EXPECT_EQ(run.StoredCurId(), stored[0].dwProfileID);
}

TEST(Startup, EnterEscapeSpaceAndF1DoNothingOnTheMainWindow) {
    TarvelRun run("keys");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    HWND main = run.Main();
    for (UINT vk : {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_F1}) {
        ::PostMessageW(main, WM_KEYDOWN, vk, 1);
        ::PostMessageW(main, WM_KEYUP, vk, 0xC0000001);
    }
    // Every key went down and up through the window first.
    ASSERT_TRUE(run.WaitLogCount("PreTranslateMessage: key", 8, 5000)) << run.Log();
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(run.WaitWindow(nullptr, L"#32770", 0), nullptr) << "a dialog opened";
}

TEST(Startup, SecondStartBringsTheHiddenFirstCopyBackAndEnds) {
    TarvelRun first("single-first");
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(first.WaitReady()) << first.Log();
    // TrayIcon 3, ExitType 0: minimise hides the window to the tray.
    HWND main = first.Main();
    ASSERT_TRUE(first.Click(IDC_MAIN_MIN));
    ASSERT_TRUE(WaitVisible(main, false));
    EXPECT_NE(first.Log().find("Min window"), std::string::npos);

    TarvelRun second("single-second");
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitExit(15000), 0u);
    const std::string log = second.Log();
    const size_t at = log.find("ALREADY_EXISTS, hWnd=");
    ASSERT_NE(at, std::string::npos) << log;
    // The running copy's window was found: its handle is not 0.
    EXPECT_NE(std::stoul(log.substr(at + 21, 8), nullptr, 16), 0ul) << log;

    EXPECT_TRUE(WaitVisible(main, true));
    EXPECT_TRUE(first.Running());
}

TEST(Startup, TrayIconOpensItsMenuAndShowsTheWindow) {
    TarvelRun run("tray");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    HWND main = run.Main();

    const ScreenPixels screen = ReadScreen();
    ::PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONUP);
    HWND menu = run.WaitWindow(nullptr, L"#32768", 3000);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(WaitShownOnScreen(menu, screen));
    EXPECT_TRUE(Screenshot("tray-menu"));
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(run.WaitGone(menu, 3000));

    ASSERT_TRUE(run.Click(IDC_MAIN_MIN));
    ASSERT_TRUE(WaitVisible(main, false));
    ::PostMessageW(main, WM_TRAYICON, 0, WM_LBUTTONUP);
    EXPECT_TRUE(WaitVisible(main, true));
    EXPECT_GE(run.LogCount("OnConfig"), 2);

    // The tray menu's Exit saves with the first profile current.
    ASSERT_TRUE(run.SelectProfile(2)) << run.Log();
    ::PostMessageW(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_NE(run.WaitExit(10000), DWORD(STILL_ACTIVE));
    const std::vector<ProfileRecord> stored = run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(run.StoredCurId(), stored[0].dwProfileID);
}

TEST(Startup, TimelineLogsEachStepOfStartUpInOrder) {
    TarvelRun run("timeline");
    ASSERT_TRUE(run.Start({{"TARVEL_STARTUP_TIMELINE", "1"}}));
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ASSERT_TRUE(run.WaitLog("start-up done", 5000)) << run.Log();

    // "Startup: <ms since the process began> ms <step's share> ms <resident> MiB  <step>", in
    // the order of start-up, each later than the one before. The first paint
    // waits only for the page it shows; the tray icon and the other pages
    // follow it.
    const char* const steps[] = {
        "texts",       "settings",      "Kelmo",        "main window images", "page Buttons",
        "device open", "macro library", "profiles",     "window shown",       "first paint",
        "tray icon",   "page Lighting", "start-up done"};
    std::istringstream log(run.Log());
    std::string line;
    size_t next = 0;
    double last = 0;
    while (std::getline(log, line) && next < std::size(steps)) {
        const size_t at = line.find("Startup: ");
        if (at == std::string::npos || line.find("of which") != std::string::npos)
            continue;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const double ms = std::strtod(line.c_str() + at + 9, nullptr);
        EXPECT_GE(ms, last) << line;
        last = ms;
        if (line.size() >= std::strlen(steps[next]) &&
            line.compare(line.size() - std::strlen(steps[next]), std::string::npos, steps[next]) ==
                0)
            ++next;
    }
    EXPECT_EQ(next, std::size(steps))
        << "missing or out of order: " << (next < std::size(steps) ? steps[next] : "") << "\n"
        << run.Log();
    EXPECT_TRUE(run.Exit());
}
