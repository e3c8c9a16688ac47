#pragma once
// What key encoding and key texts need to know about the macro library. The
// library lives in a layer above this one and answers through the two
// functions it installs here; until it does, no macro is known.

#include <cstdint>
#include <string>
#include <string_view>

// The parts of a library macro that a key's code and text depend on.
struct MacroFacts {
    uint32_t id = 0;
    int32_t nRepeatMode = 0;
    uint16_t wRepeatCount = 0;
    std::u16string name;
};

// Each answers under the library's own lock and copies what it found.
using FindMacroFactsById = bool (*)(uint32_t id, MacroFacts& out);
using FindMacroFactsByName = bool (*)(std::u16string_view name, MacroFacts& out);

void SetMacroLookup(FindMacroFactsById byId, FindMacroFactsByName byName);

// The facts of the library macro with `id` / with `name` (compared without
// case); false when there is none or no library is installed.
bool LookUpMacro(uint32_t id, MacroFacts& out);
bool LookUpMacroByName(std::u16string_view name, MacroFacts& out);
