#pragma once
// CTarvelDlg: the program's one top-level window, a borderless skinned dialog
// run modally by the application object.

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"

class CTarvelDlg : public fw::Dialog {
public:
    CTarvelDlg();

    bool DestroyWindow() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& msg) override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool BuildSkinFrame();
    void OnPaint();

    fw::Image m_imgMain;  // main_nr.png
    fw::Image m_imgHover; // main_ov.png (empty: use main_nr.png)
    fw::Font m_font;      // only when there is no application font
    fw::Icon m_icon;
};
