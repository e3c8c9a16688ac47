#include "pages/ProgressDlg.h"

#include "controls/DialogTemplates.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "platform/MessageBox.h"

#include <cwchar>

int32_t ProgressPosition(int64_t value, int32_t minimum, int32_t maximum) {
    return value >= minimum && value <= maximum ? int32_t(value) : minimum;
}

int32_t ProgressFillWidth(int32_t position, int32_t minimum, int32_t maximum, int32_t fillStart,
                          int32_t fillEnd) {
    if (maximum == minimum)
        return fillStart;
    return (position - minimum) * (fillEnd - fillStart) / (maximum - minimum) + fillStart;
}

CProgressDlg::CProgressDlg() : fw::SkinDialog(IDD_POPUP) {}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::SetImages(const std::wstring& background, const std::wstring& fill) {
    m_strBkg = background;
    m_strFill = fill;
}

void CProgressDlg::SetText(const std::wstring& text, const RECT& rect) {
    m_strText = text;
    m_rcText = rect;
}

int32_t CProgressDlg::FillWidth() const {
    return ProgressFillWidth(m_nPos, m_nMin, m_nMax, m_nFillStart, m_nFillEnd);
}

BOOL CProgressDlg::OnInitDialog() {
    m_imgBkg = fw::LoadImageFile(m_strBkg);
    m_imgFill = fw::LoadImageFile(m_strFill);
    if (fw::Width(m_imgBkg) == 0 || fw::Width(m_imgFill) == 0) {
        platform::ShowMessageBox(u"ProgressDlg skin loss", u"");
        CloseUnshown(IDCANCEL);
        return TRUE;
    }
    const int w = fw::Width(m_imgBkg), h = fw::Height(m_imgBkg);
    PlaceOverOwner(m_hwnd, w, h);
    m_font = MakeFont(14, FW_LIGHT);
    const POINT closeAt{w - 42, 6};
    NewDialogCloseButton(m_hwnd, m_btnClose, m_imgBkg.get(), closeAt);
    ::SetWindowTextW(m_hwnd, kProgressWindowText);
    return TRUE;
}

bool CProgressDlg::PreTranslateMessage(MSG& msg) {
    // The keyboard cannot end the dialog: only the close button or the worker.
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) {
        switch (msg.wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_SPACE:
            return true;
        default:
            break;
        }
    }
    return false;
}

bool CProgressDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PROGRESS_SETPOS:
        if (m_bDebug) {
            wchar_t line[64];
            std::swprintf(line, std::size(line), L"CProgressDlg::OnSetPos = %d", int(wParam));
            ::OutputDebugStringW(line);
        }
        m_nPos = ProgressPosition(int64_t(int32_t(wParam)), m_nMin, m_nMax);
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
        ::UpdateWindow(m_hwnd);
        result = 1;
        return true;
    default:
        return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
    }
}

bool CProgressDlg::DestroyWindow() {
    if (m_bDebug)
        ::OutputDebugStringW(L"CProgressDlg::DestroyWindow");
    return fw::SkinDialog::DestroyWindow();
}

void CProgressDlg::Paint(HDC dc, const RECT& rc) {
    DrawImage(dc, m_imgBkg.get(), 0, 0, rc.right, rc.bottom);
    const int fill = FillWidth();
    if (fill > 0 && fw::Width(m_imgFill) > 0) {
        const int srcW = std::min(fill, fw::Width(m_imgFill));
        const int srcH = std::min(int(rc.bottom), fw::Height(m_imgFill));
        Gdiplus::Graphics g(dc);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        g.DrawImage(m_imgFill.get(), Gdiplus::Rect(0, 0, srcW, srcH), 0, 0, srcW, srcH,
                    Gdiplus::UnitPixel);
    }
    DrawTextIn(dc, m_strText, m_rcText, m_font.Get(), RGB(255, 255, 255),
               DT_SINGLELINE | DT_VCENTER);
}
