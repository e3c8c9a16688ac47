// Apply and restore with the real program: what reaches the device, the
// progress dialog and the restore question.

#include "E2eFixture.h"

#include "app/resource.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace e2e;

namespace {
constexpr uint32_t kMemoryBytes = 0x2000;
constexpr uint32_t kRateAddr = 0;
// How long after a restore request the device's configuration-changed notice
// is taken for the restore's own.
constexpr int kResetNoticeMs = 4999;

// The milliseconds between the last restore request and the notice the log's
// first "nTick=" line tells of; -1 without one.
int NoticeDelay(const std::string& log) {
    const size_t line = log.find("nTick=");
    const size_t at = line == std::string::npos ? line : log.find("nSub=", line);
    return at == std::string::npos ? -1 : std::stoi(log.substr(at + 5));
}
} // namespace

TEST(Apply, WritesTheCurrentProfileWithTheProgressDialog) {
    TarvelRun run("apply");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    // The mouse's rate button makes the device differ from a default profile.
    ASSERT_TRUE(run.Control("rate"));
    ASSERT_TRUE(run.WaitLog("lParam=2", 5000)) << run.Log();
    const std::vector<uint8_t> before = run.Peek(0, kMemoryBytes);
    ASSERT_EQ(before.size(), kMemoryBytes);

    ASSERT_TRUE(run.SelectProfile(1)) << run.Log();
    const ScreenPixels screen = ReadScreen();
    ASSERT_TRUE(run.Click(IDC_MAIN_APPLY));
    HWND progress = run.WaitWindow(L"MyProgressDlg..", nullptr, 3000);
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(WaitShownOnScreen(progress, screen));
    EXPECT_TRUE(Screenshot("dialog-progress"));
    ASSERT_TRUE(run.WaitGone(progress, 20000));
    EXPECT_TRUE(run.WaitLog("Apply Success", 2000)) << run.Log();

    const std::vector<uint8_t> after = run.Peek(0, kMemoryBytes);
    ASSERT_EQ(after.size(), kMemoryBytes);
    EXPECT_NE(before[kRateAddr], after[kRateAddr]);
    ASSERT_TRUE(run.Exit());

    // Reading the device now gives exactly the profile that was applied.
    const std::vector<ProfileRecord> stored = run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    const ProfileRecord read = OnDeviceLevels(DecodeDevice(after, stored[1]), stored[1]);
    EXPECT_EQ(std::memcmp(&read, &stored[1], sizeof read), 0) << Differences(read, stored[1]);
}

TEST(Apply, RestoreAsksFirstAndWithApplyNowIgnoresTheDevicesOwnNotice) {
    const struct {
        int answer;
        bool restored;
    } cases[] = {{IDCANCEL, false}, {IDOK, true}};
    TarvelRun run("restore", {{"ApplyNow", "1"}});
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const ScreenPixels screen = ReadScreen();
        ASSERT_TRUE(run.Click(IDC_MAIN_RESTORE));
        HWND question = run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 3000);
        ASSERT_NE(question, nullptr);
        if (c.answer == IDCANCEL) {
            // The question on the screen, not just made and shown.
            EXPECT_TRUE(WaitShownOnScreen(question, screen));
            EXPECT_TRUE(Screenshot("dialog-question"));
        }
        ::PostMessageW(question, WM_COMMAND, MAKEWPARAM(c.answer, BN_CLICKED), 0);
        ASSERT_TRUE(run.WaitGone(question, 3000));
        if (c.restored) {
            // The device reports the restore as a configuration change.
            ASSERT_TRUE(run.WaitLog("nTick=", 10000)) << run.Log();
        } else {
            ASSERT_TRUE(run.WaitLog("OnRestore: nothing restored", 3000)) << run.Log();
            EXPECT_EQ(run.LogCount("nTick="), 0) << run.Log();
        }
    }
    // A notice within five seconds of the request is the restore's own and is
    // not read back. One that comes later (the restore waited behind other
    // work on a busy machine) cannot be told from a change made on the mouse,
    // so the device is read again; that is all the program promises.
    const int delay = NoticeDelay(run.Log());
    if (delay <= kResetNoticeMs) {
        EXPECT_TRUE(run.WaitLog("this is reset notify, do not process", 2000)) << run.Log();
        EXPECT_EQ(run.LogCount("ReadCurCfgThread Start"), 1) << run.Log();
    } else {
        EXPECT_TRUE(run.WaitLogCount("ReadCurCfgThread Exit", 2, 15000)) << run.Log();
        EXPECT_EQ(run.LogCount("ReadCurCfgThread Start"), 2) << run.Log();
        EXPECT_EQ(run.LogCount("this is reset notify"), 0) << run.Log();
    }
}
