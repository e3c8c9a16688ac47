#pragma once
// The frame the message, fire key and macro picker dialogs share: their size
// and shape from their background image (pure green cut out), centred over
// the owner; the title in the band at the top; the close button near the top
// right corner; OK and Cancel at the bottom right (Cancel rightmost, OK left
// of it).

#include "controls/PngBtn.h"
#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"

#include <string>

namespace popup {

constexpr int kTitleBand = 40;  // height of the title band of msg_nr.png
constexpr int kFooterTop = 144; // where the button footer starts

// Sizes and shapes `dlg` by `bkg` and centres it over its owner.
void ShapeByImage(HWND dlg, Gdiplus::Bitmap& bkg);

// The close button and OK and Cancel, with the ids their objects carry
// (IDCANCEL, IDOK, IDCANCEL). Without Cancel, OK takes its place and Cancel
// is hidden. With `no`, the buttons are Yes (`ok`, id IDYES), No and Cancel,
// from the left.
void MakeButtons(HWND dlg, Gdiplus::Bitmap* bkg, CPngBtn& close, CPngBtn& ok, CPngBtn& cancel,
                 bool withCancel, CPngBtn* no = nullptr);

// What a dialog on this frame builds first.
struct FrameParts {
    fw::Image& bkg;
    fw::Font& textFont; // made only when the application has no font
    CPngBtn& close;
    CPngBtn& ok;
    CPngBtn& cancel;
};

// Loads the background `image`, shapes the dialog by it, gives it `title`
// and makes its text font and its close, OK and Cancel buttons (their missing
// images warned about in the system's box). Without the background the dialog
// cannot be seen: the file is reported in the system's box as `who`'s, the
// dialog ends as cancelled before it is shown, and the answer is false.
bool SetUpFrame(fw::Dialog& dlg, const wchar_t* who, const wchar_t* image,
                const std::wstring& title, const FrameParts& parts);

// The title at the top left of the title band.
void DrawTitle(HDC dc, const std::wstring& title, int width, HFONT font);

} // namespace popup
