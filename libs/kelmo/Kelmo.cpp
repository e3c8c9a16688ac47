// The entry points of Kelmo.dll. They only collect their arguments; the menu
// itself is MenuSession.cpp.

#include "Kelmo.h"

#include "MenuSession.h"

namespace {

int g_nAlign = KELMO_ALIGN_LEFT;
bool g_bHostRunsGdiPlus = false;

} // namespace

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        kelmo::SetModule(hInstance);
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

KELMO_API HWND WINAPI CreateKelmo(HWND hOwner, int nItemHeight, int nWidth, POINT ptAnchor,
                                  COLORREF clrNormal, COLORREF clrHover, COLORREF clrPressed,
                                  const wchar_t* const* ppszImages, LPARAM lTag,
                                  const KelmoStyle* pStyle, const KelmoEntry* pEntries, int nCount,
                                  const LOGFONTW* pFont) {
    kelmo::MenuRequest request;
    request.hOwner = hOwner;
    request.nItemHeight = nItemHeight;
    request.nWidth = nWidth;
    request.ptAnchor = ptAnchor;
    request.clrText[0] = clrNormal;
    request.clrText[1] = clrHover;
    request.clrText[2] = clrPressed;
    request.ppszImages = ppszImages;
    request.lTag = lTag;
    request.pStyle = pStyle;
    request.pEntries = pEntries;
    request.nCount = nCount;
    request.pFont = pFont;
    request.nAlign = g_nAlign;
    request.bHostRunsGdiPlus = g_bHostRunsGdiPlus;
    return kelmo::OpenMenu(request);
}

KELMO_API void WINAPI DestroyKelmo() {
    kelmo::CloseMenu();
}

KELMO_API void WINAPI SetMenuAlign(int nAlign) {
    if (nAlign == KELMO_ALIGN_LEFT || nAlign == KELMO_ALIGN_CENTER || nAlign == KELMO_ALIGN_RIGHT)
        g_nAlign = nAlign;
}

KELMO_API BOOL WINAPI DllPreTranslateMessage(MSG* pMsg) {
    return kelmo::PreTranslateMenuMessage(pMsg) ? TRUE : FALSE;
}

KELMO_API void WINAPI SetGdiInit(BOOL bHostRunsGdiPlus) {
    g_bHostRunsGdiPlus = bHostRunsGdiPlus != FALSE;
}
