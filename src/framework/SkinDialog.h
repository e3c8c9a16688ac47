#pragma once
// The base of every window that draws itself from skin images: it paints the
// whole client area in WM_PAINT through one off-screen bitmap (so nothing
// flickers and the background is never erased first), and, when asked, lets
// the user move the window by pressing anywhere on its background.

#include "framework/Dialog.h"

namespace fw {

class SkinDialog : public Dialog {
public:
    using Dialog::Dialog;

    // WM_PAINT, WM_ERASEBKGND, WM_PRINTCLIENT (the client area drawn into the
    // given DC, for children that draw what lies around them) and, with drag
    // by background, WM_LBUTTONDOWN.
    // A derived class handles its own messages first and hands the rest here.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    // Draws the client area `rc` into `dc`, the off-screen bitmap.
    virtual void Paint(HDC dc, const RECT& rc) = 0;
    // Draws the minimised window straight into the window's DC (a top-level
    // window that can be minimised shows its icon there).
    virtual void PaintMinimised(HDC, const RECT&) {}
    // Called when the background is pressed, before the window is moved.
    virtual void OnBackgroundPressed() {}
    void SetDragByBackground(bool drag) { m_bDrag = drag; }

private:
    void OnPaint();

    bool m_bDrag = false;
};

} // namespace fw
