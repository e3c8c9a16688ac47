#include "store/MacroLibrary.h"

#include "model/ProfileRecord.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "store/ProfileDefaults.h"

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr uint32_t kMacroIdMask = 0x00FFFFFF;
constexpr uint32_t kNewMacroFlags = kMacroStepsChanged | kMacroSettingsChanged;
// Attempts at a free item text before Add_Macro gives up.
constexpr int kMaxNameVariants = 100;

// True when a top-level item has `text` (without case) or its file exists:
// a different name can map to the same file name ("a?b" and "a_b"), and a
// file the scan skipped still belongs to someone.
bool TopLevelNameTaken(const MacroTree& page, const std::u16string& text, uint32_t id) {
    if (page.FindTopLevelItem(text))
        return true;
    std::u16string path;
    std::error_code ec;
    return !MacroItemPath(page, nullptr, text, id, path) ||
           std::filesystem::exists(std::filesystem::path(path), ec);
}

std::atomic<uint32_t> g_nLibraryRevision{0};

} // namespace

uint32_t MacroLibraryRevision() {
    return g_nLibraryRevision.load();
}

void NoteMacroLibraryChange() {
    ++g_nLibraryRevision;
}

uint32_t Add_Macro(const StMacro& record, MacroTree* page) {
    if (record.dwMagicNumber != kMacroMagic) {
        settings::WriteLog("Add_Macro: FAILED, dwMagicNumber=0x%x", unsigned(record.dwMagicNumber));
        return 0;
    }
    if (!page)
        return 0;
    StMacro copy = record;
    // The id is what keys will refer to: it must be one no other macro has.
    // (MakeProfileId takes the macro list's lock itself; none is held here.)
    copy.dwID &= kMacroIdMask;
    if (copy.dwID == 0 || MacroIdInUse(copy.dwID))
        copy.dwID = MakeProfileId();
    copy.dwFlags = kNewMacroFlags;

    const std::u16string name = MacroName(copy);
    std::u16string text = name;
    for (int n = 2; TopLevelNameTaken(*page, text, copy.dwID); ++n) {
        if (n > kMaxNameVariants) {
            settings::WriteLog("Add_Macro: no free name for %s", settings::LogText(name).c_str());
            return 0;
        }
        text = name + u" (" + text::Widen(std::to_string(n)) + u")";
    }

    MacroTree::Item item = page->InsertItem(nullptr, text, false, copy.dwID, u"");
    if (!item)
        return 0;
    if (!AppendMacro(copy)) {
        page->DeleteItem(item);
        return 0;
    }
    NoteMacroLibraryChange();
    if (!Flush_Dirty_Macro(item, page))
        settings::WriteLog("Add_Macro: the file of 0x%x was not written", unsigned(copy.dwID));
    return copy.dwID;
}

uint32_t ReplaceMacro(MacroTree* page, const StMacro& record) {
    if (!page)
        return 0;
    MacroTree::Item item = page->FindTopLevelItem(MacroName(record));
    if (!item || page->IsFolder(item))
        return 0;
    const uint32_t id = page->ItemMacroId(item) & kMacroIdMask;
    if (!MacroIdInUse(id))
        return 0;
    page->OnMacroReplaced(id);
    if (!ReplaceMacroContent(id, record))
        return 0;
    NoteMacroLibraryChange();
    Flush_Dirty_Macro(item, page);
    return id;
}
