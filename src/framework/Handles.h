#pragma once
// RAII for the Win32 handles the GUI owns: GDI objects, icons, regions, device
// contexts, events. No handler ever calls DeleteObject or CloseHandle by hand.

#include <windows.h>

#include <utility>

namespace fw {

template <typename H, auto Close, H Invalid = H{}> class Unique {
public:
    Unique() = default;
    explicit Unique(H h) : m_h(h) {}
    ~Unique() { Reset(); }
    Unique(Unique&& o) noexcept : m_h(std::exchange(o.m_h, Invalid)) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) {
            Reset();
            m_h = std::exchange(o.m_h, Invalid);
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H Get() const { return m_h; }
    explicit operator bool() const { return m_h != Invalid; }
    H Release() { return std::exchange(m_h, Invalid); }
    void Reset(H h = Invalid) {
        if (m_h != Invalid)
            Close(m_h);
        m_h = h;
    }

private:
    H m_h = Invalid;
};

inline void CloseGdi(HGDIOBJ h) {
    ::DeleteObject(h);
}
inline void CloseIcon(HICON h) {
    ::DestroyIcon(h);
}
inline void CloseKernel(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseDc(HDC h) {
    ::DeleteDC(h);
}
inline void CloseMenu(HMENU h) {
    ::DestroyMenu(h);
}
inline void CloseModule(HMODULE h) {
    ::FreeLibrary(h);
}

template <typename H> using GdiObject = Unique<H, CloseGdi>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Region = GdiObject<HRGN>;
using Icon = Unique<HICON, CloseIcon>;
using KernelHandle = Unique<HANDLE, CloseKernel>;
using MemoryDcHandle = Unique<HDC, CloseDc>;
using Menu = Unique<HMENU, CloseMenu>;
using Module = Unique<HMODULE, CloseModule>;

// Selects an object into a DC for the scope and puts the old one back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
    ~SelectScope() { ::SelectObject(m_dc, m_old); }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// BeginPaint/EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~PaintScope() { ::EndPaint(m_hwnd, &m_ps); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// A 32-bit top-down DIB section of the given size. Its pixels live in pages of
// their own that go back to the system when it is deleted; a compatible bitmap's
// pixels may come from a heap that keeps them after they are freed (Wine's).
inline HBITMAP CreatePaintBitmap(HDC target, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width > 0 ? width : 1;
    info.bmiHeader.biHeight = -(height > 0 ? height : 1);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return ::CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// An off-screen bitmap of a window's client size: draw into Dc(), then
// CopyTo() the window's DC in one step, so nothing flickers.
class BackBuffer {
public:
    BackBuffer(HDC target, int width, int height)
        : m_target(target), m_width(width), m_height(height), m_dc(::CreateCompatibleDC(target)),
          m_bitmap(CreatePaintBitmap(target, width, height)), m_select(m_dc.Get(), m_bitmap.Get()) {
    }
    HDC Dc() const { return m_dc.Get(); }
    void CopyTo(int x = 0, int y = 0) const {
        ::BitBlt(m_target, x, y, m_width, m_height, m_dc.Get(), 0, 0, SRCCOPY);
    }

private:
    HDC m_target;
    int m_width, m_height;
    MemoryDcHandle m_dc;
    Bitmap m_bitmap;
    SelectScope m_select;
};

} // namespace fw
