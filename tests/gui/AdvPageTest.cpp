// The DPI and advanced page as a real window over the product's skins: what
// it shows for a profile, what it stores back and which requests it posts,
// with a main window stand-in whose ready check can refuse.

#include "controls/PngSlider.h"
#include "controls/SkinWarning.h"
#include "controls/SliderMessages.h"
#include "model/ApplyRequest.h"
#include "model/SensorCatalogue.h"
#include "pages/AdvDlg.h"
#include "settings/Settings.h"
#include "store/ProfileStore.h"

#include "GuiFixture.h"
#include "PageStandIn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using settings::g_opt;

namespace {

guitest::Requests& g_posted = guitest::PostedRequests();
constexpr auto Record = guitest::RecordRequest;
using FakeHost = guitest::StandInHost;

struct Child {
    int id;
    HWND hwnd;
};
BOOL CALLBACK FindChild(HWND hwnd, LPARAM lParam) {
    auto* c = reinterpret_cast<Child*>(lParam);
    if (::GetDlgCtrlID(hwnd) == c->id) {
        c->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

class AdvPageWindow : public testing::Test {
protected:
    void SetUp() override {
        m_savedOpt = g_opt;
        g_opt.ApplyNow = 1;
        g_posted.clear();
        SetApplyQueue(Record);
        BuildSensorDpiTables();
        // A two-value sensor's steps in a free slot.
        SensorDpiTable& xy = g_SensorDpiTable[kSensorSlots - 1];
        xy = SensorDpiTable{};
        xy.nSensor = 0x9800;
        xy.nSteps = 8;
        for (int i = 0; i < 8; ++i)
            xy.dpi[i] = 400 * (i + 1);
        m_cfg = SensorCfg{};
        m_cfg.nSensor = 0x3325;
        m_cfg.nLevels = 6;
        m_cfg.nDpiRowH = 48;
        m_cfg.bShowLOD = 1;
        SetActiveSensor(0x3325, &m_cfg);

        ClearProfiles();
        auto* p = new ProfileRecord{};
        p->dwProfileID = 0x42;
        p->nPointerSpeed = 10;
        p->nDblClickTime = 550;
        p->nWheelLines = 3;
        p->bEnhancePrecision = 1;
        p->nLOD = 1;
        p->DpiLight = {1, 3, 5, {}};
        for (int i = 0; i < kDpiLevels; ++i)
            p->DpiLevel[i] = {800, 800, 0x0000FF, i < 6 ? 0 : 1};
        auto lock = g_ProfileList.Lock();
        g_ProfileList.AddTail(p);
        g_pCurProfile = p;
    }
    void TearDown() override {
        m_page.reset();
        if (m_parent)
            ::DestroyWindow(m_parent);
        m_parent = nullptr;
        SetApplyQueue(nullptr);
        ClearProfiles();
        SetActiveSensor(0, nullptr);
        g_SensorDpiTable[kSensorSlots - 1] = SensorDpiTable{};
        g_opt = m_savedOpt;
    }

    // The page, made with the settings as they are now, showing the profile.
    CAdvDlg& Open() {
        m_parent = ::CreateWindowExW(0, L"STATIC", L"page", WS_POPUP | WS_VISIBLE, 0, 0, 1002, 660,
                                     nullptr, nullptr, nullptr, nullptr);
        m_page = std::make_unique<CAdvDlg>();
        EXPECT_TRUE(m_page->CreatePage(m_parent, &m_host));
        ::ShowWindow(m_page->Hwnd(), SW_SHOWNA);
        m_page->ApplySensorLayout();
        m_page->ShowCurrentProfile();
        guitest::Pump(50);
        return *m_page;
    }
    HWND Ctl(int id) const {
        Child c{id, nullptr};
        ::EnumChildWindows(m_page->Hwnd(), FindChild, reinterpret_cast<LPARAM>(&c));
        return c.hwnd;
    }
    bool Shown(int id) const { return Ctl(id) && ::IsWindowVisible(Ctl(id)); }
    void Press(int id) {
        ::SendMessageW(m_page->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(Ctl(id)));
    }
    // A click on a slider's bar at (x, y), as the mouse gives it.
    void ClickBar(int id, int x, int y = 9) {
        HWND bar = Ctl(id);
        ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        guitest::Pump(50);
    }
    // The slider bar behind a control id.
    CSliderBarBase& Bar(int id) const {
        auto* window =
            reinterpret_cast<CSliderWindow*>(::GetWindowLongPtrW(Ctl(id), GWLP_USERDATA));
        auto* bar = dynamic_cast<CSliderBarBase*>(window);
        EXPECT_NE(bar, nullptr) << id;
        static CPngSliderBar none;
        return bar ? *bar : none;
    }
    static ProfileRecord Current() {
        auto lock = g_ProfileList.Lock();
        return *g_pCurProfile.load();
    }
    static void Edit(void (*edit)(ProfileRecord&)) {
        auto lock = g_ProfileList.Lock();
        edit(*g_pCurProfile.load());
    }

    settings::OptSettings m_savedOpt{};
    SensorCfg m_cfg{};
    FakeHost m_host;
    HWND m_parent = nullptr;
    std::unique_ptr<CAdvDlg> m_page;
};

} // namespace

TEST_F(AdvPageWindow, StoredValuesTheControlsLackSurviveOtherChanges) {
    Edit([](ProfileRecord& p) {
        p.nPointerSpeed = 3;                              // between two steps
        p.nDblClickTime = 500;                            // likewise
        p.nWheelLines = 25;                               // beyond the slider
        p.DpiLevel[0].nDpiX = p.DpiLevel[0].nDpiY = 1234; // no step of the sensor
    });
    Open();
    Press(IDC_ADV_PRECISION);
    const ProfileRecord p = Current();
    EXPECT_EQ(p.bEnhancePrecision, 0);
    EXPECT_EQ(p.nPointerSpeed, 3);
    EXPECT_EQ(p.nDblClickTime, 500);
    EXPECT_EQ(p.nWheelLines, 25);
    EXPECT_EQ(p.DpiLevel[0].nDpiX, 1234);
    EXPECT_EQ(p.DpiLevel[0].nDpiY, 1234);
    EXPECT_EQ(guitest::WindowText(Ctl(IDC_ADV_LABELX0)), L"1234");
    EXPECT_EQ(g_posted, (std::vector<std::pair<uint32_t, uint32_t>>{{APPLY_SYS, 0}}));
}

TEST_F(AdvPageWindow, OneScreenPerNotchStoresMinusOneAndShowsTheSliderOnThree) {
    Edit([](ProfileRecord& p) { p.nWheelLines = 7; });
    CAdvDlg& page = Open();
    EXPECT_EQ(guitest::WindowText(Ctl(IDC_ADV_WHEEL + 1000)), L"7");
    Press(IDC_ADV_ONESCREEN);
    EXPECT_EQ(Current().nWheelLines, -1);
    EXPECT_TRUE(Bar(IDC_ADV_WHEEL).IsDimmed());
    page.ShowCurrentProfile();
    Press(IDC_ADV_ONESCREEN); // off again: the slider's 3
    EXPECT_EQ(Current().nWheelLines, 3);
    EXPECT_EQ(g_posted.size(), 2u);
}

TEST_F(AdvPageWindow, RefusedChangesAreNeitherShownNorStoredNorSent) {
    // Level 6 is out of the cycle: level 5 may leave it and level 6 join it,
    // each only when the ready check allows.
    Edit([](ProfileRecord& p) { p.DpiLevel[5].bDisabled = 1; });
    Open();
    const ProfileRecord before = Current();
    m_host.ready = false;
    for (int id : {int(IDC_ADV_LOD2), int(IDC_ADV_PRECISION), int(IDC_ADV_ONESCREEN),
                   int(IDC_ADV_CHECK0) + 4, int(IDC_ADV_CHECK0) + 5})
        Press(id);
    ClickBar(IDC_ADV_LEVEL0 + 1, 300);
    ClickBar(IDC_ADV_SPEED, 10);
    EXPECT_GE(m_host.checks, 7);
    EXPECT_TRUE(g_posted.empty());
    const ProfileRecord after = Current();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(guitest::WindowText(Ctl(IDC_ADV_LABELX0 + 1)), L"800");
}

TEST_F(AdvPageWindow, ChangesPostTheirGroupAndWithoutApplyNowOnlyStore) {
    const struct {
        int applyNow;
        std::vector<std::pair<uint32_t, uint32_t>> posted;
    } cases[] = {
        {1, {{APPLY_DPI, 2}, {APPLY_SYS, 0}, {APPLY_LOD, 0}, {APPLY_DPI_COUNT, 0}}},
        {0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.applyNow);
        TearDown();
        SetUp();
        g_opt.ApplyNow = c.applyNow;
        Open();
        ClickBar(IDC_ADV_LEVEL0 + 2, 300);
        ClickBar(IDC_ADV_DBLCLICK, 305);
        Press(IDC_ADV_LOD2);
        Press(IDC_ADV_CHECK0 + 5);
        EXPECT_EQ(g_posted, c.posted);
        // Out of the cycle: its slider is drawn faint; the others are not.
        EXPECT_TRUE(Bar(IDC_ADV_LEVEL0 + 5).IsDimmed());
        EXPECT_FALSE(Bar(IDC_ADV_LEVEL0 + 4).IsDimmed());
        const ProfileRecord p = Current();
        EXPECT_GT(p.DpiLevel[2].nDpiX, 800);
        EXPECT_EQ(p.DpiLevel[2].nDpiY, p.DpiLevel[2].nDpiX);
        EXPECT_EQ(p.nDblClickTime, 200);
        EXPECT_EQ(p.nLOD, 2);
        EXPECT_EQ(p.DpiLevel[5].bDisabled, 1);
        EXPECT_EQ(p.DpiLevel[7].bDisabled, 1); // beyond the sensor: as stored
    }
}

TEST_F(AdvPageWindow, TwoValueSensorsKeepYWithXUnlessSeparate) {
    m_cfg.nSensor = 0x9800;
    SetActiveSensor(0x9800, &m_cfg);
    Open();
    EXPECT_TRUE(Shown(IDC_ADV_XY));
    EXPECT_TRUE(Shown(IDC_ADV_LABELY0));
    ClickBar(IDC_ADV_LEVEL0, 200); // linked: both thumbs
    ProfileRecord p = Current();
    EXPECT_NE(p.DpiLevel[0].nDpiX, 800);
    EXPECT_EQ(p.DpiLevel[0].nDpiY, p.DpiLevel[0].nDpiX);
    EXPECT_EQ(guitest::WindowText(Ctl(IDC_ADV_LABELY0)), std::to_wstring(p.DpiLevel[0].nDpiX));

    // Separate: a click on the lower row moves Y only.
    Press(IDC_ADV_XY);
    RECT bar{};
    ::GetClientRect(Ctl(IDC_ADV_LEVEL0), &bar);
    EXPECT_EQ(bar.bottom, 2 * 19); // a row for each thumb
    ClickBar(IDC_ADV_LEVEL0, 10, 28);
    p = Current();
    guitest::SaveShot(m_parent, L"adv_page_xy_separate");
    EXPECT_EQ(p.bXYSeparate, 1);
    EXPECT_EQ(p.DpiLevel[0].nDpiY, 400);
    EXPECT_NE(p.DpiLevel[0].nDpiX, 400);
}

TEST_F(AdvPageWindow, OptionsHideTheirControls) {
    const struct {
        const char* name;
        void (*set)(SensorCfg&);
        std::vector<int> hidden, shown;
    } cases[] = {
        {"ShowMsSys 0",
         [](SensorCfg&) { g_opt.ShowMsSys = 0; },
         {IDC_ADV_SPEED, IDC_ADV_WHEEL, IDC_ADV_DBLCLICK, IDC_ADV_PRECISION, IDC_ADV_ONESCREEN},
         {IDC_ADV_LEVEL0, IDC_ADV_LIGHT}},
        {"ShowDbClickSpeed 0",
         [](SensorCfg&) { g_opt.ShowDbClickSpeed = 0; },
         {IDC_ADV_DBLCLICK},
         {IDC_ADV_SPEED, IDC_ADV_WHEEL}},
        {"ShowDpiEffect 0",
         [](SensorCfg&) { g_opt.ShowDpiEffect = 0; },
         {IDC_ADV_LIGHT, IDC_ADV_BRIGHT, IDC_ADV_LSPEED},
         {IDC_ADV_SPEED}},
        {"ShowDpiCheck 0",
         [](SensorCfg&) { g_opt.ShowDpiCheck = 0; },
         {IDC_ADV_CHECK0, IDC_ADV_CHECK0 + 5},
         {IDC_ADV_LEVEL0 + 5}},
        {"no lift-off",
         [](SensorCfg& cfg) { cfg.bShowLOD = 0; },
         {IDC_ADV_LOD1, IDC_ADV_LOD2},
         {IDC_ADV_PRECISION}},
        {"4 levels",
         [](SensorCfg& cfg) { cfg.nLevels = 4; },
         {IDC_ADV_LEVEL0 + 4, IDC_ADV_CHECK0 + 4, IDC_ADV_LABELX0 + 4, IDC_ADV_XY},
         {IDC_ADV_LEVEL0 + 3, IDC_ADV_CHECK0 + 3, IDC_ADV_LABELX0 + 3}},
        {"8 levels",
         [](SensorCfg& cfg) { cfg.nLevels = 8; },
         {},
         {IDC_ADV_LEVEL0 + 7, IDC_ADV_CHECK0 + 7, IDC_ADV_LABELX0 + 7, IDC_ADV_LIGHT}},
        // Mode 1 of the profile: brightness only.
        {"DPI light mode 1", [](SensorCfg&) {}, {IDC_ADV_LSPEED}, {IDC_ADV_BRIGHT}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.set(m_cfg);
        Open();
        for (int id : c.hidden)
            EXPECT_FALSE(Shown(id)) << id;
        for (int id : c.shown)
            EXPECT_TRUE(Shown(id)) << id;
        if (std::string(c.name) == "8 levels")
            guitest::SaveShot(m_parent, L"adv_page_8_levels");
    }
}

TEST_F(AdvPageWindow, WithoutLiftOffTheDistanceIsNeverChanged) {
    m_cfg.bShowLOD = 0;
    Edit([](ProfileRecord& p) { p.nLOD = 7; });
    Open();
    Press(IDC_ADV_LOD2);
    Press(IDC_ADV_PRECISION);
    EXPECT_EQ(Current().nLOD, 7);
}

TEST_F(AdvPageWindow, DpiLightModeTwoShowsSpeedWhoseReleasePostsTheDpiLight) {
    Edit([](ProfileRecord& p) { p.DpiLight.nMode = 2; });
    Open();
    EXPECT_TRUE(Shown(IDC_ADV_LSPEED));
    EXPECT_FALSE(Shown(IDC_ADV_BRIGHT));
    ClickBar(IDC_ADV_LSPEED, 305);
    EXPECT_EQ(Current().DpiLight.nSpeed, 5);
    EXPECT_EQ(g_posted, (std::vector<std::pair<uint32_t, uint32_t>>{{APPLY_LED, LED_DPI}}));
    guitest::SaveShot(m_parent, L"adv_page_light_mode2");
}

TEST_F(AdvPageWindow, TheXYToggleIsStoredAndSurvivesAProfileSwitch) {
    m_cfg.nSensor = 0x9800;
    SetActiveSensor(0x9800, &m_cfg);
    auto* other = new ProfileRecord(Current());
    other->dwProfileID = 0x43;
    {
        auto lock = g_ProfileList.Lock();
        g_ProfileList.AddTail(other);
    }
    CAdvDlg& page = Open();
    ASSERT_EQ(Current().bXYSeparate, 0);

    // Separate: stored at once; no level sends other values, so none is sent.
    Press(IDC_ADV_XY);
    EXPECT_EQ(Current().bXYSeparate, 1);
    EXPECT_TRUE(g_posted.empty());
    ClickBar(IDC_ADV_LEVEL0 + 1, 10, 28); // level 2's Y to the first step
    ASSERT_EQ(Current().DpiLevel[1].nDpiY, 400);

    // Another profile shown and changed, then this one again and changed:
    // each keeps its own toggle.
    ProfileRecord* mine = g_pCurProfile.load();
    g_pCurProfile = other;
    page.ShowCurrentProfile();
    Press(IDC_ADV_PRECISION);
    EXPECT_EQ(Current().bXYSeparate, 0);
    g_pCurProfile = mine;
    page.ShowCurrentProfile();
    Press(IDC_ADV_PRECISION);
    EXPECT_EQ(Current().bXYSeparate, 1);
    EXPECT_EQ(Current().DpiLevel[1].nDpiY, 400);
    EXPECT_EQ(guitest::WindowText(Ctl(IDC_ADV_LABELY0 + 1)), L"400");

    // Linked again: level 2's Y takes its X, and that level is written.
    g_posted.clear();
    Press(IDC_ADV_XY);
    const ProfileRecord p = Current();
    EXPECT_EQ(p.bXYSeparate, 0);
    EXPECT_EQ(p.DpiLevel[1].nDpiY, p.DpiLevel[1].nDpiX);
    EXPECT_EQ(g_posted, (std::vector<std::pair<uint32_t, uint32_t>>{{APPLY_DPI, 1}}));
}

TEST_F(AdvPageWindow, WithoutACurrentProfileNothingIsCommittedOrSent) {
    Open();
    g_pCurProfile = nullptr;
    Press(IDC_ADV_LOD2);
    Press(IDC_ADV_PRECISION);
    ClickBar(IDC_ADV_LEVEL0 + 1, 300);
    EXPECT_TRUE(g_posted.empty());
}

TEST_F(AdvPageWindow, AMissingSkinImageIsWarnedAndWhatCannotBeShownIsKept) {
    // Values no control holds by default, so a control that was not made and
    // stored its own emptiness would show.
    Edit([](ProfileRecord& p) {
        p.nPointerSpeed = 14;
        p.nDblClickTime = 340;
        p.nWheelLines = 6;
        p.nLOD = 2;
        p.DpiLight = {1, 4, 7, {}};
        p.DpiLevel[1].nDpiX = p.DpiLevel[1].nDpiY = 1600;
        p.DpiLevel[5].bDisabled = 1;
    });
    const struct {
        const char* image;
        bool warned; // the page or a factory says so
    } cases[] = {
        {"bar2.png", true},     {"slider.png", true},   {"slider1.png", true},
        {"dpi-bar.png", true},  {"check_nr.png", true}, {"radio_nr.png", true},
        {"combo_nr.png", true}, {"adv_nr.png", true},   {"dpi_row.png", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        guitest::SkinsWithout skins({c.image});
        testutil::MessageRecorder boxes;
        ResetSkinWarnings();
        const ProfileRecord before = Current();
        Open();
        EXPECT_EQ(!boxes.Messages().empty(), c.warned);
        Press(IDC_ADV_PRECISION); // stores every control
        ProfileRecord after = Current();
        EXPECT_EQ(after.bEnhancePrecision, 0);
        after.bEnhancePrecision = before.bEnhancePrecision;
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
        Edit([](ProfileRecord& p) { p.bEnhancePrecision = 1; });
        m_page.reset();
        ::DestroyWindow(m_parent);
        m_parent = nullptr;
    }
    ResetSkinWarnings();
}
