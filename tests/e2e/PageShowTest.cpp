// A page comes up whole: the click that shows it also paints it, the page
// and every control on it, before the program takes its next message. A
// page whose controls were left to later paint messages showed the page
// that was there before through their places for as long as the program
// had other work (seen on the lighting page's first show under load).

#include "E2eFixture.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// Pages by navigation slot, each with a control only it shows.
struct PageCase {
    const char* name;
    int slot;
    int control;
};

constexpr int kKeyButton0 = 192, kLevelSlider0 = 144, kMacroTree = 261, kLightingRed = 257;

} // namespace

TEST(PageShow, EachPageIsPaintedWholeByTheClickThatShowsIt) {
    // The other pages' first shows, then the keys page again (its first show
    // is the window's first paint).
    const PageCase pages[] = {
        {"DPI", 1, kLevelSlider0},
        {"macro", 2, kMacroTree},
        {"lighting", 3, kLightingRed},
        {"keys", 0, kKeyButton0},
    };
    TarvelRun run("page-show");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ::SetForegroundWindow(run.Main());
    for (const PageCase& p : pages) {
        SCOPED_TRACE(p.name);
        HWND page = run.ShowPage(p.slot, p.control);
        ASSERT_TRUE(page) << run.Log();
        EXPECT_EQ(WaitingToBePainted(page), "");
        ParkPointer();
    }
}
