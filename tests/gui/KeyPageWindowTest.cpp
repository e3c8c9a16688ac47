// The keys page as a real window over the product's skins, with a main
// window stand-in: what it shows for a profile and a sensor, what a choice
// of the picker stores and posts (through its second dialogs), the mode
// buttons, the rate slider and its held value, the battery, the key marks,
// and what it never accepts.

#include "GuiFixture.h"
#include "PageStandIn.h"

#include "common/TestUtil.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "controls/SliderMessages.h"
#include "device/DeviceEvents.h"
#include "model/ApplyRequest.h"
#include "model/KeyCodes.h"
#include "model/KeyTable.h"
#include "model/SensorCatalogue.h"
#include "pages/FireKeyDlg.h"
#include "pages/KeyDlg.h"
#include "pages/MsgDlg.h"
#include "pages/PickMacroDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/AppDataDir.h"
#include "store/MacroList.h"
#include "store/ProfileStore.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using settings::g_opt;
using namespace keys;

namespace {

using Posted = guitest::Requests;
Posted& g_posted = guitest::PostedRequests();
constexpr auto Record = guitest::RecordRequest;
using FakeHost = guitest::StandInHost;

// Runs `script` on the window titled `title` (a modal dialog the page opens)
// once it appears; the page's own call returns when the script ends it.
class WhenShown {
public:
    WhenShown(const wchar_t* title, std::function<void(HWND)> script) {
        s_title = title;
        s_script = std::move(script);
        s_ran = false;
        m_timer = ::SetTimer(nullptr, 0, 20, Tick);
    }
    ~WhenShown() {
        ::KillTimer(nullptr, m_timer);
        s_script = nullptr;
    }
    static bool Ran() { return s_ran; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dlg = ::FindWindowW(nullptr, s_title);
        if (!dlg || !::IsWindowVisible(dlg) || !s_script)
            return;
        auto script = std::move(s_script);
        s_script = nullptr;
        s_ran = true;
        script(dlg);
    }
    static inline const wchar_t* s_title = nullptr;
    static inline std::function<void(HWND)> s_script;
    static inline bool s_ran = false;
    UINT_PTR m_timer = 0;
};

void Press(HWND dlg, int id) {
    ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

class KeyPageWindow : public testing::Test {
protected:
    void SetUp() override {
        m_savedOpt = g_opt;
        m_savedSensor = ActiveSensorNow();
        g_opt.ApplyNow = 1;
        g_opt.Debug = 1;
        m_log.clear();
        settings::SetLogSink([this](const std::string& line) { m_log.push_back(line); });
        g_posted.clear();
        SetApplyQueue(Record);
        ASSERT_NE(m_savedSensor.cfg, nullptr);
        m_cfg = *m_savedSensor.cfg; // the product's sensor: 8 keys, 3 modes
        SetActiveSensor(m_savedSensor.id, &m_cfg);

        ClearProfiles();
        m_first = NewProfile(0x42);
        m_second = NewProfile(0x43);
        g_pCurProfile = m_first;
    }
    void TearDown() override {
        CloseMenus();
        m_page.reset();
        if (m_parent)
            ::DestroyWindow(m_parent);
        m_parent = nullptr;
        SetApplyQueue(nullptr);
        ClearProfiles();
        g_MacroList.RemoveAll();
        settings::SetLogSink({});
        g_opt = m_savedOpt;
        SetActiveSensor(m_savedSensor.id, const_cast<SensorCfg*>(m_savedSensor.cfg));
    }

    static ProfileRecord* NewProfile(uint32_t id) {
        auto* p = new ProfileRecord{};
        p->dwMagicNumber = kProfileMagic;
        p->dwProfileID = id;
        std::memcpy(p->Key, settings::g_KeyTable, sizeof p->Key);
        p->dwReportRate[0] = 0x1000;
        p->dwReportRate[1] = 0x125;
        p->dwReportRate[2] = 0x500;
        auto lock = g_ProfileList.Lock();
        g_ProfileList.AddTail(p);
        return p;
    }

    // The page, made with the settings as they are now, showing the profile.
    CKeyDlg& Open() {
        m_parent = ::CreateWindowExW(0, L"STATIC", L"page", WS_POPUP | WS_VISIBLE, 0, 0, 1002, 660,
                                     nullptr, nullptr, nullptr, nullptr);
        m_page = std::make_unique<CKeyDlg>();
        EXPECT_TRUE(m_page->CreatePage(m_parent, &m_host));
        ::ShowWindow(m_page->Hwnd(), SW_SHOWNA);
        m_page->ApplySensorLayout();
        m_page->ShowCurrentProfile();
        guitest::Pump(50);
        g_posted.clear();
        return *m_page;
    }
    HWND Ctl(int id) const { return ::GetDlgItem(m_page->Hwnd(), id); }
    bool Shown(int id) const { return Ctl(id) && ::IsWindowVisible(Ctl(id)); }
    void PressCtl(int id) {
        ::SendMessageW(m_page->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(Ctl(id)));
    }
    static ProfileRecord Current() {
        auto lock = g_ProfileList.Lock();
        return *g_pCurProfile.load();
    }
    template <class Edit> static void EditProfile(Edit edit) {
        auto lock = g_ProfileList.Lock();
        edit(*g_pCurProfile.load());
    }
    bool Logged(const std::string& part) const {
        for (const std::string& line : m_log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }
    // A choice of the picker, with `script` answering the dialog titled
    // `title` that it opens.
    void Choose(uint32_t code, int key, const wchar_t* title = nullptr,
                std::function<void(HWND)> script = nullptr) {
        std::unique_ptr<WhenShown> answer;
        if (title)
            answer = std::make_unique<WhenShown>(title, std::move(script));
        ::SendMessageW(m_page->Hwnd(), WM_MENU_CHOICE, WPARAM(code), LPARAM(key));
        if (title) {
            EXPECT_TRUE(WhenShown::Ran()) << "no dialog came";
        }
    }

    settings::OptSettings m_savedOpt{};
    ActiveSensor m_savedSensor;
    SensorCfg m_cfg{};
    FakeHost m_host;
    ProfileRecord* m_first = nullptr;
    ProfileRecord* m_second = nullptr;
    std::vector<std::string> m_log;
    HWND m_parent = nullptr;
    std::unique_ptr<CKeyDlg> m_page;
};

constexpr wchar_t kMsgTitle[] = L"TarvelMsgTopWindow";
constexpr wchar_t kPickerTitle[] = L"Macros";

} // namespace

TEST_F(KeyPageWindow, LayoutFollowsTheSensorAndTheSettings) {
    const struct {
        const char* name;
        void (*set)(SensorCfg&);
        std::vector<int> shown, hidden;
    } cases[] = {
        {"three modes, eight keys",
         [](SensorCfg&) {},
         {IDC_KEY_MODE0, IDC_KEY_MODE0 + 2, IDC_KEY_BTN0 + 7, IDC_KEY_RATE, IDC_KEY_POWER},
         {IDC_KEY_BTN0 + 8}},
        {"two modes",
         [](SensorCfg& c) { c.nModes = 2; },
         {IDC_KEY_MODE0, IDC_KEY_MODE0 + 1},
         {IDC_KEY_MODE0 + 2}},
        {"one mode: no mode button",
         [](SensorCfg& c) { c.nModes = 1; },
         {IDC_KEY_BTN0},
         {IDC_KEY_MODE0, IDC_KEY_MODE0 + 1, IDC_KEY_MODE0 + 2}},
        {"twelve keys (KM 24)",
         [](SensorCfg& c) { c.nKeys = 12; },
         {IDC_KEY_BTN0 + 11},
         {IDC_KEY_BTN0 + 12, IDC_KEY_BTN0 + 15}},
        {"no rate, no battery",
         [](SensorCfg&) { g_opt.ShowUsbRate = g_opt.ShowPower = 0; },
         {IDC_KEY_BTN0},
         {IDC_KEY_RATE, IDC_KEY_POWER}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.set(m_cfg);
        Open();
        for (int id : c.shown)
            EXPECT_TRUE(Shown(id)) << id;
        for (int id : c.hidden)
            EXPECT_FALSE(Shown(id)) << id;
    }
}

TEST_F(KeyPageWindow, ShowsTheModesKeysAndKeepsTheModeToOneTheSensorHas) {
    EditProfile([](ProfileRecord& p) {
        p.nCurMode = 1;
        p.Key[1][2].dwFunID = 0x4000028;  // mute
        p.Key[1][4].dwFunID = 0x07000001; // no category knows it
        p.Key[1][5] = FireKeyRecord(20, 3);
    });
    CKeyDlg& page = Open();
    EXPECT_EQ(page.SelectedMode(), 1);
    EXPECT_EQ(page.KeyTexts()[2], L"Mute");
    EXPECT_EQ(page.KeyTexts()[5], L"Fire key");
    // The unknown function took the key's default, in the profile too.
    EXPECT_EQ(Current().Key[1][4].dwFunID, settings::g_KeyTable[1][4].dwFunID);
    guitest::SaveShot(m_parent, L"key_page_mode2");

    // A mode the sensor lacks is brought back to the last it has.
    TearDown();
    SetUp();
    m_cfg.nModes = 2;
    EditProfile([](ProfileRecord& p) { p.nCurMode = 2; });
    CKeyDlg& two = Open();
    EXPECT_EQ(two.SelectedMode(), 1);
    EXPECT_EQ(Current().nCurMode, 1);
    EXPECT_TRUE(Logged("nCurMode=2 beyond the sensor's 2 modes"));
}

TEST_F(KeyPageWindow, KeyMaskDisablesItsKeys) {
    g_opt.KeyMask = 0x0004;
    Open();
    EXPECT_FALSE(::IsWindowEnabled(Ctl(IDC_KEY_BTN0 + 2)));
    EXPECT_TRUE(::IsWindowEnabled(Ctl(IDC_KEY_BTN0 + 3)));
}

TEST_F(KeyPageWindow, ModeSwitchSendsTheWholeModeAndKeepsTheShownRate) {
    const struct {
        int applyNow;
        bool ready;
        int mode; // selected afterwards
        Posted posted;
    } cases[] = {
        {1, true, 1, {{APPLY_KEYS | APPLY_RATE, kApplyAll}}},
        {0, true, 1, {}},
        {1, false, 0, {}}, // refused: nothing shown, stored or sent
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ApplyNow " << c.applyNow << " ready " << c.ready);
        TearDown();
        SetUp();
        g_opt.ApplyNow = c.applyNow;
        CKeyDlg& page = Open();
        m_host.ready = c.ready;
        PressCtl(IDC_KEY_MODE0 + 1);
        EXPECT_EQ(page.SelectedMode(), c.mode);
        EXPECT_EQ(g_posted, c.posted);
        const ProfileRecord p = Current();
        EXPECT_EQ(p.nCurMode, c.mode);
        // The slider stayed at mode 1's 1000 Hz: that is mode 2's rate now.
        EXPECT_EQ(p.dwReportRate[1], c.mode == 1 ? 0x1000u : 0x125u);
        EXPECT_EQ(page.KeyTexts()[5], W(KeyInfoText(settings::g_KeyTable[c.mode][5])));
    }
}

TEST_F(KeyPageWindow, ChoicesBecomeAssignmentsAndPostTheirKey) {
    CKeyDlg& page = Open();
    Choose(0x1000013, 3); // right click on key 4
    Choose(0x4000028, 4); // mute
    Choose(0x80000AD, 5); // custom key
    const ProfileRecord p = Current();
    EXPECT_EQ(p.Key[0][3].dwFunID, 0x1000013u);
    EXPECT_EQ(p.Key[0][3].nMatrixIndex, settings::g_KeyTable[0][3].nMatrixIndex);
    EXPECT_EQ(p.Key[0][4].dwFunID, 0x4000028u);
    EXPECT_EQ(p.Key[0][5].dwFunID, kFunCustomKey);
    EXPECT_EQ(p.Key[0][5].dwParameter, uint32_t(g_opt.CustomkeyCode));
    EXPECT_EQ(page.KeyTexts()[4], L"Mute");
    EXPECT_EQ(g_posted, (Posted{{APPLY_KEYS, 3}, {APPLY_KEYS, 4}, {APPLY_KEYS, 5}}));
    EXPECT_TRUE(Logged("pFile->Key[0][3]: dwFunID=0x1000013, dwMacroID=0x00000000"));
}

TEST_F(KeyPageWindow, RefusedChoicesStoreNothing) {
    const struct {
        const char* name;
        uint32_t code;
        int key;
        const wchar_t* message; // what the user is told, if anything
        bool ready;
    } cases[] = {
        {"the only left click", 0x1000013, 0,
         L"Every mode needs at least one button set to Left click.", true},
        {"mode switch taking mode 1's only left click", 0x80000AB, 0,
         L"Every mode needs at least one button set to Left click.", true},
        {"key index 16", 0x1000013, 16, L"A macro is being recorded. Please stop recording first.",
         true},
        {"an extra key without its value", 0xB000001, 3, L"Wrong Ex Key Index", true},
        {"not ready", 0x1000013, 3, nullptr, false},
        {"a sub-menu's own entry", 0x4000000, 3, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        g_opt.ExKey2 = 0;
        Open();
        const ProfileRecord before = Current();
        m_host.ready = c.ready;
        std::wstring told;
        Choose(c.code, c.key, c.message ? kMsgTitle : nullptr, [&](HWND dlg) {
            told = L"shown";
            Press(dlg, IDOK);
        });
        const ProfileRecord after = Current();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
        EXPECT_TRUE(g_posted.empty());
        if (c.message) {
            EXPECT_TRUE(Logged("Message: " + settings::LogText(U(c.message))));
        }
    }
}

TEST_F(KeyPageWindow, AllModeFunctionNeedsALeftClickInEveryModeAndIsUndoneByAnother) {
    EditProfile([](ProfileRecord& p) {
        for (auto& mode : p.Key)
            mode[2].dwFunID = kFunPrimaryClick; // a second left click everywhere
    });
    Open();
    Choose(kFunAllModes, 0);
    ProfileRecord p = Current();
    for (int m = 0; m < kKeyModes; ++m)
        EXPECT_EQ(p.Key[m][0].dwFunID, kFunAllModes) << m;
    PressCtl(IDC_KEY_MODE0 + 2);
    Choose(0x1000014, 0);
    p = Current();
    EXPECT_EQ(p.Key[0][0].dwFunID, settings::g_KeyTable[0][0].dwFunID);
    EXPECT_EQ(p.Key[1][0].dwFunID, settings::g_KeyTable[1][0].dwFunID);
    EXPECT_EQ(p.Key[2][0].dwFunID, 0x1000014u);
}

TEST_F(KeyPageWindow, FireKeyDialogGivesSpeedAndCount) {
    EditProfile([](ProfileRecord& p) { p.Key[0][3] = FireKeyRecord(10, 2); });
    Open();
    std::wstring speed, count;
    Choose(kFunFireKey, 3, L"Fire key", [&](HWND dlg) {
        speed = guitest::WindowText(::GetDlgItem(dlg, CFirekeyDlg::kIdSpeed));
        count = guitest::WindowText(::GetDlgItem(dlg, CFirekeyDlg::kIdCount));
        ::SetWindowTextW(::GetDlgItem(dlg, CFirekeyDlg::kIdSpeed), L"20");
        ::SetWindowTextW(::GetDlgItem(dlg, CFirekeyDlg::kIdCount), L"3");
        guitest::SaveShot(dlg, L"fire_key_dialog");
        Press(dlg, IDOK);
    });
    EXPECT_EQ(speed, L"10");
    EXPECT_EQ(count, L"2");
    EXPECT_EQ(Current().Key[0][3].dwParameter, 0x1403u);

    // Cancel stores nothing; another function opens with 40 and 3.
    Choose(kFunFireKey, 4, L"Fire key", [&](HWND dlg) {
        speed = guitest::WindowText(::GetDlgItem(dlg, CFirekeyDlg::kIdSpeed));
        count = guitest::WindowText(::GetDlgItem(dlg, CFirekeyDlg::kIdCount));
        Press(dlg, IDCANCEL);
    });
    EXPECT_EQ(speed, L"40");
    EXPECT_EQ(count, L"3");
    EXPECT_EQ(Current().Key[0][4].dwFunID, settings::g_KeyTable[0][4].dwFunID);
}

TEST_F(KeyPageWindow, FireKeyFieldsCorrectWhatIsTypedAndOkChecks) {
    CFirekeyDlg dlg;
    std::wstring afterSpeed, afterCount, afterClear;
    const INT_PTR result = guitest::RunModal(dlg, [&](HWND hwnd) {
        HWND speed = ::GetDlgItem(hwnd, CFirekeyDlg::kIdSpeed);
        HWND count = ::GetDlgItem(hwnd, CFirekeyDlg::kIdCount);
        ::SetFocus(speed);
        ::SetWindowTextW(speed, L"300");
        afterSpeed = guitest::WindowText(speed);
        ::SetWindowTextW(speed, L"");
        afterClear = guitest::WindowText(speed);
        ::SetFocus(count);
        ::SetWindowTextW(count, L"4");
        afterCount = guitest::WindowText(count);
        ::SetWindowTextW(speed, L"1");
        ::SetWindowTextW(count, L"2");
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(afterSpeed, L"255");
    EXPECT_EQ(afterClear, L"255");
    EXPECT_EQ(afterCount, L"3");
    EXPECT_EQ(dlg.m_nSpeed, 3); // raised to 3
    EXPECT_EQ(dlg.m_nCount, 2);
}

TEST_F(KeyPageWindow, CombinationCaptureStoresLeftHandModifiers) {
    const struct {
        const char* name;
        int comboRec;
        std::vector<std::pair<UINT, LPARAM>> keys; // key downs
        bool tickCtrl;
        uint32_t funId, combo;
    } cases[] = {
        {"box ticked, C", 1, {{'C', 0}}, true, kFunComboMods, 0x4301},
        {"held right Ctrl, C", 0, {{VK_CONTROL, 1 << 24}, {'C', 0}}, false, kFunComboMods, 0x4301},
        {"A alone", 1, {{'A', 0}}, false, kFunCombo, 0x4100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        g_opt.ComboRec = c.comboRec;
        Open();
        Choose(0x20000A1, 3, kMsgTitle, [&](HWND dlg) {
            if (c.tickCtrl)
                Press(dlg, 1102); // the Ctrl box
            guitest::Pump(30);
            HWND input = ::GetDlgItem(dlg, CMsgDlg::kInputId);
            for (const auto& [vk, flags] : c.keys)
                guitest::RouteKey(input, dlg, WM_KEYDOWN, vk, flags);
            guitest::Pump(30);
            if (c.tickCtrl)
                guitest::SaveShot(dlg, L"key_combination_capture");
            Press(dlg, IDOK);
        });
        const ProfileRecord p = Current();
        EXPECT_EQ(p.Key[0][3].dwFunID, c.funId);
        EXPECT_EQ(p.Key[0][3].stCombo, c.combo);
        ProgramKeyCaptureMemory() = {};
    }
}

TEST_F(KeyPageWindow, MacroChoiceOffersTheMacroPageOrThePicker) {
    Open();
    for (int answer : {IDCANCEL, IDOK}) {
        m_host.shownPage = 0;
        Choose(kFunMacro, 3, kMsgTitle, [&](HWND dlg) { Press(dlg, answer); });
        EXPECT_EQ(m_host.shownPage, answer == IDOK ? 2 : 0);
    }
    EXPECT_EQ(Current().Key[0][3].dwFunID, settings::g_KeyTable[0][3].dwFunID);

    // With macros in the library the macro picker is asked: Cancel leaves
    // the key alone, the macro chosen with OK becomes its function.
    g_MacroList.SetOwnership(kListOwnsElements);
    StMacro burst = NewMacroRecord(u"burst");
    {
        auto lock = g_MacroList.Lock();
        AppendMacro(burst);
    }
    const struct {
        int answer;
        uint32_t funId, macroId;
    } cases[] = {
        {IDCANCEL, settings::g_KeyTable[0][3].dwFunID, 0},
        {IDOK, kFunMacro, burst.dwID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        Choose(kFunMacro, 3, kPickerTitle, [&](HWND dlg) {
            // The library's only macro, on the first row.
            ::SendMessageW(::GetDlgItem(dlg, int(CPickMacroDlg::kIdTree)), WM_LBUTTONDOWN,
                           MK_LBUTTON, MAKELPARAM(60, 10));
            Press(dlg, c.answer);
        });
        EXPECT_EQ(Current().Key[0][3].dwFunID, c.funId);
        EXPECT_EQ(Current().Key[0][3].dwMacroID, c.macroId);
    }
}

TEST_F(KeyPageWindow, NoWindowMessageCarriesARecordIntoTheProfile) {
    Open();
    const ProfileRecord before = Current();
    KeyInfo record = PlainRecord(0x80000A2);
    // Once the page's own message for it; now nothing a process can post.
    ::SendMessageW(m_page->Hwnd(), 0x438, WPARAM(Ctl(IDC_KEY_BTN0 + 3)), LPARAM(&record));
    const ProfileRecord after = Current();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(KeyPageWindow, RateTheSliderLacksIsHeldUntilTheSliderMoves) {
    // A sensor offering 125 and 500 Hz; the profile holds 1000 Hz in mode 1.
    m_cfg.nRateChoice[0] = 0x125;
    m_cfg.nRateChoice[1] = 0x500;
    m_cfg.nRateChoice[2] = 0;
    CKeyDlg& page = Open();
    EXPECT_EQ(page.RateValues(), (std::vector<uint32_t>{0x125, 0x500}));
    EXPECT_EQ(page.ReportRate(), 0x1000u);
    Choose(0x1000013, 3); // any command stores the rate again
    EXPECT_EQ(Current().dwReportRate[0], 0x1000u);

    // A click on the bar's left end: 125 Hz, stored and sent.
    HWND bar = Ctl(IDC_KEY_RATE);
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 9));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, 9));
    guitest::Pump(50);
    EXPECT_EQ(Current().dwReportRate[0], 0x125u);
    EXPECT_EQ(g_posted.back(), (std::pair<uint32_t, uint32_t>{APPLY_RATE, 0}));
}

TEST_F(KeyPageWindow, DeviceRateIsShownAndStoredWithoutARequest) {
    CKeyDlg& page = Open();
    page.OnDeviceEvent(PageEvent{DEV_EVT_REPORT_RATE, 4});
    EXPECT_EQ(page.ReportRate(), 0x250u);
    EXPECT_EQ(Current().dwReportRate[0], 0x250u);
    EXPECT_TRUE(g_posted.empty());
}

TEST_F(KeyPageWindow, BatteryFollowsTheMouseOnTheTimersSchedule) {
    m_host.connected = false;
    CKeyDlg& page = Open();
    ::SendMessageW(page.Hwnd(), WM_TIMER, kTimerFirstPower, 0);
    EXPECT_EQ(m_host.reads, 0); // no device: nothing asked
    EXPECT_FALSE(page.Battery());

    m_host.connected = true;
    const struct {
        int level;
        std::optional<BatteryLook> look;
    } cases[] = {
        {4, BatteryLook{2, 4, L"40 %"}},
        {11, BatteryLook{2, 4, L"40 %"}}, // not a level: nothing changes
        {9, BatteryLook{1, 9, L"90 %"}},
    };
    UINT_PTR timer = kTimerFirstPower;
    for (const auto& c : cases) {
        m_host.level = c.level;
        ::SendMessageW(page.Hwnd(), WM_TIMER, timer, 0);
        timer = kTimerPower;
        EXPECT_EQ(page.Battery(), c.look) << c.level;
    }
    EXPECT_TRUE(Logged("Wrong nPow=b"));
    EXPECT_EQ(m_host.reads, 3);
    guitest::SaveShot(m_parent, L"key_page_battery");
}

TEST_F(KeyPageWindow, HoveringAKeyMarksItOnThePicture) {
    CKeyDlg& page = Open();
    ASSERT_NE(page.MarkDlg(), nullptr);
    RECT rc;
    ::GetWindowRect(Ctl(IDC_KEY_BTN0 + 5), &rc);
    driver::MoveTo(driver::CentreOf(Ctl(IDC_KEY_BTN0 + 5)));
    ::SendMessageW(page.Hwnd(), WM_TIMER, kTimerMarks, 0);
    EXPECT_EQ(page.MarkDlg()->Marked(), 5);
    guitest::SaveShot(m_parent, L"key_page_marked");
    driver::MoveTo(POINT{rc.right + 300, rc.bottom + 300});
    ::SendMessageW(page.Hwnd(), WM_TIMER, kTimerMarks, 0);
    EXPECT_EQ(page.MarkDlg()->Marked(), -1);
}

TEST_F(KeyPageWindow, MarksFollowTheSensorsRectanglesAndKeyCount) {
    m_cfg.rcMark[4] = {};               // the fifth mark has no place
    m_cfg.rcMark[9] = {10, 10, 70, 32}; // a tenth mark beyond the eight keys
    CKeyDlg& page = Open();
    CKeyMarkDlg& marks = *page.MarkDlg();
    EXPECT_TRUE(::IsWindowVisible(marks.Mark(0).Hwnd()));
    EXPECT_FALSE(::IsWindowVisible(marks.Mark(4).Hwnd()));
    EXPECT_FALSE(::IsWindowVisible(marks.Mark(9).Hwnd()));
    marks.MarkKey(4); // hovered key 4 marks nothing the user sees
    EXPECT_EQ(marks.Marked(), 4);
}

TEST_F(KeyPageWindow, WithoutTheMousePicturesThereAreNoMarks) {
    namespace fs = std::filesystem;
    testutil::TempDir dir;
    const fs::path skins = dir.Path() / "skins";
    fs::create_directories(skins);
    for (const fs::directory_entry& e :
         fs::directory_iterator(fs::path(testutil::ProductDir()) / "skins"))
        if (e.is_regular_file())
            fs::copy_file(e.path(), skins / e.path().filename(),
                          fs::copy_options::overwrite_existing);
    fs::remove(skins / "mouse_dn.png");
    guitest::ExeDirScope scope(W(dir.Dir()));
    {
        CKeyDlg& page = Open();
        ASSERT_NE(page.MarkDlg(), nullptr);
        const RECT before = [&] {
            RECT rc;
            ::GetWindowRect(page.MarkDlg()->Mark(9).Hwnd(), &rc);
            return rc;
        }();
        page.MarkDlg()->MarkKey(2);
        page.MarkDlg()->LayoutMarks();
        EXPECT_EQ(page.MarkDlg()->Marked(), -1);
        RECT after;
        ::GetWindowRect(page.MarkDlg()->Mark(9).Hwnd(), &after);
        EXPECT_TRUE(::EqualRect(&before, &after));
    }
    TearDown();
    SetUp();
    fs::remove(skins / "mouse_nr.png");
    CKeyDlg& page = Open();
    EXPECT_EQ(page.MarkDlg(), nullptr);
    EXPECT_TRUE(Logged("no mouse_nr.png"));
}

TEST_F(KeyPageWindow, RemovedMacrosLeaveEveryProfileButTheMousesOwnStay) {
    testutil::TempDir data;
    const std::u16string savedDataDir = g_szAppDataDir;
    SetAppDataDir(data.Dir());
    const uint32_t gone = 0x00ABCDEF, device = kDeviceMacroIdBase + 2;
    m_first->Key[0][3] = MacroRecord(gone);
    m_first->Key[0][4] = MacroRecord(device);
    m_second->Key[2][6] = MacroRecord(gone);
    CKeyDlg& page = Open();
    EXPECT_TRUE(page.OnMacrosChanged(MacroChange::Removed));
    EXPECT_EQ(m_first->Key[0][3].dwFunID, settings::g_KeyTable[0][3].dwFunID);
    EXPECT_EQ(m_first->Key[0][4].dwMacroID, device);
    EXPECT_EQ(m_second->Key[2][6].dwFunID, settings::g_KeyTable[2][6].dwFunID);
    EXPECT_EQ(page.KeyTexts()[3], W(KeyInfoText(settings::g_KeyTable[0][3])));
    EXPECT_EQ(g_posted, (Posted{{APPLY_KEYS, kApplyAll}}));
    EXPECT_FALSE(page.OnMacrosChanged(MacroChange::Removed));

    // Renamed macros: the texts again, and the keys to the mouse.
    g_posted.clear();
    EXPECT_FALSE(page.OnMacrosChanged(MacroChange::Renamed));
    EXPECT_EQ(g_posted, (Posted{{APPLY_KEYS, kApplyAll}}));

    // The store on disk holds the replaced keys.
    const std::string stored = testutil::ReadFileBytes(data.Path() / "pro.dct");
    ASSERT_GE(stored.size(), 2 * sizeof(ProfileRecord));
    ProfileRecord second{};
    std::memcpy(&second, stored.data() + sizeof(ProfileRecord), sizeof second);
    EXPECT_EQ(second.Key[2][6].dwFunID, settings::g_KeyTable[2][6].dwFunID);
    SetAppDataDir(savedDataDir);
}

namespace {

// What reaches the page's parent: the drag the page asks for.
std::vector<std::pair<UINT, WPARAM>> g_parentMessages;
LRESULT CALLBACK ParentSpy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg != WM_NCLBUTTONDOWN)
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    // Taken here: the system's move would wait for a button that is not down.
    g_parentMessages.emplace_back(msg, wParam);
    return 0;
}

} // namespace

TEST_F(KeyPageWindow, PickerForTheLowestKeyOpensWhollyOnScreen) {
    ASSERT_TRUE(LoadMenuLibrary()) << "Kelmo.dll beside the tests";
    CKeyDlg& page = Open();
    // The last key 280 pixels above the screen's bottom: room for 13 entries
    // of 20 pixels, not for the 15 the list holds, so it opens above.
    const int screenH = ::GetSystemMetrics(SM_CYFULLSCREEN);
    const RECT last = driver::ScreenRect(Ctl(IDC_KEY_BTN0 + 7));
    ::SetWindowPos(m_parent, nullptr, 0,
                   screenH - 280 - (last.bottom - driver::ScreenRect(m_parent).top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    for (int key : {0, 7}) {
        SCOPED_TRACE(key);
        page.OpenFunctionPicker(key);
        guitest::Pump(50);
        const std::vector<HWND> menus = driver::OpenMenus();
        ASSERT_EQ(menus.size(), 1u);
        const RECT menu = driver::ScreenRect(menus[0]);
        const RECT button = driver::ScreenRect(Ctl(IDC_KEY_BTN0 + key));
        // The whole main list: the product's 15 entries of 20 pixels in the
        // outline (its extra keys have no ExKey value, so none is offered).
        EXPECT_EQ(menu.bottom - menu.top, 15 * 20 + 2);
        const RECT wide = PickerRect(button, g_opt.MenuW); // the product's MenuW
        EXPECT_EQ(menu.right - menu.left, wide.right - wide.left - 4);
        EXPECT_GT(menu.right - menu.left, button.right - button.left);
        EXPECT_GE(menu.top, 0);
        EXPECT_LE(menu.bottom, screenH);
        EXPECT_TRUE(menu.top >= button.bottom || menu.bottom <= button.top);
        CloseMenus();
        guitest::Pump(20);
    }
}

TEST_F(KeyPageWindow, PressingTheBackgroundClosesMenusAndDragsTheMainWindow) {
    ASSERT_TRUE(LoadMenuLibrary()) << "Kelmo.dll beside the tests";
    CKeyDlg& page = Open();
    g_parentMessages.clear();
    ::SetWindowSubclass(m_parent, ParentSpy, 1, 0);
    page.OpenFunctionPicker(2);
    guitest::Pump(50);
    ASSERT_EQ(driver::OpenMenus().size(), 1u);
    ::SendMessageW(page.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 450));
    guitest::Pump(50);
    ::RemoveWindowSubclass(m_parent, ParentSpy, 1);
    EXPECT_TRUE(driver::OpenMenus().empty());
    ASSERT_EQ(g_parentMessages.size(), 1u);
    EXPECT_EQ(g_parentMessages[0].second, WPARAM(HTCAPTION));
}
