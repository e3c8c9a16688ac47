#include "controls/ChildWindow.h"

#include "framework/NoFrame.h"
#include "settings/Log.h"

#include <set>
#include <string>

CChildWindow::~CChildWindow() {
    if (m_hwnd) {
        HWND hwnd = m_hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        m_hwnd = nullptr;
        ::DestroyWindow(hwnd);
    }
}

bool CChildWindow::CreateChild(const wchar_t* className, UINT classStyle, HWND parent,
                               const RECT& rect, UINT id, DWORD style) {
    if (m_hwnd)
        return false;
    // Windows are made on the window thread only.
    static std::set<std::wstring> registered;
    if (!registered.count(className)) {
        WNDCLASSW wc{};
        wc.style = classStyle;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = className;
        if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            settings::WriteLog("RegisterClass %ls failed, error %lu", className, ::GetLastError());
            return false;
        }
        registered.insert(className);
    }
    HWND hwnd =
        ::CreateWindowExW(0, className, L"", WS_CHILD | style, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, parent,
                          reinterpret_cast<HMENU>(UINT_PTR(id)), ::GetModuleHandleW(nullptr), this);
    if (!hwnd) {
        settings::WriteLog("CreateWindow %ls failed, error %lu", className, ::GetLastError());
        return false;
    }
    return true;
}

LRESULT CChildWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK CChildWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self =
            static_cast<CChildWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CChildWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->m_hwnd != hwnd)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    // The controls draw all of themselves in their client area: a frameless
    // one has no non-client part to paint.
    if (msg == WM_NCPAINT && fw::HasNoFrame(hwnd))
        return 0;
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return self->OnMessage(msg, wParam, lParam);
}
