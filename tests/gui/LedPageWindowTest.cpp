// The lighting page as a real window over a current profile, with a main
// window stand-in that answers the ready check: what reaches the profile and
// which apply requests are posted, for the page's rules that the program's
// own configuration does not reach.

#include "GuiFixture.h"
#include "PageStandIn.h"

#include "controls/SliderScale.h"
#include "model/ApplyRequest.h"
#include "pages/LedDlg.h"
#include "settings/Settings.h"
#include "store/ProfileStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    // A press and release on a slider's bar at the place of `step` (1-based)
    // of its `steps`; the page hears of it once the posts are through.
    void ClickBar(UINT sliderId, int steps, int step) {
        HWND bar = Item(sliderId);
        ASSERT_TRUE(bar);
        RECT rc{};
        ::GetClientRect(bar, &rc);
        const std::vector<int> places = ComputeScale(rc.right, steps);
        ASSERT_EQ(int(places.size()), steps);
        const LPARAM at = MAKELPARAM(places[size_t(step - 1)], rc.bottom / 2);
        ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(bar, WM_LBUTTONUP, 0, at);
        guitest::Pump(30);
    }
    // The slider's thumb, in screen coordinates.
    RECT ThumbRect(UINT sliderId) {
        RECT rc{};
        if (HWND thumb = ::GetWindow(Item(sliderId), GW_CHILD))
            ::GetWindowRect(thumb, &rc);
        return rc;
    }

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
    // The profile holds main speed 4 and brightness 5, logo speed 2 and
    // brightness 3.
    const struct {
        const char* name;
        UINT slider;
        int steps, step;
        int logoMode;
        bool ready;
        LightRecord main, logo; // stored afterwards (mode, speed, brightness)
        std::vector<Request> requests;
    } cases[] = {
        {"main brightness",
         CLedDlg::kIdMainBright,
         led::kBrightSteps,
         7,
         0,
         true,
         {2, 4, 7, 0x0000FF, {}},
         {0, 2, 3, 0x00FF00, {}},
         {{APPLY_LED, LED_MAIN}}},
        {"logo speed, logo on",
         CLedDlg::kIdLogoSpeed,
         led::kLogoSpeedSteps,
         5,
         2,
         true,
         {2, 4, 5, 0x0000FF, {}},
         {2, 5, 3, 0x00FF00, {}},
         {{APPLY_LED, LED_LOGO}}},
        {"logo brightness, logo off",
         CLedDlg::kIdLogoBright,
         led::kBrightSteps,
         9,
         0,
         true,
         {2, 4, 5, 0x0000FF, {}},
         {0, 2, 3, 0x00FF00, {}},
         {}},
        {"refused",
         CLedDlg::kIdMainSpeed,
         led::kMainSpeedSteps,
         9,
         0,
         false,
         {2, 4, 5, 0x0000FF, {}},
         {0, 2, 3, 0x00FF00, {}},
         {}},
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
        const RECT thumbBefore = ThumbRect(c.slider);
        ClickBar(c.slider, c.steps, c.step);
        // The bar asked before it moved and, moved, told the page, which
        // asked again: the release was handled.
        EXPECT_EQ(m_host.checks, c.ready ? 2 : 1);
        EXPECT_EQ(ThumbRect(c.slider).left != thumbBefore.left, c.ready);
        EXPECT_EQ(g_requests, c.requests);
        const ProfileRecord after = Current();
        EXPECT_EQ(std::memcmp(&after.MainLight, &c.main, sizeof(LightRecord)), 0);
        EXPECT_EQ(std::memcmp(&after.LogoLight, &c.logo, sizeof(LightRecord)), 0);
    }
}

TEST_F(LedPageWindow, StoredValuesTheSlidersLackAreKeptUntilTheSliderIsMoved) {
    {
        auto lock = g_ProfileList.Lock();
        ProfileRecord* p = g_pCurProfile.load();
        p->MainLight = {2, 15, 4, kMainStart, {}}; // speed past the 10 steps
        p->LogoLight = {2, 8, 12, kLogoStart, {}}; // speed past 5, brightness past 10
    }
    Make();
    // A colour change stores the main light: its speed stays 15.
    ClickGrid(0);
    ASSERT_EQ(g_requests, (std::vector<Request>{{APPLY_LED, LED_MAIN}}));
    EXPECT_EQ(Current().MainLight.nSpeed, 15);
    EXPECT_EQ(Current().MainLight.nBright, 4);
    // Apply stores every page: the logo light keeps its values as well.
    ProfileRecord applied = Current();
    m_page.StoreToProfile(applied);
    EXPECT_EQ(applied.MainLight.nSpeed, 15);
    EXPECT_EQ(applied.LogoLight.nBright, 12);
    EXPECT_EQ(applied.LogoLight.nSpeed, 8);
    // The user moves the main speed slider: now what it shows is stored, and
    // only for that slider.
    ClickBar(CLedDlg::kIdMainSpeed, led::kMainSpeedSteps, 3);
    EXPECT_EQ(Current().MainLight.nSpeed, 3);
    applied = Current();
    m_page.StoreToProfile(applied);
    EXPECT_EQ(applied.MainLight.nSpeed, 3);
    EXPECT_EQ(applied.LogoLight.nSpeed, 8);
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

TEST_F(LedPageWindow, PickingAnEffectSetsItsDefaultsAndTheSameOneAgainChangesNothing) {
    // The main light starts with effect 2, speed 4 and brightness 5.
    const struct {
        const char* name;
        int mode;
        LightRecord main;
        std::vector<Request> requests;
    } cases[] = {
        {"another effect", 3, {3, 6, 10, 0x0000FF, {}}, {{APPLY_LED, LED_MAIN}}},
        {"the same effect", 2, {2, 4, 5, 0x0000FF, {}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        Make();
        HWND combo = Item(CLedDlg::kIdMainEffect);
        ASSERT_TRUE(combo);
        // The selector took the pick (as its menu does) and tells the page.
        m_page.SelectMainEffect(c.mode);
        ::SendMessageW(m_page.Hwnd(), WM_COMMAND, MAKEWPARAM(CLedDlg::kIdMainEffect, BN_CLICKED),
                       LPARAM(combo));
        const LightRecord main = Current().MainLight;
        EXPECT_EQ(std::memcmp(&main, &c.main, sizeof(LightRecord)), 0)
            << main.nMode << " " << main.nSpeed << " " << main.nBright;
        EXPECT_EQ(g_requests, c.requests);
        // Effects 2 and 3 show the speed slider.
        EXPECT_TRUE(::IsWindowVisible(Item(CLedDlg::kIdMainSpeed)));
    }
}

// Whether some pixel of `image` is near `colour` (0x00RRGGBB): each channel
// within 60.
bool Shows(Gdiplus::Bitmap& image, uint32_t colour) {
    for (int y = 0; y < int(image.GetHeight()); ++y)
        for (int x = 0; x < int(image.GetWidth()); ++x) {
            const uint32_t p = guitest::PixelAt(image, x, y);
            bool close = true;
            for (int shift : {0, 8, 16})
                close =
                    close && std::abs(int(p >> shift & 0xFF) - int(colour >> shift & 0xFF)) < 60;
            if (close)
                return true;
        }
    return false;
}

TEST_F(LedPageWindow, TheMousePictureShowsTheLightsAndMovesOnlyWhileSeen) {
    const uint32_t red = 0x0000FF, green = 0x00FF00; // 0x00BBGGRR
    const struct {
        const char* name;
        LightRecord main, logo;
        bool redShows, greenShows, animating;
    } cases[] = {
        {"both off: dark", {0, 5, 10, red, {}}, {0, 3, 10, green, {}}, false, false, false},
        {"main steady red", {1, 5, 10, red, {}}, {0, 3, 10, green, {}}, true, false, false},
        {"logo steady green", {0, 5, 10, red, {}}, {1, 3, 10, green, {}}, false, true, false},
        {"main breathing", {2, 5, 10, red, {}}, {0, 3, 10, green, {}}, true, false, true},
        {"logo colour cycle", {0, 5, 10, red, {}}, {3, 3, 10, green, {}}, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        {
            auto lock = g_ProfileList.Lock();
            g_pCurProfile.load()->MainLight = c.main;
            g_pCurProfile.load()->LogoLight = c.logo;
        }
        Make();
        const CLedPreview& preview = m_page.Preview();
        ASSERT_TRUE(preview.Hwnd()); // the product's skin has the masks
        EXPECT_EQ(preview.Animating(), c.animating);
        if (!c.animating) {
            const fw::Image picture = guitest::Capture(preview.Hwnd());
            ASSERT_TRUE(picture);
            EXPECT_EQ(Shows(*picture, 0xFF0000), c.redShows);
            EXPECT_EQ(Shows(*picture, 0x00FF00), c.greenShows);
            continue;
        }
        // No timer while the page is hidden or the window minimised.
        ::ShowWindow(m_page.Hwnd(), SW_HIDE);
        EXPECT_TRUE(driver::WaitUntil([&] { return !preview.Animating(); }));
        ::ShowWindow(m_page.Hwnd(), SW_SHOW);
        EXPECT_TRUE(driver::WaitUntil([&] { return preview.Animating(); }));
        ::ShowWindow(m_parent, SW_MINIMIZE);
        EXPECT_TRUE(driver::WaitUntil([&] { return !preview.Animating(); }));
        ::ShowWindow(m_parent, SW_RESTORE);
        EXPECT_TRUE(driver::WaitUntil([&] { return preview.Animating(); }));
    }
}

TEST_F(LedPageWindow, TheSpectrumMarksWhereTheTargetsColourWasPicked) {
    Make();
    EXPECT_FALSE(m_page.SpectrumMark());
    const POINT at{g_opt.ptRGBEdit.x + 90 + 60, g_opt.ptRGBEdit.y + 20};
    Press(at.x, at.y);
    ASSERT_TRUE(m_page.SpectrumMark());
    EXPECT_EQ(m_page.SpectrumMark()->x, at.x);
    EXPECT_EQ(m_page.SpectrumMark()->y, at.y);
    const uint32_t picked = Current().MainLight.crColor;
    EXPECT_NE(picked, 0x0000FFu);
    // The logo's button made the target: its colour was not picked there.
    ::SendMessageW(m_page.Hwnd(), WM_COLOR_CLICKED, 1, CLedDlg::kLogo);
    EXPECT_EQ(m_page.Target(), CLedDlg::kLogo);
    EXPECT_FALSE(m_page.SpectrumMark());
    ::SendMessageW(m_page.Hwnd(), WM_COLOR_CLICKED, 1, CLedDlg::kMain);
    EXPECT_TRUE(m_page.SpectrumMark());
    // A preset colour replaces the picked one: no mark.
    ClickGrid(0);
    EXPECT_FALSE(m_page.SpectrumMark());
}

TEST_F(LedPageWindow, FieldsAndColourButtonsAreDrawnOnTheSkin) {
    Make();
    // The colour button's margin shows the page, not the system's grey.
    HWND button = nullptr;
    for (HWND child = ::GetWindow(m_page.Hwnd(), GW_CHILD); child && !button;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        POINT corner{rc.left, rc.top};
        ::ScreenToClient(m_page.Hwnd(), &corner);
        const settings::Point main = g_opt.ptMainEft;
        if (corner.x == main.x + 63 && corner.y == main.y + 99)
            button = child;
    }
    ASSERT_TRUE(button);
    const fw::Image picture = guitest::Capture(button);
    ASSERT_TRUE(picture);
    const COLORREF face = ::GetSysColor(COLOR_3DFACE);
    const uint32_t grey = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
    EXPECT_NE(guitest::PixelAt(*picture, 1, 1), grey);
    EXPECT_NE(guitest::PixelAt(*picture, 28, 15), grey);

    // The digits sit in the middle of the field's box, across and down.
    HWND red = Item(CLedDlg::kIdRed), green = Item(CLedDlg::kIdGreen);
    EXPECT_TRUE(::GetWindowLongW(red, GWL_STYLE) & ES_CENTER);
    RECT edit{};
    ::GetWindowRect(red, &edit);
    ::MapWindowPoints(nullptr, m_page.Hwnd(), reinterpret_cast<POINT*>(&edit), 2);
    const int boxTop = g_opt.ptRGBEdit.y, boxBottom = boxTop + 20;
    EXPECT_LE(std::abs((edit.top - boxTop) - (boxBottom - edit.bottom)), 1);

    // An emptied field counts as 0 and, once left, shows it.
    ::SetFocus(red);
    ::SetWindowTextW(red, L"");
    EXPECT_EQ(Current().MainLight.crColor & 0xFF, 0u);
    const size_t requests = g_requests.size();
    EXPECT_EQ(guitest::WindowText(red), L"");
    ::SetFocus(green);
    EXPECT_EQ(guitest::WindowText(red), L"0");
    EXPECT_EQ(g_requests.size(), requests); // nothing more to store
    guitest::SaveShot(m_parent, L"led_page_fields");
}

} // namespace
