// The combo button as a window: opened with real clicks, an item picked in
// the Kelmo.dll menu with real clicks, and what its parent hears about it.

#include "controls/ComboBtn.h"
#include "GuiFixture.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinWarning.h"
#include "controls/SkinWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Command {
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Command> g_commands;

LRESULT CALLBACK ComboParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND)
        g_commands.push_back({wParam, lParam});
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

using driver::ClickAt;
using driver::MenuEntryPoint;
using driver::ScreenRect;
using driver::WaitUntil;

constexpr UINT kComboId = 2001;

class ComboBtnWindow : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadMenuLibrary()) << "Kelmo.dll beside the tests";
        ResetSkinWarnings();
        WNDCLASSW wc{};
        wc.lpfnWndProc = ComboParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::CreateSolidBrush(RGB(40, 44, 52));
        wc.lpszClassName = L"TarvelComboParent";
        ::RegisterClassW(&wc);
        g_commands.clear();
    }
    void TearDown() override {
        CloseMenus();
        if (m_parent)
            ::DestroyWindow(m_parent);
    }

    // A parent at (x, y) of the screen with the combo button at (20, 20) in it.
    void Make(int x, int y, int items) {
        m_parent =
            ::CreateWindowExW(0, L"TarvelComboParent", L"combo", WS_POPUP | WS_VISIBLE, x, y, 200,
                              60, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_parent);
        ::SetForegroundWindow(m_parent);
        ComboBtnArgs args;
        args.parent = m_parent;
        args.id = kComboId;
        args.left = 20;
        args.top = 20;
        ASSERT_EQ(m_combo.Create(args), 1);
        const wchar_t* names[] = {L"Breathing", L"Static", L"Off"};
        for (int i = 0; i < items; ++i)
            m_combo.AddItem(0, uint32_t(10 * (i + 1)), names[i % 3] + std::to_wstring(i));
        m_combo.AddItem(1, 99, L"Other list");
        m_combo.Select(0);
        guitest::Pump(50);
    }

    // Clicks the button and waits for its menu.
    HWND ClickOpen() {
        driver::ClickCentre(m_combo.Hwnd());
        return driver::WaitNewMenu();
    }

    HWND m_parent = nullptr;
    CComboBtn m_combo;
};

TEST_F(ComboBtnWindow, ItemPickedInTheMenuIsShownAndToldOnce) {
    Make(100, 100, 3);
    ASSERT_EQ(m_combo.GetText(), L"Breathing0");
    const HWND menu = ClickOpen();
    ASSERT_TRUE(menu);
    // Pressing the button alone told the parent nothing.
    EXPECT_TRUE(g_commands.empty());
    const RECT button = ScreenRect(m_combo.Hwnd());
    const RECT rc = ScreenRect(menu);
    EXPECT_EQ(rc.left, button.left + 2);
    EXPECT_EQ(rc.top, button.bottom);
    // As wide as the button, or as the longest item needs ("Breathing0" in
    // the button's own font).
    int widest = 0;
    {
        const fw::Font font = MakeFont(14, FW_NORMAL);
        HDC dc = ::GetDC(nullptr);
        const fw::SelectScope select(dc, font.Get());
        for (const wchar_t* text : {L"Breathing0", L"Static1", L"Off2"}) {
            SIZE size{};
            ::GetTextExtentPoint32W(dc, text, int(std::wcslen(text)), &size);
            widest = std::max(widest, int(size.cx));
        }
        ::ReleaseDC(nullptr, dc);
    }
    EXPECT_EQ(rc.right - rc.left, ComboMenuWidth(0, button.right - button.left, widest));
    EXPECT_GT(rc.right - rc.left, button.right - button.left - 4);
    EXPECT_EQ(rc.bottom - rc.top, 3 * CComboBtn::kItemHeight + 2);
    driver::MoveTo(MenuEntryPoint(menu, 1));
    guitest::SaveShot(menu, L"combo_menu");

    ClickAt(MenuEntryPoint(menu, 1));
    ASSERT_TRUE(WaitUntil([] { return !g_commands.empty(); }));
    guitest::Pump(100);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].wParam, MAKEWPARAM(kComboId, BN_CLICKED));
    EXPECT_EQ(HWND(g_commands[0].lParam), m_combo.Hwnd());
    EXPECT_EQ(m_combo.UserValue(), 20u);
    EXPECT_EQ(m_combo.GetSelected(), 1);
    EXPECT_EQ(m_combo.GetText(), L"Static1");
    EXPECT_FALSE(::IsWindow(menu));
    guitest::SaveShot(m_parent, L"combo_chosen");
}

TEST_F(ComboBtnWindow, RefusedChangeKeepsTheChoiceAndTellsNothing) {
    Make(100, 100, 3);
    int asked = 0;
    m_combo.SetChangeCheck([&] {
        ++asked;
        return false;
    });
    const HWND menu = ClickOpen();
    ASSERT_TRUE(menu);
    ClickAt(MenuEntryPoint(menu, 2));
    // The check was asked: the pick reached the button.
    ASSERT_TRUE(WaitUntil([&] { return asked == 1; }));
    guitest::Pump(100);
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(m_combo.GetText(), L"Breathing0");
    EXPECT_EQ(m_combo.UserValue(), 10u);
    EXPECT_EQ(m_combo.GetSelected(), 0);
}

TEST_F(ComboBtnWindow, LongListOpensAboveAtTheBottomOfTheScreenWithTwentyItems) {
    const int bottom = ::GetSystemMetrics(SM_CYFULLSCREEN);
    Make(100, bottom - 80, 25);
    const HWND menu = ClickOpen();
    ASSERT_TRUE(menu);
    const RECT button = ScreenRect(m_combo.Hwnd());
    const RECT rc = ScreenRect(menu);
    EXPECT_EQ(rc.bottom - rc.top, 20 * CComboBtn::kItemHeight + 2);
    EXPECT_EQ(rc.bottom, button.top);
    guitest::SaveShot(menu, L"combo_menu_above");
    // The last item offered is the twentieth.
    ClickAt(MenuEntryPoint(menu, 19));
    ASSERT_TRUE(WaitUntil([] { return !g_commands.empty(); }));
    EXPECT_EQ(m_combo.UserValue(), 200u);
}

} // namespace
