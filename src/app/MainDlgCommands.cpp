// The main window's buttons and menus: profiles, pages, Apply and restore,
// the menu button with profile import and export, minimise and close.

#include "app/AppGlobals.h"
#include "app/ApplyProgress.h"
#include "app/MainDlg.h"
#include "app/PopupMenu.h"
#include "app/resource.h"
#include "controls/FileDialog.h"
#include "model/SensorCatalogue.h"
#include "pages/AboutDlg.h"
#include "pages/MsgDlg.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroStore.h"
#include "store/ProfileDefaults.h"
#include "store/ProfileFile.h"
#include "store/ProfileStore.h"
#include "sync/ApplyWorker.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>

using settings::g_opt;
using settings::WriteLog;

namespace {

// Menu button entries: their codes come back with WM_MENU_CHOICE.
enum MenuCode : uint32_t { kMenuExport = 1, kMenuImport = 2, kMenuAbout = 4 };

// "hvk(*.hvk)|*.hvk|" in the file dialog's own form, and the name the open
// dialog proposes.
constexpr wchar_t kProfileFilter[] = L"hvk(*.hvk)\0*.hvk\0\0";
constexpr wchar_t kProfileInitialName[] = L"*.hvk";

uint32_t ProfileIdAt(int index) {
    auto lock = g_ProfileList.Lock();
    const ProfileRecord* p = g_ProfileList.At(index);
    return p ? p->dwProfileID : 0;
}

// The captions are refreshed after every change that may touch them; one
// that stays the same is not measured and drawn again.
void SetCaption(CPngBtn& btn, const std::wstring& caption) {
    if (btn.GetText() != caption)
        btn.SetText(caption);
}

} // namespace

void CTarvelDlg::InitProfiles() {
    ::InitProfiles();
}

void CTarvelDlg::RefreshProfileCaptions() {
    {
        auto lock = g_ProfileList.Lock();
        for (int i = 0; i < 5; ++i)
            if (const ProfileRecord* p = g_ProfileList.At(i); p && m_btnPro[i].Hwnd())
                SetCaption(m_btnPro[i],
                           WithPendingMark(W(text::FromField(p->szName, kProfileNameChars)), i));
    }
    if (m_btnApply.Hwnd())
        SetCaption(m_btnApply, WithPendingMark(Txt(u"tc_apply"), m_nCurProfile));
}

void CTarvelDlg::RefreshPages() {
    // One copy for all pages, so they all show the same state of it.
    ProfileRecord copy{};
    if (!CSkinPage::CopyCurrentProfile(copy))
        return;
    for (CSkinPage* page : BuiltPages())
        page->ShowProfile(copy);
}

bool CTarvelDlg::ReadPowerLevel(int& level) {
    if (!DeviceOpen())
        return false;
    int ok = 0;
    level = m_usb.GetPowerLevel(&ok);
    return ok != 0;
}

bool CTarvelDlg::MacrosChanged(MacroChange change) {
    bool changed = false;
    for (CSkinPage* page : BuiltPages())
        changed = page->OnMacrosChanged(change) || changed;
    return changed;
}

void CTarvelDlg::RoutePageEvent(int kind, int value) {
    const PageEvent event{kind, value};
    for (CSkinPage* page : BuiltPages())
        page->OnDeviceEvent(event);
}

std::vector<CSkinPage*> CTarvelDlg::BuiltPages() const {
    std::vector<CSkinPage*> pages;
    for (const PageRow& row : m_pages)
        if (row.built && row.page)
            pages.push_back(row.page.get());
    return pages;
}

bool CTarvelDlg::PagesMayBeLeft() {
    for (const CSkinPage* page : BuiltPages()) {
        if (const char16_t* refusal = page->LeaveRefusal()) {
            CMsgDlg::ShowMessage(refusal, MessageOwner());
            return false;
        }
    }
    return true;
}

bool CTarvelDlg::PagesConfirmLeave() {
    for (CSkinPage* page : BuiltPages())
        if (!page->ConfirmLeave())
            return false;
    return true;
}

void CTarvelDlg::SyncUiToSensor() {
    RefreshProfileCaptions();
    const uint32_t savedId = LoadCurId();
    const int count = g_ProfileList.Count();
    if (savedId != 0) {
        if (count == 0)
            return;
        const uint32_t proSensor = [] {
            auto lock = g_ProfileList.Lock();
            return g_ProfileList.At(0)->nSensor;
        }();
        WriteLog("Switch sensor bAutoSwitch=%x, ProSensor=0x%x, CurSensor=0x%x, DevHandle=0x%x",
                 unsigned(g_opt.AutoSw), unsigned(proSensor), unsigned(g_nCurSensor),
                 unsigned(reinterpret_cast<uintptr_t>(m_usb.CommandHandle())));
        if (g_opt.AutoSw != 0 && g_nCurSensor != proSensor) {
            if (DeviceOpen())
                RebaseProfilesOnSensor(g_nCurSensor);
            else
                set_cur_sensor(proSensor);
        }
    }
    WriteLog("Init UI Layout for 0x%x", unsigned(g_nCurSensor));
    for (CSkinPage* page : BuiltPages())
        page->ApplySensorLayout();
    SetAsCurProfile(savedId != 0 ? savedId : ProfileIdAt(0));
}

void CTarvelDlg::SetAsCurProfile(uint32_t dwID) {
    for (CPngBtn& btn : m_btnPro)
        btn.SetCheck(false);
    int index = -1;
    ProfileRecord* found = nullptr;
    {
        auto lock = g_ProfileList.Lock();
        for (int i = 0; i < 5 && !found; ++i)
            if (ProfileRecord* p = g_ProfileList.At(i); p && p->dwProfileID == dwID) {
                index = i;
                found = p;
            }
    }
    if (!found) {
        WriteLog("SetAsCurProfile: can't find profile dwID=0x%x", unsigned(dwID));
        return;
    }
    WriteLog("SetAsCurProfile: dwID=0x%x, nInx=%d", unsigned(dwID), index);
    m_btnPro[index].SetCheck(true);
    m_nCurProfile = index;
    g_pCurProfile = found;

    RefreshProfileCaptions();
    RefreshPages(); // each page redraws what it shows
    RefreshProfileCaptions();
    ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

bool CTarvelDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    // Enter and Escape reach the dialog as IDOK/IDCANCEL: they never close it.
    if (id == IDOK || id == IDCANCEL)
        return true;
    switch (id) {
    case ID_TRAY_CONFIG:
        OnConfig();
        return true;
    case ID_TRAY_EXIT:
        if (PagesConfirmLeave() && MayEnd())
            OnExit();
        return true;
    case IDC_MAIN_CLOSE:
        OnClose();
        break;
    case IDC_MAIN_MIN:
        OnMinimize();
        break;
    case IDC_MAIN_MENU: {
        RECT rc;
        ::GetWindowRect(m_btnMenu.Hwnd(), &rc);
        OnPopupMenuButton(rc.right - 100, rc.bottom);
        break;
    }
    case IDC_MAIN_APPLY:
        OnApply();
        break;
    case IDC_MAIN_RESTORE:
        OnRestore();
        break;
    case IDC_MAIN_IMPORT:
        ImportProfileFile();
        break;
    case IDC_MAIN_EXPORT:
        ExportProfileFile();
        break;
    case IDC_MAIN_HOME:
        if (const std::wstring web = Txt(u"tc_mainweb"); !web.empty())
            ::ShellExecuteW(nullptr, L"open", web.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        break;
    default:
        if (id >= IDC_MAIN_NAVI1 && id < IDC_MAIN_NAVI1 + m_pages.size()) {
            // A navigation button shows the page of its row.
            for (size_t i = 0; i < m_pages.size(); ++i)
                if (m_pages[i].naviSlot == int(id - IDC_MAIN_NAVI1))
                    ShowPage(int(i) + 1);
        } else if (id >= IDC_MAIN_PRO1 && id < IDC_MAIN_PRO1 + 5) {
            OnProfileButton(int(id - IDC_MAIN_PRO1));
        }
        break;
    }
    return fw::Dialog::OnCommand(wParam, lParam);
}

void CTarvelDlg::OnClose() {
    if (g_opt.ExitType == 0) {
        if (!PagesConfirmLeave() || !MayEnd())
            return;
        ::ShowWindow(m_hwnd, SW_HIDE);
        OnExit();
    } else if (g_opt.TrayIcon == 1 || g_opt.TrayIcon == 3) {
        ::ShowWindow(m_hwnd, SW_HIDE);
        m_usb.TellDrvStatus(0);
    }
}

void CTarvelDlg::OnMinimize() {
    CloseMenus();
    if (!PagesMayBeLeft())
        return;
    if (g_opt.ExitType == 0) {
        WriteLog("Min window");
        if (g_opt.TrayIcon == 1 || g_opt.TrayIcon == 3) {
            ::ShowWindow(m_hwnd, SW_HIDE);
            m_usb.TellDrvStatus(0);
        }
    } else {
        ::ShowWindow(m_hwnd, SW_MINIMIZE);
    }
}

void CTarvelDlg::OnProfileButton(int index) {
    if (!m_btnPro[index].Hwnd() || !::IsWindowVisible(m_btnPro[index].Hwnd()))
        return;
    if (index == 0 && g_nResync > 0) {
        // The mouse changed since profile 0 was read: read it again now.
        m_cfgRead.m_bAbortCfgRead = false;
        ProfileRecord scratch;
        if (CopyProfileOut(0, scratch) && ReadDevCfg(scratch, m_cfgRead, m_usb)) {
            CopyProfileIn(0, scratch);
            g_nResync = 0;
            SetPending(0, false); // it holds what the mouse has now
        }
    }
    SetAsCurProfile(ProfileIdAt(index));
}

bool CTarvelDlg::CfgReadFinished() {
    if (g_bCfgReadDone)
        return true;
    CMsgDlg::ShowMessage(u"tc_adv_str15", MessageOwner());
    return false;
}

bool CTarvelDlg::DeviceWritable() {
    if (!DeviceOpen() && g_opt.GoWithNoDev == 0) {
        CMsgDlg::ShowMessage(u"tc_msg15", MessageOwner());
        return false;
    }
    return CfgReadFinished();
}

bool CTarvelDlg::PreApplyCheck() {
    if (!CfgReadFinished())
        return false;
    if (!DeviceOpen()) {
        if (g_opt.GoWithNoDev != 0)
            return true;
        // Every change is refused without a receiver: the user hears why
        // once, not on every move of a control.
        WriteLog("PreApplyCheck: no receiver, the change is refused");
        if (!m_bToldNoReceiver) {
            m_bToldNoReceiver = true;
            CMsgDlg::ShowMessage(u"tc_msg15", MessageOwner());
        }
        return false;
    }
    m_bToldNoReceiver = false;
    if (g_opt.ApplyNow == 0 || m_usb.GetDevState() == 1)
        return true;
    CMsgDlg::ShowMessage(u"tc_msg10", MessageOwner());
    return false;
}

void CTarvelDlg::OnApply() {
    if (!DeviceWritable() || !PreApplyCheck())
        return;
    CSkinPage::EditCurrentProfile([this](ProfileRecord& profile) {
        for (CSkinPage* page : BuiltPages())
            page->StoreToProfile(profile);
    });
    if (!PagesMayBeLeft())
        return;
    // The lift-off distance is part of what Apply writes; without it a
    // distance chosen with ApplyNow off would never reach the mouse. A
    // profile without a valid distance leaves the device's as it is.
    uint32_t flags = kApplyFull | APPLY_PROGRESS;
    ProfileRecord applied{};
    if (pSensorCfg && pSensorCfg->bShowLOD != 0 && CSkinPage::CopyCurrentProfile(applied) &&
        (applied.nLOD == 1 || applied.nLOD == 2))
        flags |= APPLY_LOD;
    const uint32_t appliedBefore = AppliedCount();
    PostApply(flags, kApplyAll);
    RunApplyProgress(m_hwnd);
    // The mouse has the profile now, unless the apply failed (the worker
    // said so): then the changes stay pending.
    if (AppliedCount() != appliedBefore)
        SetPending(m_nCurProfile, false);
    SaveProfiles();
    SaveCurId();
}

void CTarvelDlg::OnRestore() {
    if (!DeviceWritable())
        return;
    CMsgDlg question;
    question.m_nKind = CMsgDlg::kQuestion;
    question.m_strMsg = Txt(u"tc_msg5");
    if (question.DoModal(MessageOwner()) != IDOK || !PreApplyCheck()) {
        WriteLog("OnRestore: nothing restored");
        return;
    }
    if (ProfileRecord* cur = g_pCurProfile.load())
        ResetProfileDefaults(*cur);
    // Without ApplyNow the defaults wait for Apply like any other change.
    SetPending(m_nCurProfile, g_opt.ApplyNow == 0);
    RefreshPages();
    RefreshProfileCaptions();
    if (pSensorCfg) {
        g_nCurDpiLevel = pSensorCfg->nDefLevel;
        RoutePageEvent(DEV_EVT_DPI_LEVEL, g_nCurDpiLevel);
    }
    if (g_opt.ApplyNow != 0) {
        // The device announces the restore as a configuration change; that
        // notice must not read the device back (see OnDeviceBehavior).
        m_nResetTickCount = ::GetTickCount();
        PostApply(APPLY_RESTORE | APPLY_PROGRESS, 0);
    }
    SaveProfiles();
    SaveCurId();
}

void CTarvelDlg::OnPopupMenuButton(int x, int y) {
    KelmoEntry entries[3];
    const std::wstring exportText = Txt(u"tc_msg32");
    AddMenuEntry(KELMO_MAIN_LIST, entries, 0, kMenuExport, exportText);
    AddMenuEntry(KELMO_MAIN_LIST, entries, 1, kMenuImport, Txt(u"tc_msg33"));
    AddMenuEntry(KELMO_MAIN_LIST, entries, 2, kMenuAbout, Txt(u"tc_msg30"));
    ShowMenu(entries, m_hwnd, POINT{x, y}, 0, MainMenuWidth(exportText), g_opt.Menu_txt_clr_nr,
             g_opt.Menu_txt_clr_ov, g_opt.Menu_txt_clr_dn, 0, 3);
}

void CTarvelDlg::OnMenuChoice(WPARAM code) {
    CloseMenus();
    switch (code) {
    case kMenuExport:
        ExportProfileFile();
        break;
    case kMenuImport:
        ImportProfileFile();
        break;
    case kMenuAbout: {
        CAboutDlg about;
        about.DoModal(MessageOwner());
        break;
    }
    default:
        break;
    }
}

namespace {
// The file dialog for a profile file (.hvk); `path` (MAX_PATH) holds the
// proposed name and receives the choice.
bool AskProfilePath(HWND owner, wchar_t* path, bool save) {
    return AskFilePath(owner, path, save, kProfileFilter, L"hvk");
}
} // namespace

void CTarvelDlg::ExportProfileFile() {
    // Nothing to save: no dialog either.
    ProfileRecord current{};
    if (!CSkinPage::CopyCurrentProfile(current))
        return;
    // The dialog offers the profile's name as the file's.
    wchar_t path[MAX_PATH] = {};
    std::wcsncpy(path, W(ProfileExportName(current)).c_str(), MAX_PATH - 1);
    if (!AskProfilePath(m_hwnd, path, true))
        return;
    WriteLog("ExportProfile: %s", settings::LogText(U(path)).c_str());
    ExportProfile(U(path));
}

void CTarvelDlg::ImportProfileFile() {
    if (!g_pCurProfile.load())
        return;
    // While the device is being read, profile 0 is about to change under an
    // import: say so before the user picks a file, not after.
    if (!CfgReadFinished())
        return;
    wchar_t path[MAX_PATH] = {};
    std::wcsncpy(path, kProfileInitialName, MAX_PATH - 1);
    if (!AskProfilePath(m_hwnd, path, false))
        return;
    WriteLog("ImportProfile: %s", settings::LogText(U(path)).c_str());
    // The import merges the file's macros into the library's tree as the
    // disk holds it; the macro page reads its own again when it sees them.
    HeadlessMacroTree library;
    LoadListedMacroTree(library, g_opt.MacroDir);
    if (!ImportProfile(U(path), !g_bCfgReadDone, &library))
        return;
    SetPending(m_nCurProfile, false); // the import asked for the profile to be written
    if (const ProfileRecord* cur = g_pCurProfile.load())
        SetAsCurProfile(cur->dwProfileID);
    SaveProfiles();
    SaveCurId();
}
