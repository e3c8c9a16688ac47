#include "framework/NoFrame.h"

namespace fw {

bool HasNoFrame(HWND hwnd) {
    // A minimised top-level window may show its icon outside its client area.
    if (::IsIconic(hwnd))
        return false;
    RECT window, client;
    if (!::GetWindowRect(hwnd, &window) || !::GetClientRect(hwnd, &client))
        return false;
    return window.right - window.left == client.right &&
           window.bottom - window.top == client.bottom;
}

} // namespace fw
