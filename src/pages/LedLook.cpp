#include "pages/LedLook.h"

#include "pages/LedRules.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace led {

namespace {

constexpr int32_t kSteady = 1, kBreathing = 2, kCycle = 3;

// 0 at the slowest speed, 1 at the fastest.
double SpeedShare(int32_t speed, int steps) {
    if (steps <= 1)
        return 0;
    return double(std::clamp<int32_t>(speed, 1, steps) - 1) / (steps - 1);
}

uint32_t Period(uint32_t slowMs, uint32_t fastMs, double share) {
    return uint32_t(std::lround(slowMs - (double(slowMs) - fastMs) * share));
}

// A fully saturated colour of the wheel, `turn` 0..1 from red over green and
// blue back to red.
uint32_t WheelColour(double turn) {
    const double h = turn * 6;
    const int sector = int(h) % 6;
    const double f = h - std::floor(h);
    const auto byte = [](double v) { return uint32_t(std::lround(v * 255)); };
    double r = 0, g = 0, b = 0;
    switch (sector) {
    case 0:
        r = 1, g = f;
        break;
    case 1:
        r = 1 - f, g = 1;
        break;
    case 2:
        g = 1, b = f;
        break;
    case 3:
        g = 1 - f, b = 1;
        break;
    case 4:
        r = f, b = 1;
        break;
    default:
        r = 1, b = 1 - f;
        break;
    }
    return byte(r) | byte(g) << 8 | byte(b) << 16;
}

} // namespace

LightLook LookAt(const LightRecord& light, int speedSteps, uint32_t ms) {
    if (light.nMode != kSteady && light.nMode != kBreathing && light.nMode != kCycle)
        return {};
    // Even the lowest brightness stays visible on the picture.
    const double bright =
        0.25 +
        0.75 * double(std::clamp<int32_t>(light.nBright, 1, kBrightSteps) - 1) / (kBrightSteps - 1);
    const double share = SpeedShare(light.nSpeed, speedSteps);
    LightLook look{light.crColor & 0xFFFFFF, bright};
    if (light.nMode == kBreathing) {
        const uint32_t period = Period(kBreathSlowMs, kBreathFastMs, share);
        const double phase = double(ms % period) / period;
        // Never quite dark, so the light still reads as on.
        look.level = bright * (0.08 + 0.92 * (1 - std::cos(2 * std::numbers::pi * phase)) / 2);
    } else if (light.nMode == kCycle) {
        const uint32_t period = Period(kCycleSlowMs, kCycleFastMs, share);
        look.colour = WheelColour(double(ms % period) / period);
    }
    return look;
}

bool Animated(const LightRecord& light) {
    return light.nMode == kBreathing || light.nMode == kCycle;
}

} // namespace led
