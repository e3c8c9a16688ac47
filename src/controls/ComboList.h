#pragma once
// What a combo button knows without its window: four alternative item lists,
// which one it offers, which item is chosen, and where its menu opens. The
// button (controls/ComboBtn.h) is the thin window over this.

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A combo button's menu offers at most this many items of its list.
constexpr int kComboMaxItems = 20;
constexpr int kComboListCount = 4;
// The user value of a combo button with no chosen item.
constexpr uint32_t kComboNoCode = 0xFFFFFFFF;

struct ComboItem {
    uint32_t nCode = 0;
    std::wstring strText;
};

class CComboList {
public:
    // Appends to list `list` (0..3); false for a list out of range.
    bool AddItem(int list, uint32_t code, const std::wstring& text);
    // Empties one list; the choice is cleared when that list is offered.
    void RemoveAll(int list);
    const std::vector<ComboItem>& Items(int list) const;

    // Which list is offered; out-of-range values are refused. The choice is
    // cleared (an index into one list means nothing in another); the owner
    // selects again in the new list.
    bool SetCurList(int list);
    int CurList() const { return m_nCurList; }

    // Chooses item `index` of the current list; a negative index clears the
    // choice, an index past the end changes nothing. True when it changed
    // the choice or cleared it.
    bool Select(int index);
    // Chooses the first item of the current list with `code` among the first
    // kComboMaxItems; false (choice unchanged) when there is none.
    bool SelectCode(uint32_t code);

    int SelectedIndex() const { return m_nSelected; }
    // The chosen item's code and text; kComboNoCode and empty without one.
    uint32_t SelectedCode() const;
    std::wstring SelectedText() const;

    // The items a menu offers: the first kComboMaxItems of the current list.
    std::vector<ComboItem> MenuItems() const;

private:
    std::array<std::vector<ComboItem>, kComboListCount> m_lists;
    int m_nCurList = 0;
    int m_nSelected = -1;
};

// What a menu choice does. `tag` is the list the menu was opened for;
// `allowed` is the owner's change check (true when there is none). A choice
// made for a list that is no longer offered, one the check refuses, and a code
// the list does not hold change nothing and tell the parent nothing.
enum class ComboChoice { Taken, Refused, ListChanged, UnknownCode };
ComboChoice ApplyComboChoice(CComboList& list, uint32_t code, int tag, bool allowed);

// Where a menu of `count` items, each `itemHeight` high plus the menu's
// one-pixel outline, opens for a button at `button` (screen coordinates):
// its left edge 2 pixels right of the button's, below the button when the
// whole menu fits above `screenBottom`, else ending at the button's top (never
// above the screen's top).
POINT ComboMenuAnchor(const RECT& button, int count, int itemHeight, int screenBottom);
// The menu's width: `menuWidth` when above 0, else the button's width less 4;
// wider when the widest item text (`widestText` pixels) would not fit between
// the menu's text indent and its right edge.
int ComboMenuWidth(int menuWidth, int buttonWidth, int widestText = 0);
// What a menu item needs beside its text: the menu's text indent (12), its
// right edge (16) and a little air.
constexpr int kMenuTextMargins = 32;
