// export, import, macros and macro import/export: the profile file and the
// macro library of a data folder, as the program's menus use them.

#include "LibraryCommands.h"

#include "ProfileJson.h"

#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "store/ProfileFile.h"
#include "store/ProfileStore.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using Messages = std::vector<std::pair<std::u16string, std::u16string>>; // caption, text

// The data folder as the program has it at start: settings, texts, the macro
// list and a headless tree from the library, and the profile store. Messages
// are recorded instead of shown.
class Library {
public:
    explicit Library(const Options& opts) {
        if (opts.dataDir.empty())
            throw CommandError("this command needs --data-dir");
        platform::SetMessageBoxSink([this](const std::u16string& t, const std::u16string& c) {
            m_messages.emplace_back(c, t);
        });
        settings::InitData(opts.exeDir);
        settings::LoadTextTable(opts.exeDir + u"text.xml");
        SetAppDataDir(opts.dataDir);
        g_ProfileList.SetOwnership(kListOwnsElements);
        g_MacroList.SetOwnership(kListOwnsElements);
        LoadMacroLibrary(nullptr, settings::g_opt.MacroDir, true);
        LoadMacroLibrary(&tree, settings::g_opt.MacroDir, false);
        InitProfiles();
    }
    ~Library() { platform::SetMessageBoxSink({}); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Makes profile `index` (0..4) the current one.
    void SelectProfile(const std::string& index) const {
        const int64_t n = ParseNumber(index);
        auto lock = g_ProfileList.Lock();
        ProfileRecord* p = n >= 0 && n < kProfileCount ? g_ProfileList.At(int(n)) : nullptr;
        if (!p)
            throw CommandError("no profile " + index);
        g_pCurProfile = p;
    }

    void WriteMessages(JsonWriter& json) const {
        json.Key("messages").BeginArray();
        for (const auto& [caption, text] : m_messages)
            json.BeginObject().Key("caption").String(caption).Key("text").String(text).EndObject();
        json.EndArray();
    }
    bool HasMessages() const { return !m_messages.empty(); }

    HeadlessMacroTree tree;

private:
    Messages m_messages;
};

void WriteTree(JsonWriter& json, const MacroTree& tree, MacroTree::Item parent) {
    json.BeginArray();
    for (MacroTree::Item i = tree.FirstChild(parent); i; i = tree.NextSibling(i)) {
        json.BeginObject().Key("name").String(tree.ItemText(i));
        if (tree.IsFolder(i)) {
            json.Key("items");
            WriteTree(json, tree, i);
        } else {
            json.Key("id").Number(tree.ItemMacroId(i));
        }
        json.EndObject();
    }
    json.EndArray();
}

// The item at "Folder/Sub/Name" (names without case).
MacroTree::Item FindItem(const MacroTree& tree, const std::string& path) {
    MacroTree::Item parent = nullptr;
    size_t start = 0;
    while (true) {
        const size_t slash = path.find('/', start);
        const std::u16string name = text::FromUtf8(path.substr(start, slash - start));
        MacroTree::Item found = nullptr;
        for (MacroTree::Item i = tree.FirstChild(parent); i && !found; i = tree.NextSibling(i))
            if (text::EqualsIgnoreAsciiCase(tree.ItemText(i), name))
                found = i;
        if (!found || slash == std::string::npos)
            return found;
        parent = found;
        start = slash + 1;
    }
}

int CmdExport(const Options& opts, const Args& args) {
    if (args.size() != 2)
        throw CommandError("usage: --data-dir DIR export N FILE.hvk");
    Library lib(opts);
    lib.SelectProfile(args[0]);
    const bool ok = ExportProfile(text::FromUtf8(args[1]));
    JsonWriter json;
    json.BeginObject().Key("ok").Bool(ok);
    lib.WriteMessages(json);
    json.EndObject();
    Print(json);
    return ok ? 0 : 1;
}

int CmdImport(const Options& opts, const Args& args) {
    if (args.size() != 2)
        throw CommandError("usage: --data-dir DIR import FILE.hvk N");
    Library lib(opts);
    lib.SelectProfile(args[1]);
    std::vector<MergedMacro> merged;
    const bool ok = ImportProfile(text::FromUtf8(args[0]), false, &lib.tree, &merged);
    // The program saves the store with the apply that follows the import.
    const bool saved = ok && SaveProfiles();
    JsonWriter json;
    json.BeginObject().Key("ok").Bool(ok).Key("saved").Bool(saved);
    lib.WriteMessages(json);
    json.Key("macros").BeginArray();
    for (const MergedMacro& m : merged)
        json.BeginObject()
            .Key("name")
            .String(m.name)
            .Key("fileId")
            .Number(m.fileId)
            .Key("id")
            .Number(m.libraryId)
            .Key("replaced")
            .Bool(m.replaced)
            .EndObject();
    json.EndArray();
    if (ok) {
        ProfileRecord current;
        {
            auto lock = g_ProfileList.Lock();
            current = *g_pCurProfile.load();
        }
        json.Key("profile");
        WriteProfileJson(json, current);
    }
    json.EndObject();
    Print(json);
    return saved ? 0 : 1;
}

int CmdMacros(const Options& opts, const Args& args) {
    if (!args.empty())
        throw CommandError("usage: --data-dir DIR macros");
    Library lib(opts);
    JsonWriter json;
    json.BeginObject().Key("root").String(MacroLibraryRoot()).Key("items");
    WriteTree(json, lib.tree, nullptr);
    json.Key("count").Number(g_MacroList.Count());
    lib.WriteMessages(json);
    json.EndObject();
    Print(json);
    return 0;
}

const CommandRegistration kExport("export", CmdExport, "--data-dir DIR export N FILE.hvk");
const CommandRegistration kImport("import", CmdImport, "--data-dir DIR import FILE.hvk N");
const CommandRegistration kMacros("macros", CmdMacros, "--data-dir DIR macros");

} // namespace

int CmdMacroFile(const Options& opts, const Args& args) {
    const bool import = args.size() == 2 && args[0] == "import";
    const bool exportTo = args.size() == 3 && args[0] == "export";
    if (!import && !exportTo)
        throw CommandError("usage: --data-dir DIR macro import FILE.mck | --data-dir DIR macro "
                           "export NAME FILE.mck");
    Library lib(opts);
    JsonWriter json;
    bool ok = false;
    json.BeginObject();
    if (import) {
        const uint32_t id = ImportMacroFile(&lib.tree, nullptr, text::FromUtf8(args[1]));
        ok = id != 0;
        json.Key("ok").Bool(ok).Key("id").Number(id);
    } else {
        MacroTree::Item item = FindItem(lib.tree, args[1]);
        if (!item || lib.tree.IsFolder(item))
            throw CommandError("no macro " + args[1]);
        ok = ExportMacro(&lib.tree, item, text::FromUtf8(args[2]));
        json.Key("ok").Bool(ok).Key("id").Number(lib.tree.ItemMacroId(item));
    }
    lib.WriteMessages(json);
    json.EndObject();
    Print(json);
    return ok ? 0 : 1;
}
