// A product folder with skin images missing: the program starts, warns about
// each missing image once and runs; every page opens and a control on each
// can be used.

#include "E2eFixture.h"

#include "app/resource.h"
#include "pages/AdvRules.h"
#include "pages/KeyRules.h"
#include "pages/LedDlg.h"
#include "pages/MacroDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace e2e;

namespace {

// The images each window loads (the names in its sources, and those of the
// factories it calls). An image several windows share is listed with each.
// (Without main_nr.png, the window's own shape, there is no window: see the
// table.)
const std::vector<const char*> kMainWindowImages = {
    "main_ov.png",   "min_nr.png",    "min_ov.png",     "exit_nr.png",     "exit_ov.png",
    "about.png",     "navi_nr.png",   "navi_dn.png",    "btn_nr.png",      "btn_ov.png",
    "probtn_nr.png", "probtn_dn.png", "notify.png",     "progress_nr.png", "progress_ov.png",
    "menu_nr.bmp",   "menu_ov.bmp",   "menusub_nr.bmp", "menusub_ov.bmp",
};
const std::vector<const char*> kKeysPageImages = {
    "key_nr.png",   "slider.png",    "bar_dot.png",   "bar2.png",      "bar2_ov.png",
    "radio_nr.png", "radio_dn.png",  "keybtn_nr.png", "keybtn_ov.png", "mouse_nr.png",
    "mouse_dn.png", "powerbar1.png", "powerbar2.png", "powerbar3.png", "number1.png",
    "number2.png",  "number3.png",   "number4.png",   "number5.png",   "number6.png",
    "number7.png",  "number8.png",   "number9.png",   "number10.png",  "number11.png",
    "number12.png", "number13.png",  "number14.png",  "number15.png",  "number16.png",
};
const std::vector<const char*> kDpiPageImages = {
    "adv_nr.png",     "slider.png",     "slider1.png",       "slider2.png",  "bar_dot.png",
    "dpi_dot.png",    "dpi_row.png",    "dpi_row_cur.png",   "dpi_well.png", "dpi-bar.png",
    "dpi-bar-ov.png", "dpi-bar-xy.png", "dpi-bar-xy-ov.png", "bar2.png",     "bar2_ov.png",
    "combo_nr.png",   "combo_ov.png",   "check_nr.png",      "check_dn.png", "radio_nr.png",
    "radio_dn.png",
};
const std::vector<const char*> kMacroPageImages = {
    "macro_nr.png", "close.png",     "open.png",      "recbtn_nr.png", "recbtn_dn.png",
    "check_nr.png", "check_dn.png",  "radio_nr.png",  "radio_dn.png",  "btn_nr.png",
    "btn_ov.png",   "macbtn_nr.png", "macbtn_ov.png",
};
const std::vector<const char*> kLightingPageImages = {
    "led_nr.png",  "grd.png",      "slider.png",   "bar_dot.png",      "bar2.png",
    "bar2_ov.png", "combo_nr.png", "combo_ov.png", "ledmask_main.png", "ledmask_logo.png",
};

// A warning window of the program: the system's box or the message dialog.
HWND FindWarning(TarvelRun& run) {
    if (HWND box = run.WaitWindow(L"Warrning", nullptr, 0))
        return box;
    return run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 0);
}

// Answers every warning until the program is ready (start-up read over);
// how many there were. The first one is kept as a screenshot.
int AnswerWarningsUntilReady(TarvelRun& run, const std::string& shot) {
    int count = 0;
    const DWORD end = ::GetTickCount() + 60000;
    while (int(::GetTickCount() - end) < 0 && run.Running()) {
        if (HWND warning = FindWarning(run)) {
            WaitPainted(warning);
            if (count++ == 0)
                Screenshot(shot);
            ::PostMessageW(warning, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            run.WaitGone(warning, 5000);
            continue;
        }
        HWND main = run.Main();
        // The pages after the first are made once the window is painted,
        // and their warnings come then.
        const std::string log = run.Log();
        if (main && ::IsWindowVisible(main) &&
            log.find("ReadCurCfgThread Exit") != std::string::npos &&
            log.find("Start-up work done") != std::string::npos)
            break;
        Pump(50);
    }
    return count;
}

// Shows page `slot` through its navigation button, or, when the main window
// could not make that button, through the command the button sends.
void OpenPage(TarvelRun& run, int slot) {
    if (!ClickControl(run.Main(), IDC_MAIN_NAVI1 + slot))
        ::PostMessageW(run.Main(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_NAVI1 + slot, BN_CLICKED), 0);
    WaitPainted(run.Main());
}

// One control a user would touch first on each page, in the order tried: the
// first the page could make is clicked (a slider at three quarters, which
// moves its value and stores the page).
struct PageUse {
    int slot;
    std::vector<int> controls;
};
const PageUse kPageUses[] = {
    {0, {keys::IDC_KEY_RATE, keys::IDC_KEY_MODE0 + 1}},
    {1, {IDC_ADV_LEVEL0 + 1, IDC_ADV_SPEED, IDC_ADV_LOD2}},
    {2, {int(CMacroDlg::kIdDelays), int(CMacroDlg::kIdRepeat[1])}},
    {3, {int(CLedDlg::kIdMainBright), int(CLedDlg::kIdRed)}},
};

void UsePage(TarvelRun& run, const PageUse& use) {
    OpenPage(run, use.slot);
    for (int id : use.controls) {
        HWND control = FindControl(run.Main(), id);
        if (!control)
            continue;
        const RECT rc = ScreenRect(control);
        ClickAt(POINT{rc.left + (rc.right - rc.left) * 3 / 4, (rc.top + rc.bottom) / 2});
        break;
    }
    WaitPainted(run.Main());
}

} // namespace

// The window is shaped and sized by main_nr.png: without it the program says
// so in the system's box and ends.
TEST(MissingSkin, WithoutTheMainImageTheProgramSaysSoAndEnds) {
    TarvelRun run("missing-main_nr");
    ASSERT_TRUE(std::filesystem::remove(run.Dir() / "skins" / "main_nr.png"));
    ASSERT_TRUE(run.Start());
    HWND box = run.WaitWindow(L"Error", nullptr, 15000);
    ASSERT_NE(box, nullptr) << run.Log();
    EXPECT_EQ(TextOf(::GetDlgItem(box, 0xFFFF)), L"Load skins failed.");
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_NE(run.WaitExit(10000), STILL_ACTIVE);
}

TEST(MissingSkin, TheProgramWarnsAndRunsWithEveryPageInUse) {
    struct Case {
        const char* name;
        std::vector<const char*> images;
        // The first warning's title: the system's box when the message dialog
        // itself cannot be built, else the message dialog; null: either.
        const wchar_t* warningTitle;
    };
    const Case cases[] = {
        {"msg_nr", {"msg_nr.png"}, L"Warrning"},
        {"btn_nr", {"btn_nr.png"}, L"TarvelMsgTopWindow"},
        {"exit_nr", {"exit_nr.png"}, L"TarvelMsgTopWindow"},
        // Every slider bar of the pages, and the thumb of the single sliders.
        {"bar2", {"bar2.png"}, L"TarvelMsgTopWindow"},
        {"slider", {"slider.png"}, L"TarvelMsgTopWindow"},
        // Every image of one window at once.
        {"main-window", kMainWindowImages, nullptr},
        {"keys-page", kKeysPageImages, nullptr},
        {"dpi-page", kDpiPageImages, nullptr},
        {"macro-page", kMacroPageImages, nullptr},
        {"lighting-page", kLightingPageImages, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Changes go to the mouse at once: Exit asks nothing.
        TarvelRun run(std::string("missing-") + c.name, {{"ApplyNow", "1"}});
        for (const char* image : c.images)
            ASSERT_TRUE(std::filesystem::remove(run.Dir() / "skins" / image)) << image;
        ASSERT_TRUE(run.Start());

        if (c.warningTitle) {
            HWND first = run.WaitWindow(c.warningTitle, nullptr, 15000);
            ASSERT_NE(first, nullptr) << run.Log();
        }
        EXPECT_GE(AnswerWarningsUntilReady(run, std::string("missing-") + c.name), 1);
        EXPECT_TRUE(run.WaitLog(" not exist", 3000));
        ASSERT_TRUE(run.WaitReady()) << run.Log();

        ::SetForegroundWindow(run.Main());
        for (const PageUse& use : kPageUses) {
            UsePage(run, use);
            // Each image is warned about once: using the pages raises none.
            EXPECT_EQ(FindWarning(run), nullptr) << "page " << use.slot;
            if (use.slot == 1) {
                WaitPainted(run.Main());
                EXPECT_TRUE(Screenshot(std::string("missing-") + c.name + "-dpi-page"));
            }
        }
        OpenPage(run, 0);
        ASSERT_TRUE(run.Running()) << run.Log();
        EXPECT_TRUE(run.Exit()) << run.Log();
    }
}
