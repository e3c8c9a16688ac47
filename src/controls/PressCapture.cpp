#include "controls/PressCapture.h"

void PressCapture::OnPress(HWND hwnd) {
    m_bPressed = true;
    ::SetCapture(hwnd);
}

bool PressCapture::OnRelease(HWND hwnd, POINT pt) {
    if (!m_bPressed)
        return false;
    // Cleared first: releasing the capture sends WM_CAPTURECHANGED.
    m_bPressed = false;
    if (::GetCapture() == hwnd)
        ::ReleaseCapture();
    RECT client{};
    ::GetClientRect(hwnd, &client);
    return ::PtInRect(&client, pt) != FALSE;
}
