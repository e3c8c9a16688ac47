#include "pages/MacroDlg.h"

#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "model/ApplyRequest.h"
#include "pages/MacroPlaces.h"
#include "pages/MsgDlg.h"
#include "platform/MessageBox.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/MacroFile.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"

#include <cwchar>

using settings::g_opt;
using settings::WriteLog;

namespace {

constexpr COLORREF kRecordingColour = RGB(229, 72, 77);

// A small arrow for key steps: down for a press, up for a release.
fw::Image ArrowIcon(bool down, COLORREF colour) {
    auto icon = std::make_unique<Gdiplus::Bitmap>(16, 16, PixelFormat32bppARGB);
    Gdiplus::Graphics g(icon.get());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    Gdiplus::Pen pen(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)),
                     1.6f);
    pen.SetStartCap(Gdiplus::LineCapRound);
    pen.SetEndCap(Gdiplus::LineCapRound);
    const float tip = down ? 12.5f : 3.5f, tail = down ? 3.5f : 12.5f;
    const float wing = down ? 8.5f : 7.5f;
    g.DrawLine(&pen, 8.0f, tail, 8.0f, tip);
    g.DrawLine(&pen, 4.5f, wing, 8.0f, tip);
    g.DrawLine(&pen, 11.5f, wing, 8.0f, tip);
    return icon;
}

void ShowIf(HWND hwnd, bool show) {
    if (hwnd)
        ::ShowWindow(hwnd, show ? SW_SHOWNA : SW_HIDE);
}

} // namespace

CMacroDlg::CMacroDlg() : CSkinPage(L"macro_nr.png") {}

CMacroDlg::~CMacroDlg() = default;

BOOL CMacroDlg::OnInitDialog() {
    CSkinPage::OnInitDialog();
    m_brCount = fw::Brush(::CreateSolidBrush(g_opt.clrEdit));
    MakeControls();
    ReloadTree();
    ShowNothing();
    return TRUE;
}

bool CMacroDlg::DestroyWindow() {
    CloseMenus();
    return CSkinPage::DestroyWindow();
}

void CMacroDlg::MakeControls() {
    TreeCtrlArgs tree;
    tree.parent = m_hwnd;
    tree.parentBkg = Background();
    tree.transparent = g_opt.ListTrans != 0;
    tree.text = g_opt.LstBox_txt_clr_nr;
    tree.textSelected = g_opt.LstBox_txt_clr_dn;
    tree.background = g_opt.LstBox_bkg_clr;
    tree.selected = g_opt.LstBox_item_clr;
    tree.frame = g_opt.clrMacFrame;
    tree.font = TextFont();

    tree.id = kIdTree;
    tree.rect = mac::TreePlace();
    // Pressing the shown macro again does not show it afresh.
    tree.singleSelect = true;
    m_tree.Create(tree);
    m_tree.SetFolderIcons(LoadSkinImage(L"close.png"), LoadSkinImage(L"open.png"));

    tree.id = kIdSteps;
    tree.rect = mac::StepsPlace();
    tree.singleSelect = false;
    m_steps.Create(tree);
    m_nIconPress = m_steps.AddIcon(ArrowIcon(true, RGB(0, 190, 255)));
    m_nIconRelease = m_steps.AddIcon(ArrowIcon(false, g_opt.LstBox_txt_clr_nr));

    if (MakeButton(m_btnRecord, L"recbtn_nr.png", L"recbtn_nr.png", L"recbtn_dn.png",
                   mac::RecordPlace(), Txt(u"tc_macro_start"), true))
        // The recording look is red: its caption white, not the accent.
        m_btnRecord.SetTextColours(g_opt.Btn_txt_clr_nr, g_opt.Btn_txt_clr_ov, RGB(255, 255, 255));

    MakeToggle(m_btnDelays, kIdDelays, L"check_nr.png", L"check_dn.png", mac::DelaysPlace(),
               Txt(u"tc_macro_auto"));
    const char16_t* repeatTexts[3] = {u"tc_macro_loop1", u"tc_macro_loop2", u"tc_macro_loop3"};
    for (int i = 0; i < 3; ++i)
        MakeToggle(m_btnRepeat[i], kIdRepeat[i], L"radio_nr.png", L"radio_dn.png",
                   mac::RepeatPlace(i), Txt(repeatTexts[i]));

    const RECT cp = mac::CountEditPlace();
    m_hCount = ::CreateWindowExW(0, L"EDIT", L"1", WS_CHILD | ES_CENTER | ES_NUMBER, cp.left,
                                 cp.top, cp.right - cp.left, cp.bottom - cp.top, m_hwnd,
                                 reinterpret_cast<HMENU>(UINT_PTR(kIdCount)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    if (m_hCount) {
        ::SendMessageW(m_hCount, WM_SETFONT, WPARAM(TextFont()), FALSE);
        ::SendMessageW(m_hCount, EM_SETLIMITTEXT, 3, 0);
    } else {
        WriteLog("CMacroDlg: the repeat count field was not created");
    }

    MakeButton(m_btnSave, L"btn_nr.png", L"btn_ov.png", L"btn_ov.png", mac::SavePlace(),
               Txt(u"tc_macro_msg6"), false);
    SetSaveVisible(false);

    if (g_opt.MacOperBtn != 0) {
        // The two deletes say what they delete: side by side, "Delete" alone
        // would not tell the macro's from the step's.
        const char16_t* opTexts[5] = {u"tc_macro_msg5", u"tc_macro_delete", u"tc_macro_loop",
                                      u"tc_macro_msg7", u"tc_macro_delete_step"};
        for (int i = 0; i < 5; ++i) {
            m_btnOp[i].SetId(kIdOp[i]);
            MakeButton(m_btnOp[i], L"macbtn_nr.png", L"macbtn_ov.png", L"macbtn_ov.png",
                       mac::OpPlace(i), Txt(opTexts[i]), false);
        }
    }
}

bool CMacroDlg::MakeButton(CPngBtn& btn, const wchar_t* normal, const wchar_t* hover,
                           const wchar_t* pressed, const RECT& place, const std::wstring& caption,
                           bool toggle) {
    SkinButtonArgs args;
    args.parent = m_hwnd;
    args.btn = &btn;
    args.normal = normal;
    args.hover = hover;
    args.pressed = pressed;
    const RECT size{0, 0, place.right - place.left, place.bottom - place.top};
    args.size = &size;
    args.left = place.left;
    args.top = place.top;
    args.parentBkg = Background();
    args.bkgOrigin = {place.left, place.top};
    args.toggle = toggle;
    args.caption = caption.c_str();
    return NewSkinButton(args) == 1;
}

void CMacroDlg::MakeToggle(CPngBtn& btn, UINT id, const wchar_t* normal, const wchar_t* checked,
                           const RECT& place, const std::wstring& label) {
    btn.SetId(id);
    // The label is part of the button: a click on it toggles too.
    if (!MakeButton(btn, normal, normal, checked, place, std::wstring(), true))
        return;
    btn.SetText(label, mac::kLabelOffset);
    btn.SetTextColours(g_opt.Txt_clr, g_opt.Txt_clr, g_opt.Txt_clr);
    btn.SetFont(TextFont());
}

HWND CMacroDlg::Owner() const {
    return ::GetAncestor(m_hwnd, GA_ROOT);
}

bool CMacroDlg::Ask(const char16_t* key) const {
    WriteLog("Question: %s", settings::LogText(settings::Text(key)).c_str());
    CMsgDlg question;
    question.m_nKind = CMsgDlg::kQuestion;
    question.m_strMsg = Txt(key);
    return question.DoModal(Owner()) == IDOK;
}

void CMacroDlg::Say(const char16_t* key) const {
    CMsgDlg::ShowMessage(key, Owner());
}

// ------------------------------------------------------------ showing --

void CMacroDlg::ShowNothing() {
    m_shownItem = nullptr;
    m_dwShownId = 0;
    m_dwChanges = 0;
    m_items.clear();
    // Settings of no macro: nothing ticked.
    m_btnDelays.SetCheck(false);
    for (CPngBtn& radio : m_btnRepeat)
        radio.SetCheck(false);
    RefillSteps(std::nullopt);
    SetSaveVisible(false);
    ShowCountField();
}

void CMacroDlg::ShowMacro(MacroTree::Item item) {
    StMacro macro{};
    const uint32_t id = m_tree.ItemMacroId(item);
    if (!item || m_tree.IsFolder(item) || !CopyMacroById(id, macro)) {
        if (item && !m_tree.IsFolder(item))
            WriteLog("CMacroDlg: macro 0x%x of the tree is not in the library", unsigned(id));
        ShowNothing();
        return;
    }
    m_shownItem = item;
    m_dwShownId = id;
    m_dwChanges = 0;
    WriteLog("CMacroDlg: showing macro 0x%x", unsigned(id));
    ShowSettings(macro);
    m_items = mac::ItemsOfMacro(macro, StepLimit());
    RefillSteps(std::nullopt);
    SetSaveVisible(false);
}

void CMacroDlg::ShowSettings(const StMacro& macro) {
    m_btnDelays.SetCheck(macro.bAutoDelay != 0);
    m_nStoredMode = macro.nRepeatMode;
    const std::optional<int> radio = mac::RadioOfMode(macro.nRepeatMode);
    if (!radio)
        WriteLog("CMacroDlg: repeat mode %d is kept as it is", int(macro.nRepeatMode));
    for (int i = 0; i < 3; ++i)
        m_btnRepeat[i].SetCheck(radio && *radio == i);
    if (m_hCount) {
        m_bQuiet = true;
        ::SetWindowTextW(m_hCount, std::to_wstring(macro.wRepeatCount).c_str());
        m_bQuiet = false;
    }
    ShowCountField();
}

void CMacroDlg::ShowCountField() {
    const std::optional<int> radio = SelectedRepeat();
    const bool show = m_dwShownId != 0 && !m_bRecording && radio && *radio == 0;
    if (m_hCount && show != bool(::GetWindowLongW(m_hCount, GWL_STYLE) & WS_VISIBLE)) {
        ShowIf(m_hCount, show);
        // Its box is drawn by the page.
        const RECT box = mac::CountPlace();
        ::InvalidateRect(m_hwnd, &box, FALSE);
    }
}

std::optional<int> CMacroDlg::SelectedRepeat() const {
    for (int i = 0; i < 3; ++i)
        if (m_btnRepeat[i].GetCheck())
            return i;
    return std::nullopt;
}

void CMacroDlg::SelectRepeat(int radio) {
    for (int i = 0; i < 3; ++i)
        m_btnRepeat[i].SetCheck(i == radio);
    ShowCountField();
}

void CMacroDlg::MarkChanged(uint32_t bits) {
    if (m_dwShownId == 0)
        return;
    m_dwChanges |= bits;
    SetSaveVisible(true);
}

void CMacroDlg::SetSaveVisible(bool visible) {
    ShowIf(m_btnSave.Hwnd(), visible);
}

bool CMacroDlg::LeaveShownMacro() {
    if (m_dwChanges == 0)
        return true;
    if (!Ask(u"tc_msg23")) {
        WriteLog("CMacroDlg: stays with the changes of macro 0x%x", unsigned(m_dwShownId));
        // The tree keeps showing where the user still is.
        if (m_tree.Contains(m_shownItem))
            m_tree.Select(m_shownItem);
        return false;
    }
    WriteLog("CMacroDlg: unsaved changes of macro 0x%x dropped", unsigned(m_dwShownId));
    m_dwChanges = 0;
    SetSaveVisible(false);
    return true;
}

bool CMacroDlg::ConfirmLeave() {
    // A recording under way counts as an edit (only the user's exit gets
    // here while recording: page switches are refused before).
    if (m_dwChanges == 0 && !m_bRecording)
        return true;
    if (!Ask(u"tc_msg23")) {
        WriteLog("CMacroDlg: stays with the changes of macro 0x%x", unsigned(m_dwShownId));
        return false;
    }
    WriteLog("CMacroDlg: unsaved changes of macro 0x%x dropped", unsigned(m_dwShownId));
    if (m_bRecording)
        StopRecording();
    m_dwChanges = 0;
    // What is shown is the library's macro again.
    ShowMacro(m_shownItem);
    return true;
}

void CMacroDlg::OnCountChanged() {
    if (m_bQuiet || !m_hCount)
        return;
    wchar_t text[16]{};
    ::GetWindowTextW(m_hCount, text, int(std::size(text)));
    if (const std::optional<std::wstring> corrected = mac::CorrectCount(text)) {
        m_bQuiet = true;
        ::SetWindowTextW(m_hCount, corrected->c_str());
        const int end = ::GetWindowTextLengthW(m_hCount);
        ::SendMessageW(m_hCount, EM_SETSEL, WPARAM(end), LPARAM(end));
        m_bQuiet = false;
    }
    MarkChanged(kMacroSettingsChanged);
}

// -------------------------------------------------------------- saving --

void CMacroDlg::Save() {
    if (m_dwShownId == 0 || !m_tree.Contains(m_shownItem))
        return;
    StMacro macro{};
    if (!CopyMacroById(m_dwShownId, macro))
        return;
    if (m_dwChanges & kMacroSettingsChanged) {
        macro.bAutoDelay = m_btnDelays.GetCheck() ? 1 : 0;
        const std::optional<int> radio = SelectedRepeat();
        macro.nRepeatMode = radio ? mac::kRepeatModes[*radio] : m_nStoredMode;
        if (macro.nRepeatMode == 0 && m_hCount) {
            wchar_t text[16]{};
            ::GetWindowTextW(m_hCount, text, int(std::size(text)));
            macro.wRepeatCount = mac::CountOfField(text);
        }
    }
    if (m_dwChanges & kMacroStepsChanged) {
        mac::TidySteps(m_items);
        if (mac::StoreSteps(m_items, macro) && g_opt.Debug != 0)
            platform::ShowMessageBox(u"Capture keycode=0", u"Warning");
    }

    // The file must be this macro's own: another macro's file never gets
    // written over (two names can make one file name).
    std::u16string path;
    StMacro onDisk{};
    if (!TreeItem_To_FilePath(m_shownItem, m_tree, path)) {
        Say(u"tc_macro_msg21");
        return;
    }
    if (ReadMacroFile(path, onDisk) && (onDisk.dwID & 0xFFFFFF) != m_dwShownId) {
        WriteLog("CMacroDlg: %s belongs to macro 0x%x", settings::LogText(path).c_str(),
                 unsigned(onDisk.dwID));
        Say(u"tc_macro_msg8");
        return;
    }

    macro.dwFlags |= m_dwChanges;
    ReplaceMacroContent(m_dwShownId, macro);
    m_items = mac::ItemsOfMacro(macro, StepLimit());
    RefillSteps(std::nullopt);
    // A file that could not be written keeps the edits marked: Save stays.
    if (!Flush_Dirty_Macro(m_shownItem, &m_tree)) {
        WriteLog("CMacroDlg: macro 0x%x was not saved", unsigned(m_dwShownId));
        return;
    }
    WriteLog("CMacroDlg: macro 0x%x saved", unsigned(m_dwShownId));
    m_dwChanges = 0;
    SetSaveVisible(false);
    if (g_opt.ApplyNow != 0 && MacroUsedByProfile(m_dwShownId))
        PostApply(APPLY_KEYS, kApplyAll);
}

// ------------------------------------------------------------ messages --

bool CMacroDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == kIdCount) {
        if (code == EN_CHANGE)
            OnCountChanged();
        return true;
    }
    // A second click soon after the first arrives as a double click.
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED)
        return CSkinPage::OnCommand(wParam, lParam);
    if (id == kIdRecord) {
        OnRecordButton();
        return true;
    }
    if (RefusedWhileRecording())
        return true;
    if (id == kIdSave) {
        Save();
    } else if (id == kIdDelays) {
        if (m_dwShownId != 0) {
            m_btnDelays.SetCheck(!m_btnDelays.GetCheck());
            MarkChanged(kMacroSettingsChanged);
        }
    } else if (id >= kIdRepeat[0] && id <= kIdRepeat[2]) {
        if (m_dwShownId != 0) {
            SelectRepeat(int(id - kIdRepeat[0]));
            MarkChanged(kMacroSettingsChanged);
        }
    } else if (id == kIdOp[0]) {
        RunCommand(mac::kCmdNew);
    } else if (id == kIdOp[1]) {
        RunCommand(mac::kCmdDelete);
    } else if (id == kIdOp[2]) {
        // The insert button opens the insert menu at itself.
        RECT rc{};
        ::GetWindowRect(m_btnOp[2].Hwnd(), &rc);
        OpenMenu(mac::MenuPlace::StepBackground, POINT{rc.left, rc.bottom});
    } else if (id == kIdOp[3]) {
        RunCommand(mac::kCmdEditStep);
    } else if (id == kIdOp[4]) {
        RunCommand(mac::kCmdDeleteStep);
    } else {
        return CSkinPage::OnCommand(wParam, lParam);
    }
    return true;
}

bool CMacroDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_TREE_LCLICK:
    case WM_TREE_RCLICK:
    case WM_TREE_DBLCLK: {
        auto item = reinterpret_cast<MacroTree::Item>(lParam);
        if (wParam == kIdTree)
            OnTreeClick(msg, item);
        else if (wParam == kIdSteps)
            OnStepsClick(msg, item);
        result = 0;
        return true;
    }
    case WM_MENU_CHOICE:
        OnMenuChoice(uint32_t(wParam));
        result = 0;
        return true;
    case WM_MACRO_KEY:
        if (m_bRecording)
            OnRecordKey(uint32_t(wParam), lParam != 0, ::GetTickCount());
        result = 0;
        return true;
    case WM_SHOWWINDOW:
        if (wParam && MacroLibraryRevision() != m_nRevision)
            ReloadTree();
        return CSkinPage::OnMessage(msg, wParam, lParam, result);
    case WM_LBUTTONDOWN:
        CloseMenus();
        return CSkinPage::OnMessage(msg, wParam, lParam, result);
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, g_opt.clrEdit);
        ::SetTextColor(dc, g_opt.LstBox_txt_clr_nr);
        result = reinterpret_cast<LRESULT>(m_brCount.Get());
        return true;
    }
    default:
        return CSkinPage::OnMessage(msg, wParam, lParam, result);
    }
}

void CMacroDlg::ShowProfile(const ProfileRecord&) {
    if (MacroLibraryRevision() != m_nRevision)
        ReloadTree();
}

void CMacroDlg::DrawContent(HDC dc) {
    const COLORREF text = g_opt.Txt_clr;
    if (m_hCount && (::GetWindowLongW(m_hCount, GWL_STYLE) & WS_VISIBLE)) {
        const RECT box = mac::CountPlace();
        fw::Brush fill(::CreateSolidBrush(g_opt.clrEdit));
        fw::Brush frame(::CreateSolidBrush(g_opt.clrMacFrame));
        ::FillRect(dc, &box, fill.Get());
        ::FrameRect(dc, &box, frame.Get());
    }
    DrawTextIn(dc, Txt(u"tc_macro_list"), mac::TitleAbove(mac::TreePlace()), m_fontTitle.Get(),
               text, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
    DrawTextIn(dc, Txt(u"tc_macro_key_list"), mac::TitleAbove(mac::StepsPlace()), m_fontTitle.Get(),
               text, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
    if (m_bRecording)
        DrawTextIn(dc, Txt(u"tc_macro_msg19"), mac::RecordingTextPlace(), TextFont(),
                   kRecordingColour, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
