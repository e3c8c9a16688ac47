// The page contract: the main window's page table (order, navigation and
// titles), the copy-out/copy-in of the current profile that pages use, and
// device events reaching the page that takes them.

#include "app/MainDlg.h"
#include "device/DeviceEvents.h"
#include "pages/AdvDlg.h"
#include "pages/KeyDlg.h"
#include "pages/LedDlg.h"
#include "pages/MacroDlg.h"
#include "store/ProfileStore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// One profile in the list, made current unless told otherwise.
class PageContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearProfiles();
        auto* p = new ProfileRecord{};
        p->dwProfileID = 0x123456;
        p->nCurMode = 1;
        p->dwReportRate[1] = 0x500;
        auto lock = g_ProfileList.Lock();
        g_ProfileList.AddTail(p);
        g_pCurProfile = p;
    }
    void TearDown() override { ClearProfiles(); }

    static ProfileRecord Current() {
        auto lock = g_ProfileList.Lock();
        return *g_pCurProfile.load();
    }
};

TEST_F(PageContractTest, TableGivesThePagesTheirOrderButtonsAndTitles) {
    // ShowPage(n) shows row n - 1: 1 keys, 2 macros, 3 DPI, 4 lighting; the
    // buttons at rcNaviBtn1..4 open keys, DPI, macros, lighting.
    const std::vector<PageRow> rows = MakePageTable();
    ASSERT_EQ(rows.size(), 4u);
    struct Expect {
        std::u16string title;
        int slot;
        bool offeredAlways;
    } expected[] = {{u"tc_page1", 0, true},
                    {u"tc_page3", 2, true},
                    {u"tc_page2", 1, true},
                    {u"tc_page4", 3, false}};
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].title, expected[i].title);
        EXPECT_EQ(rows[i].naviSlot, expected[i].slot);
        EXPECT_EQ(rows[i].offered == nullptr, expected[i].offeredAlways);
        EXPECT_NE(rows[i].navi, nullptr);
    }
    EXPECT_NE(dynamic_cast<CKeyDlg*>(rows[0].page.get()), nullptr);
    EXPECT_NE(dynamic_cast<CMacroDlg*>(rows[1].page.get()), nullptr);
    EXPECT_NE(dynamic_cast<CAdvDlg*>(rows[2].page.get()), nullptr);
    EXPECT_NE(dynamic_cast<CLedDlg*>(rows[3].page.get()), nullptr);
}

TEST_F(PageContractTest, EditingTheCurrentProfileWorksOnACopyThatIsCopiedBack) {
    const ProfileRecord* live = g_pCurProfile.load();
    bool sawCopy = false;
    EXPECT_TRUE(CSkinPage::EditCurrentProfile([&](ProfileRecord& p) {
        sawCopy = &p != live;
        p.nLOD = 2;
    }));
    EXPECT_TRUE(sawCopy);
    EXPECT_EQ(Current().nLOD, 2);

    ProfileRecord out{};
    EXPECT_TRUE(CSkinPage::CopyCurrentProfile(out));
    EXPECT_EQ(out.dwProfileID, 0x123456u);

    // Without a current profile nothing is edited or copied.
    g_pCurProfile = nullptr;
    bool called = false;
    EXPECT_FALSE(CSkinPage::EditCurrentProfile([&](ProfileRecord&) { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_FALSE(CSkinPage::CopyCurrentProfile(out));
}

TEST_F(PageContractTest, ReportRateEventReachesTheKeysPageAndItsProfile) {
    const struct {
        int kind;
        int value;
        uint32_t rate; // the current mode's rate afterwards
    } cases[] = {
        {DEV_EVT_REPORT_RATE, 4, 0x250}, {DEV_EVT_REPORT_RATE, 1, 0x1000},
        {DEV_EVT_REPORT_RATE, 8, 0x125}, {DEV_EVT_REPORT_RATE, 3, 0x500}, // unknown code
        {DEV_EVT_DPI_LIGHT, 4, 0x500}, // not the keys page's event
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        SetUp();
        CKeyDlg keys;
        CAdvDlg dpi;
        CLedDlg lights;
        for (CSkinPage* page : {static_cast<CSkinPage*>(&keys), static_cast<CSkinPage*>(&dpi),
                                static_cast<CSkinPage*>(&lights)})
            page->OnDeviceEvent(PageEvent{c.kind, c.value});
        EXPECT_EQ(Current().dwReportRate[1], c.rate);
        EXPECT_EQ(Current().dwReportRate[0], 0u);
    }
}

TEST_F(PageContractTest, LightEventsReachTheirPages) {
    // The main window has brought the current profile up to date with the
    // mouse before it routes a light event.
    {
        auto lock = g_ProfileList.Lock();
        ProfileRecord* p = g_pCurProfile.load();
        p->DpiLight.nMode = 2;
        p->LogoLight.nMode = 3;
        p->MainLight.nMode = 1;
    }
    CAdvDlg dpi;
    CLedDlg lights;
    for (CSkinPage* page : {static_cast<CSkinPage*>(&dpi), static_cast<CSkinPage*>(&lights)}) {
        page->OnDeviceEvent(PageEvent{DEV_EVT_DPI_LIGHT, 2});
        page->OnDeviceEvent(PageEvent{DEV_EVT_LOGO_LIGHT, 3});
        page->OnDeviceEvent(PageEvent{DEV_EVT_MAIN_LIGHT, 1});
    }
    EXPECT_EQ(dpi.DpiLightMode(), 2);
    EXPECT_EQ(lights.LogoEffect(), 3);
    EXPECT_EQ(lights.MainEffect(), 1);
}

TEST_F(PageContractTest, OnlyARecordingMacroPageRefusesLeavingOrTakesKeys) {
    CKeyDlg keys;
    CMacroDlg macros;
    MSG key{};
    key.message = WM_KEYDOWN;
    key.wParam = 'A';
    for (CSkinPage* page : {static_cast<CSkinPage*>(&keys), static_cast<CSkinPage*>(&macros)}) {
        EXPECT_EQ(page->LeaveRefusal(), nullptr);
        EXPECT_FALSE(page->TakeKey(key));
    }
}

} // namespace
