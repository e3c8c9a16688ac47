#include "controls/MenuLibrary.h"

#include "controls/SkinAssets.h"
#include "settings/Log.h"

#include <algorithm>
#include <array>
#include <cwchar>

using settings::WriteLog;

namespace {

struct MenuLibrary {
    HMODULE hModule = nullptr; // never freed: menus may be open until the end
    int nVersion = 0;
    KelmoCreateFn pfnCreate = nullptr;
    KelmoDestroyFn pfnDestroy = nullptr;
    KelmoSetMenuAlignFn pfnSetMenuAlign = nullptr;
    KelmoPreTranslateFn pfnPreTranslate = nullptr;
    KelmoSetGdiInitFn pfnSetGdiInit = nullptr;
    std::array<std::wstring, KELMO_IMAGE_COUNT> images;
};
MenuLibrary g_menu;

template <typename Fn> Fn Resolve(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(g_menu.hModule, name)));
}

// The image files of a menu, in the library's order of states.
constexpr const wchar_t* kMenuImages[KELMO_IMAGE_COUNT] = {
    L"menu_nr.bmp",    L"menu_ov.bmp",    L"menu_ov.bmp",    L"menu_nr.bmp",
    L"menusub_nr.bmp", L"menusub_ov.bmp", L"menusub_ov.bmp", L"menusub_nr.bmp",
};

} // namespace

bool LoadMenuLibrary() {
    if (g_menu.hModule)
        return true;
    g_menu.hModule = ::LoadLibraryW(L"Kelmo.dll");
    if (!g_menu.hModule) {
        WriteLog("LoadMenuLibrary: Kelmo.dll err=%d", int(::GetLastError()));
        return false;
    }
    g_menu.pfnSetMenuAlign = Resolve<KelmoSetMenuAlignFn>("SetMenuAlign");
    g_menu.nVersion = g_menu.pfnSetMenuAlign ? KELMO_VERSION_25 : KELMO_VERSION_24;
    g_menu.pfnPreTranslate = Resolve<KelmoPreTranslateFn>("DllPreTranslateMessage");
    g_menu.pfnCreate = Resolve<KelmoCreateFn>("CreateKelmo");
    g_menu.pfnDestroy = Resolve<KelmoDestroyFn>("DestroyKelmo");
    g_menu.pfnSetGdiInit = Resolve<KelmoSetGdiInitFn>("SetGdiInit");
    if (!g_menu.pfnPreTranslate || !g_menu.pfnDestroy || !g_menu.pfnSetGdiInit) {
        WriteLog("LoadMenuLibrary: Kelmo.dll incomplete");
        return false;
    }
    for (int i = 0; i < KELMO_IMAGE_COUNT; ++i)
        g_menu.images[size_t(i)] = SkinPath(kMenuImages[i]);
    return true;
}

int MenuLibraryVersion() {
    return g_menu.nVersion;
}

bool MenuLibraryLoaded() {
    return g_menu.hModule != nullptr;
}

const std::wstring& MenuImagePath(int index) {
    static const std::wstring none;
    return index >= 0 && index < KELMO_IMAGE_COUNT ? g_menu.images[size_t(index)] : none;
}

void AddMenuEntry(uint32_t parent, KelmoEntry* entries, int position, uint32_t code,
                  const std::wstring& text) {
    KelmoEntry& e = entries[position];
    e = KelmoEntry{};
    e.nParent = parent;
    e.nCode = code;
    const size_t n = std::min(text.size(), size_t(KELMO_TEXT_CHARS - 1));
    std::wmemcpy(e.szText, text.data(), n);
    e.szText[n] = L'\0';
}

HWND ShowMenu(const KelmoEntry* entries, HWND owner, POINT anchor, int itemHeight, int width,
              COLORREF clrNormal, COLORREF clrHover, COLORREF clrPressed, LPARAM tag, int count) {
    if (!g_menu.pfnCreate)
        return nullptr;
    const wchar_t* images[KELMO_IMAGE_COUNT];
    for (int i = 0; i < KELMO_IMAGE_COUNT; ++i)
        images[i] = g_menu.images[size_t(i)].c_str();
    KelmoStyle style{};
    style.clrFrame = KELMO_FRAME_COLOUR;
    const bool hasFont =
        g_fontApp && ::GetObjectW(g_fontApp.Get(), sizeof style.lfFont, &style.lfFont) != 0;
    if (g_menu.nVersion == KELMO_VERSION_25)
        return g_menu.pfnCreate(owner, itemHeight, width, anchor, clrNormal, clrHover, clrPressed,
                                images, tag, &style, entries, count,
                                hasFont ? &style.lfFont : nullptr);
    auto create24 = reinterpret_cast<KelmoCreate24Fn>(reinterpret_cast<void*>(g_menu.pfnCreate));
    return create24(owner, itemHeight, width, anchor, clrNormal, clrHover, clrPressed, images, tag,
                    &style, entries, count);
}

void CloseMenus() {
    if (g_menu.pfnDestroy)
        g_menu.pfnDestroy();
}
