// The function picker of the keys page: the menu a key button opens, and
// what a choice from it becomes, through its second dialog where the
// function needs more (a macro, a key combination, the fire key's numbers).
#include "pages/KeyDlg.h"

#include "controls/ComboList.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "pages/FireKeyDlg.h"
#include "pages/MacroPick.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/MacroList.h"

#include <vector>

using settings::g_opt;
using settings::WriteLog;
using namespace keys;

namespace {
constexpr int kPickerItemHeight = 20;
constexpr int kMacroPage = 2; // ShowPage number of the macro page
} // namespace

void CKeyDlg::OpenFunctionPicker(int key) {
    if (key < 0 || key >= kKeysPerMode || !m_btnKey[size_t(key)].Hwnd())
        return;
    ProfileRecord cur{};
    const bool hasProfile = CopyCurrentProfile(cur);
    if (hasProfile && m_nSelMode >= 0)
        cur.nCurMode = m_nSelMode;
    const std::vector<PickerEntry> entries =
        PickerEntries(PickerOptionsOf(g_opt, hasProfile ? &cur : nullptr),
                      [](const char16_t* textKey) { return settings::Text(textKey); });
    std::vector<KelmoEntry> menu(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        AddMenuEntry(entries[i].parent, menu.data(), int(i), entries[i].code, W(entries[i].text));

    // Laid out with its real height: below the button, or above it when the
    // whole list would not fit on the screen.
    RECT button;
    ::GetWindowRect(m_btnKey[size_t(key)].Hwnd(), &button);
    const RECT rc = PickerRect(button, g_opt.MenuW);
    const int items = MainListCount(entries);
    const POINT anchor =
        ComboMenuAnchor(rc, items, kPickerItemHeight, ::GetSystemMetrics(SM_CYFULLSCREEN));
    WriteLog("OpenFunctionPicker: key %d, %d entries, %d in the main list, at %d,%d", key,
             int(entries.size()), items, int(anchor.x), int(anchor.y));
    ShowMenu(menu.data(), m_hwnd, anchor, kPickerItemHeight, ComboMenuWidth(0, rc.right - rc.left),
             g_opt.Menu_txt_clr_nr, g_opt.Menu_txt_clr_ov, g_opt.Menu_txt_clr_dn, LPARAM(key),
             int(menu.size()));
}

void CKeyDlg::OnFunctionChosen(uint32_t code, int keyIndex) {
    WriteLog("OnFunctionChosen: code=0x%x, key=%d", unsigned(code), keyIndex);
    if (!DeviceReady())
        return;
    if (keyIndex < 0 || keyIndex >= kKeysPerMode) {
        CMsgDlg::ShowMessage(u"tc_macro_msg17", Owner());
        return;
    }
    ProfileRecord cur{};
    if (!CopyCurrentProfile(cur) || cur.dwProfileID == 0)
        return;
    if (const std::optional<KeyInfo> record = RecordForChoice(code, keyIndex))
        AssignKey(keyIndex, *record);
}

std::optional<KeyInfo> CKeyDlg::RecordForChoice(uint32_t code, int key) {
    switch (KindOfChoice(code)) {
    case ChoiceKind::Macro:
        if (const std::optional<uint32_t> id = PickMacro())
            return MacroRecord(*id);
        return std::nullopt;
    case ChoiceKind::Combo:
        return CaptureCombo();
    case ChoiceKind::FireKey:
        return AskFireKey(key);
    case ChoiceKind::Snipe:
        return SnipeRecord(code);
    case ChoiceKind::CustomKey:
        return CustomKeyRecord(g_opt.CustomkeyCode);
    case ChoiceKind::ExtraKey: {
        const std::optional<KeyInfo> record = ExtraKeyRecord(
            code & 0xFFFFFF, {g_opt.ExKey1, g_opt.ExKey2, g_opt.ExKey3, g_opt.ExKey4});
        if (!record)
            CMsgDlg::ShowMessageText(L"Wrong Ex Key Index", Owner());
        return record;
    }
    case ChoiceKind::Plain:
        return PlainRecord(code);
    case ChoiceKind::None:
        break;
    }
    return std::nullopt;
}

std::optional<uint32_t> CKeyDlg::PickMacro() {
    if (g_MacroList.Count() == 0) {
        // Nothing to pick: the user may go and record one.
        CMsgDlg question;
        question.m_nKind = CMsgDlg::kQuestion;
        question.m_strMsg = Txt(u"tc_msg9");
        if (question.DoModal(Owner()) == IDOK && Host())
            Host()->ShowPage(kMacroPage);
        return std::nullopt;
    }
    const std::optional<uint32_t> id = PickMacroForKey(Owner());
    if (!id || *id == 0)
        return std::nullopt;
    return id;
}

std::optional<KeyInfo> CKeyDlg::CaptureCombo() {
    CMsgDlg capture;
    capture.m_nKind = CMsgDlg::kKeyCombo;
    capture.m_strMsg = Txt(u"tc_combo_tips");
    capture.m_bCheckBoxes = g_opt.ComboRec != 0;
    if (capture.DoModal(Owner()) != IDOK)
        return std::nullopt;
    return ComboRecord(capture.m_combo.mods, capture.m_combo.keys);
}

std::optional<KeyInfo> CKeyDlg::AskFireKey(int key) {
    CFirekeyDlg dlg;
    ProfileRecord cur{};
    if (CopyCurrentProfile(cur))
        dlg.m_current =
            cur.Key[m_nSelMode >= 0 ? m_nSelMode : ShownMode(cur.nCurMode, m_nModes)][key];
    if (dlg.DoModal(Owner()) != IDOK)
        return std::nullopt;
    return FireKeyRecord(dlg.m_nSpeed, dlg.m_nCount);
}
