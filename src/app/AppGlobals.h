#pragma once
// Process-wide values of the program that start-up fixes and every window
// reads. The skin folder, the application font and the texts live with the
// controls (controls/SkinAssets.h); this header adds what only the program
// itself needs.

#include "controls/SkinAssets.h"

#include <string>

// The program's title: the setting Title, else the text tc_title (39 characters).
extern std::wstring g_szAppTitle;
