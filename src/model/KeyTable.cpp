#include "model/KeyTable.h"

#include "model/SensorCatalogue.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cstring>

namespace settings {

KeyInfo g_KeyTable[kKeyModes][kKeysPerMode];

namespace {
constexpr int32_t kKeyButtonWidth = 134;
constexpr int32_t kKeyButtonHeight = 30;
constexpr int32_t kColumnGap = 80;
} // namespace

void BuildKeyTable(const SensorCfg& sensor) {
    std::memcpy(g_KeyTable, sensor.keys, sizeof g_KeyTable);
    const int32_t x0 = g_opt.ptKey.x;
    const int32_t y0 = g_opt.ptKey.y != 0 ? g_opt.ptKey.y : sensor.nKeyY;
    const int32_t pitch = sensor.nKeyH + kKeyButtonHeight;
    // LoadCfg keeps KeyNumCol at 1 or more; a column longer than the keys
    // simply holds them all.
    const int32_t firstColumn = std::min(g_opt.KeyNumCol, int32_t(kKeysPerMode));
    Rect rects[kKeysPerMode] = {};
    for (int k = 0; k < kKeysPerMode; ++k) {
        if (k < firstColumn) {
            int32_t top = y0 + k * pitch;
            rects[k] = {x0, top, x0 + kKeyButtonWidth, top + kKeyButtonHeight};
        } else {
            const Rect& left = rects[k - firstColumn];
            rects[k] = {left.right + kColumnGap, left.top,
                        left.right + kColumnGap + kKeyButtonWidth, left.bottom};
        }
    }
    for (auto& mode : g_KeyTable)
        for (int k = 0; k < kKeysPerMode; ++k)
            mode[k].rcHot = rects[k];
}

} // namespace settings
