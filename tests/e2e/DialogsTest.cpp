// The menu button's popup menu and the about window, and the message shown
// when there is no receiver, with the real program.

#include "E2eFixture.h"

#include "app/resource.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(Dialogs, MenuButtonOpensTheMenuWhoseAboutEntryOpensTheAboutWindow) {
    TarvelRun run("menu");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ASSERT_TRUE(run.Click(IDC_MAIN_MENU));
    HWND menu = run.WaitWindow(nullptr, L"TarvelKelmoMenu", 3000);
    ASSERT_NE(menu, nullptr);
    WaitPainted(menu);
    EXPECT_TRUE(Screenshot("menu"));

    // The third entry (about), 25 pixels per entry inside a one-pixel frame.
    RECT rc;
    ::GetClientRect(menu, &rc);
    ASSERT_GE(rc.bottom, 75);
    const LPARAM at = MAKELPARAM(rc.right / 2, 1 + 2 * 25 + 12);
    const ScreenPixels screen = ReadScreen();
    ::PostMessageW(menu, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(menu, WM_LBUTTONUP, 0, at);
    HWND about = run.WaitWindow(nullptr, L"#32770", 3000);
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(::IsWindow(menu) && ::IsWindowVisible(menu));
    EXPECT_TRUE(WaitShownOnScreen(about, screen));
    EXPECT_TRUE(Screenshot("dialog-about"));
    ::PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitGone(about, 3000));
    EXPECT_TRUE(run.Running());
}

TEST(Dialogs, WithoutAReceiverTheMessageShowsAndTheProgramEnds) {
    TarvelRun run("no-receiver");
    const ScreenPixels screen = ReadScreen();
    // The virtual receiver answers under another product id than cfg.ini's.
    ASSERT_TRUE(run.Start({{"TARVEL_VIRTUAL_PID", "1234"}}));
    HWND message = run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 10000);
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(WaitShownOnScreen(message, screen));
    EXPECT_TRUE(Screenshot("dialog-message-no-receiver"));
    ::PostMessageW(message, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(run.WaitExit(10000), 0u);
}
