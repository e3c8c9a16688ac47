#pragma once
// CComboBtn: the skinned drop-down list of the pages. An image button that
// shows the chosen item's text and, when clicked, opens a popup menu of its
// items through the menu library. A pick that is allowed shows the item and
// sends the parent WM_COMMAND (the button's id, BN_CLICKED); the parent reads
// UserValue() (the chosen code, kComboNoCode for none) or GetSelected().

#include "controls/ComboList.h"
#include "controls/PngBtn.h"
#include "controls/PressCapture.h"

#include <functional>

// Where and how a combo button is made. The images come from the skins folder;
// the background piece is cut from `parentBkg` at (left, top).
struct ComboBtnArgs {
    HWND parent = nullptr;
    UINT id = 0;
    int left = 0;
    int top = 0;
    Gdiplus::Bitmap* parentBkg = nullptr; // optional
    const wchar_t* normalImage = L"combo_nr.png";
    const wchar_t* hoverImage = L"combo_ov.png";
    const wchar_t* pressedImage = L"combo_ov.png";
    int menuWidth = 0; // 0: the button's width less 4
};

class CComboBtn : public CPngBtn {
public:
    // Height of a menu item.
    static constexpr int kItemHeight = 25;

    CComboBtn() = default;

    // 1 when the button was created; 0 when an image is missing (reported
    // like every skinned button's) or the window could not be made.
    int Create(const ComboBtnArgs& args);

    // Item lists 0..3; the button offers the current one.
    void AddItem(int list, uint32_t code, const std::wstring& text);
    void RemoveAll(int list);
    // Switches the offered list and clears the choice; select again after.
    void SetCurList(int list);
    int CurList() const { return m_list.CurList(); }

    // Chooses item `index` of the current list (negative: no choice; past the
    // end: nothing changes). Tells the parent nothing.
    void Select(int index);
    // Chooses the first of the first 20 items with `code`; 1 found, 0 not.
    int SelectCode(uint32_t code);
    int GetSelected() const { return m_list.SelectedIndex(); }
    const CComboList& List() const { return m_list; }

    void SetMenuWidth(int width) { m_nMenuWidth = width; }
    // Asked before a pick is taken; false refuses it (the pages pass the main
    // window's ready check). None allows every pick.
    using ChangeCheck = std::function<bool()>;
    void SetChangeCheck(ChangeCheck check) { m_check = std::move(check); }

    // Opens the menu as a click does: the menu window, or null when the list
    // is empty or the menu library cannot open one.
    HWND OpenMenu();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnMenuChoice(uint32_t code, LPARAM tag);
    void ShowChoice();

    CComboList m_list;
    int m_nMenuWidth = 0;
    ChangeCheck m_check;
    PressCapture m_press;
};
