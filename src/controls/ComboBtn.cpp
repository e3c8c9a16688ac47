#include "controls/ComboBtn.h"

#include "controls/MenuLibrary.h"
#include "controls/SkinFactory.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

using settings::WriteLog;

namespace {
// The caption stays left of the arrow at the right of combo_nr.png: at most
// up to x 104, and never over the arrow, a square of the button's height at
// its right end (a narrower button has less room left of it).
RECT CaptionRect(HWND button) {
    RECT client{};
    ::GetClientRect(button, &client);
    return {1, 0, std::min<LONG>(104, client.right - client.bottom), 17};
}
// A caption is drawn down to this font height before it is cut.
constexpr int kSmallestCaption = 10;
} // namespace

int CComboBtn::Create(const ComboBtnArgs& args) {
    if (Hwnd())
        return 0;
    SetId(args.id);
    if (!NewSkinButton({.factory = kSmallPngButton3,
                        .parent = args.parent,
                        .btn = this,
                        .normal = args.normalImage,
                        .hover = args.hoverImage,
                        .pressed = args.pressedImage,
                        .left = args.left,
                        .top = args.top,
                        .parentBkg = args.parentBkg}))
        return 0;
    SetTextRect(CaptionRect(Hwnd()));
    SetCaptionShrink(kSmallestCaption);
    m_nMenuWidth = args.menuWidth;
    ShowChoice();
    return 1;
}

void CComboBtn::AddItem(int list, uint32_t code, const std::wstring& text) {
    if (!m_list.AddItem(list, code, text))
        WriteLog("CComboBtn::AddItem: no list %d", list);
}

void CComboBtn::RemoveAll(int list) {
    m_list.RemoveAll(list);
    ShowChoice();
}

void CComboBtn::SetCurList(int list) {
    if (!m_list.SetCurList(list)) {
        WriteLog("CComboBtn::SetCurList: no list %d", list);
        return;
    }
    ShowChoice();
}

void CComboBtn::Select(int index) {
    if (m_list.Select(index))
        ShowChoice();
}

int CComboBtn::SelectCode(uint32_t code) {
    if (!m_list.SelectCode(code))
        return 0;
    ShowChoice();
    return 1;
}

void CComboBtn::ShowChoice() {
    SetUserValue(m_list.SelectedCode());
    SetText(m_list.SelectedText());
}

HWND CComboBtn::OpenMenu() {
    const std::vector<ComboItem> items = m_list.MenuItems();
    if (items.empty() || !Hwnd())
        return nullptr;
    std::vector<KelmoEntry> entries(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        AddMenuEntry(KELMO_MAIN_LIST, entries.data(), int(i), items[i].nCode, items[i].strText);
    RECT rc;
    ::GetWindowRect(Hwnd(), &rc);
    const int count = int(items.size());
    const POINT anchor =
        ComboMenuAnchor(rc, count, kItemHeight, ::GetSystemMetrics(SM_CYFULLSCREEN));
    // The menu draws its items in the font of the captions.
    int widest = 0;
    if (HDC dc = ::GetDC(Hwnd())) {
        const fw::SelectScope select(dc, CaptionFont());
        for (const ComboItem& item : items) {
            SIZE size{};
            ::GetTextExtentPoint32W(dc, item.strText.c_str(), int(item.strText.size()), &size);
            widest = std::max(widest, int(size.cx));
        }
        ::ReleaseDC(Hwnd(), dc);
    }
    const auto& opt = settings::g_opt;
    return ShowMenu(entries.data(), Hwnd(), anchor, kItemHeight,
                    ComboMenuWidth(m_nMenuWidth, rc.right - rc.left, widest), opt.Menu_txt_clr_nr,
                    opt.Menu_txt_clr_ov, opt.Menu_txt_clr_dn, m_list.CurList(), count);
}

void CComboBtn::OnMenuChoice(uint32_t code, LPARAM tag) {
    const bool allowed = !m_check || m_check();
    switch (ApplyComboChoice(m_list, code, int(tag), allowed)) {
    case ComboChoice::Taken:
        break;
    case ComboChoice::Refused:
        return;
    case ComboChoice::ListChanged:
        WriteLog("CComboBtn: choice 0x%x for list %d ignored, list %d is shown", code, int(tag),
                 m_list.CurList());
        return;
    case ComboChoice::UnknownCode:
        WriteLog("CComboBtn: choice 0x%x is not in list %d", code, m_list.CurList());
        return;
    }
    ShowChoice();
    HWND hwnd = Hwnd();
    ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(Id(), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
}

// Sees each message before the image button, so it can keep the push
// button's behaviour away.
LRESULT CComboBtn::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    // The button never takes the pushed state nor sends BN_CLICKED on its
    // own: a press only captures the mouse, and the release of that press
    // over the button opens the menu.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_press.OnPress(m_hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the background is drawn with the button
    case WM_LBUTTONUP:
        if (m_press.OnRelease(m_hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            OpenMenu();
        return 0;
    case WM_CAPTURECHANGED:
        m_press.OnCaptureLost();
        break;
    case WM_MENU_CHOICE:
        OnMenuChoice(uint32_t(wParam), lParam);
        return 0;
    default:
        break;
    }
    return CPngBtn::OnMessage(msg, wParam, lParam);
}
