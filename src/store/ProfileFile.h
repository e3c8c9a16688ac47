#pragma once
// The profile file (.hvk): the current profile together with the macros its
// keys use, so a profile moved to another computer keeps its macros. The file
// dialogs are the GUI's; these functions take the chosen path.

#include "model/ProfileRecord.h"
#include "model/StMacro.h"
#include "store/MacroTree.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int kProfileFileMacros = 10;
constexpr size_t kProfileFileBytes = sizeof(ProfileRecord) + kProfileFileMacros * sizeof(StMacro);
static_assert(kProfileFileBytes == 11332);

// The file image of `profile`: the record, then the library macros of its
// macro keys in key order (one slot per key, at most ten), the rest zero.
std::string BuildProfileFile(const ProfileRecord& profile);

// The file name the save dialog offers for `profile`: its name made safe as a
// file name, with the extension ".hvk"; "*.hvk" when nothing of the name is
// usable.
std::u16string ProfileExportName(const ProfileRecord& profile);

// Writes the current profile to `path`, replacing the file. False (after the
// message "Create profile failed.") when it cannot be written, or when there
// is no current profile.
bool ExportProfile(const std::u16string& path);

// One macro of an imported file as it reached the library.
struct MergedMacro {
    uint32_t fileId;    // the id in the file
    uint32_t libraryId; // the id the keys now carry
    std::u16string name;
    bool replaced; // a top-level library macro of that name took its contents
};

// Replaces the current profile (keeping its id) by the profile of the file at
// `path` and merges the file's macros into the library through `page` (the
// macro page's tree or a headless one), then requests a full apply. Refused
// while the device configuration is being read. False after a message, or
// when there is no current profile; `merged` (optional) lists the macros.
bool ImportProfile(const std::u16string& path, bool readInProgress, MacroTree* page,
                   std::vector<MergedMacro>* merged = nullptr);
