#include "store/MacroList.h"

#include "model/MacroLookup.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "store/ProfileDefaults.h"

#include <cstring>

CMyList<StMacro> g_MacroList;

namespace {

MacroFacts FactsOf(const StMacro& m) {
    return {m.dwID, m.nRepeatMode, m.wRepeatCount, MacroName(m)};
}

bool FactsById(uint32_t id, MacroFacts& out) {
    auto lock = g_MacroList.Lock();
    const StMacro* m = FindMacroById(id);
    if (m)
        out = FactsOf(*m);
    return m != nullptr;
}

bool FactsByName(std::u16string_view name, MacroFacts& out) {
    auto lock = g_MacroList.Lock();
    const StMacro* m = FindMacroByName(name);
    if (m)
        out = FactsOf(*m);
    return m != nullptr;
}

// Key codes and key texts below this layer find library macros through these
// two; they are installed when the library is linked into a program.
const bool g_bMacroLookupInstalled = (SetMacroLookup(FactsById, FactsByName), true);

bool SameName(const StMacro& m, std::u16string_view name) {
    std::u16string_view probe = name.substr(0, std::min<size_t>(name.size(), kMacroNameChars));
    return text::EqualsIgnoreAsciiCase(MacroName(m).substr(0, kMacroNameChars), probe);
}

} // namespace

std::u16string MacroName(const StMacro& record) {
    return text::FromField(record.szName, kMacroNameChars);
}

StMacro NewMacroRecord(std::u16string_view name) {
    StMacro m;
    std::memset(&m, 0, sizeof m);
    m.dwMagicNumber = kMacroMagic;
    m.dwID = MakeProfileId();
    m.bAutoDelay = 1;
    m.nRepeatMode = 0;
    m.wRepeatCount = 1;
    text::CopyToField(m.szName, kMacroNameChars, name);
    return m;
}

StMacro* AppendMacro(const StMacro& record) {
    auto lock = g_MacroList.Lock();
    // Every path that adds a macro (editor, import, device read) comes here,
    // so the library limit holds whoever creates the macro.
    if (g_MacroList.Count() >= kMaxMacros) {
        settings::WriteLog("AppendMacro: the library holds %d macros already", kMaxMacros);
        return nullptr;
    }
    StMacro* copy = new (std::nothrow) StMacro(record);
    if (!copy)
        return nullptr;
    if (!g_MacroList.AddTail(copy)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

StMacro* FindMacroById(uint32_t id) {
    auto node = g_MacroList.FindNode([id](const StMacro& m) { return m.dwID == id; });
    return node ? node->pData : nullptr;
}

StMacro* FindMacroByName(std::u16string_view name) {
    name = name.substr(0, name.find(u'\0'));
    if (name.empty())
        return nullptr;
    auto node = g_MacroList.FindNode([name](const StMacro& m) { return SameName(m, name); });
    return node ? node->pData : nullptr;
}

bool RemoveMacroById(uint32_t id) {
    auto lock = g_MacroList.Lock();
    auto node = g_MacroList.FindNode([id](const StMacro& m) { return m.dwID == id; });
    if (!node)
        return false;
    g_MacroList.Remove(node);
    return true;
}

bool CopyMacroById(uint32_t id, StMacro& out) {
    auto lock = g_MacroList.Lock();
    const StMacro* m = FindMacroById(id);
    if (!m)
        return false;
    out = *m;
    return true;
}

bool ReplaceMacroContent(uint32_t id, const StMacro& record) {
    auto lock = g_MacroList.Lock();
    StMacro* m = FindMacroById(id);
    if (!m)
        return false;
    *m = record;
    m->dwID = id;
    return true;
}

bool MacroIdInUse(uint32_t id) {
    return FindMacroById(id) != nullptr;
}
