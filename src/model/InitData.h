#pragma once
// Start-up's reading of cfg.ini: the OPT options (settings::LoadCfg), the
// sensor sections of the sensor catalogue, and what is derived from both.
// It sits above both so that neither needs the other.

#include "model/KeyTable.h"

#include <string>

namespace settings {

// Clears every setting, builds the sensor tables, reads `exeDir`cfg.ini (OPT,
// then SENSOR_1..SENSOR_25) and computes the derived values. False when the
// configured sensor has no usable section.
bool InitData(const std::u16string& exeDir);

} // namespace settings
