#include "controls/PngBtn.h"

#include "controls/ButtonAccessible.h"
#include "controls/CommonControls.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "controls/TextFit.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {
constexpr COLORREF kDebugFrameColour = 0xFF000A;
} // namespace

BtnLook ChooseBtnLook(const BtnState& s) {
    using I = BtnImage;
    using C = BtnColour;
    if (s.toggle) {
        // A toggle button shows its selected state, not the press itself.
        if (s.selected && s.disabled)
            return {I::Disabled, C::Normal};
        if (s.selected)
            return {I::Pressed, C::Pressed};
        if (s.hover)
            return {I::Hover, C::Hover};
        if (s.disabled)
            return {I::Disabled, C::Normal};
        return {I::Normal, C::Normal};
    }
    if (s.selected || s.pressed)
        return {I::Pressed, C::Pressed};
    if (s.hover)
        return {I::Hover, C::Hover};
    if (s.disabled)
        return {I::Disabled, C::Normal};
    return {I::Normal, C::Normal};
}

std::wstring TipForCaption(const std::wstring& caption, int captionWidth, int buttonWidth) {
    return captionWidth > buttonWidth ? caption : std::wstring();
}

bool CPngBtn::Create(HWND parent, UINT id, const RECT& rect) {
    m_nId = id;
    // Double clicks reach the button as such (BN_DOUBLECLICKED), and it draws
    // with its parent's clipping, as the system's push button does.
    if (!CreateChild(L"TarvelButton", CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, parent,
                     rect, id, WS_VISIBLE))
        return false;
    if (!m_strText.empty())
        ::SetWindowTextW(m_hwnd, m_strText.c_str());
    return true;
}

void CPngBtn::SetImages(int left, int top, int width, int height, Gdiplus::Bitmap* normal,
                        Gdiplus::Bitmap* hover, Gdiplus::Bitmap* pressed) {
    m_imgNormal = CropImage(normal, left, top, width, height);
    // The same image for two states is cut once.
    m_imgHover = hover == normal ? m_imgNormal : CropImage(hover, left, top, width, height);
    m_imgPressed = pressed == normal  ? m_imgNormal
                   : pressed == hover ? m_imgHover
                                      : CropImage(pressed, left, top, width, height);
    Redraw();
}

void CPngBtn::SetImages(fw::SharedImage normal, fw::SharedImage hover, fw::SharedImage pressed) {
    m_imgNormal = std::move(normal);
    m_imgHover = std::move(hover);
    m_imgPressed = std::move(pressed);
    Redraw();
}

HFONT CPngBtn::CaptionFont() {
    if (m_hFont)
        return m_hFont;
    if (!m_fontOwn)
        m_fontOwn = MakeFont(14, FW_NORMAL);
    return m_fontOwn.Get();
}

void CPngBtn::SetText(const std::wstring& text, int offset) {
    m_strText = text;
    m_nTextOffset = offset;
    RECT rc{};
    if (m_hwnd) {
        // The window's own text is the caption too, for whatever reads the
        // window rather than looks at it (screen readers, tests).
        ::SetWindowTextW(m_hwnd, text.c_str());
        ::GetClientRect(m_hwnd, &rc);
    }
    HDC dc = ::GetDC(m_hwnd);
    SIZE extent{};
    {
        fw::SelectScope select(dc, CaptionFont());
        ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    }
    ::ReleaseDC(m_hwnd, dc);
    const std::wstring tip = TipForCaption(text, extent.cx, int(rc.right));
    if (!tip.empty() || !m_strTip.empty() || m_tip)
        SetTip(tip);
    Redraw();
}

void CPngBtn::SetTip(const std::wstring& text) {
    m_strTip = text;
    // The tool tip's window is made when the pointer first comes over the
    // button (MakeTip): a page of buttons would otherwise make a window for
    // each at start-up, most of which the user never sees.
    if (m_tip)
        ShowTipText();
}

void CPngBtn::MakeTip() {
    if (m_tip || m_strTip.empty() || !m_hwnd || !LoadCommonControls())
        return;
    m_tip.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                  WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                  nullptr, nullptr));
    if (!m_tip)
        return;
    ::SendMessageW(m_tip.Get(), TTM_ACTIVATE, FALSE, 0);
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = m_hwnd;
    ti.uId = 1;
    ::GetClientRect(m_hwnd, &ti.rect);
    ti.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(m_tip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ShowTipText();
}

void CPngBtn::ShowTipText() {
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = m_hwnd;
    ti.uId = 1;
    ti.lpszText = const_cast<wchar_t*>(m_strTip.c_str());
    ::SendMessageW(m_tip.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(m_tip.Get(), TTM_ACTIVATE, TRUE, 0);
}

void CPngBtn::UpdateTipRect() {
    if (!m_tip)
        return;
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = m_hwnd;
    ti.uId = 1;
    ::GetClientRect(m_hwnd, &ti.rect);
    ::SendMessageW(m_tip.Get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CPngBtn::SetCheck(bool selected) {
    if (m_bSelected == selected)
        return;
    m_bSelected = selected;
    Redraw();
}

void CPngBtn::SetTextColours(COLORREF normal, COLORREF hover, COLORREF pressed) {
    m_clrTextNr = normal;
    m_clrTextOv = hover;
    m_clrTextDn = pressed;
    Redraw();
}

BtnState CPngBtn::State() const {
    BtnState s;
    s.toggle = m_bToggle;
    s.selected = m_bSelected;
    s.hover = m_bHover;
    if (m_hwnd) {
        s.pressed = (m_uState & BST_PUSHED) != 0;
        s.disabled = !::IsWindowEnabled(m_hwnd);
    }
    return s;
}

void CPngBtn::Draw(HDC dc, const RECT& client) {
    // Without a normal image the button draws nothing at all.
    if (!HasNormalImage())
        return;
    DrawImage(dc, m_imgBkg.get(), 0, 0);
    const BtnLook look = ChooseBtnLook(State());
    Gdiplus::Bitmap* image = nullptr;
    switch (look.image) {
    case BtnImage::Normal:
        image = m_imgNormal.get();
        break;
    case BtnImage::Hover:
        image = m_imgHover.get();
        break;
    case BtnImage::Pressed:
        image = m_imgPressed.get();
        break;
    case BtnImage::Disabled:
        image = m_imgNormal.get();
        break;
    }
    DrawImage(dc, image, 0, 0);
    if (!m_strText.empty()) {
        const COLORREF colour = look.colour == BtnColour::Hover     ? m_clrTextOv
                                : look.colour == BtnColour::Pressed ? m_clrTextDn
                                                                    : m_clrTextNr;
        RECT rc = m_rcText.value_or(client);
        rc.left += m_nTextOffset > 0 ? m_nTextOffset : 0;
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
        if (m_nTextOffset <= 0)
            format |= DT_CENTER;
        const fw::Font smaller =
            m_nShrinkTo > 0 ? FitFont(dc, CaptionFont(), m_strText, rc.right - rc.left, m_nShrinkTo)
                            : fw::Font();
        DrawTextIn(dc, m_strText, rc, smaller ? smaller.Get() : CaptionFont(), colour, format);
    }
}

void CPngBtn::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    // Without a normal image nothing is drawn: copying the empty off-screen
    // bitmap would paint a black box over what lies under the button.
    if (HasNormalImage()) {
        fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
        Draw(buffer.Dc(), rc);
        buffer.CopyTo();
    }
    if (m_bDebugFrame) {
        fw::Brush frame(::CreateSolidBrush(kDebugFrameColour));
        ::FrameRect(paint.Dc(), &rc, frame.Get());
    }
}

void CPngBtn::OnMouseMove() {
    if (m_bHover)
        return;
    m_bHover = true;
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hwnd, 0};
    ::TrackMouseEvent(&tme);
    Redraw();
}

void CPngBtn::OnMouseLeave() {
    m_bHover = false;
    Redraw();
}

void CPngBtn::Redraw() {
    if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

LRESULT CPngBtn::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hwnd;
    const bool mouse = (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSELEAVE;
    if (mouse && !m_tip)
        MakeTip();
    if (mouse && m_tip) {
        MSG relay{hwnd, msg, wParam, lParam, DWORD(::GetMessageTime()), {}};
        const DWORD pos = ::GetMessagePos();
        relay.pt = {short(LOWORD(pos)), short(HIWORD(pos))};
        ::SendMessageW(m_tip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT: {
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        Draw(reinterpret_cast<HDC>(wParam), rc);
        return 0;
    }
    case WM_ERASEBKGND:
        // Everything is drawn in WM_PAINT; 1 says the background is done.
        return 1;
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_SIZE:
        UpdateTipRect();
        break;
    case WM_DESTROY:
        m_tip.Reset();
        m_bHover = false;
        m_bPressing = false;
        m_uState = 0;
        break;
    default:
        break;
    }
    const LRESULT result = ButtonMessage(msg, wParam, lParam);
    switch (msg) {
    // What the press, focus and enabled state change is drawn.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case BM_SETSTATE:
        Redraw();
        break;
    default:
        break;
    }
    return result;
}

LRESULT CPngBtn::ButtonMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hwnd;
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_BUTTON;
    case WM_LBUTTONDBLCLK:
        // The second click of a double click presses nothing: the parent
        // hears BN_DOUBLECLICKED instead of a second BN_CLICKED.
        Notify(BN_DOUBLECLICKED);
        return 0;
    case WM_LBUTTONDOWN:
        ::SetFocus(hwnd);
        ::SetCapture(hwnd);
        m_bPressing = true;
        ::SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            ::SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
            m_bPressing = true;
            ::SetCapture(hwnd);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE)
            Release(true, {});
        return 0;
    case WM_LBUTTONUP:
        Release(false, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSEMOVE:
        // A held press shows pushed only while the pointer is over the button.
        if ((wParam & MK_LBUTTON) && ::GetCapture() == hwnd) {
            RECT rc;
            ::GetClientRect(hwnd, &rc);
            const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::SendMessageW(hwnd, BM_SETSTATE, ::PtInRect(&rc, pt), 0);
        }
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the press is over without a click.
        if (reinterpret_cast<HWND>(lParam) != hwnd && m_bPressing) {
            m_bPressing = false;
            if (m_uState & BST_PUSHED)
                ::SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
        }
        return 0;
    case WM_SETFOCUS:
        m_uState |= BST_FOCUS;
        return 0;
    case WM_KILLFOCUS:
        m_uState &= ~BST_FOCUS;
        if (m_bPressing && ::GetCapture() == hwnd)
            ::ReleaseCapture();
        return 0;
    case BM_SETSTATE:
        m_uState = wParam ? m_uState | BST_PUSHED : m_uState & ~BST_PUSHED;
        return 0;
    case BM_GETSTATE:
        return m_uState;
    case WM_GETOBJECT:
        // Accessibility clients are told it is a push button, as they were
        // told of the system's button.
        if (const LRESULT answer = AnswerPushButtonObject(hwnd, wParam, lParam))
            return answer;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    case BM_CLICK:
        // Through the window, so a derived button sees the press as well.
        ::SendMessageW(hwnd, WM_LBUTTONDOWN, 0, 0);
        ::SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void CPngBtn::Release(bool byKey, POINT pt) {
    if (!m_bPressing)
        return;
    m_bPressing = false;
    HWND hwnd = m_hwnd;
    if (!(m_uState & BST_PUSHED)) {
        ::ReleaseCapture();
        return;
    }
    ::SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    ::ReleaseCapture();
    if (byKey || ::PtInRect(&rc, pt))
        Notify(BN_CLICKED);
}

void CPngBtn::Notify(WORD code) {
    ::SendMessageW(::GetParent(m_hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hwnd), code),
                   reinterpret_cast<LPARAM>(m_hwnd));
}
