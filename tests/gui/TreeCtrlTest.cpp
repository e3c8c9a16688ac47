// The skinned tree control: its items and rows apart from the window, and the
// window driven with real input: presses select and tell the owner, the
// folder icon and a double click open a folder, the selected item pressed
// again says nothing with the single-select option, keys and other buttons do
// nothing, the wheel and the scroll bar scroll, and the macro library reads
// into it.

#include "GuiFixture.h"

#include "common/TestUtil.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/TreeCtrlEx.h"
#include "driver/WinDriver.h"
#include "store/AppDataDir.h"
#include "store/MacroFile.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------- the items --

std::string RowsOf(const TreeItems& items) {
    std::string out;
    for (const TreeItems::Row& r : items.Rows()) {
        if (!out.empty())
            out += ' ';
        out += std::string(size_t(r.level), '.');
        out += std::string(r.item->data.text.begin(), r.item->data.text.end());
    }
    return out;
}

TreeRecord Folder(const wchar_t* text, bool expanded = false) {
    TreeRecord r;
    r.text = text;
    r.cls = kTreeFolder;
    r.expanded = expanded;
    return r;
}

TreeRecord Leaf(const wchar_t* text, uint32_t value = 0) {
    TreeRecord r;
    r.text = text;
    r.cls = kTreeMacro;
    r.value = value;
    return r;
}

TEST(TreeItems, RowsShowWhatIsExpanded) {
    TreeItems items;
    TreeItems::Item games = items.Insert(nullptr, Folder(L"Games"));
    TreeItems::Item old = items.Insert(games, Folder(L"Old"));
    items.Insert(old, Leaf(L"x"));
    TreeItems::Item b = items.Insert(games, Leaf(L"b"));
    items.Insert(games, Leaf(L"a"), b); // before b
    items.Insert(nullptr, Leaf(L"top"));
    EXPECT_EQ(RowsOf(items), "Games top");
    games->data.expanded = true;
    EXPECT_EQ(RowsOf(items), "Games .Old .a .b top");
    old->data.expanded = true;
    EXPECT_EQ(RowsOf(items), "Games .Old ..x .a .b top");
    games->data.expanded = false;
    EXPECT_EQ(RowsOf(items), "Games top");
    EXPECT_EQ(items.Count(), 6);
    EXPECT_EQ(items.PrevSibling(b)->data.text, L"a");
    EXPECT_EQ(items.Parent(old), games);
    EXPECT_EQ(items.Parent(games), nullptr);

    // Deleting a folder takes what is in it.
    items.Delete(old);
    EXPECT_FALSE(items.Contains(old));
    EXPECT_TRUE(items.Contains(b));
    EXPECT_EQ(items.Count(), 4);
    items.Clear();
    EXPECT_FALSE(items.Contains(b));
    EXPECT_EQ(RowsOf(items), "");
}

TEST(TreeItems, ScrollingByRows) {
    EXPECT_EQ(TreeScroll::ClampTop(-3, 40, 10), 0);
    EXPECT_EQ(TreeScroll::ClampTop(35, 40, 10), 30);
    EXPECT_EQ(TreeScroll::ClampTop(5, 8, 10), 0);
    EXPECT_EQ(TreeScroll::TopToShow(25, 0, 10), 16);
    EXPECT_EQ(TreeScroll::TopToShow(3, 10, 10), 3);
    EXPECT_EQ(TreeScroll::TopToShow(12, 10, 10), 10);
    EXPECT_EQ(TreeScroll::ThumbOf(200, 8, 10, 0).height, 0); // everything fits
    const struct {
        int rows, visible, top;
    } cases[] = {{40, 10, 0}, {40, 10, 17}, {40, 10, 30}, {500, 13, 250}, {11, 10, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.top);
        const TreeScroll::Thumb thumb = TreeScroll::ThumbOf(240, c.rows, c.visible, c.top);
        EXPECT_GE(thumb.height, 16);
        EXPECT_LE(thumb.top + thumb.height, 240);
        // Dragging the thumb to where it is shows the same rows (as near as
        // a pixel can tell, with more rows than pixels).
        const int range = c.rows - c.visible, travel = 240 - thumb.height;
        const int step = (range + travel - 1) / travel;
        EXPECT_NEAR(TreeScroll::TopForThumb(thumb.top, 240, c.rows, c.visible), c.top, step - 1);
    }
}

// ------------------------------------------------------------ the window --

struct Posted {
    UINT msg;
    WPARAM id;
    LPARAM item;
};
std::vector<Posted> g_posted;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TREE_LCLICK || msg == WM_TREE_RCLICK || msg == WM_TREE_DBLCLK) {
        g_posted.push_back({msg, wParam, lParam});
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

constexpr UINT kTreeId = 261;

class TreeCtrlWindow : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::CreateSolidBrush(RGB(22, 24, 28));
        wc.lpszClassName = L"TarvelTreeOwner";
        ::RegisterClassW(&wc);
        driver::ParkPointer();
        m_owner = ::CreateWindowExW(0, wc.lpszClassName, L"tree", WS_POPUP | WS_VISIBLE, 100, 100,
                                    300, 300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_owner);
        ::SetForegroundWindow(m_owner);
        g_posted.clear();
    }
    void TearDown() override {
        m_tree.reset();
        ::DestroyWindow(m_owner);
        driver::Pump();
    }

    void Make(bool singleSelect = false) {
        m_tree = std::make_unique<CTreeCtrlEx>();
        TreeCtrlArgs args;
        args.parent = m_owner;
        args.id = kTreeId;
        args.rect = {20, 20, 220, 260}; // ten rows
        args.singleSelect = singleSelect;
        args.text = RGB(200, 204, 212);
        args.textSelected = RGB(255, 255, 255);
        args.background = RGB(28, 30, 35);
        args.selected = RGB(36, 39, 46);
        args.frame = RGB(58, 62, 72);
        ASSERT_TRUE(m_tree->Create(args));
        m_tree->SetFolderIcons(LoadSkinImage(L"close.png"), LoadSkinImage(L"open.png"));
    }
    // Games (a, b), Top.
    void Fill() {
        m_games = m_tree->InsertItem(nullptr, u"Games", true, 0, u"");
        m_a = m_tree->InsertItem(m_games, u"a", false, 0xA, u"");
        m_tree->InsertItem(m_games, u"b", false, 0xB, u"");
        m_top = m_tree->InsertItem(nullptr, u"Top", false, 0x7, u"");
        driver::Pump();
    }
    // A point of an item's row on the screen, `x` pixels from the left.
    POINT On(MacroTree::Item item, int x = 120) const {
        const RECT rc = m_tree->ItemRect(item);
        return driver::ScreenPoint(m_tree->Hwnd(), x, (rc.top + rc.bottom) / 2);
    }
    bool WaitPosted(size_t n) {
        return driver::WaitUntil([&] { return g_posted.size() >= n; });
    }

    HWND m_owner = nullptr;
    std::unique_ptr<CTreeCtrlEx> m_tree;
    MacroTree::Item m_games = nullptr, m_a = nullptr, m_top = nullptr;
};

TEST_F(TreeCtrlWindow, PressesSelectAndTellTheOwner) {
    Make();
    Fill();
    const struct {
        const char* name;
        std::function<void()> input;
        UINT msg;
        MacroTree::Item* item; // null: the background
        bool gamesOpen;
    } cases[] = {
        {"left on a macro", [&] { driver::ClickAt(On(m_top)); }, WM_TREE_LCLICK, &m_top, false},
        {"right on a folder", [&] { driver::ClickAt(On(m_games), driver::Button::Right); },
         WM_TREE_RCLICK, &m_games, false},
        {"left below the last row", [&] { driver::ClickIn(m_tree->Hwnd(), 100, 200); },
         WM_TREE_LCLICK, nullptr, false},
        {"double on a folder opens it", [&] { driver::DoubleClickAt(On(m_games)); }, WM_TREE_DBLCLK,
         &m_games, true},
        {"the folder's icon closes it", [&] { driver::ClickAt(On(m_games, 14)); }, WM_TREE_LCLICK,
         &m_games, false},
        {"its text does not", [&] { driver::ClickAt(On(m_games)); }, WM_TREE_LCLICK, &m_games,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_posted.clear();
        c.input();
        ASSERT_TRUE(
            driver::WaitUntil([&] { return !g_posted.empty() && g_posted.back().msg == c.msg; }));
        const Posted& p = g_posted.back();
        EXPECT_EQ(p.id, kTreeId);
        MacroTree::Item expected = c.item ? *c.item : nullptr;
        EXPECT_EQ(reinterpret_cast<MacroTree::Item>(p.item), expected);
        EXPECT_EQ(m_tree->Selected(), expected);
        EXPECT_EQ(m_tree->IsExpanded(m_games), c.gamesOpen);
    }
    guitest::SaveShot(m_owner, L"tree_pressed");
}

TEST_F(TreeCtrlWindow, TheSelectedItemPressedAgainSaysNothingWithSingleSelect) {
    Make(true);
    Fill();
    m_tree->Select(m_top); // the owner is not told
    driver::ClickAt(On(m_top));
    // Another item: its message arrives after anything the press on the
    // selected one could have posted.
    driver::ClickAt(On(m_games));
    ASSERT_TRUE(WaitPosted(1));
    driver::Pump(50);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(reinterpret_cast<MacroTree::Item>(g_posted[0].item), m_games);
}

TEST_F(TreeCtrlWindow, KeysAndOtherButtonsDoNothing) {
    Make();
    Fill();
    driver::ClickAt(On(m_top));
    ASSERT_TRUE(WaitPosted(1));
    for (WORD vk : {WORD(VK_UP), WORD(VK_HOME), WORD(VK_RETURN), WORD('G'), WORD(VK_SPACE)})
        driver::PressKey(vk);
    INPUT middle[2]{};
    middle[0].type = middle[1].type = INPUT_MOUSE;
    middle[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
    middle[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
    driver::MoveTo(On(m_games));
    ::SendInput(2, middle, sizeof(INPUT));
    driver::ClickIn(m_tree->Hwnd(), 100, 200); // the background
    ASSERT_TRUE(WaitPosted(2));
    driver::Pump(50);
    EXPECT_EQ(g_posted.size(), 2u);
    EXPECT_EQ(m_tree->Selected(), nullptr);
    EXPECT_FALSE(m_tree->IsExpanded(m_games));
}

TEST_F(TreeCtrlWindow, TheWheelAndTheScrollBarScroll) {
    Make();
    std::vector<MacroTree::Item> items;
    for (int i = 0; i < 40; ++i)
        items.push_back(m_tree->InsertItem(nullptr,
                                           u"Macro " + std::u16string(1, char16_t(u'A' + i % 26)),
                                           false, uint32_t(i + 1), u""));
    driver::Pump();
    ASSERT_EQ(m_tree->TopRow(), 0);
    driver::MoveTo(driver::CentreOf(m_tree->Hwnd()));
    INPUT wheel{};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = DWORD(-WHEEL_DELTA);
    ::SetFocus(m_tree->Hwnd());
    ::SendInput(1, &wheel, sizeof wheel);
    ASSERT_TRUE(driver::WaitUntil([&] { return m_tree->TopRow() == 3; }));

    // The thumb dragged to the bottom shows the last rows.
    RECT client;
    ::GetClientRect(m_tree->Hwnd(), &client);
    const TreeScroll::Thumb thumb = TreeScroll::ThumbOf(client.bottom, 40, 10, 3);
    driver::DragAt(driver::ScreenPoint(m_tree->Hwnd(), client.right - 5, thumb.top + 4),
                   driver::ScreenPoint(m_tree->Hwnd(), client.right - 5, client.bottom + 40));
    ASSERT_TRUE(driver::WaitUntil([&] { return m_tree->TopRow() == 30; }));
    EXPECT_TRUE(g_posted.empty());
    // Selecting an item out of view brings it into view.
    m_tree->Select(items[2]);
    EXPECT_EQ(m_tree->TopRow(), 2);
    guitest::SaveShot(m_owner, L"tree_scrolled");
}

// The macro library reads into the control like into any MacroTree: folders
// with their pictures, macros with their ids; the store's paths and folder
// renames work on it.
TEST_F(TreeCtrlWindow, TheMacroLibraryReadsIntoIt) {
    testutil::TempDir data;
    SetAppDataDir(data.Dir());
    const std::filesystem::path root = data.Path() / "Mac";
    std::filesystem::create_directories(root / "Games");
    std::filesystem::copy_file(std::filesystem::path(W(testutil::ProductDir())) / "skins" /
                                   "open.png",
                               root / "Games" / "Games.png");
    for (auto [file, id] : {std::pair{"Games/Burst.mck", 0x31u}, std::pair{"Top.mck", 0x32u}}) {
        StMacro m = NewMacroRecord(u"x");
        m.dwID = id;
        std::ofstream(root / file, std::ios::binary) << EncodeMacroFile(m);
    }
    g_MacroList.RemoveAll();
    ASSERT_TRUE(LoadMacroLibrary(nullptr, 1, true));
    Make();
    ASSERT_TRUE(LoadListedMacroTree(*m_tree, 1));
    MacroTree::Item games = m_tree->FirstChild(nullptr);
    ASSERT_TRUE(games);
    EXPECT_TRUE(m_tree->IsFolder(games));
    EXPECT_GE(m_tree->Record(games)->icon, 0); // its own picture
    MacroTree::Item burst = m_tree->FirstChild(games);
    EXPECT_EQ(m_tree->ItemText(burst), u"Burst");
    EXPECT_EQ(m_tree->ItemMacroId(burst), 0x31u);
    EXPECT_EQ(m_tree->FindTopLevelItem(u"TOP"), m_tree->NextSibling(games));
    std::u16string path;
    ASSERT_TRUE(TreeItem_To_FilePath(burst, *m_tree, path));
    EXPECT_EQ(std::filesystem::path(path), root / "Games" / "Burst.mck");

    // The picture is not held open: the folder (and it) can be renamed.
    ASSERT_TRUE(RenameFolderItem(m_tree.get(), games, u"Play", 1));
    EXPECT_TRUE(std::filesystem::exists(root / "Play" / "Play.png"));
    EXPECT_EQ(m_tree->ItemMacroId(m_tree->FirstChild(games)), 0x31u);
    g_MacroList.RemoveAll();
    g_szAppDataDir.clear();
}

} // namespace
