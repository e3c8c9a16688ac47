#pragma once
// The settings half of start-up: everything read from cfg.ini and what is
// derived from it.

#include "model/KeyInfo.h"

#include <string>

namespace settings {

// The default key table: the active sensor's key defaults with the on-screen
// rectangles of their buttons, for the three key modes.
extern KeyInfo g_KeyTable[kKeyModes][kKeysPerMode];

// Clears every setting, builds the sensor tables, reads `exeDir`cfg.ini and
// computes the derived values. False when the settings are unusable.
bool InitData(const std::u16string& exeDir);

} // namespace settings
