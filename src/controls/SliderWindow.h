#pragma once
// What the single and the two-thumb slider share as windows: a bar window
// that draws its track, fill and scale dots from composed pictures, and thumb
// windows that draw the bar under them and follow the mouse while captured.
// The arithmetic lives in SliderPositions (SliderScale.h).

#include "controls/ChildWindow.h"
#include "controls/PressCapture.h"
#include "controls/SliderScale.h"
#include "framework/GdiPlus.h"

#include <optional>
#include <vector>

// The window class of the slider bars and thumbs.
class CSliderWindow : public CChildWindow {
protected:
    bool CreateChild(HWND parent, const RECT& rect, UINT id, bool visible);
};

class CSliderBarBase : public CSliderWindow {
public:
    // The piece of the parent's background under the bar, and the area of
    // the track and fill images the bar shows; the pictures are composed
    // over the background here, never while drawing. A new background
    // composes them again.
    void SetBackground(fw::Image piece);
    void SetTrackSource(const RECT& source) { m_rcSource = source; }
    // Where the track's top edge lies in the bar (clipped so the track
    // stays inside); none: in the middle of the bar.
    void SetTrackTop(std::optional<int> top) { m_trackTop = top; }
    // The track and fill images, read and never drawn on here: the bars of
    // a page share the few files they show.
    void SetTrackImage(fw::SharedImage image);
    void SetFillImage(fw::SharedImage image);
    bool HasTrack() const { return fw::Width(m_imgTrack) > 0; }
    bool HasFill() const { return fw::Width(m_imgFill) > 0; }
    // A dot drawn at every scale place, centred on it, with its top at dotY.
    void SetDotImage(Gdiplus::Bitmap* dot, int dotY);
    // UIDebug: a red frame and a red line at every scale place.
    void SetDebugFrame(bool frame);
    // Moves and sizes the bar within its parent, with the background piece
    // of its new place; the pictures are composed again and the thumbs put
    // back on their places.
    void MoveTo(const RECT& rect, fw::Image background);

    // The fill covers the bar from its left edge up to this pixel. With two
    // fill rows the upper half of the bar fills to `end`, the lower half to
    // the second end.
    void SetFillEnd(int end);
    int FillEnd() const { return m_nFillEnd; }
    void SetFillEnd2(int end);
    int FillEnd2() const { return m_nFillEnd2; }
    void SetTwoFillRows(bool two);

    // A dimmed bar (and its thumbs) is drawn faint over its background: the
    // value it holds is not in use. It still takes the mouse.
    void SetDimmed(bool dimmed);
    bool IsDimmed() const { return m_bDimmed; }

    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetAskBeforeMoving(bool ask) { m_bAsk = ask; }
    bool AsksBeforeMoving() const { return m_bAsk; }
    void SetNotifyOnSet(bool notify) { m_bNotifyOnSet = notify; }
    bool NotifiesOnSet() const { return m_bNotifyOnSet; }

    UINT Id() const { return m_nId; }
    int BarWidth() const { return m_nWidth; }
    int BarHeight() const { return m_nHeight; }

    // Draws the bar into `dc` with its top left corner at (x, y): the bar
    // itself at (0, 0), a thumb the part under it.
    void DrawBar(HDC dc, int x, int y);
    // Repaints the bar and its thumbs.
    void Redraw();

protected:
    bool CreateBar(HWND parent, const RECT& rect, UINT id);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The scale the dots and debug lines mark, and their x offset.
    virtual const std::vector<int>& DotPlaces() const = 0;
    virtual int DotOffsetX() const = 0;
    // A click on the bar itself, outside any thumb (press and release on
    // the bar), released at x, y.
    virtual void OnBarClick(int x, int y) = 0;
    // The bar changed its size: the thumbs go back on their places.
    virtual void OnResized() {}

private:
    fw::Image Compose(Gdiplus::Bitmap* image) const;
    // Marks the composed track and fill out of date; they are composed again
    // when the bar is next drawn (EnsureComposed), so a bar on a page the user
    // never opens holds only its background piece.
    void Recompose();
    void EnsureComposed();
    void DrawFill(HDC dc, int x, int y, int top, int height, int end);
    void OnPaint();

    UINT m_nId = 0;
    int m_nWidth = 0, m_nHeight = 0;
    // The track and fill as given, and composed over the background.
    fw::SharedImage m_imgTrackSrc, m_imgFillSrc;
    fw::Image m_imgBkg, m_imgTrack, m_imgFill, m_imgDot;
    bool m_bComposed = false;    // m_imgTrack and m_imgFill match what they are made of
    RECT m_rcSource{0, 0, 0, 0}; // empty: the whole image
    std::optional<int> m_trackTop;
    int m_nDotY = 0;
    int m_nFillEnd = 0, m_nFillEnd2 = 0;
    bool m_bTwoFillRows = false;
    bool m_bDimmed = false;
    bool m_bReadOnly = false;
    bool m_bAsk = true;
    bool m_bNotifyOnSet = false;
    bool m_bDebugFrame = false;
    PressCapture m_press;
};

class CSliderThumbBase : public CSliderWindow {
public:
    SliderPositions& Positions() { return m_pos; }
    const SliderPositions& Positions() const { return m_pos; }
    // The thumb's picture (copied); the thumb window takes its size.
    void SetImage(Gdiplus::Bitmap* image);
    bool HasImage() const { return fw::Width(m_img) > 0; }
    // x is added to the dot places; the thumb's top edge sits at y.
    void SetOffset(POINT offset);
    POINT Offset() const { return m_ptOffset; }
    void SetDraggable(bool draggable) { m_bDraggable = draggable; }
    void SetReportWhileMoving(bool report) { m_bReportMoving = report; }
    bool IsDragging() const { return m_bDragging; }

    // The pixel of the bar under the thumb's centre now, and the place of
    // its current position.
    int Centre() const;
    int Place() const;
    // Puts the thumb on the place of its current position.
    void SnapToPlace();
    // Gives the positions their places on the bar; a count that is not the
    // number of positions is logged and warned about, and false.
    bool SetScale(const int* places, int count);

protected:
    bool CreateThumb(CSliderBarBase& bar, bool visible);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Top edge of the thumb within the bar.
    virtual int Top() const { return m_ptOffset.y; }
    // Button down: may the drag start?
    virtual bool AskToMove() = 0;
    // The thumb was dragged; its centre is now at `centre`.
    virtual void OnMoving(int centre) = 0;
    // The button went up at the end of a drag.
    virtual void OnReleased(int centre) = 0;
    // The drag ended without a release (capture taken away).
    virtual void OnDragLost() { SnapToPlace(); }

    CSliderBarBase* m_pBarBase = nullptr;
    SliderPositions m_pos;
    bool m_bReportMoving = false;

private:
    void OnPaint();
    int ThumbWidth() const { return HasImage() ? fw::Width(m_img) : 1; }

    fw::Image m_img;
    POINT m_ptOffset{0, 0};
    bool m_bDraggable = true;
    bool m_bDragging = false;
    POINT m_ptDragStart{0, 0};
    int m_nDragLeft = 0;
};
