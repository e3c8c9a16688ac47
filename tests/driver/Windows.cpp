// Windows and controls found the way the user sees them: visible, by control
// id, title or class.

#include "WinDriver.h"

#include <cwchar>

namespace driver {
namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindVisibleControl(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<ControlSearch*>(lParam);
    if (::GetDlgCtrlID(hwnd) == s->id && ::IsWindowVisible(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct TopSearch {
    const WindowQuery* query;
    HWND found;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<TopSearch*>(lParam);
    const WindowQuery& q = *s->query;
    if (hwnd == q.exclude || !::IsWindowVisible(hwnd))
        return TRUE;
    if (q.pid) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid != q.pid)
            return TRUE;
    }
    wchar_t title[256] = {}, cls[256] = {};
    ::GetWindowTextW(hwnd, title, 256);
    ::GetClassNameW(hwnd, cls, 256);
    const bool any = !q.title && !q.cls;
    if (any || (q.title && std::wcscmp(title, q.title) == 0) ||
        (q.cls && std::wcscmp(cls, q.cls) == 0)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

POINT ScreenPoint(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    return pt;
}

RECT ScreenRect(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

POINT CentreOf(HWND hwnd) {
    const RECT rc = ScreenRect(hwnd);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

HWND FindControl(HWND root, int id) {
    if (!root)
        return nullptr;
    ControlSearch s{id, nullptr};
    ::EnumChildWindows(root, FindVisibleControl, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitControl(HWND root, int id, int ms) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindControl(root, id)) != nullptr; }, ms);
    return found;
}

bool ClickControl(HWND root, int id) {
    HWND control = FindControl(root, id);
    if (!control)
        return false;
    ClickCentre(control);
    return true;
}

std::wstring TextOf(HWND hwnd) {
    if (!hwnd)
        return {};
    std::wstring text(size_t(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(hwnd, text.data(), int(text.size()))));
    return text;
}

HWND FindTopWindow(const WindowQuery& query) {
    TopSearch s{&query, nullptr};
    ::EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitTopWindow(const WindowQuery& query, int ms) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, ms);
    return found;
}

} // namespace driver
