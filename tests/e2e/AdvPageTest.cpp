// The DPI and advanced page of the real program, driven with real mouse
// input at its controls' screen positions: what the virtual receiver then
// holds, and what the profile store holds after exit.

#include "E2eFixture.h"

#include "app/resource.h"
#include "model/MemoryMap.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr uint32_t kMemoryBytes = 0x200;
constexpr int kLevels = 6; // the default product's sensor
constexpr int kDpiPage = 1;
constexpr int kLevelSlider = 144, kLevelCheck = 160, kLevelLabel = 176;
constexpr int kLod1 = 135, kLod2 = 136;
constexpr int kLightCombo = 271, kLightSpeed = 273;
constexpr char kLastLevel[] = "Message: At least one DPI level must stay on.";

// The program on its DPI page, ready for input.
struct AdvRun {
    explicit AdvRun(const std::string& name, const char* applyNow)
        : run(name, {{"ApplyNow", applyNow}}) {}

    bool Open() {
        if (!run.Start() || !run.WaitReady())
            return false;
        ::SetForegroundWindow(run.Main());
        const std::vector<uint8_t> count = run.Peek(memmap::kAddrDpiCount, 1);
        if (count.empty())
            return false;
        m_allLevels = count[0];
        return run.ShowPage(kDpiPage, kLevelSlider) != nullptr;
    }
    HWND Ctl(int id) const { return run.Ctl(id); }
    // The device's settings, with every level of the sensor decoded (also
    // those out of the cycle).
    ProfileRecord Device() {
        std::vector<uint8_t> image = run.Peek(0, kMemoryBytes);
        image.resize(0x2000);
        image[memmap::kAddrDpiCount] = m_allLevels;
        return DecodeDevice(image, ProfileRecord{});
    }
    int LevelsInCycle() {
        const std::vector<uint8_t> count = run.Peek(memmap::kAddrDpiCount, 1);
        return count.empty() ? -1 : memmap::DecodeDpiLevelCount(count[0]);
    }
    // Clicks a level's slider at `x` until its value label shows another
    // value; that value.
    int MoveLevel(int level, int x) {
        HWND label = Ctl(kLevelLabel + level);
        const std::wstring before = TextOf(label);
        ClickIn(Ctl(kLevelSlider + level), x, 9);
        if (!WaitUntil([&] { return TextOf(label) != before; }))
            return -1;
        return std::stoi(TextOf(label));
    }
    // Picks item `item` of the DPI light selector's menu; with a name, the
    // open menu is saved as that screenshot first.
    bool PickLight(int item, const std::string& shot = {}) {
        if (shot.empty())
            return PickFromMenu(Ctl(kLightCombo), item);
        const std::vector<HWND> before = OpenMenus();
        ClickCentre(Ctl(kLightCombo));
        HWND menu = WaitNewMenu(before);
        if (!menu)
            return false;
        MoveTo(MenuEntryPoint(menu, item));
        WaitPainted(menu);
        Screenshot(shot);
        return PickMenuEntry(menu, item);
    }
    // Takes the levels out of the cycle from the last; the number taken out
    // before the last-level message came.
    int UncheckUntilRefused() {
        int taken = 0;
        for (int level = kLevels - 1; level >= 0; --level) {
            const int committed = run.LogCount("CAdvDlg: committed, flag 0x80");
            const ScreenPixels screen = level == 0 ? ReadScreen() : ScreenPixels{};
            ClickCentre(Ctl(kLevelCheck + level));
            if (level == 0) {
                if (!run.WaitLog(kLastLevel, 5000))
                    return -1;
                HWND msg = run.WaitMessage();
                EXPECT_TRUE(WaitShownOnScreen(msg, screen));
                Screenshot("adv-last-level-message");
                return run.Answer(msg) ? taken : -1;
            }
            if (!run.WaitLogCount("CAdvDlg: committed, flag 0x80", committed + 1, 5000))
                return -1;
            ++taken;
        }
        return taken;
    }

    TarvelRun run;
    uint8_t m_allLevels = 0;
};

} // namespace

TEST(AdvPage, WithApplyNowEveryChangeReachesTheMouseAtOnce) {
    AdvRun adv("adv-applynow", "1");
    ASSERT_TRUE(adv.Open()) << adv.run.Log();
    WaitPainted(adv.run.Main());
    EXPECT_TRUE(Screenshot("adv-page"));
    const ProfileRecord start = adv.Device();

    // Level 2 to a high step: the device's level-2 entry follows.
    const int dpi = adv.MoveLevel(1, 260);
    ASSERT_GT(dpi, 0) << adv.run.Log();
    EXPECT_NE(dpi, start.DpiLevel[1].nDpiX);
    EXPECT_TRUE(WaitUntil([&] { return adv.Device().DpiLevel[1].nDpiX == dpi; })) << adv.run.Log();

    // Level 3 may not leave the cycle while level 4 is in it: the user is
    // told why.
    const ScreenPixels screen = ReadScreen();
    ClickCentre(adv.Ctl(kLevelCheck + 2));
    ASSERT_TRUE(adv.run.WaitLog("CAdvDlg: level 2 may not leave the cycle now", 5000))
        << adv.run.Log();
    HWND why = adv.run.WaitMessage();
    ASSERT_TRUE(why);
    EXPECT_TRUE(
        adv.run.WaitLog("Message: DPI levels are turned off starting from the last one", 3000));
    EXPECT_TRUE(WaitShownOnScreen(why, screen));
    EXPECT_TRUE(Screenshot("adv-level-order-message"));
    ASSERT_TRUE(adv.run.Answer(why));
    // From the end, all but one level leave; the last one is refused.
    EXPECT_EQ(adv.UncheckUntilRefused(), kLevels - 1) << adv.run.Log();
    EXPECT_TRUE(WaitUntil([&] { return adv.LevelsInCycle() == 1; })) << adv.run.Log();

    // Lift-off 2 mm.
    ClickCentre(adv.Ctl(kLod2));
    EXPECT_TRUE(WaitUntil([&] { return adv.Device().nLOD == 2; })) << adv.run.Log();

    // DPI light mode 2 (breathing) shows only its speed slider.
    ASSERT_TRUE(adv.PickLight(1, "adv-light-menu")) << adv.run.Log();
    EXPECT_TRUE(WaitUntil([&] { return adv.Ctl(kLightSpeed) != nullptr; }));
    EXPECT_EQ(adv.Ctl(272), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return adv.Device().DpiLight.nMode == 2; })) << adv.run.Log();
    // Speed 4 of 5.
    const std::vector<int> places{10, 83, 157, 231, 305};
    ClickIn(adv.Ctl(kLightSpeed), places[3], 10);
    EXPECT_TRUE(WaitUntil([&] { return adv.Device().DpiLight.nSpeed == 4; })) << adv.run.Log();
    WaitPainted(adv.run.Main());
    EXPECT_TRUE(Screenshot("adv-page-edited"));

    const ProfileRecord device = adv.Device();
    ASSERT_TRUE(adv.run.Exit());
    const std::vector<ProfileRecord> stored = adv.run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    const ProfileRecord& cur = stored[0];
    EXPECT_EQ(cur.DpiLevel[1].nDpiX, dpi);
    EXPECT_EQ(cur.DpiLevel[1].nDpiY, dpi);
    for (int i = 0; i < kLevels; ++i)
        EXPECT_EQ(cur.DpiLevel[i].bDisabled, i == 0 ? 0 : 1) << i;
    EXPECT_EQ(cur.nLOD, 2);
    EXPECT_EQ(cur.DpiLight.nMode, 2);
    EXPECT_EQ(cur.DpiLight.nSpeed, 4);
    EXPECT_EQ(device.DpiLight.nSpeed, 4);
}

TEST(AdvPage, WithoutApplyNowChangesWaitInTheProfileForApply) {
    AdvRun adv("adv-apply", "0");
    ASSERT_TRUE(adv.Open()) << adv.run.Log();
    const ProfileRecord start = adv.Device();

    const int dpi = adv.MoveLevel(1, 200);
    ASSERT_GT(dpi, 0) << adv.run.Log();
    ClickCentre(adv.Ctl(kLod2));
    ASSERT_TRUE(adv.run.WaitLog("CAdvDlg: committed, flag 0x200", 5000)) << adv.run.Log();
    ASSERT_TRUE(adv.PickLight(1)) << adv.run.Log();
    ASSERT_TRUE(WaitUntil([&] { return adv.Ctl(kLightSpeed) != nullptr; }));
    ClickIn(adv.Ctl(kLightSpeed), 305, 10);
    ASSERT_TRUE(adv.run.WaitLogCount("CAdvDlg: committed, flag 0x2 ", 2, 5000)) << adv.run.Log();
    EXPECT_EQ(adv.UncheckUntilRefused(), kLevels - 1) << adv.run.Log();
    // Nothing has reached the mouse yet.
    const ProfileRecord waiting = adv.Device();
    EXPECT_EQ(waiting.DpiLevel[1].nDpiX, start.DpiLevel[1].nDpiX);
    EXPECT_EQ(waiting.nLOD, start.nLOD);
    EXPECT_EQ(waiting.DpiLight.nMode, start.DpiLight.nMode);

    ASSERT_TRUE(ClickControl(adv.run.Main(), IDC_MAIN_APPLY));
    HWND progress = adv.run.WaitWindow(L"MyProgressDlg..", nullptr, 3000);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(adv.run.WaitGone(progress, 20000));
    const ProfileRecord device = adv.Device();
    EXPECT_EQ(device.DpiLevel[1].nDpiX, dpi);
    EXPECT_EQ(device.nLOD, 2);
    EXPECT_EQ(device.DpiLight.nMode, 2);
    EXPECT_EQ(device.DpiLight.nSpeed, 5);
    EXPECT_EQ(adv.LevelsInCycle(), 1);
    ASSERT_TRUE(adv.run.Exit());
    const std::vector<ProfileRecord> stored = adv.run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[0].DpiLevel[1].nDpiX, dpi);
    EXPECT_EQ(stored[0].nLOD, 2);
}

TEST(AdvPage, AChangeRefusedWhileTheMouseDoesNotAnswerIsNotStored) {
    AdvRun adv("adv-refused", "1");
    ASSERT_TRUE(adv.Open()) << adv.run.Log();
    const ProfileRecord start = adv.Device();
    ASSERT_EQ(start.nLOD, 1);
    // Every answer of the receiver now reports a failure: the ready check
    // finds the mouse not ready and says so.
    ASSERT_TRUE(adv.run.Control("result 1"));
    const std::wstring label = TextOf(adv.Ctl(kLevelLabel + 1));
    for (int id : {kLod2, kLevelCheck + kLevels - 1}) {
        SCOPED_TRACE(id);
        const int messages = adv.run.LogCount("Message: ");
        ClickCentre(adv.Ctl(id));
        ASSERT_TRUE(adv.run.WaitLogCount("Message: ", messages + 1, 15000)) << adv.run.Log();
        ASSERT_TRUE(adv.run.Answer(adv.run.WaitMessage()));
    }
    // A slider asks before it moves.
    const int messages = adv.run.LogCount("Message: ");
    ClickIn(adv.Ctl(kLevelSlider + 1), 280, 9);
    ASSERT_TRUE(adv.run.WaitLogCount("Message: ", messages + 1, 15000)) << adv.run.Log();
    ASSERT_TRUE(adv.run.Answer(adv.run.WaitMessage()));
    EXPECT_EQ(TextOf(adv.Ctl(kLevelLabel + 1)), label);
    EXPECT_EQ(adv.run.LogCount("CAdvDlg: committed"), 0) << adv.run.Log();

    ASSERT_TRUE(adv.run.Control("result 0"));
    ASSERT_TRUE(adv.run.Exit());
    const std::vector<ProfileRecord> stored = adv.run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[0].nLOD, 1);
    EXPECT_EQ(stored[0].DpiLevel[kLevels - 1].bDisabled, 0);
    EXPECT_EQ(stored[0].DpiLevel[1].nDpiX, start.DpiLevel[1].nDpiX);
}

TEST(AdvPage, WithoutAReceiverTheUserIsToldOnceWhyChangesAreRefused) {
    // The virtual receiver answers under another product id: the window
    // comes up without one (Suwnd), and nothing may be changed (GoWithNoDev).
    TarvelRun run("adv-no-receiver", {{"Suwnd", "1"}, {"GoWithNoDev", "0"}, {"ApplyNow", "1"}});
    ASSERT_TRUE(run.Start({{"TARVEL_VIRTUAL_PID", "1234"}}));
    ASSERT_TRUE(WaitUntil([&] { return run.Main() && ::IsWindowVisible(run.Main()); }, 10000));
    ::SetForegroundWindow(run.Main());
    ASSERT_TRUE(run.ShowPage(kDpiPage, kLevelSlider)) << run.Log();
    const int told = run.LogCount("Message: No receiver found.");

    // The first refused change says why ...
    ClickCentre(run.Ctl(kLod2));
    HWND why = run.WaitMessage();
    ASSERT_TRUE(why) << run.Log();
    EXPECT_EQ(run.LogCount("Message: No receiver found."), told + 1);
    ASSERT_TRUE(run.Answer(why));
    // ... the next ones are refused without a word.
    for (int id : {kLod2, kLevelCheck + kLevels - 1}) {
        const int refused = run.LogCount("PreApplyCheck: no receiver");
        ClickCentre(run.Ctl(id));
        ASSERT_TRUE(run.WaitLogCount("PreApplyCheck: no receiver", refused + 1, 5000)) << run.Log();
    }
    ClickIn(run.Ctl(kLevelSlider + 1), 280, 9);
    ASSERT_TRUE(run.WaitLogCount("PreApplyCheck: no receiver", 4, 5000)) << run.Log();
    EXPECT_EQ(run.LogCount("Message: No receiver found."), told + 1);
    EXPECT_EQ(run.WaitMessage(0), nullptr);
    EXPECT_EQ(run.LogCount("CAdvDlg: committed"), 0);
}
