#pragma once
// The open menu: its windows, its images and font, and the input it takes.
// Kelmo.cpp forwards the library's entry points here.

#include "Kelmo.h"

namespace kelmo {

struct MenuRequest {
    HWND hOwner = nullptr;
    int nItemHeight = 0;
    int nWidth = 0;
    POINT ptAnchor{};
    COLORREF clrText[3]{}; // normal, hover, pressed
    const wchar_t* const* ppszImages = nullptr;
    LPARAM lTag = 0;
    const KelmoStyle* pStyle = nullptr;
    const KelmoEntry* pEntries = nullptr;
    int nCount = 0;
    const LOGFONTW* pFont = nullptr;
    int nAlign = KELMO_ALIGN_LEFT;
    bool bHostRunsGdiPlus = false;
};

void SetModule(HINSTANCE hInstance);
// Closes any open menu and opens this one; returns its window or null.
HWND OpenMenu(const MenuRequest& request);
void CloseMenu();
bool PreTranslateMenuMessage(MSG* pMsg);

} // namespace kelmo
