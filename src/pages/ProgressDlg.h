#pragma once
// CProgressDlg: the small skinned modal dialog that shows how far the writing
// of settings has come. The apply worker finds it by its window text, moves it
// with WM_PROGRESS_SETPOS and closes it with WM_CLOSE, both posted.

#include "controls/PngBtn.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"
#include "model/ApplyRequest.h"

#include <cstdint>
#include <string>

constexpr wchar_t kProgressWindowText[] = L"MyProgressDlg..";

// The position a WM_PROGRESS_SETPOS value gives: itself within the range, else
// the minimum.
int32_t ProgressPosition(int64_t value, int32_t minimum, int32_t maximum);
// Width of the fill: fill start at the minimum, fill end at the maximum.
int32_t ProgressFillWidth(int32_t position, int32_t minimum, int32_t maximum, int32_t fillStart,
                          int32_t fillEnd);

class CProgressDlg : public fw::SkinDialog {
public:
    CProgressDlg();
    ~CProgressDlg() override;

    // Full paths of the background and of the fill image.
    void SetImages(const std::wstring& background, const std::wstring& fill);
    void SetText(const std::wstring& text, const RECT& rect);

    // Set directly before the dialog runs.
    int32_t m_nMin = 0;
    int32_t m_nMax = 10;
    int32_t m_nFillStart = 0;
    int32_t m_nFillEnd = 0;
    bool m_bDebug = false;

    int32_t Position() const { return m_nPos; }
    int32_t FillWidth() const;

    BOOL OnInitDialog() override;
    bool PreTranslateMessage(MSG& msg) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DestroyWindow() override;

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    std::wstring m_strBkg, m_strFill, m_strText;
    RECT m_rcText{};
    int32_t m_nPos = 0;
    fw::Image m_imgBkg, m_imgFill;
    fw::Font m_font;
    CPngBtn m_btnClose{IDCANCEL};
};
