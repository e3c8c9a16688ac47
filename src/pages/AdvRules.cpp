#include "pages/AdvRules.h"

#include <algorithm>

namespace {
constexpr int kRowW = 315, kRowH = 19;
} // namespace

const uint32_t kPointerSpeeds[11] = {1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
const uint32_t kDblClickTimes[11] = {900, 830, 760, 690, 620, 550, 480, 410, 340, 270, 200};
const uint32_t kWheelLines[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const uint32_t kDpiLightBrights[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const uint32_t kDpiLightSpeeds[5] = {1, 2, 3, 4, 5};

bool IsXYSensor(uint32_t sensor) {
    return sensor == 0x9800 || sensor == 0x3360;
}

AdvRowRects LevelRowRects(POINT dpiBar, int rowH, int level, bool showColor, bool xySensor) {
    const int x = dpiBar.x, y = dpiBar.y + level * rowH;
    AdvRowRects r{};
    r.slider = {x, y, x + kRowW, y + kRowH};
    if (showColor) {
        r.swatch = {x - 33, y, x - 15, y + 18};
        r.check = {x - 64, y + 1, x - 48, y + 17};
    } else {
        r.check = {x - 33, y + 1, x - 17, y + 17};
    }
    const int left = r.slider.right + (xySensor ? 8 : 10);
    if (xySensor) {
        r.labelX = {left, y, r.slider.right + 50, y + 14};
        r.labelY = {left, y + 14, left + 42, y + 28};
    } else {
        r.labelX = {left, y, r.slider.right + 50, y + kRowH};
    }
    return r;
}

RECT XYToggleRect(POINT dpiBar, int rowH, int levelCount) {
    // Just under the last level's row, inside the levels' panel.
    const int top = dpiBar.y + (levelCount - 1) * rowH + kRowH + 3;
    return {dpiBar.x + 90, top, dpiBar.x + 106, top + 16};
}

LevelToggle CheckLevelToggle(const std::vector<bool>& on, int levelCount, int level) {
    const int count = std::min<int>(levelCount, int(on.size()));
    if (level < 0 || level >= count)
        return LevelToggle::OutOfOrder;
    if (on[level]) {
        if (level + 1 < count && on[level + 1])
            return LevelToggle::OutOfOrder;
        const int off = int(std::count(on.begin(), on.begin() + count, false));
        if (off >= count - 1)
            return LevelToggle::LastLevel;
        return LevelToggle::Allow;
    }
    if (level > 0 && !on[level - 1])
        return LevelToggle::OutOfOrder;
    return LevelToggle::Allow;
}

WheelShown ShowWheelLines(int32_t stored) {
    if (stored == -1)
        return {3, true};
    return {stored, false};
}

DpiLightVisible DpiLightVisibility(int mode, bool showEffect, DpiLightVisible now) {
    if (!showEffect)
        return {false, false, false};
    now.selector = true;
    switch (mode) {
    case 1:
        return {true, true, false};
    case 2:
        return {true, false, true};
    case 0:
        return {true, false, false};
    default:
        return now;
    }
}

std::vector<int> LevelsWithNewValues(const ProfileRecord& before, const ProfileRecord& after,
                                     int levelCount) {
    std::vector<int> out;
    for (int i = 0; i < std::clamp(levelCount, 0, kDpiLevels); ++i)
        if (before.DpiLevel[i].nDpiX != after.DpiLevel[i].nDpiX ||
            before.DpiLevel[i].nDpiY != after.DpiLevel[i].nDpiY)
            out.push_back(i);
    return out;
}

std::optional<bool> LodOneMm(int32_t stored) {
    if (stored == 1)
        return true;
    if (stored == 2)
        return false;
    return std::nullopt;
}
