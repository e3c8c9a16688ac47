#pragma once
// Owners for the Win32 handles a menu holds: GDI objects, memory DCs, windows,
// the message hook. Nothing in the library releases a handle by hand.

#include <windows.h>

#include <utility>

namespace kelmo {

template <typename H, auto Close> class Unique {
public:
    Unique() = default;
    explicit Unique(H h) : m_h(h) {}
    ~Unique() { Reset(); }
    Unique(Unique&& o) noexcept : m_h(std::exchange(o.m_h, H{})) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) {
            Reset();
            m_h = std::exchange(o.m_h, H{});
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H Get() const { return m_h; }
    explicit operator bool() const { return m_h != H{}; }
    H Release() { return std::exchange(m_h, H{}); }
    void Reset(H h = H{}) {
        if (m_h != H{})
            Close(m_h);
        m_h = h;
    }

private:
    H m_h{};
};

inline void CloseGdi(HGDIOBJ h) {
    ::DeleteObject(h);
}
inline void CloseDc(HDC h) {
    ::DeleteDC(h);
}
inline void DestroyIfWindow(HWND h) {
    if (::IsWindow(h))
        ::DestroyWindow(h);
}
inline void CloseHook(HHOOK h) {
    ::UnhookWindowsHookEx(h);
}

using Bitmap = Unique<HBITMAP, CloseGdi>;
using Font = Unique<HFONT, CloseGdi>;
using Brush = Unique<HBRUSH, CloseGdi>;
using Pen = Unique<HPEN, CloseGdi>;
using MemoryDc = Unique<HDC, CloseDc>;
using Window = Unique<HWND, DestroyIfWindow>;
using Hook = Unique<HHOOK, CloseHook>;

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

} // namespace kelmo
