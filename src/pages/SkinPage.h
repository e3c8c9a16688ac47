#pragma once
// The base of the four pages of the main window: a child dialog (template
// IDD_PAGE) placed at rcSubDlg, drawing the area under it of its own
// full-window skin image (key_nr.png, macro_nr.png, adv_nr.png, led_nr.png),
// then what the page shows on top, into one off-screen bitmap.

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"

#include <string>

class CSkinPage : public fw::Dialog {
public:
    explicit CSkinPage(const wchar_t* skinName);

    // Creates the page as a hidden child of `parent` and moves it to rcSubDlg.
    bool CreatePage(HWND parent);

    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Pages never end on Enter or Escape.
    void OnOK() override {}
    void OnCancel() override {}

    bool HasBackground() const { return fw::Width(m_imgBkg) > 0; }
    void Redraw();

protected:
    // Draws the page's content over its background (page coordinates).
    virtual void DrawContent(HDC) {}
    // A point of the full window image in page coordinates.
    static POINT FromWindow(int x, int y);
    HFONT TextFont() const;

    fw::Font m_fontTitle;
    fw::Font m_fontText;

private:
    void OnPaint();

    std::wstring m_strSkin;
    fw::Image m_imgBkg; // the rcSubDlg area of the page's skin
};
