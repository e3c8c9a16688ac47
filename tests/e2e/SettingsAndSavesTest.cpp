// The real program with a setting that used to stop it and with a data folder
// whose profile store cannot be replaced.

#include "E2eFixture.h"

#include "app/resource.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace e2e;

namespace {

constexpr char kSaveFailedLine[] = "MessageBox(Tarvel): The settings could not be saved.";

// A click right after start-up is now and then lost under Wine: the click is
// given again until the progress dialog shows that the Apply was taken.
bool ApplyAndWait(TarvelRun& run, int round) {
    HWND progress = nullptr;
    for (int attempt = 0; attempt < 3 && !progress; ++attempt) {
        if (!run.Click(IDC_MAIN_APPLY))
            return false;
        progress = run.WaitWindow(L"MyProgressDlg..", nullptr, 3000);
    }
    return progress && run.WaitGone(progress, 20000) && run.WaitLogCount("Apply Over", round, 5000);
}

} // namespace

TEST(SettingsAndSaves, NegativeRetryStillReachesTheMouse) {
    TarvelRun run("bad-retry", {{"Retry", "-1"}});
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    EXPECT_EQ(run.LogCount("cfg.ini: Retry=-1 is unusable"), 1) << run.Log();
    EXPECT_TRUE(run.Exit());
}

TEST(SettingsAndSaves, AFailedSaveIsToldOnce) {
    TarvelRun run("save-failure");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    // pro.dct is written beside itself first; a folder in that place makes
    // every save of the store fail.
    ASSERT_TRUE(std::filesystem::create_directory(run.DataDir() / L"pro.dct.tmp"));

    const ScreenPixels screen = ReadScreen();
    ASSERT_TRUE(ApplyAndWait(run, 1)) << run.Log();
    HWND message = run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 5000);
    ASSERT_NE(message, nullptr) << run.Log();
    EXPECT_TRUE(WaitShownOnScreen(message, screen));
    EXPECT_TRUE(Screenshot("dialog-save-failed"));
    ::PostMessageW(message, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(run.WaitGone(message, 3000));

    // The same failure again: the worker's and the window's saves of the
    // second Apply have both failed before anything is checked.
    ASSERT_TRUE(ApplyAndWait(run, 2)) << run.Log();
    ASSERT_TRUE(run.WaitLogCount("Save pro: WriteFile err=", 4, 5000)) << run.Log();
    EXPECT_EQ(run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 500), nullptr);
    // The exit saves fail once more and say nothing: a message would hold it.
    ASSERT_TRUE(run.Exit());
    EXPECT_EQ(run.LogCount(kSaveFailedLine), 1) << run.Log();
}
