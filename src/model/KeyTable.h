#pragma once
// The default key table: the active sensor's key defaults with the on-screen
// rectangles of their buttons, for the three key modes. It follows the active
// sensor: every switch of the sensor rebuilds it (SetActiveSensor), so
// defaults, resets and re-bases always take the keys of the mouse in use.

#include "model/KeyInfo.h"

struct SensorCfg;

namespace settings {

// Read and rebuilt on the window thread only; workers take key defaults from
// their copy of the active sensor (ActiveSensorNow().cfg->keys).
extern KeyInfo g_KeyTable[kKeyModes][kKeysPerMode];

// The table from `sensor`'s defaults, the buttons laid out in two columns:
// the first KeyNumCol keys from ptKey (KEYY when ptKey's y is 0) downwards,
// KEYH apart, the rest beside them.
void BuildKeyTable(const SensorCfg& sensor);

} // namespace settings
