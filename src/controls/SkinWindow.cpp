#include "controls/SkinWindow.h"

#include <algorithm>

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

COLORREF MixColour(COLORREF from, COLORREF to, double amount) {
    auto mix = [&](int a, int b) { return int(a + (b - a) * std::clamp(amount, 0.0, 1.0) + 0.5); };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

void DrawNineSlice(Gdiplus::Graphics& g, Gdiplus::Bitmap* image, const RECT& to, int corner) {
    if (!image || image->GetWidth() == 0 || to.right <= to.left || to.bottom <= to.top)
        return;
    const int iw = int(image->GetWidth()), ih = int(image->GetHeight());
    const int w = to.right - to.left, h = to.bottom - to.top;
    // Corners no larger than half of either side.
    const int c = std::max(0, std::min({corner, iw / 2, ih / 2, w / 2, h / 2}));
    const int srcX[4] = {0, c, iw - c, iw}, srcY[4] = {0, c, ih - c, ih};
    const int dstX[4] = {int(to.left), int(to.left) + c, int(to.right) - c, int(to.right)};
    const int dstY[4] = {int(to.top), int(to.top) + c, int(to.bottom) - c, int(to.bottom)};
    Gdiplus::ImageAttributes attrs;
    // Stretched parts repeat their edge pixels instead of fading at the seams.
    attrs.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const int dw = dstX[col + 1] - dstX[col], dh = dstY[row + 1] - dstY[row];
            const int sw = srcX[col + 1] - srcX[col], sh = srcY[row + 1] - srcY[row];
            if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
                continue;
            g.DrawImage(image, Gdiplus::Rect(dstX[col], dstY[row], dw, dh), srcX[col], srcY[row],
                        sw, sh, Gdiplus::UnitPixel, &attrs);
        }
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
