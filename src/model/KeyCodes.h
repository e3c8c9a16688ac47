#pragma once
// Key function codes: the device encoding of a KeyInfo (matrix code and the
// combination slot's events), its decoding, the virtual-key / HID usage
// tables and the display text of an assignment.

#include "model/KeyInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Device macros that are not in the library are named by this id plus the slot.
constexpr uint32_t kDeviceMacroIdBase = 0x00FFEE00;
constexpr bool IsDeviceMacroId(uint32_t id) {
    return (id & 0xFFFFFF00) == kDeviceMacroIdBase;
}

// Kinds of hardware code (the low byte) that come with data of their own in
// the key's slot: a key combination or a macro.
constexpr uint32_t kHwCombo = 0x05;
constexpr uint32_t kHwMacro = 0x06;

// Event bytes of combination and macro data: the event type in the low bits,
// pressed or released in the high ones.
constexpr uint8_t kEvModifier = 0;
constexpr uint8_t kEvKey = 1;
constexpr uint8_t kEvRelease = 0x40;
constexpr uint8_t kEvPress = 0x80;

// Bytes of combination data at most: with the block check they fill the
// 32-byte combination slot.
constexpr size_t kComboDataMax = 31;

// The 24-bit hardware code of an assignment; -1 when it has none.
int32_t keyinfo_to_hardware_code(const KeyInfo& key);

// Decodes a matrix code into `key`: 1 when decoded (dwFunID, dwMacroID,
// stCombo, dwParameter and the reserved word replaced; rcHot and nMatrixIndex
// kept), 0 when not (the record is unchanged). `combo` is the key's
// combination slot as read (`comboLength` bytes).
int HardwareCode_To_KeyInfo(uint32_t code, const uint8_t* combo, size_t comboLength, KeyInfo& key);

// The combination data of a keyboard, application or media assignment into
// `out` (kComboDataMax bytes); returns the number of data bytes (0 for other
// categories). The writer appends the check.
size_t ComboToDevice(const KeyInfo& key, uint8_t out[kComboDataMax]);
// Decodes a combination slot into dwFunID and stCombo of `key`; 1 / 0.
int ComboFromDevice(const uint8_t* data, size_t length, KeyInfo& key);

// The HID consumer usage of a media or application function (low byte);
// 0xFFFF for others.
uint16_t ConsumerUsage(uint32_t function);

// HID keyboard usage <-> virtual key; 0 when not in the table.
uint8_t HidToVk(uint8_t usage);
uint8_t VkToHid(uint8_t vk);

// How a combination text names modifiers: "Ctrl" for either hand, or
// "L-Ctrl" and "R-Ctrl" apart.
enum class ModifierNaming { Generic, Sided };
// "Ctrl + Alt + C" (Generic) or "L-Ctrl + L-Shift + A" (Sided): the modifiers
// of `mods` (stCombo's modifier bits) in the order Ctrl, Alt, Shift, Win (with
// Sided all left-hand ones first), then the names of the keys that are not 0.
std::u16string ComboText(uint8_t mods, const uint8_t (&keys)[3], ModifierNaming naming);
// Both hands' bits of the modifier kind `bit` belongs to; 0 for no modifier.
uint8_t ModifierKindBits(uint8_t bit);
// How many modifier kinds (Ctrl, Alt, Shift, Win of either hand) `mods` holds.
int ModifierKindCount(uint8_t mods);

// The text an assignment is shown with.
std::u16string KeyInfoText(const KeyInfo& key);
// Whether some category knows the assignment's function: the keys page can
// show it (it has a text) and the writer can encode it.
bool IsKnownKeyFunction(const KeyInfo& key);
