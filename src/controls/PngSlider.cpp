#include "controls/PngSlider.h"

#include "platform/MessageBox.h"
#include "settings/Log.h"

// ------------------------------------------------------------- CPngSlider --

void CPngSlider::SetPos(uint32_t value, bool notify) {
    if (!m_pos.SetValue(value))
        return;
    Placed();
    if (notify && m_pBar && m_pBar->Hwnd())
        ::PostMessageW(m_pBar->Hwnd(), WM_SLIDER_SET, m_pos.Value(), LPARAM(m_pBar->Id()));
}

void CPngSlider::SetPosition(int position) {
    m_pos.SetPosition(position);
    Placed();
}

// The thumb's centre sits on its place and the fill reaches up to it.
void CPngSlider::Placed() {
    SnapToPlace();
    if (m_pBar)
        m_pBar->SetFillEnd(Place() + 1);
}

bool CPngSlider::AskToMove() {
    if (!m_pBar || m_pBar->IsReadOnly())
        return false;
    if (!m_pBar->MayMove(WPARAM(m_pos.Position())))
        return false;
    m_dwLastReported = m_pos.Value();
    return true;
}

void CPngSlider::OnMoving(int centre) {
    m_pBar->SetFillEnd(centre + 1);
    if (!m_bReportMoving)
        return;
    const uint32_t value = m_pos.ValueAt(m_pos.PositionUnder(centre, m_pBar->BarWidth()));
    if (value != m_dwLastReported) {
        m_dwLastReported = value;
        ::PostMessageW(m_pBar->Hwnd(), WM_SLIDER_MOVING, value, LPARAM(m_pBar->Id()));
    }
}

void CPngSlider::OnReleased(int centre) {
    const uint32_t before = m_pos.Value();
    SetPosition(m_pos.PositionUnder(centre, m_pBar->BarWidth()));
    if (m_pos.Value() != before)
        ::PostMessageW(m_pBar->Hwnd(), WM_SLIDER_SET, m_pos.Value(), LPARAM(m_pBar->Id()));
}

void CPngSlider::OnDragLost() {
    Placed();
}

// ---------------------------------------------------------- CPngSliderBar --

bool CPngSliderBar::Create(HWND parent, const RECT& rect, UINT id, Gdiplus::Bitmap* thumbImage,
                           POINT thumbOffset) {
    if (!CreateBar(parent, rect, id))
        return false;
    m_thumb.m_pBar = this;
    m_thumb.SetImage(thumbImage);
    m_thumb.SetOffset(thumbOffset);
    if (!m_thumb.CreateThumb(*this, m_thumb.HasImage())) {
        settings::WriteLog("CPngSliderBar: thumb of slider %u not created", id);
        platform::ShowMessageBox(u"Create slider failed", u"Warrning");
        ::DestroyWindow(m_hwnd);
        return false;
    }
    m_thumb.Placed();
    return true;
}

void CPngSliderBar::SetRange(int minimum, int maximum) {
    m_thumb.m_pos.SetRange(minimum, maximum);
    m_thumb.Placed();
}

void CPngSliderBar::SetValues(const uint32_t* values, int count) {
    m_thumb.m_pos.SetValues(values, count);
}

bool CPngSliderBar::SetScalePos(const int* places, int count) {
    const bool matches = m_thumb.SetScale(places, count);
    m_thumb.Placed();
    Redraw();
    return matches;
}

void CPngSliderBar::SetPos(uint32_t value) {
    m_thumb.SetPos(value, NotifiesOnSet());
    // A display bar (no thumb) at its top value is full, not filled up to
    // the middle of its last step.
    if (!m_thumb.HasImage() && m_thumb.m_pos.Value() == value && m_thumb.m_pos.IsTopValue(value))
        SetFillEnd(BarWidth());
}

bool CPngSliderBar::MayMove(WPARAM wParam) {
    if (!AsksBeforeMoving())
        return true;
    HWND parent = m_hwnd ? ::GetParent(m_hwnd) : nullptr;
    return parent && ::SendMessageW(parent, WM_SLIDER_ASK, wParam, LPARAM(Id())) == 1;
}

void CPngSliderBar::OnBarClick(int x, int) {
    if (IsReadOnly())
        return;
    SliderPositions& pos = m_thumb.m_pos;
    const int position = pos.PositionUnder(x, BarWidth());
    const uint32_t value = pos.ValueAt(position);
    if (!MayMove(WPARAM(value)))
        return;
    const uint32_t before = pos.Value();
    m_thumb.SetPosition(position);
    if (value != before)
        ::PostMessageW(::GetParent(m_hwnd), WM_SLIDER_SET, value, LPARAM(Id()));
}

LRESULT CPngSliderBar::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SLIDER_SET:
    case WM_SLIDER_MOVING:
        // From the thumb: the page hears it with the bar's id.
        ::PostMessageW(::GetParent(m_hwnd), msg, wParam, LPARAM(Id()));
        return 0;
    default:
        return CSliderBarBase::OnMessage(msg, wParam, lParam);
    }
}
