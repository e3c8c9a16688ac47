#include "pages/FireKeyDlg.h"

#include "controls/DialogTemplates.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "pages/KeyRules.h"
#include "pages/MsgDlg.h"
#include "pages/PopupFrame.h"
#include "settings/Settings.h"

#include <optional>

using settings::g_opt;

namespace {
constexpr COLORREF kFieldText = RGB(0xC8, 0xC8, 0xC8);
constexpr COLORREF kFieldBack = RGB(0x27, 0x27, 0x27);
constexpr int kFieldW = 110, kFieldH = 26, kFieldGap = 40;
constexpr int kFieldTop = 76;

std::wstring TextOf(HWND hwnd) {
    wchar_t buf[64] = {};
    ::GetWindowTextW(hwnd, buf, int(std::size(buf)));
    return buf;
}
} // namespace

CFirekeyDlg::CFirekeyDlg() : fw::SkinDialog(IDD_POPUP) {
    SetDragByBackground(true);
}

CFirekeyDlg::~CFirekeyDlg() = default;

RECT CFirekeyDlg::FieldRect(int which) const {
    const int w = fw::Width(m_imgBkg);
    const int left = (w - 2 * kFieldW - kFieldGap) / 2 + which * (kFieldW + kFieldGap);
    return {left, kFieldTop, left + kFieldW, kFieldTop + kFieldH};
}

HWND CFirekeyDlg::MakeField(UINT id, const RECT& rc, const std::wstring& text) {
    HWND field = ::CreateWindowExW(0, L"EDIT", text.c_str(),
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_CENTER | ES_NUMBER |
                                       ES_AUTOHSCROLL,
                                   rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, m_hwnd,
                                   reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
    ::SendMessageW(field, WM_SETFONT, WPARAM(m_fontField.Get()), TRUE);
    return field;
}

BOOL CFirekeyDlg::OnInitDialog() {
    // Without its background the dialog ends as cancelled: nothing is stored.
    if (!popup::SetUpFrame(*this, L"CFirekeyDlg", L"msg_nr.png", Txt(u"tc_fire"),
                           {m_imgBkg, m_fontText, m_btnClose, m_btnOk, m_btnCancel}))
        return TRUE;
    m_fontField = MakeFont(16, FW_BOLD);
    m_brField.Reset(::CreateSolidBrush(kFieldBack));

    const keys::FireKeyFields fields = keys::FireKeyFieldsOf(m_current);
    m_hSpeed = MakeField(kIdSpeed, FieldRect(0), fields.speed);
    m_hCount = MakeField(kIdCount, FieldRect(1), fields.count);
    ::SetFocus(m_hSpeed);
    ::SendMessageW(m_hSpeed, EM_SETSEL, 0, -1);
    return FALSE;
}

void CFirekeyDlg::OnFieldChanged(HWND field, UINT id) {
    // Only what the user types is corrected: a field the page writes, or
    // the other field, is left alone.
    if (m_bCorrecting || ::GetFocus() != field)
        return;
    const std::wstring text = TextOf(field);
    const std::optional<std::wstring> fixed =
        id == kIdSpeed ? keys::CorrectSpeedField(text) : keys::CorrectCountField(text);
    if (!fixed)
        return;
    m_bCorrecting = true;
    ::SetWindowTextW(field, fixed->c_str());
    m_bCorrecting = false;
    const int end = ::GetWindowTextLengthW(field);
    ::SendMessageW(field, EM_SETSEL, WPARAM(end), LPARAM(end));
}

bool CFirekeyDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == kIdSpeed || id == kIdCount) {
        if (HIWORD(wParam) == EN_CHANGE)
            OnFieldChanged(reinterpret_cast<HWND>(lParam), id);
        return true;
    }
    return fw::Dialog::OnCommand(wParam, lParam);
}

void CFirekeyDlg::OnOK() {
    const keys::FireKeyCheck check = keys::CheckFireKey(TextOf(m_hSpeed), TextOf(m_hCount));
    if (check.message) {
        CMsgDlg::ShowMessageText(check.message, m_hwnd);
        return;
    }
    m_nSpeed = check.speed;
    m_nCount = check.count;
    fw::Dialog::OnOK();
}

bool CFirekeyDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_CTLCOLOREDIT && m_brField &&
        (HWND(lParam) == m_hSpeed || HWND(lParam) == m_hCount)) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, kFieldText);
        ::SetBkColor(dc, kFieldBack);
        result = reinterpret_cast<LRESULT>(m_brField.Get());
        return true;
    }
    return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
}

void CFirekeyDlg::Paint(HDC dc, const RECT& rc) {
    DrawImage(dc, m_imgBkg.get(), 0, 0, rc.right, rc.bottom);
    HFONT font = AppFontOr(m_fontText.Get());
    popup::DrawTitle(dc, Txt(u"tc_fire"), rc.right, font);
    const RECT speed = FieldRect(0), count = FieldRect(1);
    const UINT above = DT_SINGLELINE | DT_BOTTOM | DT_CENTER | DT_END_ELLIPSIS;
    const UINT below = DT_SINGLELINE | DT_TOP | DT_CENTER | DT_END_ELLIPSIS;
    DrawTextIn(dc, Txt(u"tc_str2"),
               {speed.left - 20, speed.top - 24, speed.right + 20, speed.top - 4}, font,
               g_opt.Txt_clr, above);
    DrawTextIn(dc, Txt(u"tc_str3"),
               {speed.left - 20, speed.bottom + 4, speed.right + 20, speed.bottom + 24}, font,
               g_opt.Txt_clr, below);
    DrawTextIn(dc, Txt(u"tc_str1"),
               {count.left - 20, count.top - 24, count.right + 20, count.top - 4}, font,
               g_opt.Txt_clr, above);
}
