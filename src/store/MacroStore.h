#pragma once
// The macro library's files: the .mck folder tree under "Mac" in the data
// folder, the scan that fills the macro list and the macro tree from it, the
// dump file mac.dct, and the disk side of the macro page's commands (export,
// import, rename, delete). Add_Macro and ReplaceMacro are in MacroLibrary.h.
//
// Every name that becomes part of a path passes store::SafeFileName first, and
// no path is built outside the library root.

#include "model/StMacro.h"
#include "store/MacroTree.h"

#include <cstdint>
#include <string>

// The library root: "Mac" in g_szAppDataDir (no final separator).
std::u16string MacroLibraryRoot();

// The file path of a tree item: the root, then one component per level (a
// folder's text, or a macro's text with ".mck"), at most 20 levels. False when
// the item is missing, too deep, or the path would leave the root.
bool TreeItem_To_FilePath(MacroTree::Item item, const MacroTree& tree, std::u16string& out);
// The path a macro item with `text` and `macroId` would have under `parent`
// (nullptr: the top level); false as for TreeItem_To_FilePath.
bool MacroItemPath(const MacroTree& tree, MacroTree::Item parent, const std::u16string& text,
                   uint32_t macroId, std::u16string& out);

// Writes the file of a macro item whose list record carries change bits and
// clears them; nothing for folders or records without change bits. False on
// any failure (each is logged).
bool Flush_Dirty_Macro(MacroTree::Item item, MacroTree* tree);

// Writes `bytes` as the whole new content of `path` (temporary file moved
// over it), creating missing folders on the way. False when it cannot.
bool MyCreateFile(const std::u16string& path, const std::string& bytes);
// Creates every missing folder of the folder part of `path`.
bool MakeSureFolderExist(const std::u16string& path);

struct MacroScanOptions {
    MacroTree* tree = nullptr;        // receives folder and macro items, or none
    MacroTree::Item parent = nullptr; // items go under it (nullptr: top level)
    int macroDir = 0;                 // 0: sub-folders are not scanned
    bool addToList = false;           // append every macro found to the list
    // Only macros the list holds get an item, each id once (a tree shown
    // next to the list never offers a macro the list does not know).
    bool listedOnly = false;
};

// Reads the macros of `folder` (and, with `recurse` and macroDir, of its
// sub-folders). Files that are no readable 834-byte macro, or use keys the
// device cannot play, are skipped. A file added to the list whose id another
// macro already has (a copied file) gets a new id, and its file is written
// with it. False when a folder cannot be read.
bool ScanMacroFolder(const std::u16string& folder, bool recurse, const MacroScanOptions& options);

// Scans the library root: at start with no tree and addToList (fills the
// list); by the macro page with its tree and without addToList (same ids).
bool LoadMacroLibrary(MacroTree* tree, int macroDir, bool addToList);
// The library's tree as the disk holds it, for the list's macros only (the
// device read and profile import: they never see a window).
bool LoadListedMacroTree(MacroTree& tree, int macroDir);

// Writes mac.dct: 2000 plain 834-byte slots of the list's macros that have an
// id and a first step, in list order, the rest zero.
constexpr size_t kMacroDumpBytes = size_t(kMaxMacros) * sizeof(StMacro);
bool SaveMacroDump();

// A name typed by the user: empty is refused silently, one with any of
// / \ ? + = - * & % ! # is refused with a message. An accepted name loses the
// part from its last "." on.
bool IsValidMacroName(std::u16string& name);

// True when a step uses a mouse code the device cannot play (0xF5, 0xF6).
bool HasUnsupportedKey(const StMacro& record);

// True when a key of the current profile runs macro `id`.
bool MacroUsedByProfile(uint32_t id);

// Copies the library file of the macro item to `destination` (the path the
// save dialog gave), replacing it.
bool ExportMacro(MacroTree* tree, MacroTree::Item item, const std::u16string& destination);

// Imports the .mck file `source` (the path the open dialog gave) as a new
// macro under `target` (a folder item, or nullptr for the top level; a macro
// item stands for its folder), named after the file's title. The new macro's
// id, or 0 after a message.
uint32_t ImportMacroFile(MacroTree* tree, MacroTree::Item target, const std::u16string& source);

// The disk side of the macro page's rename and delete. Each checks the new
// name (IsValidMacroName, no sibling of the same name) and shows its own
// messages; true when tree, list and disk were changed.
bool RenameMacroItem(MacroTree* tree, MacroTree::Item item, std::u16string newName);
// Moves the folder's picture and the folder, then reads its items again from
// disk (tree only, same ids).
bool RenameFolderItem(MacroTree* tree, MacroTree::Item item, std::u16string newName, int macroDir);
// Removes the macro from the list and the tree and deletes its file.
bool DeleteMacroItem(MacroTree* tree, MacroTree::Item item);
// Removes the folder's macros from the list, the folder's items from the tree
// and its whole sub-tree from disk (read-only files included).
bool DeleteFolderItem(MacroTree* tree, MacroTree::Item item);
