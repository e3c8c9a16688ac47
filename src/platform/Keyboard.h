#pragma once
// The current keyboard layout, for naming keys that have no fixed name.

#include <cstdint>

namespace platform {

// The character the current layout gives for a virtual key pressed alone
// (no shift state), or 0 when the key gives none.
char KeyCharForVk(uint8_t vk);

} // namespace platform
