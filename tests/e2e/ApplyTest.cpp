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
} // namespace

TEST(Apply, WritesTheCurrentProfileWithTheProgressDialog) {
    TarvelRun run("apply");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    // The mouse's rate button makes the device differ from a default profile.
    ASSERT_TRUE(run.Control("rate"));
    Pause(300);
    const std::vector<uint8_t> before = run.Peek(0, kMemoryBytes);
    ASSERT_EQ(before.size(), kMemoryBytes);

    ASSERT_TRUE(run.Click(IDC_MAIN_PRO1 + 1));
    Pause(300);
    ASSERT_TRUE(run.Click(IDC_MAIN_APPLY));
    HWND progress = run.WaitWindow(L"MyProgressDlg..", nullptr, 3000);
    ASSERT_NE(progress, nullptr);
    Pause(300);
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
        ASSERT_TRUE(run.Click(IDC_MAIN_RESTORE));
        HWND question = run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 3000);
        ASSERT_NE(question, nullptr);
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(Screenshot("dialog-question"));
        }
        ::PostMessageW(question, WM_COMMAND, MAKEWPARAM(c.answer, BN_CLICKED), 0);
        ASSERT_TRUE(run.WaitGone(question, 3000));
        if (c.restored) {
            // The device reports the restore as a configuration change.
            EXPECT_TRUE(run.WaitLog("this is reset notify, do not process", 5000)) << run.Log();
        } else {
            Pause(1000);
            EXPECT_EQ(run.LogCount("nTick="), 0) << run.Log();
        }
    }
    EXPECT_EQ(run.LogCount("ReadCurCfgThread Start"), 1);
}
