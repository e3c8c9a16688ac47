#include "platform/Platform.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<bool> g_bClockPauses{true};
} // namespace

void ClockPauseMs(uint32_t ms) {
    if (g_bClockPauses.load(std::memory_order_relaxed))
        SleepMs(ms);
}

void SetClockPauses(bool enabled) {
    g_bClockPauses.store(enabled, std::memory_order_relaxed);
}

bool ClockPausesEnabled() {
    return g_bClockPauses.load(std::memory_order_relaxed);
}

} // namespace platform
