// Kelmo.dll's pop-up menus, driven with the real pointer.

#include "WinDriver.h"

#include <algorithm>

namespace driver {

std::vector<HWND> OpenMenus() {
    std::vector<HWND> menus;
    for (HWND menu = nullptr; (menu = ::FindWindowExW(nullptr, menu, kMenuClass, nullptr));)
        if (::IsWindowVisible(menu))
            menus.push_back(menu);
    return menus;
}

HWND WaitNewMenu(const std::vector<HWND>& before, int ms) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND menu : OpenMenus())
                if (std::find(before.begin(), before.end(), menu) == before.end()) {
                    found = menu;
                    return true;
                }
            return false;
        },
        ms);
    return found;
}

POINT MenuEntryPoint(HWND menu, int index, int entryHeight) {
    // Entries start below the menu's one-pixel outline.
    const RECT rc = ScreenRect(menu);
    return {rc.left + 40, rc.top + 1 + index * entryHeight + entryHeight / 2};
}

bool PickMenuEntry(HWND menu, int index, int entryHeight) {
    const POINT entry = MenuEntryPoint(menu, index, entryHeight);
    MoveTo(entry);
    ClickAt(entry);
    return WaitUntil([] { return OpenMenus().empty(); });
}

HWND EnterSubMenu(HWND menu, int index, int entryHeight) {
    const std::vector<HWND> before = OpenMenus();
    MoveTo(MenuEntryPoint(menu, index, entryHeight));
    return WaitNewMenu(before);
}

bool PickFromMenu(HWND opener, int index, int entryHeight) {
    if (!opener)
        return false;
    const std::vector<HWND> before = OpenMenus();
    ClickCentre(opener);
    HWND menu = WaitNewMenu(before);
    return menu && PickMenuEntry(menu, index, entryHeight);
}

} // namespace driver
