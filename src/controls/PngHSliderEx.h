#pragma once
// The two-thumb slider: a bar window CPngHSliderBarEx holding two thumb
// windows CPngHSliderEx, thumb 1 in the upper and thumb 2 in the lower part of
// the bar, for a pair of values (X and Y) that move together (linked) or
// each on its own (separate). Its messages carry the thumb number x 65536 +
// the control id as lParam (SliderMessages.h). Pages get their bars from
// NewSmallPngHSliderBarEx (SliderFactory.h).

#include "controls/SliderMessages.h"
#include "controls/SliderWindow.h"

class CPngHSliderBarEx;

class CPngHSliderEx : public CSliderThumbBase {
public:
    int Number() const { return m_nThumb; }
    // Moves to the position of `value` (nothing when the table lacks it);
    // with `notify` the bar posts WM_HSLIDER_SET.
    void SetPos(uint32_t value, bool notify);
    void SetPosition(int position);
    uint32_t GetValue() const { return m_pos.Value(); }

protected:
    int Top() const override;

private:
    friend class CPngHSliderBarEx;
    bool AskToMove() override;
    void OnMoving(int centre) override;
    void OnReleased(int centre) override;
    void OnDragLost() override;
    void Placed();

    CPngHSliderBarEx* m_pBar = nullptr;
    int m_nThumb = 1;
    // What this thumb last reported while dragged; each thumb of each slider
    // keeps its own, so one slider's report never silences another's.
    uint32_t m_dwLastReported = 0;
};

class CPngHSliderBarEx : public CSliderBarBase {
public:
    CPngHSliderBarEx();
    // Creates the bar at `rect` of the parent (child, visible) and both
    // thumbs. A thumb that cannot be made is reported ("Create slider
    // failed", "Warrning") and no bar is left.
    bool Create(HWND parent, const RECT& rect, UINT id, Gdiplus::Bitmap* upperThumb,
                Gdiplus::Bitmap* lowerThumb, POINT thumbOffset = {0, 0});
    // Thumb 1 (upper, X) or 2 (lower, Y).
    CPngHSliderEx& Thumb(int number) { return number == 2 ? m_thumb2 : m_thumb1; }

    // Separate: each thumb moves on its own. Linked (the default): a click
    // moves both, and a released thumb brings the other to its position.
    void SetSeparate(bool separate) { m_bSeparate = separate; }
    bool IsSeparate() const { return m_bSeparate; }
    // One value only: thumb 2 is hidden (it still follows thumb 1). With two
    // values on a bar tall enough for two rows of thumbs, the upper half
    // fills up to thumb 1 and the lower half up to thumb 2.
    void SetSingleThumb(bool single);
    bool IsSingleThumb() const { return m_bSingleThumb; }
    // The window the thumbs report to; the parent until set.
    void SetPage(HWND page) { m_hwndPage = page; }
    HWND Page() const;

    // Range of the bar and both thumbs.
    void SetRange(int minimum, int maximum);
    void SetValues(int thumb, const uint32_t* values, int count);
    // As CPngSliderBar::SetScalePos, for one thumb.
    bool SetScalePos(int thumb, const int* places, int count);
    // Moves a thumb to `value`, posting WM_HSLIDER_SET with notify-on-set.
    void SetPos(int thumb, uint32_t value);
    uint32_t GetValue(int thumb) const;

    // The page's answer to WM_HSLIDER_ASK, or yes without asking.
    bool MayMove(int thumb, WPARAM wParam);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    const std::vector<int>& DotPlaces() const override { return m_thumb1.Positions().Scale(); }
    int DotOffsetX() const override { return m_thumb1.Offset().x; }
    void OnBarClick(int x, int y) override;
    void OnResized() override;

private:
    // A thumb was released at a new position: in linked mode the other one
    // follows to the same position.
    void OnThumbReleased(int thumb);

    CPngHSliderEx m_thumb1, m_thumb2;
    bool m_bSeparate = false;
    bool m_bSingleThumb = false;
    HWND m_hwndPage = nullptr;
};
