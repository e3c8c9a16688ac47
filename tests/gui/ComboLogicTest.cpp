// The combo button's lists, choice and menu placement, without a window.

#include "controls/ComboList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// List 0 holds `count` items with codes 100, 101, ...
CComboList ListOf(int count) {
    CComboList list;
    for (int i = 0; i < count; ++i)
        list.AddItem(0, uint32_t(100 + i), L"Item " + std::to_wstring(i));
    return list;
}

TEST(ComboList, MenuAndCodeLookUpStopAtTwentyItems) {
    const CComboList list = ListOf(25);
    const auto offered = list.MenuItems();
    ASSERT_EQ(offered.size(), 20u);
    EXPECT_EQ(offered.front().nCode, 100u);
    EXPECT_EQ(offered.back().nCode, 119u);

    CComboList chosen = ListOf(25);
    EXPECT_TRUE(chosen.SelectCode(119));
    EXPECT_EQ(chosen.SelectedIndex(), 19);
    // An item the menu cannot offer cannot be chosen by code either.
    EXPECT_FALSE(chosen.SelectCode(120));
    EXPECT_EQ(chosen.SelectedIndex(), 19);
}

TEST(ComboList, SelectByIndex) {
    struct Case {
        const char* name;
        int index;
        int wantIndex;
        uint32_t wantCode;
        const wchar_t* wantText;
    };
    const Case cases[] = {
        {"an item", 2, 2, 102, L"Item 2"},
        {"negative clears", -1, -1, kComboNoCode, L""},
        {"past the end keeps the choice", 3, 1, 101, L"Item 1"},
    };
    for (const Case& c : cases) {
        CComboList list = ListOf(3);
        ASSERT_TRUE(list.Select(1));
        list.Select(c.index);
        EXPECT_EQ(list.SelectedIndex(), c.wantIndex) << c.name;
        EXPECT_EQ(list.SelectedCode(), c.wantCode) << c.name;
        EXPECT_EQ(list.SelectedText(), c.wantText) << c.name;
    }
}

TEST(ComboList, ListsAreApartAndSwitchingClearsTheChoice) {
    CComboList list = ListOf(3);
    list.AddItem(2, 7, L"Other");
    EXPECT_FALSE(list.AddItem(4, 1, L"no such list"));
    ASSERT_TRUE(list.SelectCode(101));
    ASSERT_TRUE(list.SetCurList(2));
    EXPECT_EQ(list.SelectedCode(), kComboNoCode);
    EXPECT_FALSE(list.SelectCode(101));
    EXPECT_TRUE(list.SelectCode(7));
    EXPECT_FALSE(list.SetCurList(-1));
    EXPECT_EQ(list.CurList(), 2);
}

TEST(ComboList, MenuChoice) {
    struct Case {
        const char* name;
        uint32_t code;
        int tag;
        bool allowed;
        ComboChoice want;
        int wantIndex; // the choice afterwards (it starts at item 0)
    };
    const Case cases[] = {
        {"a code", 102, 0, true, ComboChoice::Taken, 2},
        {"two items of one code: the first", 5, 0, true, ComboChoice::Taken, 3},
        {"refused by the change check", 102, 0, false, ComboChoice::Refused, 0},
        {"made for another list", 102, 1, true, ComboChoice::ListChanged, 0},
        {"a code not in the list", 999, 0, true, ComboChoice::UnknownCode, 0},
    };
    for (const Case& c : cases) {
        CComboList list = ListOf(3);
        list.AddItem(0, 5, L"First five");
        list.AddItem(0, 5, L"Second five");
        list.Select(0);
        EXPECT_EQ(ApplyComboChoice(list, c.code, c.tag, c.allowed), c.want) << c.name;
        EXPECT_EQ(list.SelectedIndex(), c.wantIndex) << c.name;
    }
}

TEST(ComboList, MenuOpensBelowUnlessItRunsOffTheScreen) {
    struct Case {
        const char* name;
        RECT button;
        int count;
        POINT want;
    };
    // 5 items of 25 pixels and the outline: 127 pixels.
    const Case cases[] = {
        {"room below", {100, 200, 210, 220}, 5, {102, 220}},
        {"ends exactly at the bottom", {100, 573, 210, 593}, 5, {102, 593}},
        {"one pixel short below: above", {100, 574, 210, 594}, 5, {102, 574 - 127}},
        {"at the bottom edge: above", {100, 690, 210, 710}, 5, {102, 690 - 127}},
        {"room nowhere: at the top", {100, 100, 210, 120}, 30, {102, 0}},
    };
    for (const Case& c : cases) {
        const POINT at = ComboMenuAnchor(c.button, c.count, 25, 720);
        EXPECT_EQ(at.x, c.want.x) << c.name;
        EXPECT_EQ(at.y, c.want.y) << c.name;
    }
    EXPECT_EQ(ComboMenuWidth(0, 110), 106);
    EXPECT_EQ(ComboMenuWidth(150, 110), 150);
    // An item text too wide for it widens the menu.
    EXPECT_EQ(ComboMenuWidth(0, 87, 50), 83);
    EXPECT_EQ(ComboMenuWidth(0, 87, 60), 92);
    EXPECT_EQ(ComboMenuWidth(130, 87, 120), 152);
}

} // namespace
