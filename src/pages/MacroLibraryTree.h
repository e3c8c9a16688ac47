#pragma once
// The macro library as the macro page and the macro picker show it.

#include "controls/TreeCtrlEx.h"

// Reads the library into `tree` (emptied first): the folders and files on
// disk holding the list's macros, then, at the top level, any macro of the
// list whose file could not be read (it is still the user's).
void ReadMacroLibraryTree(CTreeCtrlEx& tree);
// The tree's item of macro `id`, or nullptr.
MacroTree::Item FindMacroItem(const CTreeCtrlEx& tree, uint32_t id);
