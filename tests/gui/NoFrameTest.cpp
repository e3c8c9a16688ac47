// Which windows have no frame to paint: skin windows and controls answer
// WM_NCPAINT themselves only where the default handling would draw nothing.

#include "framework/NoFrame.h"

#include <gtest/gtest.h>

namespace {

struct FrameCase {
    const char* name;
    DWORD style;
    DWORD exStyle;
    bool minimise;
    bool noFrame;
};

const FrameCase kCases[] = {
    {"bare popup", WS_POPUP, 0, false, true},
    {"bare child", WS_CHILD, 0, false, true},
    {"child with a border", WS_CHILD | WS_BORDER, 0, false, false},
    {"child with a sunken edge", WS_CHILD, WS_EX_CLIENTEDGE, false, false},
    {"child with a scroll bar", WS_CHILD | WS_VSCROLL, 0, false, false},
    {"popup with a caption", WS_POPUP | WS_CAPTION, 0, false, false},
    {"minimised bare popup", WS_POPUP | WS_MINIMIZEBOX, 0, true, false},
};

TEST(NoFrame, OnlyAWindowWhoseClientAreaCoversItHasNoFrame) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarvelTestFrame";
    ::RegisterClassW(&wc);
    HWND parent = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 300, 200, nullptr,
                                    nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(parent);
    for (const FrameCase& c : kCases) {
        SCOPED_TRACE(c.name);
        HWND hwnd = ::CreateWindowExW(c.exStyle, wc.lpszClassName, L"", c.style, 10, 10, 120, 80,
                                      (c.style & WS_CHILD) ? parent : nullptr, nullptr,
                                      wc.hInstance, nullptr);
        ASSERT_TRUE(hwnd);
        if (c.minimise)
            ::ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
        EXPECT_EQ(fw::HasNoFrame(hwnd), c.noFrame);
        ::DestroyWindow(hwnd);
    }
    ::DestroyWindow(parent);
}

} // namespace
