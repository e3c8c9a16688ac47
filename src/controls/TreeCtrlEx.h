#pragma once
// CTreeCtrlEx: the skinned tree control of the macro page and the macro
// picker. It draws its items itself (icon, text, the selected and the hovered
// row, a slim scroll bar) and tells its owner about clicks by posted
// messages; it takes no keyboard input. As the macro library's tree it
// implements MacroTree: folders (class 2) and macros (class 1, value = id).

#include "controls/ChildWindow.h"
#include "controls/TreeItems.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "store/MacroTree.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Posted to the owner: wParam the control id, lParam the item (0: none).
constexpr UINT WM_TREE_DBLCLK = 1425; // double click on an item
constexpr UINT WM_TREE_RCLICK = 1426; // right button pressed
constexpr UINT WM_TREE_LCLICK = 1428; // left button pressed

struct TreeCtrlArgs {
    HWND parent = nullptr;
    UINT id = 0;
    RECT rect{};
    // A left press on the item already selected tells the owner nothing.
    bool singleSelect = false;
    // Transparent: the owner's background piece under the control (ListTrans).
    Gdiplus::Bitmap* parentBkg = nullptr;
    bool transparent = false;
    COLORREF text = RGB(0, 0, 0);         // LstBox_txt_clr_nr
    COLORREF textSelected = RGB(0, 0, 0); // LstBox_txt_clr_dn
    COLORREF background = RGB(0, 0, 0);   // LstBox_bkg_clr
    COLORREF selected = RGB(0, 0, 0);     // LstBox_item_clr
    COLORREF frame = RGB(100, 100, 100);  // clrMacFrame: the scroll bar
    HFONT font = nullptr;                 // not owned
};

class CTreeCtrlEx : public CChildWindow, public MacroTree {
public:
    using Item = MacroTree::Item;

    bool Create(const TreeCtrlArgs& args);
    UINT Id() const { return m_args.id; }

    // Icons the items refer to by index; the control keeps them.
    int AddIcon(fw::Image icon);
    // The pictures of folders without their own, closed and open.
    void SetFolderIcons(fw::Image closed, fw::Image open);

    // Inserts an item under `parent` (nullptr: top level), directly before
    // `before` or last.
    Item InsertRecord(Item parent, const TreeRecord& record, Item before = nullptr);
    void DeleteAll();
    bool Contains(Item item) const;
    int Count() const { return m_items.Count(); }
    std::vector<Item> Children(Item parent) const;
    Item PrevSibling(Item item) const;

    const TreeRecord* Record(Item item) const;
    void SetRecord(Item item, const TreeRecord& record);
    uint32_t Value(Item item) const;
    int Kind(Item item) const;
    int Class(Item item) const;

    Item Selected() const { return m_selected; }
    // Selects the item (nullptr: none), opening its folders and scrolling it
    // into view; the owner is not told.
    void Select(Item item);
    bool IsExpanded(Item item) const;
    void Expand(Item item, bool expand);

    // The item's row in client coordinates, empty when it is not in view.
    RECT ItemRect(Item item) const;
    // The item under a client point, or nullptr.
    Item ItemAt(POINT pt) const;
    int TopRow() const { return m_top; }

    // MacroTree: the macro library's tree.
    Item InsertItem(Item parent, const std::u16string& text, bool isFolder, uint32_t macroId,
                    const std::u16string& iconPath) override;
    Item FindTopLevelItem(const std::u16string& name) const override;
    Item Parent(Item item) const override;
    Item FirstChild(Item parent) const override;
    Item NextSibling(Item item) const override;
    std::u16string ItemText(Item item) const override;
    void SetItemText(Item item, const std::u16string& text) override;
    bool IsFolder(Item item) const override;
    uint32_t ItemMacroId(Item item) const override;
    void DeleteItem(Item item) override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void Draw(HDC dc, const RECT& client);
    void DrawRow(Gdiplus::Graphics& g, HDC dc, const TreeItems::Row& row, const RECT& rc);
    void OnButtonDown(UINT msg, POINT pt);
    void OnMouseMove(POINT pt);
    void OnWheel(int delta);
    void ScrollTo(int top);
    void Relayout();
    void Redraw();
    void Post(UINT msg, Item item) const;
    int VisibleRows() const;
    RECT TrackRect() const;
    int RowOf(Item item) const;
    static TreeItems::Item Node(Item item) { return static_cast<TreeItems::Item>(item); }

    TreeCtrlArgs m_args;
    TreeGeometry m_geo;
    TreeItems m_items;
    std::vector<TreeItems::Row> m_rows; // as shown, rebuilt when items change
    std::vector<fw::Image> m_icons;
    std::map<std::wstring, int> m_iconByPath; // folder pictures, loaded once each
    fw::Image m_folderClosed, m_folderOpen;
    fw::Image m_bkgPiece; // transparent: the owner's background under the control
    Item m_selected = nullptr;
    Item m_hover = nullptr;
    int m_top = 0;
    bool m_tracking = false; // TrackMouseEvent asked for
    int m_dragOffset = -1;   // scroll thumb grabbed this far below its top
};
