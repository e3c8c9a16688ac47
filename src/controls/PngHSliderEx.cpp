#include "controls/PngHSliderEx.h"

#include "platform/MessageBox.h"
#include "settings/Log.h"

#include <algorithm>

// ----------------------------------------------------------- CPngHSliderEx --

void CPngHSliderEx::SetPos(uint32_t value, bool notify) {
    if (!m_pos.SetValue(value))
        return;
    Placed();
    if (notify && m_pBar && m_pBar->Hwnd())
        ::PostMessageW(m_pBar->Hwnd(), WM_HSLIDER_SET, m_pos.Value(),
                       HSliderParam(m_nThumb, m_pBar->Id()));
}

void CPngHSliderEx::SetPosition(int position) {
    m_pos.SetPosition(position);
    Placed();
}

int CPngHSliderEx::Top() const {
    // The lower thumb sits at the bottom of a bar tall enough for both; on a
    // bar of one thumb's height the two share a row.
    if (m_nThumb == 2 && m_pBar) {
        RECT rc{0, 0, 0, 0};
        if (Hwnd())
            ::GetClientRect(Hwnd(), &rc);
        return std::max(int(Offset().y), m_pBar->BarHeight() - int(rc.bottom));
    }
    return Offset().y;
}

void CPngHSliderEx::Placed() {
    SnapToPlace();
    // The fill shows the upper thumb's (X) value; a second fill row the
    // lower thumb's (Y).
    if (m_pBar)
        m_nThumb == 1 ? m_pBar->SetFillEnd(Place() + 1) : m_pBar->SetFillEnd2(Place() + 1);
}

bool CPngHSliderEx::AskToMove() {
    if (!m_pBar || m_pBar->IsReadOnly())
        return false;
    if (!m_pBar->MayMove(m_nThumb, WPARAM(m_pos.Position())))
        return false;
    m_dwLastReported = m_pos.Value();
    return true;
}

void CPngHSliderEx::OnMoving(int centre) {
    m_nThumb == 1 ? m_pBar->SetFillEnd(centre + 1) : m_pBar->SetFillEnd2(centre + 1);
    if (!m_bReportMoving)
        return;
    const uint32_t value = m_pos.ValueAt(m_pos.PositionUnder(centre, m_pBar->BarWidth()));
    if (value != m_dwLastReported) {
        m_dwLastReported = value;
        ::PostMessageW(m_pBar->Page(), WM_HSLIDER_MOVING, value,
                       HSliderParam(m_nThumb, m_pBar->Id()));
    }
}

void CPngHSliderEx::OnReleased(int centre) {
    // The thumb's centre, where the user sees it, picks the position (not
    // the mouse, which may have grabbed the thumb off its centre).
    const int position = m_pos.PositionUnder(centre, m_pBar->BarWidth());
    if (position == m_pos.Position()) {
        Placed();
        return;
    }
    SetPosition(position);
    // The bar brings a linked partner along before the page hears of the
    // new value: both are posted to the bar, which handles them in order.
    ::PostMessageW(m_pBar->Hwnd(), WM_HSLIDER_RELEASED, m_pos.Value(), LPARAM(m_nThumb));
    ::PostMessageW(m_pBar->Hwnd(), WM_HSLIDER_SET, m_pos.Value(),
                   HSliderParam(m_nThumb, m_pBar->Id()));
}

void CPngHSliderEx::OnDragLost() {
    Placed();
}

// -------------------------------------------------------- CPngHSliderBarEx --

CPngHSliderBarEx::CPngHSliderBarEx() {
    m_thumb1.m_pBar = this;
    m_thumb1.m_nThumb = 1;
    m_thumb2.m_pBar = this;
    m_thumb2.m_nThumb = 2;
}

bool CPngHSliderBarEx::Create(HWND parent, const RECT& rect, UINT id, Gdiplus::Bitmap* upperThumb,
                              Gdiplus::Bitmap* lowerThumb, POINT thumbOffset) {
    if (!CreateBar(parent, rect, id))
        return false;
    m_thumb1.SetImage(upperThumb);
    m_thumb2.SetImage(lowerThumb);
    m_thumb1.SetOffset(thumbOffset);
    m_thumb2.SetOffset(thumbOffset);
    // The upper thumb is made last so that it lies above the lower one
    // where the two share a row.
    if (!m_thumb2.CreateThumb(*this, !m_bSingleThumb) || !m_thumb1.CreateThumb(*this, true)) {
        settings::WriteLog("CPngHSliderBarEx: thumbs of slider %u not created", id);
        platform::ShowMessageBox(u"Create slider failed", u"Warrning");
        ::DestroyWindow(m_hwnd);
        return false;
    }
    ::SetWindowPos(m_thumb1.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_thumb2.Placed();
    m_thumb1.Placed();
    return true;
}

void CPngHSliderBarEx::SetSingleThumb(bool single) {
    m_bSingleThumb = single;
    if (m_thumb2.Hwnd())
        ::ShowWindow(m_thumb2.Hwnd(), single ? SW_HIDE : SW_SHOWNA);
    OnResized();
}

void CPngHSliderBarEx::OnResized() {
    RECT thumb{0, 0, 0, 0};
    if (m_thumb1.Hwnd())
        ::GetClientRect(m_thumb1.Hwnd(), &thumb);
    // Two rows of thumbs: each row fills up to its own thumb.
    SetTwoFillRows(!m_bSingleThumb && BarHeight() >= 2 * int(thumb.bottom));
    m_thumb2.Placed();
    m_thumb1.Placed();
}

HWND CPngHSliderBarEx::Page() const {
    if (m_hwndPage)
        return m_hwndPage;
    return m_hwnd ? ::GetParent(m_hwnd) : nullptr;
}

void CPngHSliderBarEx::SetRange(int minimum, int maximum) {
    for (CPngHSliderEx* thumb : {&m_thumb1, &m_thumb2}) {
        thumb->m_pos.SetRange(minimum, maximum);
        thumb->Placed();
    }
}

void CPngHSliderBarEx::SetValues(int thumb, const uint32_t* values, int count) {
    Thumb(thumb).m_pos.SetValues(values, count);
}

bool CPngHSliderBarEx::SetScalePos(int thumb, const int* places, int count) {
    CPngHSliderEx& t = Thumb(thumb);
    const bool matches = t.SetScale(places, count);
    t.Placed();
    Redraw();
    return matches;
}

void CPngHSliderBarEx::SetPos(int thumb, uint32_t value) {
    Thumb(thumb).SetPos(value, NotifiesOnSet());
}

uint32_t CPngHSliderBarEx::GetValue(int thumb) const {
    return thumb == 2 ? m_thumb2.GetValue() : m_thumb1.GetValue();
}

bool CPngHSliderBarEx::MayMove(int thumb, WPARAM wParam) {
    if (!AsksBeforeMoving())
        return true;
    HWND page = Page();
    return page && ::SendMessageW(page, WM_HSLIDER_ASK, wParam, HSliderParam(thumb, Id())) != 0;
}

void CPngHSliderBarEx::OnThumbReleased(int thumb) {
    if (m_bSeparate)
        return;
    CPngHSliderEx& moved = Thumb(thumb);
    CPngHSliderEx& other = Thumb(thumb == 1 ? 2 : 1);
    // The same position, not the same number: the other thumb's table may
    // hold other values, and the page stores what the thumbs show.
    other.SetPosition(moved.m_pos.Position());
}

void CPngHSliderBarEx::OnBarClick(int x, int y) {
    if (IsReadOnly())
        return;
    const bool lower = m_bSeparate && !m_bSingleThumb && y >= BarHeight() / 2;
    CPngHSliderEx& first = lower ? m_thumb2 : m_thumb1;
    const int position = first.m_pos.PositionUnder(x, BarWidth());
    const uint32_t value = first.m_pos.ValueAt(position);
    if (!MayMove(first.m_nThumb, WPARAM(value)))
        return;
    bool changed = first.m_pos.Position() != position;
    first.SetPosition(position);
    if (!m_bSeparate) {
        changed = changed || m_thumb2.m_pos.Position() != position;
        m_thumb2.SetPosition(position);
    }
    if (changed)
        ::PostMessageW(Page(), WM_HSLIDER_SET, value, HSliderParam(first.m_nThumb, Id()));
}

LRESULT CPngHSliderBarEx::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_HSLIDER_RELEASED:
        OnThumbReleased(int(lParam));
        return 0;
    case WM_HSLIDER_SET:
        // From a thumb: the page hears it with the bar's id.
        ::PostMessageW(Page(), msg, wParam, HSliderParam(HIWORD(lParam), Id()));
        return 0;
    default:
        return CSliderBarBase::OnMessage(msg, wParam, lParam);
    }
}
