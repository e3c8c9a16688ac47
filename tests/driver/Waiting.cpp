// Waiting on state while this thread's windows keep running.

#include "WinDriver.h"

namespace driver {

void Pump(int ms) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (ms > 0)
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (int(::GetTickCount() - end) < 0);
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    while (!done()) {
        if (int(::GetTickCount() - end) >= 0)
            return done();
        Pump(10);
    }
    return true;
}

bool WaitGone(HWND hwnd, int ms) {
    return WaitUntil([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); }, ms);
}

bool WaitVisible(HWND hwnd, bool visible, int ms) {
    return WaitUntil([&] { return bool(::IsWindowVisible(hwnd)) == visible; }, ms);
}

bool WaitKeyboardFocus(HWND hwnd, int ms) {
    return WaitUntil(
        [&] {
            if (::GetForegroundWindow() != hwnd)
                return false;
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &info))
                return false;
            return info.hwndFocus == hwnd || ::IsChild(hwnd, info.hwndFocus);
        },
        ms);
}

void WaitPainted(HWND hwnd) {
    // With RDW_UPDATENOW the paint messages are sent, also to another
    // thread's windows, so the call returns once they were handled.
    ::RedrawWindow(hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
}

} // namespace driver
