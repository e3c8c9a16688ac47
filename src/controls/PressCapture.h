#pragma once
// A press and its release on one window, which together make a click. A
// control acts on a release only after its own press, with the mouse captured
// between the two; a release without that press (one left over from a dialog
// that closed above the control, say) does nothing.

#include <windows.h>

class PressCapture {
public:
    // The button went down on `hwnd`: the mouse is captured until it goes up.
    void OnPress(HWND hwnd);
    // The button went up at `pt` (client coordinates of `hwnd`). True when it
    // ends this window's own press over the window: a click.
    bool OnRelease(HWND hwnd, POINT pt);
    // WM_CAPTURECHANGED: the press is lost (another window took the mouse).
    void OnCaptureLost() { m_bPressed = false; }
    bool Pressed() const { return m_bPressed; }

private:
    bool m_bPressed = false;
};
