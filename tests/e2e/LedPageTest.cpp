// The lighting page of the real program, driven with real mouse and keyboard
// input at its controls' screen positions: what reaches the virtual
// receiver's memory, at once with ApplyNow or on Apply, and what the profile
// store holds after exit.

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
constexpr int kIdMainSpeed = 273;
constexpr int kIdLogoEffect = 288;
constexpr uint32_t kMemoryBytes = 0x2000;
// The product's places of the controls (page coordinates).
constexpr POINT kGrid{87, 391};
constexpr POINT kSpectrum{710, 384};
constexpr POINT kLogoColour{77 + 63 + 15, 41 + 170 + 99 + 15};

// The main light as the device holds it: mode, speed and brightness as the
// program reads them, the colour bytes as they are.
struct DeviceLight {
    int mode = -1, speed = -1, bright = -1;
    uint32_t colour = 0;
    bool operator==(const DeviceLight&) const = default;
};

LightRecord LogoOnDevice(TarvelRun& run) {
    const std::vector<uint8_t> image = run.Peek(0, kMemoryBytes);
    if (image.size() != kMemoryBytes)
        return LightRecord{-1, -1, -1, 0, {}};
    return DecodeDevice(image, ProfileRecord{}).LogoLight;
}

DeviceLight MainOnDevice(TarvelRun& run) {
    const std::vector<uint8_t> image = run.Peek(0, kMemoryBytes);
    if (image.size() != kMemoryBytes)
        return {};
    const LightRecord light = DecodeDevice(image, ProfileRecord{}).MainLight;
    const uint8_t* b = image.data() + memmap::kAddrMainLight;
    return {light.nMode, light.nSpeed, light.nBright,
            uint32_t(b[1]) | uint32_t(b[2]) << 8 | uint32_t(b[3]) << 16};
}

std::ostream& operator<<(std::ostream& os, const DeviceLight& l) {
    return os << "mode " << l.mode << " speed " << l.speed << " bright " << l.bright << " colour 0x"
              << std::hex << l.colour << std::dec;
}

class LedPage : public testing::Test {
protected:
    // Starts the program and opens the lighting page.
    void Open(TarvelRun& run) {
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        ::SetForegroundWindow(run.Main());
        m_page = run.ShowPage(kLightingPage, kIdRed);
        ASSERT_TRUE(m_page);
    }

    // Opens an effect selector and picks item `index`.
    void PickMainEffect(TarvelRun& run, int index, const std::string& shot = {}) {
        PickEffect(run, kIdMainEffect, index, shot);
    }
    void PickEffect(TarvelRun&, int id, int index, const std::string& shot = {}) {
        const std::vector<HWND> before = OpenMenus();
        ClickCentre(::GetDlgItem(m_page, id));
        HWND menu = WaitNewMenu(before);
        ASSERT_TRUE(menu);
        if (!shot.empty()) {
            MoveTo(MenuEntryPoint(menu, index));
            WaitPainted(menu);
            EXPECT_TRUE(Screenshot(shot));
        }
        ASSERT_TRUE(PickMenuEntry(menu, index));
    }

    // A grid square (row, column) clicked.
    void ClickGrid(int row, int column) {
        ClickIn(m_page, kGrid.x + 36 * column + 12, kGrid.y + 32 * row + 12);
    }

    // Types `digits` into the red field after clearing it.
    void TypeRed(const wchar_t* digits) {
        ClickCentre(::GetDlgItem(m_page, kIdRed));
        PressKey(VK_END);
        for (int i = 0; i < 3; ++i)
            PressKey(VK_BACK);
        Type(digits);
    }

    HWND m_page = nullptr;
};

TEST_F(LedPage, ChangesReachTheDeviceAtOnceWithApplyNow) {
    TarvelRun run("led-now", {{"ApplyNow", "1"}});
    Open(run);
    // The page as the user first sees it: painted whole by the click, on
    // the screen once the program has nothing more to do.
    EXPECT_EQ(WaitingToBePainted(m_page), "");
    ::WaitForInputIdle(run.Process(), 5000);
    EXPECT_TRUE(Screenshot("led-page-start"));

    // Effect 2 (breathing): speed 6 and brightness 10, in one request.
    const int requests = run.LogCount("Set LED, inx=0x2");
    PickMainEffect(run, 1, "led-effect-menu");
    const DeviceLight breathing = {2, 6, 10, MainOnDevice(run).colour};
    EXPECT_TRUE(WaitUntil([&] { return MainOnDevice(run) == breathing; })) << MainOnDevice(run);
    EXPECT_EQ(run.LogCount("Set LED, inx=0x2"), requests + 1);

    // The speed bar clicked at its third place.
    HWND speed = ::GetDlgItem(m_page, kIdMainSpeed);
    ASSERT_TRUE(speed);
    RECT bar{};
    ::GetClientRect(speed, &bar);
    ClickIn(speed, 10 + 2 * 32, bar.bottom / 2);
    EXPECT_TRUE(WaitUntil([&] { return MainOnDevice(run).speed == 3; })) << MainOnDevice(run);

    // A preset colour, then 300 typed into the red field becomes 255.
    ClickGrid(1, 1); // (3, 110, 184)
    EXPECT_TRUE(WaitUntil([&] { return MainOnDevice(run).colour == 0xB86E03u; }))
        << MainOnDevice(run);
    EXPECT_EQ(ItemText(m_page, kIdRed), L"3");
    TypeRed(L"300");
    EXPECT_TRUE(WaitUntil([&] { return ItemText(m_page, kIdRed) == L"255"; }))
        << std::string(ItemText(m_page, kIdRed).begin(), ItemText(m_page, kIdRed).end());
    EXPECT_TRUE(WaitUntil([&] { return MainOnDevice(run).colour == 0xB86EFFu; }))
        << MainOnDevice(run);

    // A colour taken from the spectrum is the one the fields then show.
    ClickIn(m_page, kSpectrum.x + 60, kSpectrum.y + 20);
    auto fields = [&] {
        uint32_t colour = 0;
        for (int i = 0; i < 3; ++i)
            colour |= uint32_t(std::stoi(ItemText(m_page, kIdRed + i))) << (8 * i);
        return colour;
    };
    EXPECT_TRUE(WaitUntil([&] { return fields() != 0xB86EFFu; }));
    EXPECT_TRUE(WaitUntil([&] { return MainOnDevice(run).colour == fields(); }))
        << MainOnDevice(run) << " fields 0x" << std::hex << fields();

    // The logo light: steady, made the editor's target, given a preset
    // colour; only the logo light is written.
    const int logoRequests = run.LogCount("Set LED, inx=0x1");
    PickEffect(run, kIdLogoEffect, 0);
    EXPECT_TRUE(WaitUntil([&] { return LogoOnDevice(run).nMode == 1; }));
    EXPECT_EQ(run.LogCount("Set LED, inx=0x1"), logoRequests + 1);
    const DeviceLight mainBefore = MainOnDevice(run);
    ClickIn(m_page, kLogoColour.x, kLogoColour.y);
    ClickGrid(0, 5); // (255, 241, 0)
    EXPECT_TRUE(WaitUntil([&] { return (LogoOnDevice(run).crColor & 0xFFFFFF) == 0x00F1FFu; }));
    EXPECT_EQ(MainOnDevice(run), mainBefore);
    EXPECT_EQ(ItemText(m_page, kIdRed + 1), L"241");
    WaitPainted(run.Main());
    EXPECT_TRUE(Screenshot("led-page-edited"));

    // The device refuses to answer: the change is refused with a message and
    // nothing of it is stored.
    const DeviceLight before = MainOnDevice(run);
    ASSERT_TRUE(run.Control("sendfail 1"));
    const ScreenPixels screen = ReadScreen();
    ClickGrid(0, 0);
    HWND message = run.WaitMessage();
    ASSERT_TRUE(message);
    EXPECT_TRUE(WaitShownOnScreen(message, screen));
    EXPECT_TRUE(Screenshot("led-page-refused"));
    ASSERT_TRUE(run.Answer(message));
    ASSERT_TRUE(run.Control("sendfail 0"));
    EXPECT_EQ(MainOnDevice(run), before);
    EXPECT_EQ(LogoOnDevice(run).crColor & 0xFFFFFF, 0x00F1FFu);
    EXPECT_EQ(ItemText(m_page, kIdRed + 1), L"241"); // the page kept the stored colour

    ASSERT_TRUE(run.Exit());
    const std::vector<ProfileRecord> stored = run.StoredProfiles();
    ASSERT_FALSE(stored.empty());
    const LightRecord& light = stored[0].MainLight;
    EXPECT_EQ(light.nMode, 2);
    EXPECT_EQ(light.nSpeed, 3);
    EXPECT_EQ(light.nBright, 10);
    EXPECT_EQ(light.crColor & 0xFFFFFF, mainBefore.colour);
    EXPECT_EQ(stored[0].LogoLight.nMode, 1);
    EXPECT_EQ(stored[0].LogoLight.crColor & 0xFFFFFF, 0x00F1FFu);
}

TEST_F(LedPage, WithoutApplyNowChangesWaitForApply) {
    TarvelRun run("led-later", {{"ApplyNow", "0"}});
    Open(run);
    const DeviceLight start = MainOnDevice(run);

    PickMainEffect(run, 1);
    ClickGrid(0, 8); // (0, 255, 0)
    TypeRed(L"300");
    // The page took every change (the field was corrected) ...
    ASSERT_TRUE(WaitUntil([&] { return ItemText(m_page, kIdRed) == L"255"; }));
    // ... and the device still holds what it had.
    EXPECT_EQ(MainOnDevice(run), start);
    EXPECT_EQ(run.LogCount("Set LED"), 0);

    ASSERT_TRUE(ClickControl(run.Main(), IDC_MAIN_APPLY));
    ASSERT_TRUE(run.WaitLog("Apply Success", 20000)) << run.Log();
    const DeviceLight applied{2, 6, 10, 0x00FFFFu};
    EXPECT_TRUE(WaitUntil([&] { return MainOnDevice(run) == applied; })) << MainOnDevice(run);

    ASSERT_TRUE(run.Exit());
    const std::vector<ProfileRecord> stored = run.StoredProfiles();
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored[0].MainLight.nMode, 2);
    EXPECT_EQ(stored[0].MainLight.crColor & 0xFFFFFF, 0x00FFFFu);
}

TEST_F(LedPage, AColourTheMouseReportsIsWhatApplyWrites) {
    TarvelRun run("led-event", {{"ApplyNow", "0"}});
    Open(run);
    // The mouse changes its main light's colour itself, then reports the
    // light switched on: the program reads the light back.
    const uint32_t colour = 0x563412;
    for (uint32_t i = 0; i < 3; ++i)
        ASSERT_TRUE(run.Control("poke " + std::to_string(memmap::kAddrMainLight + 1 + i) + " " +
                                std::to_string(colour >> (8 * i) & 0xFF)));
    ASSERT_TRUE(run.Control("light 0x80 1"));
    ASSERT_TRUE(run.WaitLog("MarkLed_Stream", 5000)) << run.Log();
    // The page shows the reported colour in the editor (its target is the
    // main light) ...
    EXPECT_TRUE(WaitUntil([&] { return ItemText(m_page, kIdRed) == L"18"; }));
    EXPECT_EQ(ItemText(m_page, kIdRed + 1), L"52");
    // ... and Apply, which stores every page, writes that colour.
    ASSERT_TRUE(ClickControl(run.Main(), IDC_MAIN_APPLY));
    ASSERT_TRUE(run.WaitLog("Apply Success", 20000)) << run.Log();
    EXPECT_EQ(MainOnDevice(run).colour, colour) << MainOnDevice(run);
}

} // namespace
