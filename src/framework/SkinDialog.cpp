#include "framework/SkinDialog.h"

#include "framework/Handles.h"
#include "framework/NoFrame.h"

namespace fw {

void SkinDialog::OnPaint() {
    PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    if (::IsIconic(m_hwnd)) {
        PaintMinimised(paint.Dc(), rc);
        return;
    }
    BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
    Paint(buffer.Dc(), rc);
    buffer.CopyTo();
}

bool SkinDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // the whole window is painted in WM_PAINT
        return true;
    case WM_NCPAINT:
        // Skin windows have no frame; the default handling would only take
        // and release a device context.
        if (!HasNoFrame(m_hwnd))
            return false;
        result = 0;
        return true;
    case WM_PRINTCLIENT: {
        // A child that shows what lies around it (a colour button's margin)
        // asks for this window's picture under it.
        RECT rc;
        ::GetClientRect(m_hwnd, &rc);
        Paint(reinterpret_cast<HDC>(wParam), rc);
        result = 0;
        return true;
    }
    case WM_LBUTTONDOWN: {
        if (!m_bDrag)
            return false;
        OnBackgroundPressed();
        // Moves the window as a press on its caption would: the system's move
        // starts from the point that was pressed, in screen coordinates.
        const DWORD pos = ::GetMessagePos();
        ::ReleaseCapture();
        ::PostMessageW(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, LPARAM(pos));
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

} // namespace fw
