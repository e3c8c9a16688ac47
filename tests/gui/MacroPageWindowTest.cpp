// The macro page as a real window over a library on disk, with a main window
// stand-in that answers the page's calls. Real mouse input on the lists, the
// buttons and the context menus; the main window's key hand-over as the page
// gets it; the message dialogs answered with real input. What reaches the
// macro list, the .mck files, the apply queue and the host.

#include "GuiFixture.h"

#include "common/TestUtil.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "driver/WinDriver.h"
#include "model/ApplyRequest.h"
#include "pages/MacroDlg.h"
#include "pages/MsgDlg.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroFile.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "store/ProfileStore.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using settings::g_opt;
namespace fs = std::filesystem;

namespace {

constexpr int kMenuRow = 20; // the page's menu entries

std::vector<std::pair<uint32_t, uint32_t>> g_requests;
void Record(uint32_t nFlag, uint32_t nData) {
    g_requests.emplace_back(nFlag, nData);
}

class FakeHost : public PageHost {
public:
    bool PreApplyCheck() override { return true; }
    void RefreshPages() override {}
    bool MacrosChanged(MacroChange change) override {
        changes.push_back(change);
        return false;
    }
    std::vector<MacroChange> changes;
};

// The message dialogs the page opens, answered the way a user would: text
// typed, a key pressed, then OK or Cancel clicked. Each dialog takes the next
// answer (OK without one) and is remembered with its kind and message.
struct Answer {
    bool ok = true;
    std::wstring typed; // kinds 2 and 3
    WORD key = 0;       // kind 4
};
struct Seen {
    int kind;
    std::wstring message;
};
std::deque<Answer> g_answers;
std::vector<Seen> g_seen;
bool g_answering = false;
HWND g_keyPressedIn = nullptr; // a dialog whose key waits for its own loop

HWND VisibleButton(HWND dlg, int id) {
    // The close button carries IDCANCEL too: the visible Cancel or OK.
    HWND button = nullptr;
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (::GetDlgCtrlID(c) == id && ::IsWindowVisible(c))
            button = c;
    return button;
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = ::FindWindowW(nullptr, L"TarvelMsgTopWindow");
    if (g_answering || !dlg || !::IsWindowVisible(dlg))
        return;
    auto* msg = dynamic_cast<CMsgDlg*>(fw::Dialog::FromHandle(dlg));
    if (!msg)
        return;
    g_answering = true;
    if (g_keyPressedIn != dlg) {
        g_seen.push_back({msg->Kind(), msg->m_strMsg});
        Answer answer;
        if (!g_answers.empty()) {
            answer = g_answers.front();
            g_answers.pop_front();
        }
        // The field first: the dialog has the keyboard from then on.
        if (HWND field = ::GetDlgItem(dlg, CMsgDlg::kInputId))
            driver::ClickCentre(field);
        if (!answer.typed.empty()) {
            driver::PressChord({VK_CONTROL, 'A'});
            driver::Type(answer.typed);
        }
        if (answer.key) {
            // The capture sees keys in the dialog's own loop: the key goes
            // in, the loop takes it, OK follows at the next tick.
            INPUT key[2]{};
            key[0].type = key[1].type = INPUT_KEYBOARD;
            key[0].ki.wVk = key[1].ki.wVk = answer.key;
            key[1].ki.dwFlags = KEYEVENTF_KEYUP;
            ::SendInput(2, key, sizeof(INPUT));
            g_keyPressedIn = dlg;
            g_answering = false;
            return;
        }
        driver::ClickCentre(VisibleButton(dlg, answer.ok ? IDOK : IDCANCEL));
    } else {
        g_keyPressedIn = nullptr;
        driver::ClickCentre(VisibleButton(dlg, IDOK));
    }
    g_answering = false;
}

class MacroPageWindow : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadMenuLibrary()) << "Kelmo.dll beside the tests";
        m_saved = g_opt;
        m_limits = settings::g_macroLimits;
        g_opt.ApplyNow = 1;
        g_opt.MacroDir = 1;
        g_opt.InsertBefore = 1;
        g_opt.MacOperBtn = 1;
        g_requests.clear();
        g_answers.clear();
        g_seen.clear();
        g_keyPressedIn = nullptr;
        SetApplyQueue(Record);
        SetAppDataDir(m_data.Dir());
        g_MacroList.RemoveAll();
        ClearProfiles();
        auto* p = new ProfileRecord{};
        p->dwProfileID = 0x123;
        {
            auto lock = g_ProfileList.Lock();
            g_ProfileList.AddTail(p);
            g_pCurProfile = p;
        }
        // Shooter/Reload (A, 40 ms, A up), Shooter/Burst, Top (used by key 4).
        PutMacro("Shooter/Reload.mck", 0x51, u"Reload", {{0x41, 1, 40}, {0x41, 0, 0}});
        PutMacro("Shooter/Burst.mck", 0x52, u"Burst", {{0xF0, 1, 30}, {0xF0, 0, 0}}, 2);
        PutMacro("Top.mck", 0x53, u"Top", {{0x42, 1, 0}, {0x42, 0, 0}});
        ASSERT_TRUE(LoadMacroLibrary(nullptr, 1, true));
        driver::ParkPointer();
        m_timer = ::SetTimer(nullptr, 0, 40, AnswerDialog);
        // The stores' messages come in the message dialog, as in the program.
        platform::SetMessageBoxSink([](const std::u16string& text, const std::u16string&) {
            CMsgDlg::ShowMessageText(W(text), nullptr);
        });
    }
    void TearDown() override {
        ::KillTimer(nullptr, m_timer);
        CloseMenus();
        if (m_page && m_page->Hwnd())
            m_page->DestroyWindow();
        m_page.reset();
        platform::SetMessageBoxSink(nullptr);
        if (m_parent)
            ::DestroyWindow(m_parent);
        driver::Pump(10);
        SetApplyQueue(nullptr);
        ClearProfiles();
        g_MacroList.RemoveAll();
        g_szAppDataDir.clear();
        g_opt = m_saved;
        settings::g_macroLimits = m_limits;
    }

    void PutMacro(const std::string& file, uint32_t id, const std::u16string& name,
                  std::initializer_list<MacroStep> steps, int mode = 0) const {
        StMacro m = NewMacroRecord(name);
        m.dwID = id;
        m.nRepeatMode = mode;
        m.wRepeatCount = 3;
        int i = 0;
        for (const MacroStep& s : steps)
            m.Steps[i++] = s;
        const fs::path path = Root() / file;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << EncodeMacroFile(m);
    }
    fs::path Root() const { return m_data.Path() / "Mac"; }
    static StMacro Library(uint32_t id) {
        StMacro m{};
        CopyMacroById(id, m);
        return m;
    }
    StMacro OnDisk(const std::string& file) const {
        StMacro m{};
        DecodeMacroFile(testutil::ReadFileBytes(Root() / file), m);
        return m;
    }

    void Make() {
        m_parent = ::CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 1002, 660,
                                     nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_parent);
        m_page = std::make_unique<CMacroDlg>();
        ASSERT_TRUE(m_page->CreatePage(m_parent, &m_host));
        ::ShowWindow(m_page->Hwnd(), SW_SHOW);
        ::SetForegroundWindow(m_parent);
        driver::Pump(20);
    }

    MacroTree::Item Item(const std::vector<std::u16string>& path) {
        MacroTree::Item at = nullptr;
        for (const std::u16string& name : path) {
            MacroTree::Item next = nullptr;
            for (MacroTree::Item i = m_page->Tree().FirstChild(at); i && !next;
                 i = m_page->Tree().NextSibling(i))
                if (m_page->Tree().ItemText(i) == name)
                    next = i;
            at = next;
        }
        return at;
    }
    // A real press on an item of a list (the row's text).
    void Press(CTreeCtrlEx& list, MacroTree::Item item,
               driver::Button button = driver::Button::Left) {
        for (MacroTree::Item p = list.Parent(item); p; p = list.Parent(p))
            list.Expand(p, true);
        driver::Pump();
        const RECT rc = list.ItemRect(item);
        driver::ClickAt(driver::ScreenPoint(list.Hwnd(), 120, (rc.top + rc.bottom) / 2), button);
    }
    void Show(const std::vector<std::u16string>& path) {
        MacroTree::Item item = Item(path);
        ASSERT_TRUE(item);
        Press(m_page->Tree(), item);
        ASSERT_TRUE(driver::WaitUntil(
            [&] { return m_page->ShownMacro() == m_page->Tree().ItemMacroId(item); }));
    }
    MacroTree::Item Step(size_t i) {
        std::vector<MacroTree::Item> steps = m_page->StepList().Children(nullptr);
        return i < steps.size() ? steps[i] : nullptr;
    }
    // Opens the context menu at an item (or a list's background) and picks
    // entry `index`, in the sub-menu `sub` of it when given.
    bool PickContext(CTreeCtrlEx& list, MacroTree::Item item, int index, int sub = -1) {
        const std::vector<HWND> before = driver::OpenMenus();
        if (item) {
            Press(list, item, driver::Button::Right);
        } else {
            RECT rc;
            ::GetClientRect(list.Hwnd(), &rc);
            driver::ClickIn(list.Hwnd(), 60, rc.bottom - 10, driver::Button::Right);
        }
        HWND menu = driver::WaitNewMenu(before);
        if (!menu)
            return false;
        if (sub < 0)
            return driver::PickMenuEntry(menu, index, kMenuRow);
        HWND subMenu = driver::EnterSubMenu(menu, index, kMenuRow);
        return subMenu && driver::PickMenuEntry(subMenu, sub, kMenuRow);
    }
    bool Visible(UINT id) const {
        HWND hwnd = ::GetDlgItem(m_page->Hwnd(), int(id));
        return hwnd && ::IsWindowVisible(hwnd);
    }
    std::string Steps() const {
        std::string out;
        for (const mac::StepItem& s : m_page->StepItems()) {
            if (!out.empty())
                out += ' ';
            if (s.kind != mac::kDelay)
                out += s.kind == mac::kPress ? '+' : '-';
            char buf[16];
            std::snprintf(buf, sizeof buf, s.kind == mac::kDelay ? "%u" : "%02X", s.value);
            out += buf;
            if (s.kind == mac::kDelay)
                out += "ms";
        }
        return out;
    }
    static MSG KeyMsg(UINT message, UINT vk, DWORD time, LPARAM lParam = 0) {
        MSG msg{};
        msg.message = message;
        msg.wParam = vk;
        msg.lParam = lParam;
        msg.time = time;
        return msg;
    }
    // Waits until `n` dialogs were answered.
    static bool Answered(size_t n) {
        return driver::WaitUntil([&] { return g_seen.size() >= n && !g_answering; });
    }

    settings::OptSettings m_saved{};
    settings::MacroLimits m_limits{};
    testutil::TempDir m_data;
    FakeHost m_host;
    std::unique_ptr<CMacroDlg> m_page;
    HWND m_parent = nullptr;
    UINT_PTR m_timer = 0;
};

TEST_F(MacroPageWindow, ShowsTheClickedMacroAndNothingForFolders) {
    Make();
    EXPECT_EQ(m_page->Tree().Count(), 4);
    Show({u"Shooter", u"Reload"});
    EXPECT_EQ(Steps(), "+41 40ms -41");
    EXPECT_EQ(m_page->StepList().ItemText(Step(0)), u"A");
    EXPECT_EQ(m_page->StepList().ItemText(Step(1)), u"40 ms");
    EXPECT_TRUE(m_page->StepList().Record(Step(1))->muted);
    EXPECT_TRUE(Visible(CMacroDlg::kIdCount)); // mode 0 shows its count
    EXPECT_EQ(guitest::WindowText(::GetDlgItem(m_page->Hwnd(), CMacroDlg::kIdCount)), L"3");
    EXPECT_FALSE(Visible(CMacroDlg::kIdSave));
    guitest::SaveShot(m_parent, L"macro_page_steps");
    // The macro's delete button and the step's say which they are.
    EXPECT_NE(guitest::WindowText(::GetDlgItem(m_page->Hwnd(), CMacroDlg::kIdOp[1])),
              guitest::WindowText(::GetDlgItem(m_page->Hwnd(), CMacroDlg::kIdOp[4])));

    Show({u"Shooter", u"Burst"});
    EXPECT_EQ(Steps(), "+F0 30ms -F0");
    EXPECT_FALSE(Visible(CMacroDlg::kIdCount)); // mode 2
    EXPECT_EQ(m_page->StepList().ItemText(Step(0)), u"Left click");

    Press(m_page->Tree(), Item({u"Shooter"}));
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->ShownMacro() == 0; }));
    EXPECT_EQ(m_page->StepList().Count(), 0);
    EXPECT_FALSE(Visible(CMacroDlg::kIdCount));
}

TEST_F(MacroPageWindow, RecordsTheKeysTheMainWindowHandsOver) {
    {
        auto lock = g_ProfileList.Lock();
        g_pCurProfile.load()->Key[0][4].dwFunID = 0x5000000;
        g_pCurProfile.load()->Key[0][4].dwMacroID = 0x53;
    }
    Make();
    Show({u"Top"});
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRecord);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->IsRecording(); }));
    EXPECT_EQ(std::u16string(m_page->LeaveRefusal()), u"tc_macro_msg17");
    EXPECT_FALSE(Visible(CMacroDlg::kIdCount));
    guitest::SaveShot(m_parent, L"macro_page_recording");

    // Right Ctrl (extended), A held with auto-repeat, a 4 ms gap raised to
    // MinDelay, and Ctrl still down at the stop.
    const LPARAM extended = LPARAM(1) << 24;
    EXPECT_TRUE(m_page->TakeKey(KeyMsg(WM_KEYDOWN, VK_CONTROL, 1000, extended)));
    EXPECT_TRUE(m_page->TakeKey(KeyMsg(WM_KEYDOWN, 'A', 1120)));
    EXPECT_TRUE(m_page->TakeKey(KeyMsg(WM_KEYDOWN, 'A', 1122)));
    EXPECT_TRUE(m_page->TakeKey(KeyMsg(WM_KEYUP, 'A', 1124)));
    EXPECT_EQ(Steps(), "+A3 120ms +41 10ms -41");

    // While recording everything else is refused with tc_macro_msg17.
    const MacroTree::Item shown = Item({u"Top"});
    Press(m_page->Tree(), Item({u"Shooter"}));
    ASSERT_TRUE(Answered(1));
    EXPECT_EQ(g_seen[0].message, Txt(u"tc_macro_msg17"));
    EXPECT_EQ(m_page->Tree().Selected(), shown);
    EXPECT_TRUE(m_page->IsRecording());

    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRecord);
    ASSERT_TRUE(driver::WaitUntil([&] { return !m_page->IsRecording(); }));
    EXPECT_EQ(Steps(), "+A3 120ms +41 10ms -41 -A3");
    EXPECT_EQ(m_page->Changes(), kMacroStepsChanged | kMacroSettingsChanged);
    EXPECT_TRUE(Visible(CMacroDlg::kIdSave));
    EXPECT_FALSE(m_page->TakeKey(KeyMsg(WM_KEYDOWN, 'B', 2000)));

    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdSave);
    ASSERT_TRUE(driver::WaitUntil([&] { return !Visible(CMacroDlg::kIdSave); }));
    const StMacro saved = Library(0x53);
    EXPECT_EQ(saved.bAutoDelay, 1);
    const MacroStep expected[] = {{0xA3, 1, 120}, {0x41, 1, 10}, {0x41, 0, 0}, {0xA3, 0, 0}};
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(saved.Steps[i].wVk, expected[i].wVk);
        EXPECT_EQ(saved.Steps[i].wPress, expected[i].wPress);
        EXPECT_EQ(saved.Steps[i].dwDelay, expected[i].dwDelay);
    }
    EXPECT_TRUE(IsEndStep(saved.Steps[4]));
    EXPECT_EQ(saved.dwFlags, 0u);
    EXPECT_EQ(OnDisk("Top.mck").Steps[0].dwDelay, 120u);
    // Key 4 of the current profile runs it: the mouse gets every key again.
    EXPECT_EQ(g_requests, (std::vector<std::pair<uint32_t, uint32_t>>{{APPLY_KEYS, kApplyAll}}));
}

TEST_F(MacroPageWindow, RecordingNeedsAMacroAndStopsAtTheStepLimit) {
    settings::g_macroLimits.nMaxSteps = 4;
    Make();
    // A folder is no macro.
    Press(m_page->Tree(), Item({u"Shooter"}));
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRecord);
    ASSERT_TRUE(Answered(1));
    EXPECT_EQ(g_seen[0].message, Txt(u"tc_macro_msg1"));
    EXPECT_FALSE(m_page->IsRecording());

    Show({u"Top"});
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRecord);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->IsRecording(); }));
    m_page->TakeKey(KeyMsg(WM_KEYDOWN, VK_SHIFT, 100));
    m_page->TakeKey(KeyMsg(WM_KEYDOWN, 'A', 200));
    m_page->TakeKey(KeyMsg(WM_KEYUP, 'A', 300));
    m_page->TakeKey(KeyMsg(WM_KEYDOWN, 'B', 400)); // no room for its release
    ASSERT_TRUE(Answered(2));
    EXPECT_EQ(g_seen[1].message, Txt(u"tc_macro_msg18"));
    EXPECT_FALSE(m_page->IsRecording());
    // Shift, still held, is released at the stop.
    EXPECT_EQ(Steps(), "+10 100ms +41 100ms -41 -10");
    EXPECT_EQ(mac::KeyItemCount(m_page->StepItems()), 4);
    // After the stop the keys are the main window's again, and no second
    // message came.
    EXPECT_FALSE(m_page->TakeKey(KeyMsg(WM_KEYDOWN, 'C', 40)));
    driver::Pump(100);
    EXPECT_EQ(g_seen.size(), 2u);
}

TEST_F(MacroPageWindow, UnsavedChangesAskBeforeTheyAreLeft) {
    Make();
    const MacroTree::Item reload = Item({u"Shooter", u"Reload"});
    const struct {
        const char* name;
        bool ok;
        bool byPage; // leaving for another page (ConfirmLeave), else a click on another macro
    } cases[] = {
        {"cancel a click", false, false},
        {"ok a click", true, false},
        {"cancel another page", false, true},
        {"ok another page", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_seen.clear();
        Show({u"Shooter", u"Reload"});
        driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRepeat[1]);
        ASSERT_TRUE(driver::WaitUntil([&] { return m_page->Changes() != 0; }));
        g_answers.push_back({c.ok, L"", 0});
        bool left = false;
        if (c.byPage) {
            left = m_page->ConfirmLeave();
        } else {
            Press(m_page->Tree(), Item({u"Top"}));
            ASSERT_TRUE(Answered(1));
            driver::Pump(50);
            left = m_page->ShownMacro() != 0x51;
        }
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].kind, CMsgDlg::kQuestion);
        EXPECT_EQ(g_seen[0].message, Txt(u"tc_msg23"));
        EXPECT_EQ(left, c.ok);
        if (c.ok) {
            EXPECT_EQ(m_page->Changes(), 0u);
            EXPECT_FALSE(Visible(CMacroDlg::kIdSave));
        } else {
            EXPECT_EQ(m_page->ShownMacro(), 0x51u);
            EXPECT_EQ(m_page->Tree().Selected(), reload);
            EXPECT_NE(m_page->Changes(), 0u);
            EXPECT_TRUE(Visible(CMacroDlg::kIdSave));
            // Leave it for the next case without a question.
            g_answers.push_back({true, L"", 0});
            EXPECT_TRUE(m_page->ConfirmLeave());
        }
        // Nothing was stored.
        EXPECT_EQ(Library(0x51).nRepeatMode, 0);
    }
}

TEST_F(MacroPageWindow, StepsAreInsertedEditedAndDeletedThroughTheMenus) {
    settings::g_macroLimits.nMinDelay = 10;
    g_opt.MinUIDelay = 1;
    const struct {
        int insertBefore;
        const char* afterClick; // a left click inserted at the first step
    } cases[] = {
        {1, "+F0 50ms -F0 +41 40ms -41"},
        {0, "+41 -F0 50ms +F0 40ms -41"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.insertBefore);
        g_opt.InsertBefore = c.insertBefore;
        Make();
        Show({u"Shooter", u"Reload"}); // delays on: the click gets its 50 ms pause
        // Step menu: edit, delete, insert > press, release, delay, left click, ...
        ASSERT_TRUE(PickContext(m_page->StepList(), Step(0), 2, 3));
        ASSERT_TRUE(driver::WaitUntil([&] { return m_page->StepItems().size() == 6; }));
        EXPECT_EQ(Steps(), c.afterClick);
        EXPECT_TRUE(m_page->Changes() & kMacroStepsChanged);
        m_page->DestroyWindow();
        m_page.reset();
        ::DestroyWindow(m_parent);
        m_parent = nullptr;
    }

    g_opt.InsertBefore = 1;
    Make();
    Show({u"Shooter", u"Reload"});
    // A delay typed below MinDelay is raised to it; appended on the
    // background.
    g_answers.push_back({true, L"4", 0});
    ASSERT_TRUE(PickContext(m_page->StepList(), nullptr, 0, 2));
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->StepItems().size() == 4; }));
    EXPECT_EQ(g_seen.back().kind, CMsgDlg::kNumberInput);
    EXPECT_EQ(Steps(), "+41 40ms -41 10ms");
    // A key press captured before the release: a 50 ms pause, then the key.
    g_answers.push_back({true, L"", 'B'});
    ASSERT_TRUE(PickContext(m_page->StepList(), Step(2), 2, 0));
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->StepItems().size() == 6; }))
        << Steps() << " seen " << g_seen.size() << " kind " << g_seen.back().kind;
    EXPECT_EQ(g_seen.back().kind, CMsgDlg::kKeyCombo);
    EXPECT_EQ(Steps(), "+41 40ms 50ms +42 -41 10ms");
    // A double click on a delay edits it.
    g_answers.push_back({true, L"250", 0});
    const RECT rc = m_page->StepList().ItemRect(Step(1));
    driver::DoubleClickAt(driver::ScreenPoint(m_page->StepList().Hwnd(), 100, rc.top + 10));
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->StepItems()[1].value == 250; }));
    // Delete step (the step menu's second entry).
    ASSERT_TRUE(PickContext(m_page->StepList(), Step(2), 1));
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->StepItems().size() == 5; }));
    EXPECT_EQ(Steps(), "+41 250ms +42 -41 10ms");

    // Saved: adjacent pauses merge, the list starts at a press.
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdSave);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->Changes() == 0; }));
    EXPECT_EQ(Steps(), "+41 250ms +42 -41 10ms");
    const StMacro saved = OnDisk("Shooter/Reload.mck");
    EXPECT_EQ(saved.Steps[0].dwDelay, 250u);
    EXPECT_EQ(saved.Steps[2].wVk, 0x41);
    EXPECT_EQ(saved.Steps[2].dwDelay, 10u);
    // Not used by the profile: nothing for the mouse.
    EXPECT_TRUE(g_requests.empty());
}

TEST_F(MacroPageWindow, TheCountFieldStaysBetweenOneAnd250) {
    Make();
    Show({u"Top"});
    HWND field = ::GetDlgItem(m_page->Hwnd(), CMacroDlg::kIdCount);
    for (auto [typed, shown] :
         {std::pair{L"300", L"250"}, std::pair{L"0", L"1"}, std::pair{L"42", L"42"}}) {
        driver::ClickCentre(field);
        driver::PressChord({VK_CONTROL, 'A'});
        driver::Type(typed);
        ASSERT_TRUE(driver::WaitUntil([&] { return guitest::WindowText(field) == shown; }))
            << guitest::WindowText(field);
    }
    EXPECT_EQ(m_page->Changes(), kMacroSettingsChanged);
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdSave);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->Changes() == 0; }));
    EXPECT_EQ(Library(0x53).wRepeatCount, 42);
}

TEST_F(MacroPageWindow, NewRenameAndDeleteActOnTreeListAndDisk) {
    Make();
    // New, in the selected folder (the folder menu's first entry).
    g_answers.push_back({true, L"Spray", 0});
    ASSERT_TRUE(PickContext(m_page->Tree(), Item({u"Shooter"}), 0));
    ASSERT_TRUE(driver::WaitUntil([&] { return Item({u"Shooter", u"Spray"}) != nullptr; }));
    const uint32_t id = m_page->ShownMacro();
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(fs::exists(Root() / "Shooter" / "Spray.mck"));
    EXPECT_EQ(OnDisk("Shooter/Spray.mck").dwID, id);
    EXPECT_EQ(m_page->Changes(), 0u);

    // Names that clash with an item, or whose file would be another's, are
    // refused; so are names with characters a macro name cannot hold.
    PutMacro("Shooter/a_b.mck", 0x60, u"a_b", {{0x41, 1, 0}});
    const struct {
        const wchar_t* name;
        std::wstring message;
    } refused[] = {
        {L"spray", Txt(u"tc_macro_msg8")},
        {L"a<b", Txt(u"tc_macro_msg8")},
        {L"x-y", Txt(u"tc_tip1")},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(std::string(r.name, r.name + std::wcslen(r.name)));
        g_seen.clear();
        g_answers.push_back({true, r.name, 0});
        ASSERT_TRUE(PickContext(m_page->Tree(), Item({u"Shooter"}), 0));
        ASSERT_TRUE(Answered(2));
        EXPECT_EQ(g_seen[1].message, r.message);
    }
    EXPECT_EQ(OnDisk("Shooter/a_b.mck").dwID, 0x60u);

    // Rename (the macro menu's third entry): the file moves, the keys page hears.
    g_answers.push_back({true, L"Hose", 0});
    ASSERT_TRUE(PickContext(m_page->Tree(), Item({u"Shooter", u"Spray"}), 2));
    ASSERT_TRUE(driver::WaitUntil([&] { return fs::exists(Root() / "Shooter" / "Hose.mck"); }));
    EXPECT_FALSE(fs::exists(Root() / "Shooter" / "Spray.mck"));
    EXPECT_EQ(MacroName(Library(id)), u"Hose");
    EXPECT_EQ(m_host.changes, std::vector<MacroChange>{MacroChange::Renamed});

    // Delete asks first; Cancel keeps it, OK removes list entry and file.
    g_seen.clear();
    g_answers.push_back({false, L"", 0});
    ASSERT_TRUE(PickContext(m_page->Tree(), Item({u"Shooter", u"Hose"}), 0));
    ASSERT_TRUE(Answered(1));
    EXPECT_EQ(g_seen[0].message, Txt(u"tc_msg6"));
    driver::Pump(50);
    EXPECT_TRUE(MacroIdInUse(id));
    g_answers.push_back({true, L"", 0});
    ASSERT_TRUE(PickContext(m_page->Tree(), Item({u"Shooter", u"Hose"}), 0));
    ASSERT_TRUE(driver::WaitUntil([&] { return !MacroIdInUse(id); }));
    EXPECT_FALSE(fs::exists(Root() / "Shooter" / "Hose.mck"));
    EXPECT_EQ(m_page->ShownMacro(), 0u);
    EXPECT_EQ(m_host.changes.back(), MacroChange::Removed);

    // A folder goes with its macros.
    g_answers.push_back({true, L"", 0});
    ASSERT_TRUE(PickContext(m_page->Tree(), Item({u"Shooter"}), 1));
    ASSERT_TRUE(driver::WaitUntil([&] { return !fs::exists(Root() / "Shooter"); }));
    EXPECT_FALSE(MacroIdInUse(0x51));
    EXPECT_FALSE(MacroIdInUse(0x52));
    EXPECT_EQ(m_page->Tree().Count(), 1);
}

// A save whose file cannot be written keeps its edits and its button.
TEST_F(MacroPageWindow, SaveKeepsTheEditsWhenTheFileCannotBeWritten) {
    Make();
    Show({u"Top"});
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRepeat[2]);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->Changes() != 0; }));
    fs::remove(Root() / "Top.mck");
    fs::create_directories(Root() / "Top.mck" / "in the way");
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdSave);
    driver::Pump(200);
    EXPECT_EQ(m_page->Changes(), kMacroSettingsChanged);
    EXPECT_TRUE(Visible(CMacroDlg::kIdSave));

    fs::remove_all(Root() / "Top.mck");
    ASSERT_FALSE(fs::exists(Root() / "Top.mck"));
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdSave);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->Changes() == 0; }))
        << m_page->Changes() << " " << testutil::ReadFileBytes(Root() / "Top.mck").size();
    EXPECT_EQ(OnDisk("Top.mck").nRepeatMode, 1);
}

// A device read or a profile import adds and replaces macros without the
// page: the page reads its tree again when it shows a profile, and keeps
// unsaved edits of the macro it shows.
TEST_F(MacroPageWindow, TheTreeFollowsChangesMadeWithoutThePage) {
    Make();
    Show({u"Shooter", u"Reload"});
    driver::ClickControl(m_page->Hwnd(), CMacroDlg::kIdRepeat[1]);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_page->Changes() != 0; }));
    m_page->Tree().Expand(Item({u"Shooter"}), true);

    HeadlessMacroTree library;
    ASSERT_TRUE(LoadListedMacroTree(library, 1));
    StMacro device = NewMacroRecord(u"From device");
    device.Steps[0] = {0x43, 1, 0};
    ASSERT_NE(Add_Macro(device, &library), 0u);
    StMacro top = NewMacroRecord(u"Top");
    top.Steps[0] = {0x44, 1, 0};
    top.dwFlags = kMacroStepsChanged;
    ASSERT_EQ(ReplaceMacro(&library, top), 0x53u);

    m_page->ShowProfile(ProfileRecord{});
    EXPECT_TRUE(Item({u"From device"}));
    EXPECT_TRUE(m_page->Tree().IsExpanded(Item({u"Shooter"})));
    EXPECT_EQ(m_page->ShownMacro(), 0x51u);
    EXPECT_EQ(m_page->Tree().Selected(), Item({u"Shooter", u"Reload"}));
    EXPECT_NE(m_page->Changes(), 0u);

    // The replaced macro shows its new steps.
    g_answers.push_back({true, L"", 0});
    Show({u"Top"});
    EXPECT_EQ(Steps(), "+44");
    guitest::SaveShot(m_parent, L"macro_page_library");
}

} // namespace
