#include "model/MacroLookup.h"

#include <atomic>

namespace {

std::atomic<FindMacroFactsById> g_byId{nullptr};
std::atomic<FindMacroFactsByName> g_byName{nullptr};

} // namespace

void SetMacroLookup(FindMacroFactsById byId, FindMacroFactsByName byName) {
    g_byId = byId;
    g_byName = byName;
}

bool LookUpMacro(uint32_t id, MacroFacts& out) {
    const FindMacroFactsById find = g_byId;
    return find && find(id, out);
}

bool LookUpMacroByName(std::u16string_view name, MacroFacts& out) {
    const FindMacroFactsByName find = g_byName;
    return find && find(name, out);
}
