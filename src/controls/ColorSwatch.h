#pragma once
// Colour swatches: small borderless child dialogs that show a colour and let
// the user change it with the system's colour dialog. CColorDlg is a DPI
// level's colour; CColorBtnDlg is the lighting page's colour field, which can
// show an image instead and be marked as selected. Both tell their parent by
// window messages that carry their index.

#include "controls/PressCapture.h"
#include "framework/Dialog.h"
#include "framework/GdiPlus.h"

#include <optional>

// wParam: colour (0x00BBGGRR). Posted with lParam = index: the colour was
// changed. Sent by CColorDlg with lParam = index + kColorQueryFlag before it
// takes a colour: a non-zero answer allows the change.
constexpr UINT WM_COLOR_CHANGED = 0x461; // 1121
constexpr LPARAM kColorQueryFlag = 0x800000;
// Posted by CColorBtnDlg when pressed: wParam 1 when it is not selected (0
// when it is), lParam = index. The parent decides the selection.
constexpr UINT WM_COLOR_CLICKED = 0x43E; // 1086

// The system's colour dialog, fully open, starting at `initial`. The chosen
// colour, or none when the user cancelled. The custom colours are kept for
// the whole run.
std::optional<COLORREF> PickColour(HWND owner, COLORREF initial);

struct ColorDlgArgs {
    HWND parent = nullptr;
    RECT rect{};    // in the parent's client coordinates
    int index = -1; // returned in every message
    COLORREF colour = 0xFFFFFF;
};

class CColorDlg : public fw::Dialog {
public:
    CColorDlg();
    // Creates the swatch from the empty swatch template and shows it.
    bool Create(const ColorDlgArgs& args);

    void SetColor(COLORREF colour);
    COLORREF GetColor() const { return m_clr; }
    void SetIndex(int index) { m_nIndex = index; }
    int Index() const { return m_nIndex; }
    // A disabled swatch ignores clicks.
    void SetDisabled(bool disabled) { m_bDisabled = disabled; }

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnPaint();
    void OnRelease();

    COLORREF m_clr = 0xFFFFFF;
    int m_nIndex = -1;
    bool m_bDisabled = false;
    PressCapture m_press;
};

struct ColorBtnArgs {
    HWND parent = nullptr;
    RECT rect{};
    int index = 0;
    COLORREF colour = 0x00FF00;
    bool canPick = true; // a double click opens the colour dialog
    COLORREF frameColour = 0xFFFFFF;
};

class CColorBtnDlg : public fw::Dialog {
public:
    CColorBtnDlg();
    bool Create(const ColorBtnArgs& args);

    void SetColor(COLORREF colour);
    COLORREF GetColor() const { return m_clr; }
    void SetIndex(int index) { m_nIndex = index; }
    int Index() const { return m_nIndex; }
    void SetCanPick(bool canPick) { m_bCanPick = canPick; }
    // Selected: a 1-pixel frame in the frame colour around the swatch.
    void SetSelected(bool selected);
    bool IsSelected() const { return m_bSelected; }
    void SetFrameColor(COLORREF colour);
    // Drawn at its own size instead of the colour; null goes back to the colour.
    void SetImage(fw::Image image);

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(HDC dc, const RECT& client);
    void OnPaint();
    void OnDoubleClick();
    void Redraw();

    COLORREF m_clr = 0x00FF00;
    COLORREF m_clrFrame = 0xFFFFFF;
    int m_nIndex = 0;
    bool m_bCanPick = true;
    bool m_bSelected = false;
    fw::Image m_image;
};
