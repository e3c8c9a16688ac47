#pragma once
// The program's side of the skinned popup menus: Kelmo.dll, loaded once at
// start and never unloaded. Every control and page that opens a menu goes
// through here. The program builds the entry list, opens a menu at
// an anchor, and gets the choice back as WM_MENU_CHOICE (code, tag). Without
// the library (missing or incomplete) the program runs on; menus then do not
// open.

#include "Kelmo.h"

#include <windows.h>

#include <string>

// Loads Kelmo.dll and resolves its entry points. The image paths are built
// only when DllPreTranslateMessage, DestroyKelmo and SetGdiInit are all there.
bool LoadMenuLibrary();
// 25 when the library exports SetMenuAlign, else 24; 0 before it was loaded.
int MenuLibraryVersion();
bool MenuLibraryLoaded();
// The eight image paths (empty while they were not built).
const std::wstring& MenuImagePath(int index);

// Fills entries[position]: parent (KELMO_MAIN_LIST or a position), code and
// text (cut to 39 characters).
void AddMenuEntry(uint32_t parent, KelmoEntry* entries, int position, uint32_t code,
                  const std::wstring& text);

// Opens a menu with its top-left corner at `anchor` (screen coordinates);
// nothing happens when CreateKelmo was not resolved. The menu window, or null.
HWND ShowMenu(const KelmoEntry* entries, HWND owner, POINT anchor, int itemHeight, int width,
              COLORREF clrNormal, COLORREF clrHover, COLORREF clrPressed, LPARAM tag, int count);

// Closes any open menu (DestroyKelmo, when it was resolved).
void CloseMenus();
