#include "floor_window.h"

namespace floor_window {
namespace {

PaintFn g_paint = nullptr;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        g_paint(dc, rc);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;    // WM_PAINT covers the whole window
    case WM_COMMAND: // the benchmark's "exit", as it ends the program
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

int Run(HINSTANCE instance, const wchar_t* title, PaintFn paint) {
    g_paint = paint;
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"TarvelStartupFloor";
    if (!::RegisterClassW(&wc))
        return 1;
    const int x = (::GetSystemMetrics(SM_CXFULLSCREEN) - kWidth) / 2,
              y = (::GetSystemMetrics(SM_CYFULLSCREEN) - kHeight) / 2;
    HWND hwnd =
        ::CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP, x < 0 ? 10 : x, y < 0 ? 10 : y,
                          kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

} // namespace floor_window
