#pragma once
// The macro library on disk: the folder tree of .mck files under the data
// folder's "Mac" folder, kept in step with the macro list and the macro tree.
// (Implemented in MacroLibrary.cpp; the declarations below are what the
// device read and the profile import rely on.)

#include "model/StMacro.h"
#include "store/MacroTree.h"

#include <cstdint>

// Adds `record` (it must carry the macro magic) to the library: a macro item at
// the top level of `page`, a list copy marked as new, and its file. The id of
// the added macro, or 0 on failure.
uint32_t Add_Macro(const StMacro& record, MacroTree* page);

// Copies `record` over the library macro whose top-level item in `page` has
// the record's name (without case), keeping that macro's id, and writes its
// file when the record carries change bits. The id, or 0 when there is no
// such macro.
uint32_t ReplaceMacro(MacroTree* page, const StMacro& record);

// A number that changes whenever the list changed without the macro page:
// the start-up scan, Add_Macro and ReplaceMacro (the device read and profile
// import). The page compares it with the number it last showed and reads
// its tree again, on its own thread, when they differ.
uint32_t MacroLibraryRevision();
void NoteMacroLibraryChange();
