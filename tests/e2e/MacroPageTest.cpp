// The macro page of the real program, driven with real mouse and keyboard
// input: a macro recorded and saved lands in its .mck file, folders come from
// disk, unsaved edits are asked about before they are left, and macros go out
// and come in as .mck files through the file dialogs.

#include "E2eFixture.h"

#include "app/resource.h"
#include "model/KeyCodes.h"
#include "model/MacroEncoding.h"
#include "model/MemoryMap.h"
#include "model/StMacro.h"
#include "pages/KeyRules.h"
#include "store/MacroFile.h"
#include "store/MacroList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

constexpr int kMacroPage = 2; // navigation slot
constexpr int kTree = 261, kSteps = 262, kRecord = 264, kSave = 265;
constexpr int kRepeatHeld = 268;
constexpr int kOpNew = 270;
constexpr int kRow = 24;     // the lists' row height
constexpr int kMenuRow = 20; // the page's menu entries
constexpr int kInputField = 513;
constexpr int kKeysPage = 0;
constexpr int kPickerMacroEntry = 12; // the function picker's macro entry
constexpr int kPickerRow = 20;
constexpr wchar_t kPickerTitle[] = L"Macros";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

StMacro Decoded(const fs::path& path) {
    StMacro m{};
    DecodeMacroFile(ReadBytes(path), m);
    return m;
}

// The macro block the mouse is to hold for `m`.
std::vector<uint8_t> BlockOf(const StMacro& m) {
    uint8_t events[memmap::kMacroBlockBytes] = {};
    const size_t n = StMacro_To_HdMacro(&m, events);
    uint8_t block[memmap::kMacroBlockBytes] = {};
    const size_t length = memmap::BuildMacroBlock(MacroName(m), events, n, block);
    return {block, block + length};
}

// The program on its macro page over a library laid out before it starts:
// Games/Burst, Games/Reload, Top (Games first, closed).
struct MacroRun {
    explicit MacroRun(const std::string& name, const OptEdits& edits = {}) : run(name, edits) {
        Put("Games/Burst.mck", 0x5A1, u"Burst", {{0xF0, 1, 30}, {0xF0, 0, 0}});
        Put("Games/Reload.mck", 0x5A2, u"Reload", {{0x52, 1, 50}, {0x52, 0, 0}});
        Put("Top.mck", 0x5A3, u"Top", {{0x42, 1, 20}, {0x42, 0, 0}});
    }
    void Put(const std::string& file, uint32_t id, const std::u16string& name,
             std::initializer_list<MacroStep> steps) const {
        StMacro m = NewMacroRecord(name);
        m.dwID = id;
        int i = 0;
        for (const MacroStep& s : steps)
            m.Steps[i++] = s;
        const fs::path path = Library() / file;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << EncodeMacroFile(m);
    }
    fs::path Library() const { return run.DataDir() / L"Mac"; }

    bool Open() {
        if (!run.Start() || !run.WaitReady())
            return false;
        ::SetForegroundWindow(run.Main());
        return run.ShowPage(kMacroPage, kTree) != nullptr;
    }
    // Row `row` of a list, on the screen (`x` from its left edge).
    POINT Row(int list, int row, int x = 100) const {
        return ScreenPoint(run.Ctl(list), x, row * kRow + kRow / 2);
    }
    // Shows the macro at `row` of the tree (a click, and the page's word).
    bool ShowRow(int row) {
        const int shown = run.LogCount("CMacroDlg: showing macro");
        ClickAt(Row(kTree, row));
        return run.WaitLogCount("CMacroDlg: showing macro", shown + 1, 5000);
    }
    // The context menu at `row` of a list (-1: its empty end) and entry
    // `index` of it; true once the menu has closed.
    bool Context(int list, int row, int index, const std::string& shot = "") {
        const std::vector<HWND> before = OpenMenus();
        RECT rc;
        ::GetClientRect(run.Ctl(list), &rc);
        const POINT at =
            row >= 0 ? Row(list, row) : ScreenPoint(run.Ctl(list), 100, rc.bottom - 10);
        ClickAt(at, Button::Right);
        HWND menu = WaitNewMenu(before);
        if (!menu)
            return false;
        if (!shot.empty()) {
            MoveTo(MenuEntryPoint(menu, index, kMenuRow));
            WaitPainted(run.Main());
            WaitPainted(menu);
            Screenshot(shot);
        }
        return PickMenuEntry(menu, index, kMenuRow);
    }
    // Types `text` into the message window's field and presses OK.
    bool Type(const std::wstring& text) {
        HWND msg = run.WaitMessage();
        if (!msg)
            return false;
        ClickCentre(FindControl(msg, kInputField));
        driver::Type(text);
        return run.Answer(msg, IDOK);
    }
    bool Visible(int id) const { return run.Ctl(id) != nullptr; }
    // The 24-bit code of a key's matrix slot in the mouse.
    std::optional<uint32_t> Matrix(int key) {
        const std::vector<uint8_t> e = run.Peek(memmap::KeyMatrixAddr(key), 3);
        if (e.size() != 3)
            return std::nullopt;
        return uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16;
    }
    // Waits until the mouse holds macro `m` in the block of key `key`.
    bool WaitBlock(int key, const StMacro& m) {
        const std::vector<uint8_t> block = BlockOf(m);
        return WaitUntil(
            [&] { return run.Peek(memmap::MacroBlockAddr(key), uint32_t(block.size())) == block; });
    }

    TarvelRun run;
};

} // namespace

// A new macro, A pressed, held about 120 ms and released while the page
// records with its delays, then saved: the file holds the two steps and the
// pause between them.
TEST(MacroPage, ARecordedMacroIsSavedWithItsDelay) {
    MacroRun m("macro-record");
    ASSERT_TRUE(m.Open()) << m.run.Log();
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: library tree read, 4 items", 5000)) << m.run.Log();
    // The folder from disk, opened by its icon.
    ClickAt(m.Row(kTree, 0, 14));
    WaitPainted(m.run.Main());
    Screenshot("macro-page-library");

    // New, with the folder selected: the macro goes into it.
    ClickCentre(m.run.Ctl(kOpNew));
    ASSERT_TRUE(m.Type(L"Recorded")) << m.run.Log();
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: new macro", 5000)) << m.run.Log();
    const fs::path file = m.Library() / L"Games" / L"Recorded.mck";
    EXPECT_TRUE(fs::exists(file));

    ClickCentre(m.run.Ctl(kRecord));
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: recording macro", 5000)) << m.run.Log();
    KeyDown('A');
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: recorded key 0x41 down", 5000)) << m.run.Log();
    Pump(120); // the pause the macro is to hold
    KeyUp('A');
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: recorded key 0x41 up", 5000)) << m.run.Log();
    WaitPainted(m.run.Main());
    Screenshot("macro-recording");
    ClickCentre(m.run.Ctl(kRecord));
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: recording stopped, 2 steps", 5000)) << m.run.Log();
    WaitPainted(m.run.Main());
    Screenshot("macro-steps");

    ClickCentre(m.run.Ctl(kSave));
    ASSERT_TRUE(m.run.WaitLog("saved", 5000)) << m.run.Log();
    const StMacro saved = Decoded(file);
    EXPECT_EQ(MacroName(saved), u"Recorded");
    EXPECT_EQ(saved.Steps[0].wVk, 0x41);
    EXPECT_EQ(saved.Steps[0].wPress, 1);
    EXPECT_GE(saved.Steps[0].dwDelay, 100u);
    EXPECT_LE(saved.Steps[0].dwDelay, 600u);
    EXPECT_EQ(saved.Steps[1].wVk, 0x41);
    EXPECT_EQ(saved.Steps[1].wPress, 0);
    EXPECT_TRUE(IsEndStep(saved.Steps[2]));
    EXPECT_FALSE(m.Visible(kSave));
}

// The library's sub-folders are folders of the tree with MacroDir 1; with
// MacroDir 0 only the macros at the top are seen.
TEST(MacroPage, FoldersComeFromDiskWithMacroDir) {
    const struct {
        const char* macroDir;
        const char* items;
    } cases[] = {{"1", "library tree read, 4 items"}, {"0", "library tree read, 1 items"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.macroDir);
        MacroRun m(std::string("macro-dir-") + c.macroDir, {{"MacroDir", c.macroDir}});
        ASSERT_TRUE(m.Open()) << m.run.Log();
        EXPECT_TRUE(m.run.WaitLog(c.items, 5000)) << m.run.Log();
    }
}

// Unsaved edits of the shown macro: a click on another macro or another
// page asks first; OK goes on without them, Cancel stays with them.
TEST(MacroPage, UnsavedChangesAskBeforeTheyAreLeft) {
    MacroRun m("macro-unsaved");
    ASSERT_TRUE(m.Open()) << m.run.Log();
    ASSERT_TRUE(m.ShowRow(1)); // Top
    ClickCentre(m.run.Ctl(kRepeatHeld));
    ASSERT_TRUE(WaitUntil([&] { return m.Visible(kSave); })) << m.run.Log();
    const struct {
        const char* name;
        std::function<void()> leave;
        int answer;
        bool left;
    } cases[] = {
        {"another item, cancel", [&] { ClickAt(m.Row(kTree, 0)); }, IDCANCEL, false},
        {"another page, cancel", [&] { ClickControl(m.run.Main(), IDC_MAIN_NAVI1); }, IDCANCEL,
         false},
        {"another item, ok", [&] { ClickAt(m.Row(kTree, 0)); }, IDOK, true},
    };
    // The page before any question, for the question's picture.
    const ScreenPixels screen = ReadScreen();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int dropped = m.run.LogCount("unsaved changes of macro");
        const int stayed = m.run.LogCount("stays with the changes");
        c.leave();
        HWND question = m.run.WaitMessage();
        ASSERT_TRUE(question) << m.run.Log();
        EXPECT_TRUE(m.run.WaitLog("Question: Unsaved changes will be lost. Continue?", 5000));
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(WaitShownOnScreen(question, screen));
            Screenshot("macro-unsaved-question");
        }
        ASSERT_TRUE(m.run.Answer(question, c.answer));
        if (c.left) {
            EXPECT_TRUE(m.run.WaitLogCount("unsaved changes of macro", dropped + 1, 5000));
            EXPECT_TRUE(WaitUntil([&] { return !m.Visible(kSave); }));
        } else {
            ASSERT_TRUE(m.run.WaitLogCount("stays with the changes", stayed + 1, 5000));
            EXPECT_TRUE(m.Visible(kSave));
            EXPECT_TRUE(m.Visible(kTree)); // still on the macro page
            EXPECT_EQ(m.run.LogCount("unsaved changes of macro"), dropped);
        }
    }
    // Nothing reached the file.
    EXPECT_EQ(Decoded(m.Library() / L"Top.mck").nRepeatMode, 0);
}

// A macro goes out as its .mck file and comes in under its file's title.
TEST(MacroPage, MacrosGoOutAndComeInAsMckFiles) {
    MacroRun m("macro-files");
    ASSERT_TRUE(m.Open()) << m.run.Log();
    // Top's menu: delete, export, rename.
    ASSERT_TRUE(m.Context(kTree, 1, 1, "macro-context-menu")) << m.run.Log();
    const std::wstring exported = m.run.WinPath("Shared.mck");
    ASSERT_TRUE(m.run.AnswerFileDialog(exported));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(m.run.Dir() / "Shared.mck"); }));
    EXPECT_EQ(ReadBytes(m.run.Dir() / "Shared.mck"), ReadBytes(m.Library() / L"Top.mck"));

    // The background's menu: new, import.
    ASSERT_TRUE(m.Context(kTree, -1, 1)) << m.run.Log();
    ASSERT_TRUE(m.run.AnswerFileDialog(exported));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(m.Library() / L"Shared.mck"); }));
    const StMacro imported = Decoded(m.Library() / L"Shared.mck");
    EXPECT_EQ(MacroName(imported), u"Shared");
    EXPECT_NE(imported.dwID, 0x5A3u); // a macro of its own
    EXPECT_EQ(imported.Steps[0].wVk, 0x42);

    // The same file again: the name is taken.
    ASSERT_TRUE(m.Context(kTree, -1, 1)) << m.run.Log();
    ASSERT_TRUE(m.run.AnswerFileDialog(exported));
    HWND refused = m.run.WaitMessage();
    ASSERT_TRUE(refused) << m.run.Log();
    EXPECT_TRUE(m.run.WaitLog("An item with this name already exists here.", 5000));
    EXPECT_TRUE(m.run.Answer(refused));
}

// A macro of the library goes to key 4 through the function picker and the
// macro picker (OK without a macro only tells the user to choose one); with
// ApplyNow the mouse then follows the macro: its block and the key's code,
// an edited delay once saved, a new name, and on delete the key's default.
TEST(MacroPage, AMacroPickedForAKeyIsFollowedByTheMouse) {
    MacroRun m("macro-assign", {{"ApplyNow", "1"}});
    ASSERT_TRUE(m.run.Start() && m.run.WaitReady()) << m.run.Log();
    ::SetForegroundWindow(m.run.Main());
    ASSERT_TRUE(m.run.ShowPage(kKeysPage, keys::IDC_KEY_BTN0)) << m.run.Log();
    constexpr int kKey = 3;
    const std::optional<uint32_t> original = m.Matrix(kKey);
    ASSERT_TRUE(original) << m.run.Log();

    const std::vector<HWND> menus = OpenMenus();
    ClickCentre(m.run.Ctl(int(keys::IDC_KEY_BTN0) + kKey));
    HWND menu = WaitNewMenu(menus);
    ASSERT_TRUE(menu && PickMenuEntry(menu, kPickerMacroEntry, kPickerRow)) << m.run.Log();
    HWND picker = m.run.WaitWindow(kPickerTitle, nullptr, 5000);
    ASSERT_TRUE(picker && WaitVisible(picker)) << m.run.Log();
    EXPECT_TRUE(m.run.WaitLog("CPickMacroDlg: 4 items", 5000)) << m.run.Log();
    HWND tree = WaitControl(picker, kTree);
    ASSERT_TRUE(tree);

    ClickControl(picker, IDOK);
    HWND tip = m.run.WaitMessage();
    ASSERT_TRUE(tip) << m.run.Log();
    EXPECT_TRUE(m.run.WaitLog("Message: Please select a macro first.", 5000));
    ASSERT_TRUE(m.run.Answer(tip));
    EXPECT_TRUE(::IsWindowVisible(picker));

    // Games opened by its icon; Top is then the fourth row.
    ClickAt(ScreenPoint(tree, 14, kRow / 2));
    ClickAt(ScreenPoint(tree, 100, 3 * kRow + kRow / 2));
    WaitPainted(m.run.Main());
    WaitPainted(picker);
    Screenshot("macro-picker");
    ASSERT_TRUE(m.run.Answer(picker, IDOK)) << m.run.Log();
    ASSERT_TRUE(m.run.WaitLog("CPickMacroDlg: macro 0x5a3 chosen", 5000)) << m.run.Log();
    const fs::path top = m.Library() / L"Top.mck";
    EXPECT_TRUE(m.WaitBlock(kKey, Decoded(top))) << m.run.Log();
    // The key's entry in the matrix is written after its macro block.
    EXPECT_TRUE(WaitUntil([&] { return (m.Matrix(kKey).value_or(0) & 0xFF) == kHwMacro; }))
        << m.run.Log();

    // The delay after B down, edited and saved.
    ASSERT_TRUE(m.run.ShowPage(kMacroPage, kTree)) << m.run.Log();
    ASSERT_TRUE(m.ShowRow(1)) << m.run.Log();
    DoubleClickAt(m.Row(kSteps, 1));
    HWND number = m.run.WaitMessage();
    ASSERT_TRUE(number) << m.run.Log();
    ClickCentre(FindControl(number, kInputField));
    PressChord({VK_CONTROL, 'A'});
    driver::Type(L"200");
    ASSERT_TRUE(m.run.Answer(number, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return m.Visible(kSave); })) << m.run.Log();
    ClickCentre(m.run.Ctl(kSave));
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: macro 0x5a3 saved", 5000)) << m.run.Log();
    EXPECT_EQ(Decoded(top).Steps[0].dwDelay, 200u);
    EXPECT_TRUE(m.WaitBlock(kKey, Decoded(top))) << m.run.Log();

    // Renamed: the block carries the new name.
    ASSERT_TRUE(m.Context(kTree, 1, 2)) << m.run.Log();
    ASSERT_TRUE(m.Type(L"Renamed")) << m.run.Log();
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: renamed to Renamed", 5000)) << m.run.Log();
    const fs::path renamed = m.Library() / L"Renamed.mck";
    ASSERT_TRUE(fs::exists(renamed));
    EXPECT_TRUE(m.WaitBlock(kKey, Decoded(renamed))) << m.run.Log();

    // Deleted: the key has its default function again, in the mouse too.
    ASSERT_TRUE(m.Context(kTree, 1, 0)) << m.run.Log();
    ASSERT_TRUE(m.run.Answer(m.run.WaitMessage(), IDOK)) << m.run.Log();
    ASSERT_TRUE(m.run.WaitLog("CMacroDlg: macro deleted", 5000)) << m.run.Log();
    EXPECT_TRUE(WaitUntil([&] { return m.Matrix(kKey) == original; })) << m.run.Log();
    ASSERT_TRUE(m.run.Exit());
    for (const ProfileRecord& p : m.run.StoredProfiles())
        for (const auto& mode : p.Key)
            for (const KeyInfo& key : mode)
                EXPECT_NE(key.dwMacroID, 0x5A3u);
}
