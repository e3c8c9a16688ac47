#include "controls/SliderWindow.h"

#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "platform/MessageBox.h"
#include "settings/Log.h"

#include <windowsx.h>

#include <algorithm>

namespace {

constexpr wchar_t kClassName[] = L"TarvelSlider";
constexpr COLORREF kDebugColour = RGB(255, 0, 0);
// How much of a dimmed bar's track, fill and thumbs shows.
constexpr Gdiplus::REAL kDimmedAlpha = 0.35f;

// Draws the area (srcX, srcY, to's size) of the image at `to` with its
// opacity scaled by `alpha`.
void DrawImageFaded(Gdiplus::Graphics& g, Gdiplus::Bitmap* image, const Gdiplus::Rect& to, int srcX,
                    int srcY, Gdiplus::REAL alpha) {
    Gdiplus::ColorMatrix faint = {
        {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, alpha, 0}, {0, 0, 0, 0, 1}}};
    Gdiplus::ImageAttributes attrs;
    attrs.SetColorMatrix(&faint);
    g.DrawImage(image, to, srcX, srcY, to.Width, to.Height, Gdiplus::UnitPixel,
                alpha < 1.0f ? &attrs : nullptr);
}

} // namespace

// ------------------------------------------------------------ CSliderWindow --

bool CSliderWindow::CreateChild(HWND parent, const RECT& rect, UINT id, bool visible) {
    return CChildWindow::CreateChild(kClassName, 0, parent, rect, id,
                                     WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
                                         (visible ? WS_VISIBLE : 0));
}

// ----------------------------------------------------------- CSliderBarBase --

bool CSliderBarBase::CreateBar(HWND parent, const RECT& rect, UINT id) {
    m_nId = id;
    m_nWidth = rect.right - rect.left;
    m_nHeight = rect.bottom - rect.top;
    return CreateChild(parent, rect, id, true);
}

fw::Image CSliderBarBase::Compose(Gdiplus::Bitmap* image) const {
    if (!image || image->GetWidth() == 0 || m_nWidth <= 0 || m_nHeight <= 0)
        return nullptr;
    const int imgW = int(image->GetWidth()), imgH = int(image->GetHeight());
    const bool whole = m_rcSource.right <= m_rcSource.left || m_rcSource.bottom <= m_rcSource.top;
    const int srcL = whole ? 0 : std::clamp(int(m_rcSource.left), 0, imgW);
    const int srcT = whole ? 0 : std::clamp(int(m_rcSource.top), 0, imgH);
    const int srcR = whole ? imgW : std::clamp(int(m_rcSource.right), srcL, imgW);
    const int srcB = whole ? imgH : std::clamp(int(m_rcSource.bottom), srcT, imgH);
    // A bar narrower (or lower) than the source shows only what fits.
    const int w = std::min(srcR - srcL, m_nWidth);
    const int h = std::min(srcB - srcT, m_nHeight);
    if (w <= 0 || h <= 0)
        return nullptr;
    // A bar taller than its track shows the track at the given top, else in
    // its middle.
    const int top = std::clamp(m_trackTop.value_or((m_nHeight - h) / 2), 0, m_nHeight - h);
    auto result = std::make_unique<Gdiplus::Bitmap>(m_nWidth, m_nHeight, PixelFormat32bppARGB);
    Gdiplus::Graphics g(result.get());
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    if (m_imgBkg && m_imgBkg->GetWidth() > 0)
        g.DrawImage(m_imgBkg.get(), 0, 0, 0, 0, int(m_imgBkg->GetWidth()),
                    int(m_imgBkg->GetHeight()), Gdiplus::UnitPixel);
    // A dimmed bar shows its track faint over the background.
    DrawImageFaded(g, image, Gdiplus::Rect(0, top, w, h), srcL, srcT,
                   m_bDimmed ? kDimmedAlpha : 1.0f);
    return result;
}

void CSliderBarBase::Recompose() {
    m_imgTrack.reset();
    m_imgFill.reset();
    m_bComposed = false;
    Redraw();
}

void CSliderBarBase::EnsureComposed() {
    if (m_bComposed)
        return;
    m_imgTrack = Compose(m_imgTrackSrc.get());
    m_imgFill = Compose(m_imgFillSrc.get());
    m_bComposed = true;
}

void CSliderBarBase::SetBackground(fw::Image piece) {
    m_imgBkg = std::move(piece);
    Recompose();
}

void CSliderBarBase::SetTrackImage(fw::SharedImage image) {
    m_imgTrackSrc = std::move(image);
    Recompose();
}

void CSliderBarBase::SetFillImage(fw::SharedImage image) {
    m_imgFillSrc = std::move(image);
    Recompose();
}

void CSliderBarBase::MoveTo(const RECT& rect, fw::Image background) {
    m_nWidth = rect.right - rect.left;
    m_nHeight = rect.bottom - rect.top;
    if (m_hwnd)
        ::SetWindowPos(m_hwnd, nullptr, rect.left, rect.top, m_nWidth, m_nHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    m_imgBkg = std::move(background);
    Recompose();
    OnResized();
}

void CSliderBarBase::SetDimmed(bool dimmed) {
    if (m_bDimmed == dimmed)
        return;
    m_bDimmed = dimmed;
    Recompose();
}

void CSliderBarBase::SetDotImage(Gdiplus::Bitmap* dot, int dotY) {
    m_imgDot = dot ? CropImage(dot, 0, 0, int(dot->GetWidth()), int(dot->GetHeight())) : nullptr;
    m_nDotY = dotY;
    Redraw();
}

void CSliderBarBase::SetDebugFrame(bool frame) {
    m_bDebugFrame = frame;
    Redraw();
}

void CSliderBarBase::SetFillEnd(int end) {
    if (m_nFillEnd == end)
        return;
    m_nFillEnd = end;
    Redraw();
}

void CSliderBarBase::SetFillEnd2(int end) {
    if (m_nFillEnd2 == end)
        return;
    m_nFillEnd2 = end;
    if (m_bTwoFillRows)
        Redraw();
}

void CSliderBarBase::SetTwoFillRows(bool two) {
    if (m_bTwoFillRows == two)
        return;
    m_bTwoFillRows = two;
    Redraw();
}

void CSliderBarBase::Redraw() {
    if (m_hwnd)
        ::RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CSliderBarBase::DrawFill(HDC dc, int x, int y, int top, int height, int end) {
    const int w = std::min(end, fw::Width(m_imgFill));
    if (w <= 0 || height <= 0)
        return;
    Gdiplus::Graphics g(dc);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.DrawImage(m_imgFill.get(), Gdiplus::Rect(x, y + top, w, height), 0, top, w, height,
                Gdiplus::UnitPixel);
}

void CSliderBarBase::DrawBar(HDC dc, int x, int y) {
    EnsureComposed();
    // The background is part of the composed track; without a track the
    // bare background piece still hides what is behind the bar.
    if (HasTrack())
        DrawImage(dc, m_imgTrack.get(), x, y);
    else
        DrawImage(dc, m_imgBkg.get(), x, y);
    if (HasFill()) {
        // The fill is composed over the background too: only the part up to
        // the thumb is drawn over the track.
        const int h = fw::Height(m_imgFill);
        if (m_bTwoFillRows) {
            DrawFill(dc, x, y, 0, h / 2, m_nFillEnd);
            DrawFill(dc, x, y, h / 2, h - h / 2, m_nFillEnd2);
        } else {
            DrawFill(dc, x, y, 0, h, m_nFillEnd);
        }
    }
    const std::vector<int>& places = DotPlaces();
    if (m_imgDot && !m_bDimmed) {
        for (int place : places)
            DrawImage(dc, m_imgDot.get(), x + place + DotOffsetX() - fw::Width(m_imgDot) / 2,
                      y + m_nDotY);
    }
    if (m_bDebugFrame) {
        fw::Brush red(::CreateSolidBrush(kDebugColour));
        RECT frame{x, y, x + m_nWidth, y + m_nHeight};
        ::FrameRect(dc, &frame, red.Get());
        for (int place : places) {
            RECT line{x + place, y, x + place + 1, y + m_nHeight};
            ::FillRect(dc, &line, red.Get());
        }
    }
}

void CSliderBarBase::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    fw::BackBuffer buffer(paint.Dc(), m_nWidth, m_nHeight);
    DrawBar(buffer.Dc(), 0, 0);
    buffer.CopyTo();
}

LRESULT CSliderBarBase::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        // Everything is drawn in WM_PAINT; 1 says the background is done.
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_press.OnPress(m_hwnd);
        return 0;
    case WM_LBUTTONUP: {
        // A release that does not end the bar's own press (one left over
        // from a dialog that closed above it) moves nothing.
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (m_press.OnRelease(m_hwnd, pt))
            OnBarClick(pt.x, pt.y);
        return 0;
    }
    case WM_CAPTURECHANGED:
        m_press.OnCaptureLost();
        return 0;
    default:
        return CSliderWindow::OnMessage(msg, wParam, lParam);
    }
}

// --------------------------------------------------------- CSliderThumbBase --

bool CSliderThumbBase::CreateThumb(CSliderBarBase& bar, bool visible) {
    m_pBarBase = &bar;
    const int w = ThumbWidth();
    const int h = HasImage() ? fw::Height(m_img) : 1;
    const RECT rect{0, Top(), w, Top() + h};
    return CreateChild(bar.Hwnd(), rect, bar.Id(), visible);
}

void CSliderThumbBase::SetImage(Gdiplus::Bitmap* image) {
    m_img =
        image ? CropImage(image, 0, 0, int(image->GetWidth()), int(image->GetHeight())) : nullptr;
    if (m_hwnd) {
        ::SetWindowPos(m_hwnd, nullptr, 0, 0, ThumbWidth(), HasImage() ? fw::Height(m_img) : 1,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SnapToPlace();
    }
}

void CSliderThumbBase::SetOffset(POINT offset) {
    m_ptOffset = offset;
    SnapToPlace();
}

int CSliderThumbBase::Place() const {
    return m_pos.PlaceOf(m_pos.Position(), m_pBarBase ? m_pBarBase->BarWidth() : 0);
}

int CSliderThumbBase::Centre() const {
    if (!m_hwnd)
        return Place();
    RECT rc;
    ::GetWindowRect(m_hwnd, &rc);
    POINT pt{rc.left, rc.top};
    ::ScreenToClient(::GetParent(m_hwnd), &pt);
    return pt.x + ThumbWidth() / 2;
}

void CSliderThumbBase::SnapToPlace() {
    if (!m_hwnd)
        return;
    ::SetWindowPos(m_hwnd, nullptr, Place() - ThumbWidth() / 2, Top(), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

bool CSliderThumbBase::SetScale(const int* places, int count) {
    const bool matches = m_pos.SetScale(places, count);
    if (!matches) {
        settings::WriteLog("CPngSlider::SetScalePos: %d places for %d positions", count,
                           m_pos.Count());
        platform::ShowMessageBox(u"CPngSlider::SetScalePos  dwScale and Range unmatch!",
                                 u"Warning");
    }
    return matches;
}

void CSliderThumbBase::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
    if (m_pBarBase) {
        // What lies under the thumb is the bar at the thumb's place.
        RECT wr;
        ::GetWindowRect(m_hwnd, &wr);
        POINT pt{wr.left, wr.top};
        ::ScreenToClient(m_pBarBase->Hwnd(), &pt);
        m_pBarBase->DrawBar(buffer.Dc(), -pt.x, -pt.y);
    }
    if (m_img) {
        Gdiplus::Graphics g(buffer.Dc());
        DrawImageFaded(g, m_img.get(), Gdiplus::Rect(0, 0, fw::Width(m_img), fw::Height(m_img)), 0,
                       0, m_pBarBase && m_pBarBase->IsDimmed() ? kDimmedAlpha : 1.0f);
    }
    buffer.CopyTo();
}

LRESULT CSliderThumbBase::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN: {
        if (m_bDragging || !AskToMove() || !m_bDraggable || !m_pBarBase)
            return 0;
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(m_hwnd, &pt);
        m_ptDragStart = pt;
        m_nDragLeft = Centre() - ThumbWidth() / 2;
        m_bDragging = true;
        ::SetCapture(m_hwnd);
        return 0;
    }
    case WM_MOUSEMOVE: {
        if (!m_bDragging)
            return 0;
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(m_hwnd, &pt);
        // The thumb stays inside the bar.
        const int left = std::clamp(m_nDragLeft + int(pt.x - m_ptDragStart.x), 0,
                                    std::max(0, m_pBarBase->BarWidth() - ThumbWidth()));
        ::SetWindowPos(m_hwnd, nullptr, left, Top(), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        OnMoving(left + ThumbWidth() / 2);
        return 0;
    }
    case WM_LBUTTONUP: {
        if (!m_bDragging)
            return 0;
        // Cleared first: releasing the capture sends WM_CAPTURECHANGED.
        m_bDragging = false;
        ::ReleaseCapture();
        OnReleased(Centre());
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (m_bDragging) {
            m_bDragging = false;
            OnDragLost();
        }
        return 0;
    default:
        return CSliderWindow::OnMessage(msg, wParam, lParam);
    }
}
