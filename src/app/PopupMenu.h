#pragma once
// The program's side of the skinned popup menus: Kelmo.dll, loaded at start.
// Without it (missing or incomplete) the program runs on; menus then do not open.

bool LoadMenuLibrary();
void FreeMenuLibrary();
bool MenuLibraryLoaded();
// Closes every open menu (DestroyKelmo).
void CloseMenus();
