// The macro page's library: the tree read from disk, clicks on it, the
// context menus, and new, rename, delete, import and export.

#include "pages/MacroDlg.h"

#include "controls/FileDialog.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "pages/MacroLibraryTree.h"
#include "pages/MsgDlg.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <set>
#include <vector>

using settings::g_opt;
using settings::WriteLog;

namespace {

constexpr uint32_t kBothChanged = kMacroStepsChanged | kMacroSettingsChanged;
constexpr int kMenuItemHeight = 20;
constexpr int kMenuWidth = 160;
constexpr int kMaxMenuEntries = 16;
// "mck(*.mck)|*.mck|" in the file dialog's own form.
constexpr wchar_t kMacroFilter[] = L"mck(*.mck)\0*.mck\0\0";

// An item's folders from the top, by their texts.
using FolderPath = std::vector<std::u16string>;

FolderPath PathOf(const CTreeCtrlEx& tree, MacroTree::Item item) {
    FolderPath path;
    for (MacroTree::Item i = item; i; i = tree.Parent(i))
        path.insert(path.begin(), tree.ItemText(i));
    return path;
}

MacroTree::Item FolderAt(const CTreeCtrlEx& tree, const FolderPath& path) {
    MacroTree::Item at = nullptr;
    for (const std::u16string& name : path) {
        MacroTree::Item next = nullptr;
        for (MacroTree::Item i = tree.FirstChild(at); i && !next; i = tree.NextSibling(i))
            if (tree.IsFolder(i) && tree.ItemText(i) == name)
                next = i;
        if (!next)
            return nullptr;
        at = next;
    }
    return at;
}

void ForEachItem(const CTreeCtrlEx& tree, MacroTree::Item parent,
                 const std::function<void(MacroTree::Item)>& visit) {
    for (MacroTree::Item i = tree.FirstChild(parent); i; i = tree.NextSibling(i)) {
        visit(i);
        ForEachItem(tree, i, visit);
    }
}

bool Within(const CTreeCtrlEx& tree, MacroTree::Item item, MacroTree::Item ancestor) {
    for (; item; item = tree.Parent(item))
        if (item == ancestor)
            return true;
    return false;
}

bool HasChildNamed(const CTreeCtrlEx& tree, MacroTree::Item parent, const std::u16string& name) {
    for (MacroTree::Item i = tree.FirstChild(parent); i; i = tree.NextSibling(i))
        if (text::EqualsIgnoreAsciiCase(tree.ItemText(i), name))
            return true;
    return false;
}

// The file dialogs of export and import; the chosen path, or empty.
std::wstring AskMacroFile(HWND owner, bool save, const std::wstring& proposed) {
    wchar_t path[MAX_PATH] = {};
    std::wcsncpy(path, proposed.c_str(), MAX_PATH - 1);
    return AskFilePath(owner, path, save, kMacroFilter, L"mck") ? std::wstring(path)
                                                                : std::wstring();
}

} // namespace

MacroTree::Item CMacroDlg::FindMacroItem(uint32_t id) const {
    return ::FindMacroItem(m_tree, id);
}

// ------------------------------------------------------------ the tree --

void CMacroDlg::ReloadTree() {
    // A change that arrives while the tree is read makes the next check read
    // it again.
    const uint32_t revision = MacroLibraryRevision();
    std::set<FolderPath> expanded;
    ForEachItem(m_tree, nullptr, [&](MacroTree::Item i) {
        if (m_tree.IsFolder(i) && m_tree.IsExpanded(i))
            expanded.insert(PathOf(m_tree, i));
    });
    MacroTree::Item selected = m_tree.Selected();
    const bool shownSelected = selected && selected == m_shownItem;
    const bool folderSelected = selected && m_tree.IsFolder(selected);
    const FolderPath selectedPath = folderSelected ? PathOf(m_tree, selected) : FolderPath{};
    const uint32_t selectedId = selected && !folderSelected ? m_tree.ItemMacroId(selected) : 0;

    m_shownItem = nullptr;
    ReadMacroLibraryTree(m_tree);
    for (const FolderPath& path : expanded)
        m_tree.Expand(FolderAt(m_tree, path), true);
    m_nRevision = revision;
    WriteLog("CMacroDlg: library tree read, %d items", m_tree.Count());

    if (m_dwShownId != 0) {
        m_shownItem = FindMacroItem(m_dwShownId);
        if (!m_shownItem) {
            ShowNothing();
        } else if (m_dwChanges == 0 && !m_bRecording) {
            // Its content may have come from the device meanwhile.
            ShowMacro(m_shownItem);
        }
    }
    if (shownSelected && m_shownItem)
        m_tree.Select(m_shownItem);
    else if (folderSelected)
        m_tree.Select(FolderAt(m_tree, selectedPath));
    else if (selectedId)
        m_tree.Select(FindMacroItem(selectedId));
}

void CMacroDlg::OnTreeClick(UINT msg, MacroTree::Item item) {
    if (!m_tree.Contains(item))
        item = nullptr;
    if (m_bRecording) {
        Say(u"tc_macro_msg17");
        m_tree.Select(m_shownItem);
        return;
    }
    // The press before a double click did the rest; the control opened or
    // closed the folder.
    if (msg == WM_TREE_DBLCLK)
        return;
    if (item != m_shownItem || !item) {
        if (!LeaveShownMacro())
            return;
        m_tree.Select(item);
        if (item && !m_tree.IsFolder(item))
            ShowMacro(item);
        else
            ShowNothing();
    }
    if (msg == WM_TREE_RCLICK) {
        POINT pt;
        ::GetCursorPos(&pt);
        const mac::MenuPlace place = !item                   ? mac::MenuPlace::TreeBackground
                                     : m_tree.IsFolder(item) ? mac::MenuPlace::Folder
                                                             : mac::MenuPlace::Macro;
        OpenMenu(place, pt);
    }
}

// ----------------------------------------------------------- the menus --

void CMacroDlg::OpenMenu(mac::MenuPlace place, POINT screen) {
    CloseMenus();
    const std::vector<mac::MenuEntry> entries = mac::MenuEntries(place);
    KelmoEntry list[kMaxMenuEntries]{};
    int count = 0;
    for (const mac::MenuEntry& e : entries) {
        if (count >= kMaxMenuEntries)
            break;
        AddMenuEntry(e.parent < 0 ? KELMO_MAIN_LIST : uint32_t(e.parent), list, count++, e.code,
                     Txt(e.key));
    }
    ShowMenu(list, m_hwnd, screen, kMenuItemHeight, kMenuWidth, g_opt.Menu_txt_clr_nr,
             g_opt.Menu_txt_clr_ov, g_opt.Menu_txt_clr_dn, 0, count);
}

void CMacroDlg::OnMenuChoice(uint32_t code) {
    CloseMenus();
    WriteLog("CMacroDlg: menu choice 0x%x", unsigned(code));
    if (const std::optional<uint32_t> what = mac::InsertOf(code))
        Insert(*what);
    else
        RunCommand(code);
}

void CMacroDlg::RunCommand(uint32_t code) {
    if (RefusedWhileRecording())
        return;
    switch (code) {
    case mac::kCmdNew:
        NewMacro();
        break;
    case mac::kCmdDelete:
        DeleteItem();
        break;
    case mac::kCmdExport:
        ExportItem();
        break;
    case mac::kCmdImport:
        ImportFile();
        break;
    case mac::kCmdRename:
        RenameItem();
        break;
    case mac::kCmdEditStep:
        EditStep();
        break;
    case mac::kCmdDeleteStep:
        DeleteStep();
        break;
    default:
        WriteLog("CMacroDlg: command 0x%x unknown", unsigned(code));
        break;
    }
}

// ----------------------------------------------------- library commands --

void CMacroDlg::NewMacro() {
    if (g_MacroList.Count() >= kMaxMacros) {
        CMsgDlg::ShowMessageText(L"The number of macro is up to the maximum", Owner());
        return;
    }
    // Into the selected folder; a selected macro stands for the top level.
    MacroTree::Item target = m_tree.Selected();
    if (target && !m_tree.IsFolder(target))
        target = nullptr;
    if (!LeaveShownMacro())
        return;
    std::wstring typed;
    if (!CMsgDlg::InputText(Owner(), Txt(u"tc_macro_msg11"), mac::kNameChars, typed))
        return;
    std::u16string name = U(typed);
    if (!IsValidMacroName(name))
        return;
    StMacro macro = NewMacroRecord(name);
    std::u16string path;
    std::error_code ec;
    // Two names can make one file name ("a?b", "a_b"): the new macro never
    // takes another's file.
    if (HasChildNamed(m_tree, target, name) ||
        (MacroItemPath(m_tree, target, name, macro.dwID, path) &&
         std::filesystem::exists(std::filesystem::path(path), ec))) {
        Say(u"tc_macro_msg8");
        return;
    }
    if (path.empty()) {
        CMsgDlg::ShowMessageText(L"Get file path failed.", Owner());
        return;
    }
    macro.dwFlags = kBothChanged;
    if (!AppendMacro(macro)) {
        CMsgDlg::ShowMessageText(L"The number of macro is up to the maximum", Owner());
        return;
    }
    MacroTree::Item item = m_tree.InsertItem(target, name, false, macro.dwID, u"");
    m_tree.Select(item);
    ShowMacro(item);
    // The macro exists from now on, on disk too; a file that could not be
    // written leaves Save to try again.
    if (!Flush_Dirty_Macro(item, &m_tree))
        MarkChanged(kBothChanged);
    WriteLog("CMacroDlg: new macro 0x%x", unsigned(macro.dwID));
}

void CMacroDlg::RenameItem() {
    MacroTree::Item item = m_tree.Selected();
    if (!item) {
        Say(u"tc_macro_msg1");
        return;
    }
    const bool folder = m_tree.IsFolder(item);
    std::wstring typed;
    if (!CMsgDlg::InputText(Owner(), Txt(folder ? u"tc_macro_msg13" : u"tc_macro_msg11"),
                            mac::kNameChars, typed))
        return;
    const bool renamed = folder ? RenameFolderItem(&m_tree, item, U(typed), g_opt.MacroDir)
                                : RenameMacroItem(&m_tree, item, U(typed));
    if (!renamed)
        return;
    if (folder) {
        // Its items were read again from disk.
        m_shownItem = FindMacroItem(m_dwShownId);
        m_tree.Select(item);
        if (m_dwShownId != 0 && !m_shownItem)
            ShowNothing();
    }
    WriteLog("CMacroDlg: renamed to %s", settings::LogText(U(typed)).c_str());
    if (Host())
        Host()->MacrosChanged(MacroChange::Renamed);
}

void CMacroDlg::DeleteItem() {
    MacroTree::Item item = m_tree.Selected();
    if (!item) {
        Say(u"tc_macro_msg1");
        return;
    }
    if (!m_tree.Contains(item)) {
        char text[96];
        std::snprintf(text, sizeof text, "Operation failed, hItem = 0x%x, pItem = 0x%x.",
                      unsigned(reinterpret_cast<uintptr_t>(item)), 0u);
        CMsgDlg::ShowMessageText(W(text::Widen(text)), Owner());
        return;
    }
    if (!Ask(u"tc_msg6"))
        return;
    const bool folder = m_tree.IsFolder(item);
    if (Within(m_tree, m_shownItem, item))
        m_shownItem = nullptr;
    if (folder)
        DeleteFolderItem(&m_tree, item);
    else
        DeleteMacroItem(&m_tree, item);
    ShowNothing();
    WriteLog("CMacroDlg: %s deleted", folder ? "folder" : "macro");
    // Keys that ran a macro that is gone get their defaults, in every
    // profile and on the mouse.
    if (Host())
        Host()->MacrosChanged(MacroChange::Removed);
}

void CMacroDlg::ExportItem() {
    MacroTree::Item item = m_tree.Selected();
    if (!item || m_tree.IsFolder(item)) {
        Say(u"tc_macro_msg1");
        return;
    }
    const std::wstring path = AskMacroFile(Owner(), true, W(m_tree.ItemText(item)) + L".mck");
    if (path.empty())
        return;
    WriteLog("ExportMacro: %s", settings::LogText(U(path)).c_str());
    ExportMacro(&m_tree, item, U(path));
}

void CMacroDlg::ImportFile() {
    MacroTree::Item target = m_tree.Selected();
    if (!LeaveShownMacro())
        return;
    const std::wstring path = AskMacroFile(Owner(), false, L"*.mck");
    if (path.empty())
        return;
    WriteLog("ImportMacroFile: %s", settings::LogText(U(path)).c_str());
    const uint32_t id = ImportMacroFile(&m_tree, target, U(path));
    if (MacroTree::Item item = FindMacroItem(id)) {
        m_tree.Select(item);
        ShowMacro(item);
    }
}
