#pragma once
// Skin images and the factories through which pages create their skinned
// buttons. Images are the files of the skins folder beside the executable; an
// image is present when its width is not zero.

#include "controls/PngBtn.h"
#include "controls/SkinRegion.h"
#include "framework/GdiPlus.h"

#include <optional>
#include <string>

// The named image of the skins folder (SkinPath); width 0 when it is missing
// or cannot be decoded, never null.
fw::Image LoadSkinImage(const std::wstring& name);
// The same, shared with every other holder of that file (LoadSharedImageFile):
// for images that are only drawn from.
fw::SharedImage LoadSharedSkinImage(const std::wstring& name);

// A copy of the area (left, top, width, height) of the image; null when there
// is no image or the area cannot be copied (empty, or outside the image).
fw::Image CropImage(Gdiplus::Bitmap* image, int left, int top, int width, int height);

// A 32-bit ARGB bitmap of `width` x `height` onto which first the area of the
// background at (bgLeft, bgTop) and then the image's area at (srcLeft, srcTop)
// are drawn, so the image's partly transparent pixels blend with what lies
// under it. A width or height of 0 takes the image's. The background may be
// null (then only the image is drawn). Null when there is no image.
fw::Image ComposeImage(Gdiplus::Bitmap* background, int bgLeft, int bgTop, Gdiplus::Bitmap* image,
                       int srcLeft = 0, int srcTop = 0, int width = 0, int height = 0);

// The factories return 1 when the button was created, 0 otherwise. A missing
// image is reported in a message box without owner (caption "Warrning") naming
// the file, once per image (controls/SkinWarning.h), and nothing is created. The button's window
// gets the control id of the button object (CPngBtn(id) or SetId). Every factory gives the button
// the text colours Btn_txt_clr_nr/ov/dn, the application font when there is one, and the debug
// frame when UIDebug is set; a caption becomes the button's text and, with `tip`, also its tool
// tip.

// The names the missing-image messages give: the pages' and main window's
// small buttons, and the dialogs' buttons.
inline constexpr wchar_t kSmallPngButton[] = L"NewSmallPngButton";
inline constexpr wchar_t kSmallPngButton3[] = L"NewSmallPngButton3";

// What a skinned button is made of. The three images are loaded by name from
// the skins folder (all three must be named: a name left out makes nothing,
// with a log line but no message, as there is no file to report). The
// button's size is that of `size` when given, else the normal image's, and
// each state image is the top-left area of that size. The button sits at
// (left, top). Its background piece is cut from `parentBkg` (when present) at
// `bkgArea` when given, else at `bkgOrigin` with the button's size; without
// either, at the button's own place (the usual case: `parentBkg` is the
// parent's background in the parent's coordinates). A missing image is
// reported naming `factory`.
struct SkinButtonArgs {
    const wchar_t* factory = kSmallPngButton;
    HWND parent = nullptr;
    CPngBtn* btn = nullptr;
    const wchar_t* normal = nullptr;
    const wchar_t* hover = nullptr;
    const wchar_t* pressed = nullptr;
    const RECT* size = nullptr;
    int left = 0, top = 0;
    Gdiplus::Bitmap* parentBkg = nullptr;
    const RECT* bkgArea = nullptr;
    std::optional<POINT> bkgOrigin = std::nullopt;
    bool toggle = false;
    bool tip = false;
    const wchar_t* caption = nullptr;
};
// The one factory of image buttons from files.
int NewSkinButton(const SkinButtonArgs& args);
// A skinned dialog's close button (exit_nr.png, exit_ov.png) at `at` of its
// background.
int NewDialogCloseButton(HWND dialog, CPngBtn& btn, Gdiplus::Bitmap* dialogBkg, POINT at);

// A button at `rect` whose state images are the areas at `rect` of the given
// full-window images (no files, no background piece).
int NewPngButtonFromImages(HWND parent, CPngBtn& btn, const RECT& rect, Gdiplus::Bitmap* normal,
                           Gdiplus::Bitmap* hover, Gdiplus::Bitmap* pressed, bool toggle, bool tip,
                           const wchar_t* caption);

// The missing-image message of a factory: "<factory>. file <name> not exist".
std::wstring MissingSkinMessage(const wchar_t* factory, const wchar_t* name);
