// The keys page of the real program, driven with real mouse and keyboard
// input: a key button, the function picker and its second dialogs, the mode
// buttons and the rate slider; what the virtual receiver then holds, and
// what the profile store holds after exit. Also the battery as the receiver
// reports it, the marks on the mouse picture and where the picker opens.

#include "E2eFixture.h"

#include "app/resource.h"
#include "model/MemoryMap.h"
#include "pages/KeyRules.h"

#include <gtest/gtest.h>

#include <optional>

using namespace e2e;
using namespace keys;

namespace {

constexpr int kKeysPage = 0;
constexpr int kEntryH = 20; // the picker's entries
// Entries of the product's picker: its main list and its media sub-menu.
enum Entry : int {
    kTripleClick = 5,
    kFireKey = 9,
    kCombination = 10,
    kMediaMenu = 14,
    kMute = 5, // in the media sub-menu
    kRightClick = 1,
};
constexpr char kLeftClickMessage[] =
    "Message: Every mode needs at least one button set to Left click.";
constexpr wchar_t kFireKeyTitle[] = L"Fire key";
constexpr int kCheckCtrl = 1102; // the Ctrl box of the combination capture

// The program on its keys page, ready for input.
struct KeyRun {
    KeyRun(const std::string& name, const OptEdits& edits) : run(name, edits) {}

    bool Open() {
        if (!run.Start() || !run.WaitReady())
            return false;
        ::SetForegroundWindow(run.Main());
        page = run.ShowPage(kKeysPage, IDC_KEY_BTN0);
        return page != nullptr;
    }
    HWND Key(int key) const { return run.Ctl(int(IDC_KEY_BTN0) + key); }
    // The 24-bit code of a key's matrix slot in the device.
    std::optional<uint32_t> Matrix(int key) {
        const std::vector<uint8_t> e = run.Peek(memmap::KeyMatrixAddr(key), 3);
        if (e.size() != 3)
            return std::nullopt;
        return uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16;
    }
    std::vector<uint8_t> Combo(int key, uint32_t length) {
        return run.Peek(memmap::ComboDataAddr(key), length);
    }
    int RateCode() {
        const std::vector<uint8_t> b = run.Peek(memmap::kAddrReportRate, 1);
        return b.empty() ? -1 : b[0];
    }
    // Opens key `key`'s picker with a real click; its main list.
    HWND OpenPicker(int key) {
        const std::vector<HWND> before = OpenMenus();
        ClickCentre(Key(key));
        return WaitNewMenu(before);
    }
    // Picks main entry `entry` (or `sub` of its sub-menu) for key `key`; a
    // screenshot `shot` of the open sub-menu when named.
    bool Pick(int key, int entry, int sub = -1, const char* shot = nullptr) {
        HWND menu = OpenPicker(key);
        if (!menu)
            return false;
        if (sub < 0)
            return PickMenuEntry(menu, entry, kEntryH);
        HWND subMenu = EnterSubMenu(menu, entry, kEntryH);
        if (subMenu && shot) {
            WaitPainted(subMenu);
            EXPECT_TRUE(Screenshot(shot));
        }
        return subMenu && PickMenuEntry(subMenu, sub, kEntryH);
    }
    // Waits for the n-th key assignment since start.
    bool WaitAssigned(int count) { return run.WaitLogCount("pFile->Key[", count, 5000); }

    TarvelRun run;
    HWND page = nullptr;
};

// The fire key dialog: speed typed over the selected 40, count over the
// selected 3 (Tab selects the next field's text), then OK.
bool AnswerFireKey(KeyRun& k, const wchar_t* speed, const wchar_t* count) {
    HWND dlg = k.run.WaitWindow(kFireKeyTitle, nullptr, 5000);
    if (!dlg || !WaitVisible(dlg) || !WaitKeyboardFocus(dlg))
        return false;
    Type(speed);
    PressKey(VK_TAB);
    Type(count);
    WaitPainted(dlg);
    Screenshot("key-fire-dialog");
    return k.run.Answer(dlg, IDOK);
}

// The combination capture: the Ctrl box ticked, C pressed, OK.
bool AnswerCombination(KeyRun& k) {
    HWND dlg = k.run.WaitMessage();
    if (!dlg || !WaitVisible(dlg))
        return false;
    ClickCentre(WaitControl(dlg, kCheckCtrl));
    PressKey('C');
    WaitPainted(dlg);
    Screenshot("key-combination-capture");
    return k.run.Answer(dlg, IDOK);
}

} // namespace

TEST(KeyPage, PickedFunctionsReachTheMouse) {
    KeyRun k("keys-picked", {{"ApplyNow", "1"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    // Left ctrl + C in the device's form: presses, then releases.
    const std::vector<uint8_t> ctrlC = {4,    0x80, 0x01, 0,    0x81, 0x06, 0,
                                        0x40, 0x01, 0,    0x41, 0x06, 0};
    const std::vector<uint8_t> mute = {2, 0x82, 0xE2, 0x00, 0x42, 0xE2, 0x00};
    const struct {
        const char* name;
        int key, entry, sub;
        bool (*answer)(KeyRun&);
        uint32_t matrix;
        std::vector<uint8_t> combo;
    } cases[] = {
        // Key 4 is Back: it had no triple click.
        {"triple click on key 4", 3, kTripleClick, -1, nullptr, 0x033204, {}},
        {"mute from the media sub-menu on key 5", 4, kMediaMenu, kMute, nullptr, 0x000005, mute},
        {"fire key with 20 and 3 on key 6",
         5,
         kFireKey,
         -1,
         [](KeyRun& run) { return AnswerFireKey(run, L"20", L"3"); },
         0x031404,
         {}},
        {"Ctrl box and C on key 7", 6, kCombination, -1, AnswerCombination, 0x000005, ctrlC},
    };
    int assigned = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(k.Matrix(c.key), c.matrix);
        ASSERT_TRUE(k.Pick(c.key, c.entry, c.sub, c.sub < 0 ? nullptr : "key-picker-media"))
            << k.run.Log();
        if (c.answer) {
            ASSERT_TRUE(c.answer(k)) << k.run.Log();
        }
        ASSERT_TRUE(k.WaitAssigned(++assigned)) << k.run.Log();
        EXPECT_TRUE(WaitUntil([&] { return k.Matrix(c.key) == c.matrix; })) << k.run.Log();
        if (!c.combo.empty()) {
            EXPECT_TRUE(
                WaitUntil([&] { return k.Combo(c.key, uint32_t(c.combo.size())) == c.combo; }));
        }
    }

    // The only left click of the mode stays: the user is told, the mouse
    // keeps its matrix.
    const std::vector<uint8_t> matrix = k.run.Peek(memmap::kAddrKeyMatrix, 64);
    ASSERT_TRUE(k.Pick(0, kRightClick)) << k.run.Log();
    ASSERT_TRUE(k.run.WaitLog(kLeftClickMessage, 5000)) << k.run.Log();
    ASSERT_TRUE(k.run.Answer(k.run.WaitMessage()));
    EXPECT_EQ(k.run.LogCount("pFile->Key["), assigned);
    EXPECT_EQ(k.run.Peek(memmap::kAddrKeyMatrix, 64), matrix);
    WaitPainted(k.run.Main());
    EXPECT_TRUE(Screenshot("key-page-assigned"));

    ASSERT_TRUE(k.run.Exit());
    const std::vector<ProfileRecord> stored = k.run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[0].Key[0][3].dwFunID, 0x1000017u);
    EXPECT_EQ(stored[0].Key[0][4].dwFunID, 0x4000028u);
    EXPECT_EQ(stored[0].Key[0][5].dwParameter, 0x1403u);
    EXPECT_EQ(stored[0].Key[0][6].stCombo, 0x4301u);
    EXPECT_EQ(stored[0].Key[0][0].dwFunID, kFunPrimaryClick);
}

TEST(KeyPage, DpiCustomAndExtraKeysReachTheMouseInModesOneAndThree) {
    // A product with a custom key and one extra key: both join the picker's
    // main list, the custom key after the combination, the extra key last.
    constexpr uint32_t kCustomCode = 0x030201, kExtraCode = 0x000605;
    KeyRun k("keys-kinds", {{"ApplyNow", "1"},
                            {"CustomkeyCode", std::to_string(kCustomCode)},
                            {"ExKey1", std::to_string(kExtraCode)}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    enum : int { kCustom = 11, kDpiMenu = 14, kExtra1 = 16, kDpiUp = 0 };
    const struct {
        const char* name;
        int mode, key, entry, sub;
        uint32_t matrix, funId, parameter;
    } cases[] = {
        {"DPI up from its sub-menu on key 4", 0, 3, kDpiMenu, kDpiUp, 0x000202, 0x80000A8, 0},
        {"the custom key on key 5", 0, 4, kCustom, -1, kCustomCode, kFunCustomKey, kCustomCode},
        {"extra key 1 on key 6", 0, 5, kExtra1, -1, kExtraCode, kFunExtraKey, kExtraCode},
        {"the custom key on key 6 of mode 3", 2, 5, kCustom, -1, kCustomCode, kFunCustomKey,
         kCustomCode},
        {"extra key 1 on key 8 of mode 3", 2, 7, kExtra1, -1, kExtraCode, kFunExtraKey, kExtraCode},
    };
    int assigned = 0, mode = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.mode != mode) {
            ClickCentre(k.run.Ctl(IDC_KEY_MODE0 + c.mode));
            ASSERT_TRUE(k.run.WaitLog("CKeyDlg: mode " + std::to_string(c.mode), 5000))
                << k.run.Log();
            mode = c.mode;
        }
        ASSERT_NE(k.Matrix(c.key), c.matrix);
        ASSERT_TRUE(k.Pick(c.key, c.entry, c.sub)) << k.run.Log();
        ASSERT_TRUE(k.WaitAssigned(++assigned)) << k.run.Log();
        EXPECT_TRUE(WaitUntil([&] { return k.Matrix(c.key) == c.matrix; })) << k.run.Log();
    }

    ASSERT_TRUE(k.run.Exit());
    const std::vector<ProfileRecord> stored = k.run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[0].nCurMode, 2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyInfo& key = stored[0].Key[c.mode][c.key];
        EXPECT_EQ(key.dwFunID, c.funId);
        EXPECT_EQ(key.dwParameter, c.parameter);
    }
}

TEST(KeyPage, MacroWithAnEmptyLibraryOffersTheMacroPage) {
    KeyRun k("keys-macro", {{"ApplyNow", "1"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    constexpr int kMacro = 12;
    const std::vector<uint8_t> matrix = k.run.Peek(memmap::kAddrKeyMatrix, 64);
    // Cancel stays on the keys page; OK goes to the macro page to record one.
    // The page before any question, for the question's picture.
    const ScreenPixels screen = ReadScreen();
    for (int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer);
        ASSERT_TRUE(k.Pick(3, kMacro)) << k.run.Log();
        HWND question = k.run.WaitMessage();
        ASSERT_TRUE(question && WaitVisible(question)) << k.run.Log();
        if (answer == IDOK) {
            EXPECT_TRUE(WaitUntil([] { return OpenMenus().empty(); }));
            WaitPainted(k.run.Main());
            EXPECT_TRUE(WaitShownOnScreen(question, screen));
            EXPECT_TRUE(Screenshot("key-macro-question"));
        }
        ASSERT_TRUE(k.run.Answer(question, answer));
        ASSERT_TRUE(k.run.WaitGone(question, 5000));
        EXPECT_TRUE(
            WaitUntil([&] { return (::IsWindowVisible(k.page) != FALSE) == (answer != IDOK); }));
    }
    EXPECT_EQ(k.run.LogCount("pFile->Key["), 0);
    EXPECT_EQ(k.run.Peek(memmap::kAddrKeyMatrix, 64), matrix);
}

TEST(KeyPage, PickerAnswersTheKeyboard) {
    // Opened with a click, then arrows and Enter alone: Up starts at the last
    // entry, Right opens a sub-menu at its first entry.
    KeyRun k("keys-keyboard", {{"ApplyNow", "1"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    const struct {
        const char* name;
        int key;
        std::vector<UINT> presses;
        uint32_t matrix;
        std::vector<uint8_t> combo;
    } cases[] = {
        {"volume up from the media sub-menu on key 2",
         1,
         {VK_UP, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN},
         0x000005,
         {2, 0x82, 0xE9, 0x00, 0x42, 0xE9, 0x00}},
        {"DPI down from the DPI sub-menu on key 3",
         2,
         {VK_UP, VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN},
         0x000302,
         {}},
        {"Escape leaves key 4 as it was", 3, {VK_DOWN, VK_ESCAPE}, 0x000801, {}},
    };
    int assigned = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(k.OpenPicker(c.key), nullptr) << k.run.Log();
        for (UINT vk : c.presses)
            PressKey(vk);
        ASSERT_TRUE(WaitUntil([] { return OpenMenus().empty(); }));
        if (c.presses.back() == VK_RETURN) {
            ASSERT_TRUE(k.WaitAssigned(++assigned)) << k.run.Log();
        }
        EXPECT_TRUE(WaitUntil([&] { return k.Matrix(c.key) == c.matrix; })) << k.run.Log();
        if (!c.combo.empty()) {
            EXPECT_TRUE(
                WaitUntil([&] { return k.Combo(c.key, uint32_t(c.combo.size())) == c.combo; }));
        }
    }
    // The page was told of every choice it got, and of no other.
    EXPECT_EQ(k.run.LogCount("OnFunctionChosen"), assigned);
}

TEST(KeyPage, HeldRightCtrlGivesTheMouseCtrl) {
    // Without the check boxes the modifiers come from the keyboard; the mouse
    // only knows left-hand ones.
    KeyRun k("keys-right-ctrl", {{"ApplyNow", "1"}, {"ComboRec", "0"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    ASSERT_TRUE(k.Pick(6, kCombination)) << k.run.Log();
    HWND dlg = k.run.WaitMessage();
    ASSERT_TRUE(dlg && WaitVisible(dlg));
    ASSERT_TRUE(WaitKeyboardFocus(dlg));
    KeyDown(VK_RCONTROL);
    PressKey('C');
    KeyUp(VK_RCONTROL);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(dlg, 513) == L"R-Ctrl + C"; })) << k.run.Log();
    ASSERT_TRUE(k.run.Answer(dlg, IDOK));
    ASSERT_TRUE(k.WaitAssigned(1)) << k.run.Log();
    const std::vector<uint8_t> ctrlC = {4,    0x80, 0x01, 0,    0x81, 0x06, 0,
                                        0x40, 0x01, 0,    0x41, 0x06, 0};
    EXPECT_TRUE(WaitUntil([&] { return k.Combo(6, 13) == ctrlC; })) << k.run.Log();
}

TEST(KeyPage, BatteryMarksAndWhereThePickerOpens) {
    KeyRun k("keys-looks", {{"ApplyNow", "1"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    // The first reading comes from the page's first timer.
    ASSERT_TRUE(k.run.WaitLog("CKeyDlg: battery level 8, powerbar1.png, 80 %", 10000))
        << k.run.Log();
    // The next readings on the page's 30-second timer, here sent at once.
    const struct {
        int level;
        const char* logged;
    } levels[] = {
        {4, "CKeyDlg: battery level 4, powerbar2.png, 40 %"},
        {11, "Wrong nPow=b"},
        {2, "CKeyDlg: battery level 2, powerbar3.png, 20 %"},
    };
    for (const auto& l : levels) {
        ASSERT_TRUE(k.run.Control("power " + std::to_string(l.level)));
        ::PostMessageW(k.page, WM_TIMER, kTimerPower, 0);
        EXPECT_TRUE(k.run.WaitLog(l.logged, 5000)) << l.level;
    }

    // Hovering key 3 marks it on the picture.
    MoveTo(CentreOf(k.Key(2)));
    ASSERT_TRUE(k.run.WaitLog("CKeyDlg: marked key 2", 5000)) << k.run.Log();
    WaitPainted(k.run.Main());
    EXPECT_TRUE(Screenshot("key-page-marked"));

    // The lowest key 280 pixels above the screen's bottom: room for 13
    // entries, not for the 15 of the list, which opens above it, whole.
    const int screenH = ::GetSystemMetrics(SM_CYFULLSCREEN);
    const RECT main = ScreenRect(k.run.Main());
    const int keyBottom = ScreenRect(k.Key(7)).bottom - main.top;
    ::SetWindowPos(k.run.Main(), nullptr, main.left, screenH - 280 - keyBottom, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return ScreenRect(k.Key(7)).bottom == screenH - 280; }));
    HWND menu = k.OpenPicker(7);
    ASSERT_NE(menu, nullptr) << k.run.Log();
    const RECT list = ScreenRect(menu);
    EXPECT_EQ(list.bottom - list.top, 15 * kEntryH + 2);
    EXPECT_GE(list.top, 0);
    EXPECT_LE(list.bottom, ScreenRect(k.Key(7)).top);
    HWND subMenu = EnterSubMenu(menu, kMediaMenu, kEntryH);
    ASSERT_NE(subMenu, nullptr);
    WaitPainted(subMenu);
    EXPECT_TRUE(Screenshot("key-picker-above"));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([] { return OpenMenus().empty(); }));
}

TEST(KeyPageModes, ModeTwoSendsItsKeysAndEachModeKeepsItsRate) {
    KeyRun k("keys-modes", {{"ApplyNow", "1"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    // 500 Hz in mode 1: the slider's third place.
    ClickIn(k.run.Ctl(IDC_KEY_RATE), 206, 10);
    EXPECT_TRUE(WaitUntil([&] { return k.RateCode() == 2; })) << k.run.Log();

    // Mode 2: the mouse's whole matrix becomes mode 2's keys (play/pause,
    // volume up and down on keys 6 to 8), at the rate shown.
    ClickCentre(k.run.Ctl(IDC_KEY_MODE0 + 1));
    ProfileRecord base{};
    base.nCurMode = 1;
    for (int i = 0; i < 8; ++i)
        base.Key[1][i].nMatrixIndex = i + 1;
    const uint32_t mode2[8] = {0x1000011, 0x1000013, 0x1000012, 0x1000015,
                               0x1000014, 0x4000022, 0x4000026, 0x4000027};
    const auto deviceKeys = [&] {
        std::vector<uint8_t> image = k.run.Peek(0, 0x300);
        image.resize(0x2000);
        const ProfileRecord device = DecodeDevice(image, base);
        std::vector<uint32_t> keys;
        for (int i = 0; i < 8; ++i)
            keys.push_back(device.Key[1][i].dwFunID);
        return keys;
    };
    EXPECT_TRUE(WaitUntil([&] {
        return deviceKeys() == std::vector<uint32_t>(std::begin(mode2), std::end(mode2));
    })) << k.run.Log();
    EXPECT_EQ(k.RateCode(), 2);

    // 250 Hz in mode 2.
    ClickIn(k.run.Ctl(IDC_KEY_RATE), 108, 10);
    EXPECT_TRUE(WaitUntil([&] { return k.RateCode() == 4; })) << k.run.Log();
    WaitPainted(k.run.Main());
    EXPECT_TRUE(Screenshot("key-page-mode2"));

    ASSERT_TRUE(k.run.Exit());
    const std::vector<ProfileRecord> stored = k.run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[0].nCurMode, 1);
    EXPECT_EQ(stored[0].dwReportRate[0], 0x500u);
    EXPECT_EQ(stored[0].dwReportRate[1], 0x250u);
}

TEST(KeyPageModes, WithoutApplyNowApplyWritesTheAssignment) {
    KeyRun k("keys-apply", {{"ApplyNow", "0"}});
    ASSERT_TRUE(k.Open()) << k.run.Log();
    const std::optional<uint32_t> before = k.Matrix(3);
    ASSERT_TRUE(k.Pick(3, kTripleClick)) << k.run.Log();
    ASSERT_TRUE(k.WaitAssigned(1)) << k.run.Log();
    EXPECT_EQ(k.Matrix(3), before);

    ASSERT_TRUE(k.run.Click(IDC_MAIN_APPLY));
    HWND progress = k.run.WaitWindow(L"MyProgressDlg..", nullptr, 3000);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(k.run.WaitGone(progress, 20000));
    EXPECT_EQ(k.Matrix(3), 0x033204u);
}
