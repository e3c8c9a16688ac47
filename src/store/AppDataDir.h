#pragma once
// The per-user data folder that holds the profile and macro stores. Set once
// at start-up (tests and tarvelctl point it at a folder of their own) before
// any worker runs; it always ends in a path separator.

#include <string>

extern std::u16string g_szAppDataDir;

// Sets g_szAppDataDir, adding the final separator when it is missing.
void SetAppDataDir(const std::u16string& dir);
