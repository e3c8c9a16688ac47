// The macro page's steps: recording the keys the main window hands over, and
// inserting, editing and deleting steps.

#include "pages/MacroDlg.h"

#include "controls/SkinAssets.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"

using settings::g_opt;
using settings::WriteLog;

namespace {

constexpr uint32_t kBothChanged = kMacroStepsChanged | kMacroSettingsChanged;
// The delay entry: at most six digits.
constexpr int kDelayDigits = 6;

} // namespace

int CMacroDlg::StepLimit() const {
    return mac::StepLimit(settings::g_macroLimits.nMaxSteps);
}

bool CMacroDlg::RefusedWhileRecording() const {
    if (!m_bRecording)
        return false;
    Say(u"tc_macro_msg17");
    return true;
}

// ---------------------------------------------------------- recording --

bool CMacroDlg::TakeKey(const MSG& msg) {
    if (!m_bRecording)
        return false;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    OnRecordKey(RefineKey(uint32_t(msg.wParam), msg.lParam), up, uint32_t(msg.time));
    // Every key belongs to the recording, Alt and F10 included.
    return true;
}

const char16_t* CMacroDlg::LeaveRefusal() const {
    return m_bRecording ? u"tc_macro_msg17" : nullptr;
}

void CMacroDlg::OnRecordButton() {
    if (m_bRecording)
        StopRecording();
    else
        StartRecording();
}

void CMacroDlg::StartRecording() {
    MacroTree::Item selected = m_tree.Selected();
    if (!selected || m_tree.IsFolder(selected) || selected != m_shownItem || m_dwShownId == 0) {
        m_btnRecord.SetCheck(false);
        Say(u"tc_macro_msg1");
        return;
    }
    m_bRecording = true;
    m_recorder = {};
    m_items.clear();
    RefillSteps(std::nullopt);
    m_btnRecord.SetText(Txt(u"tc_macro_stop"));
    m_btnRecord.SetCheck(true);
    ShowCountField();
    WriteLog("CMacroDlg: recording macro 0x%x", unsigned(m_dwShownId));
    Redraw();
}

void CMacroDlg::StopRecording() {
    mac::FinishRecording(m_recorder, m_items);
    m_bRecording = false;
    m_btnRecord.SetText(Txt(u"tc_macro_start"));
    m_btnRecord.SetCheck(false);
    ShowCountField();
    RefillSteps(std::nullopt);
    MarkChanged(kBothChanged);
    WriteLog("CMacroDlg: recording stopped, %d steps", mac::KeyItemCount(m_items));
    Redraw();
}

void CMacroDlg::OnRecordKey(uint32_t vk, bool up, uint32_t tick) {
    const mac::Recorded r =
        mac::RecordKey(m_recorder, m_items, vk, up, tick, m_btnDelays.GetCheck(),
                       settings::g_macroLimits.nMinDelay, StepLimit());
    if (r == mac::Recorded::Taken) {
        WriteLog("CMacroDlg: recorded key 0x%x %s", unsigned(vk), up ? "up" : "down");
        RefillSteps(m_items.empty() ? std::nullopt : std::optional<size_t>(m_items.size() - 1));
    } else if (r == mac::Recorded::Full) {
        // The macro is full: the recording ends there, once, with its keys
        // released.
        StopRecording();
        Say(u"tc_macro_msg18");
    }
}

// -------------------------------------------------------------- the list --

void CMacroDlg::RefillSteps(std::optional<size_t> select) {
    m_steps.DeleteAll();
    MacroTree::Item selected = nullptr;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const mac::StepItem& step = m_items[i];
        TreeRecord record;
        const std::u16string text = mac::StepText(step);
        record.text.assign(text.begin(), text.end());
        record.value = step.value;
        record.kind = step.kind;
        record.muted = step.kind == mac::kDelay;
        record.icon = step.kind == mac::kPress     ? m_nIconPress
                      : step.kind == mac::kRelease ? m_nIconRelease
                                                   : -1;
        MacroTree::Item item = m_steps.InsertRecord(nullptr, record);
        if (select && *select == i)
            selected = item;
    }
    m_steps.Select(selected);
}

std::optional<size_t> CMacroDlg::SelectedStep() const {
    MacroTree::Item selected = m_steps.Selected();
    size_t i = 0;
    for (MacroTree::Item item = m_steps.FirstChild(nullptr); item;
         item = m_steps.NextSibling(item), ++i)
        if (item == selected)
            return i;
    return std::nullopt;
}

void CMacroDlg::OnStepsClick(UINT msg, MacroTree::Item item) {
    if (msg == WM_TREE_LCLICK)
        return; // selecting a step is all
    if (RefusedWhileRecording())
        return;
    if (m_dwShownId == 0)
        return;
    if (msg == WM_TREE_DBLCLK) {
        if (item)
            EditStep();
        return;
    }
    POINT pt;
    ::GetCursorPos(&pt);
    OpenMenu(item ? mac::MenuPlace::Step : mac::MenuPlace::StepBackground, pt);
}

uint32_t CMacroDlg::CaptureKey() const {
    CMsgDlg capture;
    capture.m_nKind = CMsgDlg::kKeyCombo;
    capture.m_strMsg = Txt(u"tc_msg7");
    capture.m_bSingleKey = true;
    capture.m_bCheckBoxes = true;
    if (capture.DoModal(Owner()) != IDOK)
        return 0;
    return mac::CapturedKey(capture.m_combo.mods, capture.m_combo.keys[0]);
}

std::optional<uint32_t> CMacroDlg::AskDelay(uint32_t shown) const {
    CMsgDlg number;
    number.m_nKind = CMsgDlg::kNumberInput;
    number.m_strMsg = Txt(u"tc_macro_msg12");
    number.m_nMin = g_opt.MinUIDelay;
    number.m_nMax = int32_t(mac::kMaxDelay);
    number.m_nLimit = kDelayDigits;
    if (shown != 0)
        number.m_strResult = std::to_wstring(shown);
    if (number.DoModal(Owner()) != IDOK)
        return std::nullopt;
    return mac::ClampDelay(number.m_nResult, settings::g_macroLimits.nMinDelay);
}

void CMacroDlg::Insert(uint32_t what) {
    if (RefusedWhileRecording())
        return;
    if (m_dwShownId == 0) {
        Say(u"tc_macro_msg1");
        return;
    }
    const std::optional<size_t> selected = SelectedStep();
    // The fewest key steps the command adds decide whether there is room.
    const int keysAdded = what >= kVkMacroLeft && what <= kVkMacroButton4 ? 2
                          : what == mac::kInsertDelay                     ? 0
                                                                          : 1;
    if (mac::KeyItemCount(m_items) + keysAdded > StepLimit()) {
        Say(u"tc_macro_msg18");
        return;
    }
    mac::Steps added;
    if (what >= kVkMacroLeft && what <= kVkMacroButton4) {
        added = mac::ClickItems(what, m_btnDelays.GetCheck());
    } else if (what == mac::kInsertPress || what == mac::kInsertRelease) {
        const uint32_t vk = CaptureKey();
        if (vk == 0)
            return;
        added = mac::KeyItems(vk, what == mac::kInsertPress, selected.has_value());
    } else if (what == mac::kInsertDelay) {
        const std::optional<uint32_t> delay = AskDelay(0);
        if (!delay)
            return;
        added = {{mac::kDelay, *delay}};
    } else {
        return;
    }
    const std::optional<size_t> anchor =
        mac::InsertItems(m_items, selected, g_opt.InsertBefore != 0, added);
    RefillSteps(anchor);
    MarkChanged(kMacroStepsChanged);
}

void CMacroDlg::EditStep() {
    if (RefusedWhileRecording())
        return;
    const std::optional<size_t> selected = SelectedStep();
    if (m_dwShownId == 0 || !selected)
        return;
    mac::StepItem& step = m_items[*selected];
    if (step.kind == mac::kDelay) {
        const std::optional<uint32_t> delay = AskDelay(step.value);
        if (!delay)
            return;
        step.value = *delay;
    } else {
        const uint32_t vk = CaptureKey();
        if (vk == 0)
            return;
        step.value = vk;
    }
    RefillSteps(selected);
    MarkChanged(kMacroStepsChanged);
}

void CMacroDlg::DeleteStep() {
    if (RefusedWhileRecording())
        return;
    const std::optional<size_t> selected = SelectedStep();
    if (m_dwShownId == 0 || !selected)
        return;
    m_items.erase(m_items.begin() + std::ptrdiff_t(*selected));
    RefillSteps(std::nullopt);
    MarkChanged(kMacroStepsChanged);
}
