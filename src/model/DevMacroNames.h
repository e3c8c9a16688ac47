#pragma once
// The macro names last read from the device's 16 macro blocks. The
// configuration reader fills them on its thread; key decoding and the key
// texts read them on others.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kDevMacroSlots = 16;

// Stores the name bytes of macro block `slot` (at most 30 are kept). Slots
// outside 0..15 are ignored.
void SetDevMacroName(int slot, const uint8_t* bytes, size_t length);
// The name of macro block `slot` (at most 15 characters); empty outside 0..15.
std::u16string DevMacroName(int slot);
void ClearDevMacroNames();
