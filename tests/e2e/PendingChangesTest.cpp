// Changes the mouse does not have yet, with ApplyNow off (the default
// product's setting): the Apply button and the profile's button are marked,
// and ending the program asks whether to apply them first. Yes applies and
// ends, No ends without, Cancel stays.

#include "E2eFixture.h"

#include "app/resource.h"
#include "model/MemoryMap.h"

#include <gtest/gtest.h>

#include <string>

using namespace e2e;

namespace {

constexpr int kLightingPage = 3;
constexpr int kIdRed = 257;
constexpr int kIdMainEffect = 271;
constexpr POINT kFirstGridSquare{87 + 12, 391 + 12}; // red (255, 0, 0)

// The main light's colour bytes in the mouse (0x00BBGGRR).
uint32_t MainColourOnDevice(TarvelRun& run) {
    const std::vector<uint8_t> bytes = run.Peek(memmap::kAddrMainLight + 1, 3);
    return bytes.size() == 3 ? uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | bytes[2] << 16
                             : 0xFFFFFFFFu;
}

bool Marked(HWND button) {
    const std::wstring text = TextOf(button);
    return text.size() > 2 && text.substr(text.size() - 2) == L" *";
}

TEST(PendingChanges, EndingTheProgramAsksWhetherToApplyThemFirst) {
    const struct {
        const char* name;
        bool closeButton; // else the tray menu's Exit
        int answer;
        bool ends, applied;
    } cases[] = {
        {"yes-close", true, IDYES, true, true},
        {"no-exit", false, IDNO, true, false},
        {"cancel-close", true, IDCANCEL, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TarvelRun run(std::string("pending-") + c.name, {{"ApplyNow", "0"}});
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        ::SetForegroundWindow(run.Main());
        const uint32_t before = MainColourOnDevice(run);
        ASSERT_NE(before, 0x0000FFu);
        HWND page = run.ShowPage(kLightingPage, kIdRed);
        ASSERT_TRUE(page);
        EXPECT_FALSE(Marked(run.Ctl(IDC_MAIN_APPLY)));

        // The main light steady, in a preset colour: stored in the profile,
        // not yet in the mouse.
        ASSERT_TRUE(PickFromMenu(FindControl(page, kIdMainEffect), 0));
        ClickIn(page, kFirstGridSquare.x, kFirstGridSquare.y);
        ASSERT_TRUE(WaitUntil([&] { return Marked(run.Ctl(IDC_MAIN_APPLY)); })) << run.Log();
        EXPECT_TRUE(Marked(run.Ctl(IDC_MAIN_PRO1)));
        EXPECT_FALSE(Marked(run.Ctl(IDC_MAIN_PRO1 + 1)));
        EXPECT_EQ(MainColourOnDevice(run), before);

        const ScreenPixels screen = ReadScreen();
        if (c.closeButton)
            ASSERT_TRUE(ClickControl(run.Main(), IDC_MAIN_CLOSE));
        else
            ::PostMessageW(run.Main(), WM_COMMAND, ID_TRAY_EXIT, 0);
        HWND question = run.WaitMessage();
        ASSERT_TRUE(question) << run.Log();
        if (c.answer == IDYES) {
            EXPECT_TRUE(WaitShownOnScreen(question, screen));
            EXPECT_TRUE(Screenshot("pending-question"));
        }
        ASSERT_TRUE(run.Answer(question, c.answer));

        if (!c.ends) {
            // Still there, the change still waiting; then ended without it.
            ASSERT_TRUE(run.WaitLog("Answer: cancel", 5000));
            EXPECT_TRUE(run.Running());
            EXPECT_TRUE(Marked(run.Ctl(IDC_MAIN_APPLY)));
            EXPECT_EQ(MainColourOnDevice(run), before);
            ::PostMessageW(run.Main(), WM_COMMAND, ID_TRAY_EXIT, 0);
            ASSERT_TRUE(run.Answer(run.WaitMessage(), IDNO));
        }
        ASSERT_NE(run.WaitExit(20000), STILL_ACTIVE) << run.Log();
        // The mouse, as the next start finds it.
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        EXPECT_EQ(MainColourOnDevice(run), c.applied ? 0x0000FFu : before);
        EXPECT_TRUE(run.Exit());
    }
}

} // namespace
