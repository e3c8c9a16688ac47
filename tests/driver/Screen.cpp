// What the screen shows, read back for waits on a window's drawing.

#include "WinDriver.h"

#include <algorithm>

namespace driver {

ScreenPixels ReadScreen() {
    ScreenPixels out;
    out.width = ::GetSystemMetrics(SM_CXSCREEN);
    out.height = ::GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), out.width, -out.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, dib);
    if (bits && ::BitBlt(mem, 0, 0, out.width, out.height, screen, 0, 0, SRCCOPY)) {
        const auto* first = static_cast<const uint32_t*>(bits);
        out.pixels.assign(first, first + size_t(out.width) * size_t(out.height));
    }
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
    ::ReleaseDC(nullptr, screen);
    return out;
}

double ShareChanged(const ScreenPixels& before, const ScreenPixels& now, const RECT& area) {
    if (before.pixels.empty() || now.pixels.empty() || before.width != now.width ||
        before.height != now.height)
        return 0;
    const LONG left = std::max<LONG>(area.left, 0), top = std::max<LONG>(area.top, 0);
    const LONG right = std::min<LONG>(area.right, now.width);
    const LONG bottom = std::min<LONG>(area.bottom, now.height);
    if (right <= left || bottom <= top)
        return 0;
    size_t changed = 0;
    for (LONG y = top; y < bottom; ++y)
        for (LONG x = left; x < right; ++x) {
            const size_t at = size_t(y) * size_t(now.width) + size_t(x);
            changed += (before.pixels[at] & 0xFFFFFF) != (now.pixels[at] & 0xFFFFFF);
        }
    return double(changed) / double((right - left) * (bottom - top));
}

bool WaitShownOnScreen(HWND window, const ScreenPixels& before, int ms) {
    if (!WaitVisible(window, true, ms))
        return false;
    WaitPainted(window);
    return WaitUntil(
        [&] {
            RECT area;
            return ::GetWindowRect(window, &area) && ShareChanged(before, ReadScreen(), area) > 0.5;
        },
        ms);
}

} // namespace driver
