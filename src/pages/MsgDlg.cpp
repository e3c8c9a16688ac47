#include "pages/MsgDlg.h"

#include "controls/DialogTemplates.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"
#include "controls/SkinWindow.h"
#include "model/KeyCodes.h"
#include "pages/PopupFrame.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <cwchar>
#include <vector>

using settings::g_opt;

// ---------------------------------------------------------------- key capture

namespace {

// The modifier bit a virtual key sets, 0 for other keys.
uint8_t ModifierBit(uint32_t vk) {
    switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT:
        return kModLShift;
    case VK_RSHIFT:
        return kModRShift;
    case VK_CONTROL:
    case VK_LCONTROL:
        return kModLCtrl;
    case VK_RCONTROL:
        return kModRCtrl;
    case VK_MENU:
    case VK_LMENU:
        return kModLAlt;
    case VK_RMENU:
        return kModRAlt;
    case VK_LWIN:
        return kModLWin;
    case VK_RWIN:
        return kModRWin;
    default:
        return 0;
    }
}

} // namespace

int ComboParts(const KeyCombo& combo) {
    int parts = ModifierKindCount(combo.mods);
    for (uint8_t key : combo.keys)
        parts += key ? 1 : 0;
    return parts;
}

std::u16string ComboText(const KeyCombo& combo) {
    return ComboText(combo.mods, combo.keys, ModifierNaming::Sided);
}

uint32_t RefineKey(uint32_t vk, LPARAM lParam) {
    const bool extended = (lParam >> 24) & 1;
    if (vk == VK_CONTROL && extended)
        return VK_RCONTROL;
    if (vk == VK_MENU && extended)
        return VK_RMENU;
    // The right Shift key's scan code is 0x36: bit 4 of the scan code.
    if (vk == VK_SHIFT && ((lParam >> 20) & 1))
        return VK_RSHIFT;
    return vk;
}

KeyCaptureMemory& ProgramKeyCaptureMemory() {
    static KeyCaptureMemory memory;
    return memory;
}

bool CaptureKey(KeyCombo& combo, KeyCaptureMemory& memory, uint32_t vk, bool up, uint32_t tick,
                bool singleKey, bool checkBoxes) {
    // The same key in the same direction again is the keyboard's auto-repeat.
    if (vk == memory.prevVk && up == memory.prevUp)
        return false;
    if (up) {
        memory.prevVk = vk;
        memory.prevUp = true;
        return false;
    }
    const uint8_t modBit = ModifierBit(vk);
    if (ComboParts(combo) >= 3) {
        combo = {};
    } else if (modBit) {
        // With the check boxes the modifiers come from them, not the keyboard.
        if (checkBoxes)
            return false;
        if (combo.mods & ModifierKindBits(modBit))
            combo = {};
    }
    if (tick / 1000 - memory.prevPressTick / 1000 >= 1)
        combo = {};
    memory.prevPressTick = tick;
    if (singleKey)
        combo = {};
    if (modBit) {
        combo.mods |= modBit;
    } else {
        bool present = false;
        for (uint8_t key : combo.keys)
            present = present || key == vk;
        if (!present) {
            for (uint8_t& key : combo.keys) {
                if (key == 0) {
                    key = uint8_t(vk);
                    break;
                }
            }
        }
    }
    memory.prevVk = vk;
    memory.prevUp = false;
    return true;
}

NumberCheck CheckNumberInput(const std::wstring& text, int32_t minimum, int32_t maximum) {
    NumberCheck check;
    if (text.empty() || text.size() > 18)
        return check;
    int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return check;
        value = value * 10 + (c - L'0');
    }
    check.isNumber = true;
    if (minimum != -1 && value < minimum) {
        check.hint = NumberCheck::Below;
    } else if (maximum != -1 && value > maximum) {
        check.hint = NumberCheck::Above;
        check.replaceWithMax = true;
    }
    return check;
}

std::wstring NumberHint(NumberCheck::Hint hint, const std::wstring& tip, int32_t minimum,
                        int32_t maximum) {
    if (hint == NumberCheck::None)
        return {};
    wchar_t buf[100];
    std::swprintf(buf, std::size(buf),
                  hint == NumberCheck::Below ? L"%ls  %d - %d" : L"%ls   %d - %d", tip.c_str(),
                  int(minimum), int(maximum));
    return buf;
}

// -------------------------------------------------------------------- dialog

namespace {
constexpr UINT kCheckFirstId = 1101;
using popup::kFooterTop;
using popup::kTitleBand;
constexpr int kInputWidth = 300;
constexpr int kInputTop = 68;
constexpr int kInputHeight = 26;
constexpr int kCheckTop = 108;
constexpr int kCheckStep = 76;
constexpr const wchar_t* kCheckLabels[4] = {L"Shift", L"Ctrl", L"Alt", L"Win"};
constexpr uint8_t kCheckBits[4] = {0x02, 0x01, 0x04, 0x08};
} // namespace

CMsgDlg::CMsgDlg() : fw::SkinDialog(IDD_POPUP), m_strTitle(Txt(u"tc_tips")) {
    SetDragByBackground(true);
    for (int i = 0; i < 4; ++i)
        m_btnCheck[i].SetId(kCheckFirstId + UINT(i));
}

CMsgDlg::~CMsgDlg() = default;

bool CMsgDlg::CheckSkin() {
    if (fw::Width(LoadSkinImage(L"msg_nr.png")) > 0)
        return true;
    ReportMissingSkinToSystemBox(L"CMsgDlg", L"msg_nr.png");
    return false;
}

int CMsgDlg::Kind() const {
    return m_nKind >= kTextInput && m_nKind <= kChoice ? m_nKind : kMessage;
}

int CMsgDlg::ShowMessage(const char16_t* textKey, HWND owner) {
    return ShowMessageText(Txt(textKey), owner);
}

int CMsgDlg::ShowMessageText(const std::wstring& text, HWND owner, const std::wstring& title) {
    // What the window tells the user also goes to the log, so a user's log
    // shows why start-up stopped or an operation was refused.
    settings::WriteLog("Message: %s", settings::LogText(U(text)).c_str());
    CMsgDlg dlg;
    dlg.m_nKind = kMessage;
    dlg.m_strMsg = text;
    if (!title.empty())
        dlg.m_strTitle = title;
    return int(dlg.DoModal(owner));
}

int CMsgDlg::AskChoice(const std::wstring& text, HWND owner) {
    settings::WriteLog("Question: %s", settings::LogText(U(text)).c_str());
    CMsgDlg dlg;
    dlg.m_nKind = kChoice;
    dlg.m_strMsg = text;
    const INT_PTR answer = dlg.DoModal(owner);
    const int choice = answer == IDYES || answer == IDNO ? int(answer) : IDCANCEL;
    settings::WriteLog("Answer: %s", choice == IDYES ? "yes" : choice == IDNO ? "no" : "cancel");
    return choice;
}

int CMsgDlg::InputText(HWND owner, const std::wstring& prompt, int limit, std::wstring& out) {
    CMsgDlg dlg;
    dlg.m_nKind = kTextInput;
    dlg.m_strMsg = prompt;
    dlg.m_nLimit = limit;
    if (dlg.DoModal(owner) != IDOK)
        return 0;
    out = dlg.m_strResult.substr(0, 259);
    return 1;
}

HFONT CMsgDlg::TextFont() const {
    return AppFontOr(m_fontText.Get());
}

RECT CMsgDlg::InputRect() const {
    const int left = (fw::Width(m_imgBkg) - kInputWidth) / 2;
    return {left, kInputTop, left + kInputWidth, kInputTop + kInputHeight};
}

RECT CMsgDlg::HintRect() const {
    const RECT input = InputRect();
    return {input.left, input.bottom + 6, input.right, input.bottom + 28};
}

BOOL CMsgDlg::OnInitDialog() {
    m_imgBkg = LoadSkinImage(L"msg_nr.png");
    if (fw::Width(m_imgBkg) == 0) {
        // Without its background the dialog cannot be seen: it ends as
        // cancelled before it is shown. A plain message is not lost for that;
        // it goes to the system's message box (a question stays unanswered,
        // which callers take as Cancel).
        ReportMissingSkinToSystemBox(L"CMsgDlg", L"msg_nr.png");
        if (Kind() == kMessage && !m_strMsg.empty())
            ShowSystemBox(U(m_strMsg), U(m_strTitle));
        CloseUnshown(IDCANCEL);
        return TRUE;
    }
    // The dialog's own missing images are warned about in the system's box:
    // through this dialog they would build another one, and so on.
    SkinWarningsToSystemBox ownImages;
    ::SetWindowTextW(m_hwnd, L"TarvelMsgTopWindow");
    popup::ShapeByImage(m_hwnd, *m_imgBkg);
    if (!g_fontApp)
        m_fontText = MakeFont(14, FW_NORMAL);
    m_fontInput = MakeFont(16, FW_NORMAL);
    // OK and Cancel at the bottom right; Cancel only for a question. A choice
    // is Yes, No and Cancel, from the left.
    const int kind = Kind();
    popup::MakeButtons(m_hwnd, m_imgBkg.get(), m_btnClose, m_btnOk, m_btnCancel, kind == kQuestion,
                       kind == kChoice ? &m_btnNo : nullptr);

    if (kind == kTextInput || kind == kNumberInput || kind == kKeyCombo) {
        DWORD style = WS_CHILD | WS_VISIBLE | ES_CENTER | ES_AUTOHSCROLL;
        if (kind == kNumberInput)
            style |= ES_NUMBER;
        if (kind == kKeyCombo)
            style |= ES_READONLY;
        const RECT rc = InputRect();
        m_hInput = ::CreateWindowExW(0, L"EDIT", L"", style, rc.left, rc.top, rc.right - rc.left,
                                     rc.bottom - rc.top, m_hwnd,
                                     reinterpret_cast<HMENU>(UINT_PTR(kInputId)), nullptr, nullptr);
        ::SendMessageW(m_hInput, WM_SETFONT, WPARAM(m_fontInput.Get()), TRUE);
        if (m_nLimit > 0)
            ::SendMessageW(m_hInput, EM_SETLIMITTEXT, WPARAM(m_nLimit), 0);
        m_brInput.Reset(::CreateSolidBrush(g_opt.clrEdit));
        if (kind == kKeyCombo) {
            ShowCombo();
        } else if (!m_strResult.empty()) {
            // A value to change starts in the field, selected.
            m_bReplacingText = true;
            ::SetWindowTextW(m_hInput, m_strResult.c_str());
            m_bReplacingText = false;
            ::SendMessageW(m_hInput, EM_SETSEL, 0, -1);
        }
    }
    if (kind == kKeyCombo) {
        const int left = InputRect().left;
        for (int i = 0; i < 4; ++i) {
            const RECT size{0, 0, kCheckStep - 6, 16};
            const POINT origin{left + i * kCheckStep, kCheckTop};
            CPngBtn& box = m_btnCheck[i];
            if (!NewSkinButton({.factory = kSmallPngButton3,
                                .parent = m_hwnd,
                                .btn = &box,
                                .normal = L"Check_nr.png",
                                .hover = L"Check_nr.png",
                                .pressed = L"Check_dn.png",
                                .size = &size,
                                .left = origin.x,
                                .top = origin.y,
                                .parentBkg = m_imgBkg.get(),
                                .toggle = true}))
                continue;
            box.SetText(kCheckLabels[i], 22);
            box.SetTextColours(g_opt.Txt_clr, g_opt.Txt_clr, g_opt.Txt_clr);
            if (!m_bCheckBoxes)
                ::ShowWindow(box.Hwnd(), SW_HIDE);
        }
    }
    if (m_hInput) {
        ::SetFocus(m_hInput);
        return FALSE;
    }
    return TRUE;
}

void CMsgDlg::ShowCombo() {
    if (m_hInput)
        ::SetWindowTextW(m_hInput, W(ComboText(m_combo)).c_str());
}

bool CMsgDlg::PreTranslateMessage(MSG& msg) {
    const bool keyMsg = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP ||
                        msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP;
    if (!keyMsg)
        return false;
    if (Kind() == kKeyCombo) {
        const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
        const uint32_t vk = RefineKey(uint32_t(msg.wParam), msg.lParam);
        if (CaptureKey(m_combo, ProgramKeyCaptureMemory(), vk, up, ::GetTickCount(), m_bSingleKey,
                       m_bCheckBoxes))
            ShowCombo();
        return true;
    }
    switch (msg.wParam) {
    case VK_RETURN:
        if (msg.message == WM_KEYDOWN)
            OnOK();
        return true;
    case VK_ESCAPE:
    case VK_SPACE:
    case VK_F1:
        return true;
    default:
        return false;
    }
}

bool CMsgDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id >= kCheckFirstId && id < kCheckFirstId + 4) {
        if (HIWORD(wParam) == BN_CLICKED) {
            CPngBtn& box = m_btnCheck[id - kCheckFirstId];
            box.SetCheck(!box.GetCheck());
        }
        return true;
    }
    if (id == kInputId) {
        if (HIWORD(wParam) == EN_CHANGE && Kind() == kNumberInput && !m_bReplacingText)
            OnInputChanged();
        return true;
    }
    if ((id == IDYES || id == IDNO) && Kind() == kChoice) {
        EndDialog(id);
        return true;
    }
    return fw::Dialog::OnCommand(wParam, lParam);
}

void CMsgDlg::OnInputChanged() {
    wchar_t buf[32] = {};
    ::GetWindowTextW(m_hInput, buf, int(std::size(buf)));
    const NumberCheck check = CheckNumberInput(buf, m_nMin, m_nMax);
    if (!check.isNumber)
        return;
    m_strHint = NumberHint(check.hint, Txt(u"tc_tip4"), m_nMin, m_nMax);
    if (check.replaceWithMax) {
        m_bReplacingText = true;
        ::SetWindowTextW(m_hInput, std::to_wstring(m_nMax).c_str());
        m_bReplacingText = false;
        const int len = ::GetWindowTextLengthW(m_hInput);
        ::SendMessageW(m_hInput, EM_SETSEL, WPARAM(len), LPARAM(len));
    }
    const RECT hint = HintRect();
    ::InvalidateRect(m_hwnd, &hint, FALSE);
}

void CMsgDlg::OnOK() {
    const int kind = Kind();
    if (kind == kNumberInput) {
        wchar_t buf[32] = {};
        ::GetWindowTextW(m_hInput, buf, int(std::size(buf)));
        m_nResult = int32_t(std::wcstoul(buf, nullptr, 10));
        // Compared as unsigned: a bound of -1 rejects everything on its side.
        if (uint32_t(m_nResult) < uint32_t(m_nMin) || uint32_t(m_nResult) > uint32_t(m_nMax)) {
            m_strHint = NumberHint(NumberCheck::Below, Txt(u"tc_tip4"), m_nMin, m_nMax);
            const RECT hint = HintRect();
            ::InvalidateRect(m_hwnd, &hint, FALSE);
            return;
        }
    } else if (kind == kTextInput) {
        const int len = ::GetWindowTextLengthW(m_hInput);
        std::wstring text(size_t(len) + 1, L'\0');
        ::GetWindowTextW(m_hInput, text.data(), len + 1);
        text.resize(size_t(len));
        m_strResult = text;
        if (text.empty()) {
            fw::Dialog::OnCancel();
            return;
        }
    } else if (kind == kChoice) {
        // Enter answers Yes, as the first button.
        EndDialog(IDYES);
        return;
    } else if (kind == kKeyCombo && m_bCheckBoxes) {
        m_combo.mods = 0;
        for (int i = 0; i < 4; ++i)
            if (m_btnCheck[i].GetCheck())
                m_combo.mods |= kCheckBits[i];
        if (ComboParts(m_combo) > 3) {
            ShowMessage(u"tc_msg29", m_hwnd);
            return;
        }
    }
    fw::Dialog::OnOK();
}

void CMsgDlg::OnCancel() {
    m_nResult = 0;
    fw::Dialog::OnCancel();
}

bool CMsgDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, g_opt.Txt_clr);
        ::SetBkColor(dc, g_opt.clrEdit);
        result = reinterpret_cast<LRESULT>(m_brInput.Get());
        return m_brInput && reinterpret_cast<HWND>(lParam) == m_hInput;
    }
    default:
        return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
    }
}

void CMsgDlg::Paint(HDC dc, const RECT& rc) {
    DrawImage(dc, m_imgBkg.get(), 0, 0, rc.right, rc.bottom);
    HFONT font = TextFont();
    popup::DrawTitle(dc, m_strTitle, rc.right, font);
    if (m_hInput) {
        // The message sits just above the input field.
        const RECT input = InputRect();
        DrawTextIn(dc, m_strMsg, {input.left, kTitleBand, input.right, input.top - 4}, font,
                   g_opt.Txt_clr, DT_SINGLELINE | DT_BOTTOM | DT_END_ELLIPSIS);
        DrawTextIn(dc, m_strHint, HintRect(), font, g_opt.Txt_clr,
                   DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    } else {
        // The body, centred vertically between the title band and the footer.
        RECT body{26, kTitleBand + 8, rc.right - 26, kFooterTop - 8};
        RECT measure = body;
        {
            fw::SelectScope select(dc, font);
            ::DrawTextW(dc, m_strMsg.c_str(), int(m_strMsg.size()), &measure,
                        DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
        }
        const int textHeight = measure.bottom - measure.top;
        if (textHeight < body.bottom - body.top)
            body.top += (body.bottom - body.top - textHeight) / 2;
        DrawTextIn(dc, m_strMsg, body, font, g_opt.Txt_clr, DT_WORDBREAK | DT_END_ELLIPSIS);
    }
}
