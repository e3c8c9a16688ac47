#include "store/MacroStore.h"

#include "model/ProfileRecord.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/TextTable.h"
#include "store/AppDataDir.h"
#include "store/MacroFile.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/ProfileDefaults.h"
#include "store/ProfileStore.h"
#include "store/SafeFileName.h"
#include "store/SaveFailures.h"
#include "store/StoreMessage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxTreeDepth = 20;
// Folder paths this long are not scanned (the scan's path buffers end there).
constexpr size_t kMaxScanPathChars = 257;
constexpr uint32_t kMacroChangeBits = kMacroStepsChanged | kMacroSettingsChanged;
constexpr uint32_t kMacroIdMask = 0x00FFFFFF;
// Mouse codes 0xF0..0xF4 (left, right, middle, button 5, button 4) play on
// the device; 0xF5 and 0xF6 do not.
constexpr uint32_t kAllowedMouseKeys = 0x1F;
constexpr char16_t kMacroExtension[] = u".mck";
constexpr char16_t kDumpFile[] = u"mac.dct";

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

std::u16string Join(std::u16string folder, const std::u16string& name) {
    while (!folder.empty() && IsSeparator(folder.back()))
        folder.pop_back();
    return folder + platform::kPathSeparator + name;
}

std::u16string HexId(uint32_t id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", unsigned(id & kMacroIdMask));
    return text::Widen(buf);
}

// One path component for an item: names come from the user, the device,
// profile files and imported file titles, so each is made a plain file name;
// a name with nothing usable left gets a name from its id.
std::u16string ItemComponent(const std::u16string& itemText, bool isFolder, uint32_t macroId) {
    std::u16string safe = store::SafeFileName(itemText);
    // A surrogate without its partner (a record's name is any 16-bit text)
    // is no character the file system can be given on every system.
    for (size_t i = 0; i < safe.size(); ++i) {
        const bool high = safe[i] >= 0xD800 && safe[i] <= 0xDBFF;
        const bool low = safe[i] >= 0xDC00 && safe[i] <= 0xDFFF;
        if (high && i + 1 < safe.size() && safe[i + 1] >= 0xDC00 && safe[i + 1] <= 0xDFFF)
            ++i;
        else if (high || low)
            safe[i] = u'_';
    }
    if (safe.empty())
        safe = isFolder ? u"Folder" : u"Macro " + HexId(macroId);
    return isFolder ? safe : safe + kMacroExtension;
}

// True when `path` names something strictly inside the library root.
bool InsideLibrary(const std::u16string& path) {
    const fs::path root = fs::path(MacroLibraryRoot()).lexically_normal();
    const fs::path rel = fs::path(path).lexically_normal().lexically_relative(root);
    if (rel.empty() || rel == ".")
        return false;
    for (const fs::path& part : rel)
        if (part == "..")
            return false;
    return true;
}

std::u16string FileTitle(const std::u16string& fileName) {
    const size_t dot = fileName.rfind(u'.');
    return dot == std::u16string::npos ? fileName : fileName.substr(0, dot);
}

// A sibling of `parent`'s children other than `except` with that text
// (without case).
MacroTree::Item FindChild(const MacroTree& tree, MacroTree::Item parent, const std::u16string& name,
                          MacroTree::Item except = nullptr) {
    for (MacroTree::Item i = tree.FirstChild(parent); i; i = tree.NextSibling(i))
        if (i != except && text::EqualsIgnoreAsciiCase(tree.ItemText(i), name))
            return i;
    return nullptr;
}

bool RecordsEqualButFlags(StMacro a, StMacro b) {
    a.dwFlags = b.dwFlags = 0;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Collects the macro ids of `item` and everything below it.
void CollectMacroIds(const MacroTree& tree, MacroTree::Item item, std::vector<uint32_t>& ids) {
    if (!tree.IsFolder(item)) {
        ids.push_back(tree.ItemMacroId(item) & kMacroIdMask);
        return;
    }
    for (MacroTree::Item c = tree.FirstChild(item); c; c = tree.NextSibling(c))
        CollectMacroIds(tree, c, ids);
}

void DeleteChildren(MacroTree& tree, MacroTree::Item item) {
    while (MacroTree::Item c = tree.FirstChild(item))
        tree.DeleteItem(c);
}

// The name of a directory entry as text. Where file names are bytes (not
// Windows), one that is no UTF-8 has no text: the scan skips it rather than
// let the conversion throw.
bool EntryName(const fs::directory_entry& entry, std::u16string& name) {
    try {
        name = entry.path().filename().u16string();
        return true;
    } catch (const std::exception&) {
        settings::WriteLog("ScanMacroFolder: a file name that is no text was skipped");
        return false;
    }
}

bool IsMissing(const std::error_code& ec) {
    return ec == std::errc::no_such_file_or_directory;
}

} // namespace

std::u16string MacroLibraryRoot() {
    return g_szAppDataDir + u"Mac";
}

namespace {

// The path of `leaf` (a component already) below `parent`: at most
// kMaxTreeDepth levels, the leaf's own included.
bool BuildPath(const MacroTree& tree, MacroTree::Item parent, const std::u16string& leaf,
               std::u16string& out) {
    std::vector<MacroTree::Item> chain;
    for (MacroTree::Item i = parent; i; i = tree.Parent(i)) {
        if (int(chain.size()) + 1 >= kMaxTreeDepth)
            return false;
        chain.push_back(i);
    }
    std::u16string path = MacroLibraryRoot();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path = Join(path, ItemComponent(tree.ItemText(*it), true, 0));
    path = Join(path, leaf);
    if (!InsideLibrary(path)) {
        settings::WriteLog("TreeItem_To_FilePath: %s is outside the library",
                           settings::LogText(path).c_str());
        return false;
    }
    out = path;
    return true;
}

} // namespace

bool TreeItem_To_FilePath(MacroTree::Item item, const MacroTree& tree, std::u16string& out) {
    if (!item)
        return false;
    return BuildPath(
        tree, tree.Parent(item),
        ItemComponent(tree.ItemText(item), tree.IsFolder(item), tree.ItemMacroId(item)), out);
}

bool MacroItemPath(const MacroTree& tree, MacroTree::Item parent, const std::u16string& text,
                   uint32_t macroId, std::u16string& out) {
    return BuildPath(tree, parent, ItemComponent(text, false, macroId), out);
}

bool Flush_Dirty_Macro(MacroTree::Item item, MacroTree* tree) {
    if (!item || !tree) {
        settings::WriteLog("Flush_Dirty_Macro: pItem=0x%0x(%s) error",
                           unsigned(reinterpret_cast<uintptr_t>(item)), tree ? "tree" : "no tree");
        return false;
    }
    if (tree->IsFolder(item))
        return true;
    std::u16string path;
    if (!TreeItem_To_FilePath(item, *tree, path)) {
        settings::WriteLog("Flush_Dirty_Macro: TreeItem_To_FilePath failed");
        return false;
    }
    const uint32_t id = tree->ItemMacroId(item) & kMacroIdMask;
    StMacro record;
    if (!CopyMacroById(id, record))
        return false;
    if (!(record.dwFlags & kMacroChangeBits))
        return true;
    StMacro clean = record;
    clean.dwFlags &= ~kMacroChangeBits;
    const bool written = MyCreateFile(path, EncodeMacroFile(clean));
    if (!written)
        settings::WriteLog("Flush_Dirty_Macro: WriteFile err=0x%x, %s", unsigned(errno),
                           settings::LogText(path).c_str());
    store::NoteSave(store::SaveTarget::MacroFile, written);
    if (!written)
        return false;
    // The bits go only when the file holds what the record holds: an edit
    // made meanwhile (another thread) keeps them for the next flush.
    auto lock = g_MacroList.Lock();
    StMacro* m = FindMacroById(id);
    if (m && RecordsEqualButFlags(*m, record))
        m->dwFlags &= ~kMacroChangeBits;
    return true;
}

bool MakeSureFolderExist(const std::u16string& path) {
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1]))
        --end;
    if (end == 0)
        return true;
    const fs::path folder(path.substr(0, end));
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        settings::WriteLog("MakeSureFolderExist: create dir %s, err=0x%x",
                           settings::LogText(folder.u16string()).c_str(), unsigned(ec.value()));
        return false;
    }
    return true;
}

bool MyCreateFile(const std::u16string& path, const std::string& bytes) {
    if (platform::WriteWholeFile(path, bytes))
        return true;
    if (MakeSureFolderExist(path) && platform::WriteWholeFile(path, bytes))
        return true;
    settings::WriteLog("MyCreateFile: %s, error=0x%x", settings::LogText(path).c_str(),
                       unsigned(errno));
    return false;
}

bool HasUnsupportedKey(const StMacro& record) {
    for (const MacroStep& step : record.Steps) {
        if (step.wVk == 0)
            break;
        if (step.wVk >= 0xF0 && step.wVk <= 0xF6 &&
            !((1u << (step.wVk - 0xF0)) & kAllowedMouseKeys))
            return true;
    }
    return false;
}

namespace {

// A macro file read at start whose id is taken (a copy of another file, or
// an id of 0) gets a fresh one; its file is rewritten so the id sticks.
void RenumberTakenId(const std::u16string& path, StMacro& record) {
    const uint32_t taken = record.dwID;
    record.dwID = MakeProfileId();
    settings::WriteLog("ScanMacroFolder: %s has the id 0x%x of another macro; it gets 0x%x",
                       settings::LogText(path).c_str(), unsigned(taken), unsigned(record.dwID));
    if (!WriteMacroFile(path, record))
        settings::WriteLog("ScanMacroFolder: the new id of %s was not written",
                           settings::LogText(path).c_str());
}

bool ScanFolder(const std::u16string& folder, bool recurse, const MacroScanOptions& options,
                std::set<uint32_t>& placed) {
    if (folder.size() >= kMaxScanPathChars)
        return true;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    if (ec)
        return false;
    // Enumeration order differs between systems; names in order keep the
    // tree and the list the same everywhere.
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });

    for (const fs::directory_entry& entry : entries) {
        std::u16string name;
        if (!EntryName(entry, name))
            continue;
        std::error_code typeEc;
        if (entry.is_directory(typeEc)) {
            if (name.empty() || name[0] == u'.' || name[0] == u'$')
                continue;
            if (options.macroDir == 0 || !recurse)
                continue;
            const std::u16string sub = Join(folder, name);
            MacroScanOptions inner = options;
            if (options.tree)
                inner.parent = options.tree->InsertItem(options.parent, name, true, 0,
                                                        Join(sub, name + u".png"));
            if (!ScanFolder(sub, recurse, inner, placed))
                return false;
            continue;
        }
        const std::u16string path = Join(folder, name);
        StMacro record;
        if (!ReadMacroFile(path, record) || HasUnsupportedKey(record))
            continue;
        if (options.addToList) {
            if ((record.dwID & kMacroIdMask) == 0 || MacroIdInUse(record.dwID))
                RenumberTakenId(path, record);
            if (!AppendMacro(record))
                continue;
        } else if (options.listedOnly &&
                   (!MacroIdInUse(record.dwID) || !placed.insert(record.dwID).second)) {
            continue;
        }
        if (options.tree)
            options.tree->InsertItem(options.parent, FileTitle(name), false, record.dwID, u"");
    }
    return true;
}

} // namespace

bool ScanMacroFolder(const std::u16string& folder, bool recurse, const MacroScanOptions& options) {
    std::set<uint32_t> placed;
    return ScanFolder(folder, recurse, options, placed);
}

bool LoadMacroLibrary(MacroTree* tree, int macroDir, bool addToList) {
    MacroScanOptions options;
    options.tree = tree;
    options.macroDir = macroDir;
    options.addToList = addToList;
    // A first start has no library yet: an empty one.
    std::error_code ec;
    const bool read = !fs::exists(fs::path(MacroLibraryRoot()), ec) ||
                      ScanMacroFolder(MacroLibraryRoot(), true, options);
    if (addToList)
        NoteMacroLibraryChange();
    return read;
}

bool LoadListedMacroTree(MacroTree& tree, int macroDir) {
    MacroScanOptions options;
    options.tree = &tree;
    options.macroDir = macroDir;
    options.listedOnly = true;
    std::error_code ec;
    if (!fs::exists(fs::path(MacroLibraryRoot()), ec))
        return true;
    return ScanMacroFolder(MacroLibraryRoot(), true, options);
}

bool SaveMacroDump() {
    std::string image(kMacroDumpBytes, '\0');
    {
        auto lock = g_MacroList.Lock();
        size_t slot = 0;
        g_MacroList.ForEach([&](const StMacro& m) {
            if (slot >= size_t(kMaxMacros) || m.dwID == 0 || m.Steps[0].wVk == 0)
                return;
            std::memcpy(image.data() + slot * sizeof(StMacro), &m, sizeof m);
            ++slot;
        });
    }
    const bool ok = platform::WriteWholeFile(g_szAppDataDir + kDumpFile, image);
    if (!ok)
        settings::WriteLog("Save macro: CreateFile err=%d", errno);
    store::NoteSave(store::SaveTarget::MacroDump, ok);
    return ok;
}

bool IsValidMacroName(std::u16string& name) {
    if (name.empty())
        return false;
    if (name.find_first_of(u"/\\?+=-*&%!#") != std::u16string::npos) {
        const std::u16string& tip = settings::Text(u"tc_tip1");
        store::ShowStoreMessage(tip.empty() ? u"Invalid file name." : tip);
        return false;
    }
    name = FileTitle(name);
    // Nothing left before the "." is no name either.
    return !name.empty();
}

bool MacroUsedByProfile(uint32_t id) {
    auto lock = g_ProfileList.Lock();
    const ProfileRecord* profile = g_pCurProfile.load();
    if (!profile)
        return false;
    for (const auto& mode : profile->Key)
        for (const KeyInfo& key : mode)
            if (KeyCategoryOf(key.dwFunID) == kCatMacro && key.dwMacroID == id)
                return true;
    return false;
}

bool ExportMacro(MacroTree* tree, MacroTree::Item item, const std::u16string& destination) {
    if (!tree || !item || tree->IsFolder(item))
        return false;
    std::u16string path;
    if (!TreeItem_To_FilePath(item, *tree, path))
        return false;
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    if (!bytes || !platform::WriteWholeFile(destination, *bytes)) {
        settings::WriteLog("ExportMacro: copy file err=0x%x", unsigned(errno));
        return false;
    }
    return true;
}

uint32_t ImportMacroFile(MacroTree* tree, MacroTree::Item target, const std::u16string& source) {
    if (!tree)
        return 0;
    // Macros hold no items: importing "into" one means into its folder.
    if (target && !tree->IsFolder(target))
        target = tree->Parent(target);

    size_t nameStart = source.size();
    while (nameStart > 0 && source[nameStart - 1] != u'/' &&
           source[nameStart - 1] != platform::kPathSeparator)
        --nameStart;
    std::u16string title = FileTitle(source.substr(nameStart));
    title = title.substr(0, kMacroNameChars - 1);
    if (FindChild(*tree, target, title)) {
        store::ShowStoreMessage(settings::Text(u"tc_macro_msg8"));
        return 0;
    }

    platform::FilePtr f = platform::OpenFile(source, "rb");
    if (!f) {
        store::ShowStoreMessage(store::FormatNumber("Open macro file failed. error=0x%llx", errno));
        return 0;
    }
    char buf[kMacroFileBytes + 1];
    const size_t n = std::fread(buf, 1, sizeof buf, f.get());
    f.reset();
    if (n != kMacroFileBytes) {
        store::ShowStoreMessage(store::FormatNumber("Read macro file failed. error=0x%llx", errno));
        return 0;
    }
    StMacro record;
    if (!DecodeMacroFile(std::string_view(buf, n), record)) {
        store::ShowStoreMessage(u"This is not a valid macro file.");
        return 0;
    }
    if (HasUnsupportedKey(record)) {
        store::ShowStoreMessage(u"This macro contains unsupported key.");
        return 0;
    }

    text::CopyToField(record.szName, kMacroNameChars, title);
    record.dwID = MakeProfileId();
    record.dwFlags = kMacroChangeBits;
    std::u16string path;
    // Two titles can share one file name (characters a file name cannot hold
    // become "_"); the import never overwrites another macro's file.
    std::error_code ec;
    if (!MacroItemPath(*tree, target, title, record.dwID, path) || fs::exists(fs::path(path), ec)) {
        store::ShowStoreMessage(settings::Text(u"tc_macro_msg8"));
        return 0;
    }
    if (!AppendMacro(record))
        return 0;
    MacroTree::Item item = tree->InsertItem(target, title, false, record.dwID, u"");
    Flush_Dirty_Macro(item, tree);
    return record.dwID;
}

namespace {

// The paths of `item` under its present name and under `newName`, the item's
// text left as it is. False, with the user told, when a sibling already has
// the name, a path cannot be built, or the new path names another file or
// folder that exists.
bool RenamePaths(MacroTree& tree, MacroTree::Item item, const std::u16string& newName,
                 std::u16string& oldPath, std::u16string& newPath) {
    if (FindChild(tree, tree.Parent(item), newName, item)) {
        store::ShowStoreMessage(settings::Text(u"tc_macro_msg8"));
        return false;
    }
    const std::u16string oldText = tree.ItemText(item);
    bool built = TreeItem_To_FilePath(item, tree, oldPath);
    tree.SetItemText(item, newName);
    built = built && TreeItem_To_FilePath(item, tree, newPath);
    tree.SetItemText(item, oldText);
    if (!built) {
        store::ShowStoreMessage(u"Rename failed.");
        return false;
    }
    std::error_code ec;
    if (newPath != oldPath && fs::exists(fs::path(newPath), ec) &&
        !fs::equivalent(fs::path(newPath), fs::path(oldPath), ec)) {
        store::ShowStoreMessage(settings::Text(u"tc_macro_msg8"));
        return false;
    }
    return true;
}

} // namespace

bool RenameMacroItem(MacroTree* tree, MacroTree::Item item, std::u16string newName) {
    if (!tree || !item || tree->IsFolder(item) || !IsValidMacroName(newName))
        return false;
    std::u16string oldPath, newPath;
    if (!RenamePaths(*tree, item, newName, oldPath, newPath))
        return false;
    // A macro never saved has no file yet; only an existing file moves.
    std::error_code ec;
    if (fs::exists(fs::path(oldPath), ec)) {
        fs::rename(fs::path(oldPath), fs::path(newPath), ec);
        if (ec) {
            store::ShowStoreMessage(store::FormatNumber("Rename failed. err=0x%llx", ec.value()));
            return false;
        }
    }
    tree->SetItemText(item, newName);
    const uint32_t id = tree->ItemMacroId(item) & kMacroIdMask;
    {
        auto lock = g_MacroList.Lock();
        if (StMacro* m = FindMacroById(id)) {
            text::CopyToField(m->szName, kMacroNameChars, newName);
            m->dwFlags |= kMacroSettingsChanged;
        }
    }
    // The file carries the name too.
    Flush_Dirty_Macro(item, tree);
    return true;
}

bool RenameFolderItem(MacroTree* tree, MacroTree::Item item, std::u16string newName, int macroDir) {
    if (!tree || !item || !tree->IsFolder(item) || !IsValidMacroName(newName))
        return false;
    std::u16string oldPath, newPath;
    if (!RenamePaths(*tree, item, newName, oldPath, newPath))
        return false;
    const fs::path oldDir(oldPath), newDir(newPath);
    std::error_code ec;
    // The picture is named after its folder, so it moves first.
    const fs::path oldPng = oldDir / (oldDir.filename().u16string() + u".png");
    const fs::path newPng = oldDir / (newDir.filename().u16string() + u".png");
    if (fs::exists(oldPng, ec))
        fs::rename(oldPng, newPng, ec);
    if (!ec)
        fs::rename(oldDir, newDir, ec);
    if (ec) {
        store::ShowStoreMessage(store::FormatNumber("Rename failed. err=0x%llx", ec.value()));
        return false;
    }
    tree->SetItemText(item, newName);
    DeleteChildren(*tree, item);
    MacroScanOptions options;
    options.tree = tree;
    options.parent = item;
    options.macroDir = macroDir;
    options.listedOnly = true;
    ScanMacroFolder(newDir.u16string(), true, options);
    return true;
}

bool DeleteMacroItem(MacroTree* tree, MacroTree::Item item) {
    if (!tree || !item || tree->IsFolder(item))
        return false;
    std::u16string path;
    if (!TreeItem_To_FilePath(item, *tree, path)) {
        store::ShowStoreMessage(u"Get file path failed.");
        return false;
    }
    RemoveMacroById(tree->ItemMacroId(item) & kMacroIdMask);
    tree->DeleteItem(item);
    std::error_code ec;
    fs::remove(fs::path(path), ec);
    if (ec && !IsMissing(ec)) {
        store::ShowStoreMessage(store::FormatNumber("Delete File failed, err = %lld.", ec.value()));
        return false;
    }
    return true;
}

bool DeleteFolderItem(MacroTree* tree, MacroTree::Item item) {
    if (!tree || !item || !tree->IsFolder(item))
        return false;
    std::u16string path;
    if (!TreeItem_To_FilePath(item, *tree, path)) {
        store::ShowStoreMessage(u"Get file path failed.");
        return false;
    }
    // The folder's macros go with their files: no key can pick a macro that
    // no longer exists on disk.
    std::vector<uint32_t> ids;
    for (MacroTree::Item c = tree->FirstChild(item); c; c = tree->NextSibling(c))
        CollectMacroIds(*tree, c, ids);
    for (uint32_t id : ids)
        RemoveMacroById(id);
    tree->DeleteItem(item);

    const fs::path dir(path);
    std::error_code ec;
    if (!fs::exists(dir, ec))
        return true;
    // Read-only files and folders would stop the removal on Windows.
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code permEc;
        if (!it->is_symlink(permEc))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, permEc);
    }
    ec.clear();
    fs::remove_all(dir, ec);
    if (ec && !IsMissing(ec)) {
        store::ShowStoreMessage(
            store::FormatNumber("Remove Directory failed, err = %lld.", ec.value()));
        return false;
    }
    return true;
}
