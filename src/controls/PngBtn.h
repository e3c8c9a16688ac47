#pragma once
// CPngBtn: the program's one button control. A child window of its own class
// that behaves as a push button (press and release, space key, BN_CLICKED and
// BN_DOUBLECLICKED to the parent, BM_CLICK, BM_GETSTATE, BM_SETSTATE) and
// draws one of its state images over the piece of its parent's background
// under it, optionally a caption on top, and may keep a selected state for
// radio and check use. Pages normally get their buttons from the factories of
// controls/SkinFactory.h.
//
// It is not a BUTTON: with the common controls 6 manifest that class lives in
// comctl32, and loading comctl32 costs the start-up more than all of the
// window's buttons. comctl32 is loaded when the first tool tip is shown.
// Accessibility clients are still told it is a push button
// (controls/ButtonAccessible.h).

#include "controls/ChildWindow.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"

#include <cstdint>
#include <optional>
#include <string>

// Which of its images and text colours a button draws in a given state.
enum class BtnImage { Normal, Hover, Pressed, Disabled };
enum class BtnColour { Normal, Hover, Pressed };
struct BtnLook {
    BtnImage image;
    BtnColour colour;
    bool operator==(const BtnLook&) const = default;
};

struct BtnState {
    bool toggle = false;   // the button keeps a selected state
    bool selected = false; // SetCheck(true)
    bool pressed = false;  // the mouse button is held down on it
    bool hover = false;
    bool disabled = false;
};

BtnLook ChooseBtnLook(const BtnState& state);

// The tool tip a caption earns: the caption itself when it is wider than the
// button (so a cut caption can be read in full), else nothing.
std::wstring TipForCaption(const std::wstring& caption, int captionWidth, int buttonWidth);

// A window the object owns (the tool tip), destroyed with it.
inline void DestroyOwnedWindow(HWND hwnd) {
    if (::IsWindow(hwnd))
        ::DestroyWindow(hwnd);
}
using OwnedWindow = fw::Unique<HWND, DestroyOwnedWindow>;

class CPngBtn : public CChildWindow {
public:
    // `id` is the control id the factories create the window with.
    explicit CPngBtn(UINT id = 0) : m_nId(id) {}

    // Creates the button (child, visible, no tab stop) at `rect` in the
    // parent's client coordinates.
    bool Create(HWND parent, UINT id, const RECT& rect);
    UINT Id() const { return m_nId; }
    void SetId(UINT id) { m_nId = id; }

    // Copies of the area (left, top, width, height) of each image; any may be
    // null. Disabled, the button shows its normal image.
    void SetImages(int left, int top, int width, int height, Gdiplus::Bitmap* normal,
                   Gdiplus::Bitmap* hover, Gdiplus::Bitmap* pressed);
    // The images themselves, shared with whoever else shows them (a skin
    // file's decoded image, the same for every button of its kind).
    void SetImages(fw::SharedImage normal, fw::SharedImage hover, fw::SharedImage pressed);
    bool HasNormalImage() const { return fw::Width(m_imgNormal) > 0; }

    // Caption and its offset: 0 or less centres it, above 0 left-aligns it that
    // many pixels from the left edge. A caption wider than the button becomes
    // its tool tip; one that fits clears the tip.
    void SetText(const std::wstring& text, int offset = 0);
    const std::wstring& GetText() const { return m_strText; }
    // The tool tip's text; an empty one shows none. Its window is made when
    // the pointer first comes over the button.
    void SetTip(const std::wstring& text);
    const std::wstring& GetTip() const { return m_strTip; }

    // Selected state (drawn pressed); redraws only when it changes.
    void SetCheck(bool selected);
    bool GetCheck() const { return m_bSelected; }

    void SetTextColours(COLORREF normal, COLORREF hover, COLORREF pressed);
    void SetToggle(bool toggle) { m_bToggle = toggle; }
    bool IsToggle() const { return m_bToggle; }
    // Caption rectangle in client coordinates instead of the whole client area.
    void SetTextRect(const RECT& rect) { m_rcText = rect; }
    void ClearTextRect() { m_rcText.reset(); }
    // Not owned; null uses the button's own 14-pixel "MS Shell Dlg".
    void SetFont(HFONT font) { m_hFont = font; }
    // A caption wider than its rectangle is drawn in a smaller font, down to
    // `smallest` pixels, before it is cut; 0 (the default) only cuts it.
    void SetCaptionShrink(int smallest) { m_nShrinkTo = smallest; }
    // The area of the parent's background under the button, drawn first.
    void SetBackground(fw::SharedImage piece) { m_imgBkg = std::move(piece); }
    // Frames the button in 0xFF000A after drawing (UIDebug).
    void SetDebugFrame(bool frame) { m_bDebugFrame = frame; }
    // Free for the creator (key index, chosen combo item).
    void SetUserValue(uint32_t value) { m_dwUser = value; }
    uint32_t UserValue() const { return m_dwUser; }

    // The state the next drawing shows, and the look it chooses.
    BtnState State() const;
    bool IsHover() const { return m_bHover; }

    // Draws the button into `dc` (client coordinates), as WM_PAINT does
    // through its off-screen bitmap.
    void Draw(HDC dc, const RECT& client);

protected:
    // A derived button sees every message first and passes on to this what
    // it leaves to the image button.
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HFONT CaptionFont();

private:
    // The push button's own handling of a message (after the drawing's).
    LRESULT ButtonMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Release(bool byKey, POINT pt);
    void Notify(WORD code);
    void OnPaint();
    void OnMouseMove();
    void OnMouseLeave();
    void Redraw();
    void UpdateTipRect();
    void MakeTip();
    void ShowTipText();

    UINT m_nId;
    UINT m_uState = 0;        // BST_PUSHED and BST_FOCUS, as BM_GETSTATE reports them
    bool m_bPressing = false; // a press (mouse or space key) began on the button
    fw::SharedImage m_imgNormal, m_imgHover, m_imgPressed, m_imgBkg;
    std::wstring m_strText;
    int m_nTextOffset = 0;
    std::optional<RECT> m_rcText;
    COLORREF m_clrTextNr = RGB(200, 200, 200);
    COLORREF m_clrTextOv = RGB(100, 100, 100);
    COLORREF m_clrTextDn = RGB(0, 0, 0);
    uint32_t m_dwUser = 0;
    bool m_bToggle = false;
    bool m_bSelected = false;
    bool m_bHover = false;
    bool m_bDebugFrame = false;
    HFONT m_hFont = nullptr;
    int m_nShrinkTo = 0;
    fw::Font m_fontOwn; // made on first use when no font was given
    OwnedWindow m_tip;
    std::wstring m_strTip;
};
