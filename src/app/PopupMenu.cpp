#include "app/PopupMenu.h"

#include "framework/Handles.h"
#include "settings/Log.h"

namespace {
fw::Module g_menuLibrary;
using DestroyKelmoFn = void (*)();
DestroyKelmoFn g_destroyKelmo = nullptr;
} // namespace

bool LoadMenuLibrary() {
    g_menuLibrary.Reset(::LoadLibraryW(L"Kelmo.dll"));
    if (!g_menuLibrary) {
        settings::WriteLog("LoadMenuLibrary: Kelmo.dll err=%d", int(::GetLastError()));
        return false;
    }
    g_destroyKelmo = reinterpret_cast<DestroyKelmoFn>(
        reinterpret_cast<void*>(::GetProcAddress(g_menuLibrary.Get(), "DestroyKelmo")));
    return true;
}

void FreeMenuLibrary() {
    g_destroyKelmo = nullptr;
    g_menuLibrary.Reset();
}

bool MenuLibraryLoaded() {
    return bool(g_menuLibrary);
}

void CloseMenus() {
    if (g_destroyKelmo)
        g_destroyKelmo();
}
