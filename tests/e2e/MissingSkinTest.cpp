// A product folder with one skin image missing: the program starts, warns
// once about the image and runs, every page shown.

#include "E2eFixture.h"

#include "app/resource.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace e2e;

TEST(MissingSkin, TheProgramWarnsOnceAndRuns) {
    struct Case {
        const char* image;
        // The system's box when the message dialog itself cannot be built,
        // else the message dialog without the missing image.
        const wchar_t* warningTitle;
    };
    const Case cases[] = {
        {"msg_nr.png", L"Warrning"},
        {"btn_nr.png", L"TarvelMsgTopWindow"},
        {"exit_nr.png", L"TarvelMsgTopWindow"},
        // Every slider bar of the pages, and the thumb of the single sliders.
        {"bar2.png", L"TarvelMsgTopWindow"},
        {"slider.png", L"TarvelMsgTopWindow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        const std::string stem = std::filesystem::path(c.image).stem().string();
        TarvelRun run("missing-" + stem);
        ASSERT_TRUE(std::filesystem::remove(run.Dir() / "skins" / c.image));
        ASSERT_TRUE(run.Start());

        HWND warning = run.WaitWindow(c.warningTitle, nullptr, 15000);
        ASSERT_NE(warning, nullptr) << run.Log();
        EXPECT_TRUE(run.WaitLog(std::string("file ") + c.image + " not exist", 3000));
        WaitPainted(warning);
        EXPECT_TRUE(Screenshot("missing-" + stem));
        ::PostMessageW(warning, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

        ASSERT_TRUE(run.WaitReady()) << run.Log();
        // Start-up is over: no second warning came up on the way.
        EXPECT_EQ(run.WaitWindow(L"Warrning", nullptr, 0), nullptr);
        EXPECT_EQ(run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 0), nullptr);
        // Every page shows what it can.
        ::SetForegroundWindow(run.Main());
        for (int slot : {1, 2, 3, 0}) {
            ASSERT_TRUE(ClickControl(run.Main(), IDC_MAIN_NAVI1 + slot));
            WaitPainted(run.Main());
            if (slot == 1) {
                EXPECT_TRUE(Screenshot("missing-" + stem + "-dpi-page"));
            }
        }
        EXPECT_TRUE(run.Running());
        EXPECT_TRUE(run.Exit());
    }
}
