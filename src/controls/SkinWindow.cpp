#include "controls/SkinWindow.h"

fw::Font MakeFont(int height, int weight, const wchar_t* face, bool underline) {
    return fw::Font(::CreateFontW(height, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, FF_SWISS, face));
}

void PlaceOverOwner(HWND hwnd, int width, int height) {
    RECT area{};
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (!owner || !::IsWindowVisible(owner) || ::IsIconic(owner) || !::GetWindowRect(owner, &area))
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void DrawImage(HDC dc, Gdiplus::Bitmap* image, int x, int y, int width, int height) {
    if (!image || image->GetWidth() == 0)
        return;
    if (width <= 0)
        width = int(image->GetWidth());
    if (height <= 0)
        height = int(image->GetHeight());
    Gdiplus::Graphics g(dc);
    // Whole pixels from the file: no smoothing at the edges of a same-size copy.
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.DrawImage(image, Gdiplus::Rect(x, y, width, height), 0, 0, int(image->GetWidth()),
                int(image->GetHeight()), Gdiplus::UnitPixel);
}

void DrawTextIn(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF colour,
                UINT format) {
    if (text.empty())
        return;
    fw::SelectScope select(dc, font ? HGDIOBJ(font) : ::GetStockObject(DEFAULT_GUI_FONT));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), int(text.size()), &rect, format | DT_NOPREFIX);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}
