#pragma once
// The single slider: a bar window CPngSliderBar holding one thumb window
// CPngSlider. The page hears of it only by the messages of SliderMessages.h,
// with the control id as lParam. Pages get their bars from
// NewSmallPngSliderBar (SliderFactory.h).

#include "controls/SliderMessages.h"
#include "controls/SliderWindow.h"

class CPngSliderBar;

class CPngSlider : public CSliderThumbBase {
public:
    // Moves to the position of `value` (nothing happens when the value
    // table lacks it); with `notify` the bar posts WM_SLIDER_SET.
    void SetPos(uint32_t value, bool notify);
    // Moves to a position (the minimum when outside the range), without a
    // message.
    void SetPosition(int position);
    uint32_t GetValue() const { return m_pos.Value(); }

private:
    friend class CPngSliderBar;
    bool AskToMove() override;
    void OnMoving(int centre) override;
    void OnReleased(int centre) override;
    void OnDragLost() override;
    void Placed();

    CPngSliderBar* m_pBar = nullptr;
    uint32_t m_dwLastReported = 0;
};

class CPngSliderBar : public CSliderBarBase {
public:
    // Creates the bar at `rect` of the parent (child, visible) and its thumb.
    // Without a thumb image the thumb stays hidden (a display bar). A thumb
    // that cannot be made is reported ("Create slider failed", "Warrning")
    // and no bar is left.
    bool Create(HWND parent, const RECT& rect, UINT id, Gdiplus::Bitmap* thumbImage,
                POINT thumbOffset = {0, 0});
    CPngSlider& Thumb() { return m_thumb; }

    void SetRange(int minimum, int maximum);
    void SetValues(const uint32_t* values, int count);
    // Pixel places of the positions on the bar. A count that does not match
    // the range shows "CPngSlider::SetScalePos  dwScale and Range unmatch!"
    // ("Warning"); the places are stored anyway.
    bool SetScalePos(const int* places, int count);
    // Moves the thumb to `value` (posting WM_SLIDER_SET with notify-on-set).
    // A bar without a thumb at its top value is filled whole.
    void SetPos(uint32_t value);
    uint32_t GetValue() const { return m_thumb.GetValue(); }
    int GetPosition() const { return m_thumb.Positions().Position(); }
    // Replaces the fill picture (composed over the background) and redraws.
    void SetBarImage(fw::SharedImage image) { SetFillImage(std::move(image)); }

    // The page's answer to WM_SLIDER_ASK, or yes without asking.
    bool MayMove(WPARAM wParam);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    const std::vector<int>& DotPlaces() const override { return m_thumb.Positions().Scale(); }
    int DotOffsetX() const override { return m_thumb.Offset().x; }
    void OnBarClick(int x, int y) override;
    void OnResized() override { m_thumb.Placed(); }

private:
    CPngSlider m_thumb;
};
