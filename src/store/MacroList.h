#pragma once
// The macro library in memory: a CMyList of heap copies of StMacro, in order
// of addition, at most 2000.
//
// Pointers returned here stay valid only while the caller holds
// g_MacroList.Lock(); code on other threads copies records out and back with
// CopyMacroById / ReplaceMacroContent instead.

#include "model/StMacro.h"
#include "store/CMyList.h"

#include <string>
#include <string_view>

extern CMyList<StMacro> g_MacroList;

// A zeroed record with magic, a new id, bAutoDelay 1, nRepeatMode 0,
// wRepeatCount 1, the name (cut to 39 characters) and no steps.
StMacro NewMacroRecord(std::u16string_view name);

// Appends a heap copy; nullptr when memory runs out or the list already holds
// 2000 macros.
StMacro* AppendMacro(const StMacro& record);

// First element with that id, or nullptr.
StMacro* FindMacroById(uint32_t id);
// First element whose name equals `name` without case over at most 40
// characters; an empty name finds nothing.
StMacro* FindMacroByName(std::u16string_view name);
// Removes and frees the first element with that id; false when none has it.
bool RemoveMacroById(uint32_t id);

// Thread-safe copies: the record of the first macro with `id` into `out`.
bool CopyMacroById(uint32_t id, StMacro& out);
// Copies `record` over the first macro with `id`, keeping that macro's id.
bool ReplaceMacroContent(uint32_t id, const StMacro& record);

// True when a library macro carries `id`.
bool MacroIdInUse(uint32_t id);

// The name of a record, never read past its field.
std::u16string MacroName(const StMacro& record);
