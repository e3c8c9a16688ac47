#pragma once
// Names of virtual keys, as the combination text, the key-combination dialog
// and the macro editor show them.

#include <cstdint>
#include <string>

// The fixed name of a virtual key; keys without one (punctuation among them)
// show the character of the current keyboard layout; empty below 0x08.
std::u16string KeyName(uint32_t vk);
