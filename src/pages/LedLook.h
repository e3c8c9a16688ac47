#pragma once
// How the lighting page's picture of the mouse shows a light at a moment:
// its colour and how strongly it shines, for its effect, speed and
// brightness. Breathing rises and falls, a colour cycle runs round the colour
// wheel; a light switched off is dark.

#include "model/ProfileRecord.h"

#include <cstdint>

namespace led {

struct LightLook {
    uint32_t colour = 0; // 0x00BBGGRR
    double level = 0;    // 0 dark .. 1 full
    bool operator==(const LightLook&) const = default;
};

// `light` `ms` milliseconds into the animation; its speed runs from 1 to
// `speedSteps` (brightness from 1 to kBrightSteps), values outside count as
// the nearest end.
LightLook LookAt(const LightRecord& light, int speedSteps, uint32_t ms);
// Whether the look of `light` changes with time (breathing, colour cycle).
bool Animated(const LightRecord& light);

// How long one breath and one round of the colour wheel take, slowest speed
// first.
constexpr uint32_t kBreathSlowMs = 5000, kBreathFastMs = 1500;
constexpr uint32_t kCycleSlowMs = 10000, kCycleFastMs = 3000;

} // namespace led
