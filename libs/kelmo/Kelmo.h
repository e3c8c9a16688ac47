#pragma once
// Kelmo.dll: the skinned pop-up menu library the program loads at run time.
// This header is shared by the library and the program's loader; the program
// resolves the entry points by name with GetProcAddress.
//
// Opening a menu
//   CreateKelmo(owner, itemHeight, width, anchor, clrNormal, clrHover,
//               clrPressed, images, tag, style, entries, count, font)
//   opens a menu whose top-left corner is at `anchor` (screen coordinates) and
//   returns its window, or null when nothing opened (no owner window, no entry
//   of the main list). The call returns at once; the menu runs in the calling
//   thread's message loop and must be opened, driven and closed on that thread.
//   At most one menu is open per process: opening a menu closes the previous
//   one without a choice.
//
//   When the user picks an entry without a sub-menu, the library posts
//   WM_MENU_CHOICE to `owner` with wParam the entry's code and lParam `tag`, and
//   closes the menu. Escape, a mouse button pressed outside the menu, the
//   application losing activation and DestroyKelmo close it without posting.
//
//   Entries hang under their parent by position (KelmoEntry::nParent); an entry
//   with a parent out of range, or one that is not reachable from the main list,
//   is not shown. Hovering an entry with children opens its sub-menu beside it,
//   to the right, or to the left when there is no room on the right.
//
//   `itemHeight` 0 takes the height of the normal item image (25 for the skins
//   we ship); `width` 0 takes its width. Every level of the menu is `width`
//   wide. The menu adds a one-pixel outline in KelmoStyle::clrFrame around its
//   items. `images` points to KELMO_IMAGE_COUNT paths in KelmoImage order; a
//   null or empty path, or a file that cannot be read, leaves that state drawn
//   in the system's menu colours. Images are stretched only in their middle:
//   the left 8 and right 16 columns (the hover bar and the sub-menu arrow) keep
//   their size, and a shorter item shows the middle rows of its image.
//
//   The font is `font` when given, else the style block's font when it has a
//   face name, else "MS Shell Dlg".
//
// Interface versions
//   A library that exports SetMenuAlign has interface version 25 and takes the
//   `font` argument (KelmoCreateFn); a library without it is version 24 and
//   takes every argument but the last (KelmoCreate24Fn). This library is
//   version 25.
//
// Keyboard
//   While a menu is open the library watches the messages its thread takes from
//   its queue (a WH_GETMESSAGE hook): Up and Down move the highlight within the
//   innermost menu that has one, Right and Enter open the highlighted entry's
//   sub-menu (selecting its first entry), Left closes the innermost sub-menu,
//   Enter on an entry without sub-menu picks it, Escape closes the menu. These
//   keys do not reach the window they were meant for. DllPreTranslateMessage
//   runs the same filter for a host that calls it from its own message loop.

#include <windows.h>

#include <cstdint>

// Posted to the menu's owner when the user picks an entry.
constexpr UINT WM_MENU_CHOICE = 1143; // 0x477; wParam: entry code, lParam: tag

// One menu entry, 88 bytes, built by the program in an array.
constexpr uint32_t KELMO_MAIN_LIST = 255; // nParent of an entry of the main list
constexpr int KELMO_TEXT_CHARS = 40;
struct KelmoEntry {
    uint32_t nParent;                 // KELMO_MAIN_LIST, or the 0-based position of the parent
    uint32_t nCode;                   // posted as wParam of WM_MENU_CHOICE
    wchar_t szText[KELMO_TEXT_CHARS]; // terminated within the 40 characters, or cut there
};
static_assert(sizeof(KelmoEntry) == 88);

// The style block handed with every menu.
constexpr COLORREF KELMO_FRAME_COLOUR = 0x505050;
struct KelmoStyle {
    COLORREF clrFrame; // the menu's outline
    LOGFONTW lfFont;   // used when CreateKelmo gets no font and lfFaceName is not empty
};
static_assert(sizeof(KelmoStyle) == 96);

// The images, in the order of the paths CreateKelmo takes. Entries carry no
// disabled flag, so the disabled images are never drawn.
enum KelmoImage {
    KELMO_IMAGE_ITEM_NORMAL,   // menu_nr.bmp
    KELMO_IMAGE_ITEM_HOVER,    // menu_ov.bmp
    KELMO_IMAGE_ITEM_PRESSED,  // menu_ov.bmp
    KELMO_IMAGE_ITEM_DISABLED, // menu_nr.bmp
    KELMO_IMAGE_SUB_NORMAL,    // menusub_nr.bmp: an entry with a sub-menu
    KELMO_IMAGE_SUB_HOVER,     // menusub_ov.bmp; also while its sub-menu is open
    KELMO_IMAGE_SUB_PRESSED,   // menusub_ov.bmp
    KELMO_IMAGE_SUB_DISABLED,  // menusub_nr.bmp
    KELMO_IMAGE_COUNT
};

// Horizontal alignment of the entry texts, set with SetMenuAlign.
enum KelmoAlign { KELMO_ALIGN_LEFT = 0, KELMO_ALIGN_CENTER = 1, KELMO_ALIGN_RIGHT = 2 };

constexpr int KELMO_VERSION_24 = 24;
constexpr int KELMO_VERSION_25 = 25;

// Window class of every menu window (the main list and each open sub-menu).
constexpr wchar_t KELMO_MENU_CLASS[] = L"TarvelKelmoMenu";

#ifdef KELMO_BUILDING_DLL
#define KELMO_API extern "C" __declspec(dllexport)
#else
#define KELMO_API extern "C" __declspec(dllimport)
#endif

KELMO_API HWND WINAPI CreateKelmo(HWND hOwner, int nItemHeight, int nWidth, POINT ptAnchor,
                                  COLORREF clrNormal, COLORREF clrHover, COLORREF clrPressed,
                                  const wchar_t* const* ppszImages, LPARAM lTag,
                                  const KelmoStyle* pStyle, const KelmoEntry* pEntries, int nCount,
                                  const LOGFONTW* pFont);
// Closes the open menu, if any, without a choice.
KELMO_API void WINAPI DestroyKelmo();
// Sets the text alignment (KelmoAlign) of the menus opened afterwards; other
// values are ignored.
KELMO_API void WINAPI SetMenuAlign(int nAlign);
// Returns TRUE when `pMsg` was a key for the open menu and has been handled:
// the caller must not translate or dispatch it. A mouse button pressed outside
// the menu closes it and returns FALSE, so that the click still reaches its
// window.
KELMO_API BOOL WINAPI DllPreTranslateMessage(MSG* pMsg);
// The host tells whether it runs GDI+ itself. Images that are not BMP files are
// read with GDI+; when the host does not run it, the library starts GDI+ for
// the time it reads them.
KELMO_API void WINAPI SetGdiInit(BOOL bHostRunsGdiPlus);

// Types of the entry points, for GetProcAddress.
using KelmoCreateFn = decltype(&CreateKelmo);
using KelmoCreate24Fn = HWND(WINAPI*)(HWND hOwner, int nItemHeight, int nWidth, POINT ptAnchor,
                                      COLORREF clrNormal, COLORREF clrHover, COLORREF clrPressed,
                                      const wchar_t* const* ppszImages, LPARAM lTag,
                                      const KelmoStyle* pStyle, const KelmoEntry* pEntries,
                                      int nCount);
using KelmoDestroyFn = decltype(&DestroyKelmo);
using KelmoSetMenuAlignFn = decltype(&SetMenuAlign);
using KelmoPreTranslateFn = decltype(&DllPreTranslateMessage);
using KelmoSetGdiInitFn = decltype(&SetGdiInit);
