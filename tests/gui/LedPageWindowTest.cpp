// The lighting page as a real window over a current profile, with a main
// window stand-in that answers the ready check: what reaches the profile and
// which apply requests are posted, for the page's rules that the program's
// own configuration does not reach.

#include "GuiFixture.h"
#include "PageStandIn.h"

#include "model/ApplyRequest.h"
#include "pages/LedDlg.h"
#include "settings/Settings.h"
#include "store/ProfileStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

using settings::g_opt;

namespace {

guitest::Requests& g_requests = guitest::PostedRequests();
constexpr auto Record = guitest::RecordRequest;
using FakeHost = guitest::StandInHost;

class LedPageWindow : public testing::Test {
protected:
    void SetUp() override {
        m_saved = g_opt;
        g_opt.ApplyNow = 1;
        g_requests.clear();
        m_host.ready = true;
        m_host.checks = 0;
        SetApplyQueue(Record);
        ClearProfiles();
        auto* p = new ProfileRecord{};
        p->MainLight = {2, 4, 5, 0x0000FF, {}};
        p->LogoLight = {0, 2, 3, 0x00FF00, {}};
        auto lock = g_ProfileList.Lock();
        g_ProfileList.AddTail(p);
        g_pCurProfile = p;
    }
    void TearDown() override {
        if (m_page.Hwnd())
            m_page.DestroyWindow();
        if (m_parent)
            ::DestroyWindow(m_parent);
        guitest::Pump(10);
        SetApplyQueue(nullptr);
        ClearProfiles();
        g_opt = m_saved;
    }

    // Makes the page (after the test has set the options it needs).
    void Make() {
        m_parent = ::CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 1002, 660,
                                     nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_parent);
        ASSERT_TRUE(m_page.CreatePage(m_parent, &m_host));
        ::ShowWindow(m_page.Hwnd(), SW_SHOW);
        m_page.ShowCurrentProfile();
        guitest::Pump(20);
    }
    static ProfileRecord Current() {
        auto lock = g_ProfileList.Lock();
        return *g_pCurProfile.load();
    }
    void Press(int x, int y) {
        ::SendMessageW(m_page.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }
    void ClickGrid(int index) {
        Press(g_opt.ptRGBGrid.x + 36 * (index % 9) + 5, g_opt.ptRGBGrid.y + 32 * (index / 9) + 5);
    }
    void Release(UINT sliderId) {
        ::SendMessageW(m_page.Hwnd(), WM_SLIDER_SET, 0, LPARAM(sliderId));
    }
    HWND Item(UINT id) { return ::GetDlgItem(m_page.Hwnd(), int(id)); }

    settings::OptSettings m_saved{};
    FakeHost m_host;
    CLedDlg m_page;
    HWND m_parent = nullptr;
};

using Request = std::pair<uint32_t, uint32_t>;
constexpr uint32_t kMainStart = 0x123456, kLogoStart = 0x654321;

TEST_F(LedPageWindow, AGridColourGoesToTheTargetWhenItIsShown) {
    const struct {
        const char* name;
        int showMain, showLogo;
        int mainMode, logoMode;
        int target;
        uint32_t main, logo; // colours after a click on the first square (red)
        std::vector<Request> requests;
    } cases[] = {
        {"both lights: main first",
         1,
         1,
         2,
         1,
         CLedDlg::kMain,
         0x0000FF,
         kLogoStart,
         {{APPLY_LED, LED_MAIN}}},
        {"logo hidden: main",
         1,
         0,
         2,
         1,
         CLedDlg::kMain,
         0x0000FF,
         kLogoStart,
         {{APPLY_LED, LED_MAIN}}},
        {"main hidden: logo",
         0,
         1,
         2,
         1,
         CLedDlg::kLogo,
         kMainStart,
         0x0000FF,
         {{APPLY_LED, LED_LOGO}}},
        // Effect 3 of the main light hides its colour button.
        {"target's colour hidden", 1, 1, 3, 1, CLedDlg::kMain, kMainStart, kLogoStart, {}},
        {"logo off: its colour hidden", 0, 1, 2, 0, CLedDlg::kLogo, kMainStart, kLogoStart, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        g_opt.ShowMainEffect = c.showMain;
        g_opt.ShowLogoEffect = c.showLogo;
        {
            auto lock = g_ProfileList.Lock();
            ProfileRecord* p = g_pCurProfile.load();
            p->MainLight = {c.mainMode, 4, 5, kMainStart, {}};
            p->LogoLight = {c.logoMode, 2, 3, kLogoStart, {}};
        }
        Make();
        EXPECT_EQ(m_page.Target(), c.target);
        ClickGrid(0);
        EXPECT_EQ(Current().MainLight.crColor, c.main);
        EXPECT_EQ(Current().LogoLight.crColor, c.logo);
        EXPECT_EQ(g_requests, c.requests);
    }
}

TEST_F(LedPageWindow, SliderReleasesAreStoredOnlyForALightThatIsOnAndAllowed) {
    const struct {
        const char* name;
        UINT slider;
        int logoMode;
        bool ready;
        std::vector<Request> requests;
    } cases[] = {
        {"main brightness", CLedDlg::kIdMainBright, 0, true, {{APPLY_LED, LED_MAIN}}},
        {"logo speed, logo on", CLedDlg::kIdLogoSpeed, 2, true, {{APPLY_LED, LED_LOGO}}},
        {"logo brightness, logo off", CLedDlg::kIdLogoBright, 0, true, {}},
        {"refused", CLedDlg::kIdMainSpeed, 0, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        {
            auto lock = g_ProfileList.Lock();
            g_pCurProfile.load()->LogoLight.nMode = c.logoMode;
        }
        Make();
        m_host.ready = c.ready;
        const ProfileRecord before = Current();
        Release(c.slider);
        EXPECT_EQ(m_host.checks, 1);
        EXPECT_EQ(g_requests, c.requests);
        // The sliders show the profile, so what is stored is what was there.
        const ProfileRecord after = Current();
        EXPECT_EQ(std::memcmp(&after.MainLight, &before.MainLight, sizeof(LightRecord)), 0);
        EXPECT_EQ(std::memcmp(&after.LogoLight, &before.LogoLight, sizeof(LightRecord)), 0);
    }
}

TEST_F(LedPageWindow, ANumberFieldIsCorrectedAndColoursTheTarget) {
    const struct {
        const char* name;
        bool ready;
        uint32_t main;
        size_t requests;
    } cases[] = {{"allowed", true, 0x1234FF, 1}, {"refused", false, kMainStart, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        {
            auto lock = g_ProfileList.Lock();
            g_pCurProfile.load()->MainLight.crColor = kMainStart;
        }
        Make();
        EXPECT_EQ(guitest::WindowText(Item(CLedDlg::kIdRed)), L"86"); // 0x56
        m_host.ready = c.ready;
        ::SetWindowTextW(Item(CLedDlg::kIdRed), L"300");
        EXPECT_EQ(guitest::WindowText(Item(CLedDlg::kIdRed)), L"255");
        EXPECT_EQ(Current().MainLight.crColor, c.main);
        EXPECT_EQ(g_requests.size(), c.requests);
        if (c.ready) {
            guitest::SaveShot(m_parent, L"led_page_field_corrected");
        }
    }
}

TEST_F(LedPageWindow, PickingAnEffectSetsItsDefaultsAndPostsOneRequest) {
    Make();
    HWND combo = Item(CLedDlg::kIdMainEffect);
    ASSERT_TRUE(combo);
    // The selector took the pick (as its menu does) and tells the page.
    m_page.SelectMainEffect(3);
    ::SendMessageW(m_page.Hwnd(), WM_COMMAND, MAKEWPARAM(CLedDlg::kIdMainEffect, BN_CLICKED),
                   LPARAM(combo));
    const LightRecord main = Current().MainLight;
    EXPECT_EQ(main.nMode, 3);
    EXPECT_EQ(main.nSpeed, 6);
    EXPECT_EQ(main.nBright, 10);
    EXPECT_EQ(g_requests, (std::vector<Request>{{APPLY_LED, LED_MAIN}}));
    // Effect 3 shows the speed slider.
    EXPECT_TRUE(::IsWindowVisible(Item(CLedDlg::kIdMainSpeed)));
}

} // namespace
