#pragma once
// The device memory map: where each setting lives and how it is encoded and
// protected. Pure functions shared by the configuration reader and the writer.

#include "model/ProfileRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace memmap {

// Addresses.
constexpr uint16_t kAddrReportRate = 0x00;     // single setting
constexpr uint16_t kAddrDpiCount = 0x02;       // single setting: enabled DPI levels
constexpr uint16_t kAddrCurDpiLevel = 0x04;    // written by the mouse only
constexpr uint16_t kAddrLod = 0x0A;            // single setting, 1 or 2
constexpr uint16_t kAddrDpiLevels = 0x0C;      // 8 four-byte entries: X, Y, high flag
constexpr uint16_t kAddrDpiColours = 0x2C;     // 8 four-byte entries: R, G, B
constexpr uint16_t kAddrDpiLight = 0x4C;       // mode, brightness, speed settings
constexpr uint16_t kAddrLogoColour = 0x54;     // four-byte entry: R, G, B
constexpr uint16_t kAddrLogoModeBright = 0x58; // mode and brightness settings
constexpr uint16_t kAddrLogoSpeed = 0x5C;      // single setting
constexpr uint16_t kAddrKeyMatrix = 0x60;      // 16 four-byte entries
constexpr uint16_t kAddrMainLight = 0xA0;      // 7-byte block
constexpr uint16_t kAddrComboData = 0x100;     // 16 slots of 32 bytes
constexpr uint16_t kAddrMacroBlocks = 0x300;   // 16 blocks of 384 bytes

constexpr size_t kEntryBytes = 4;
constexpr size_t kMainLightBytes = 7;
constexpr size_t kMainLightReadBytes = 8;
constexpr size_t kComboSlotBytes = 32;
constexpr size_t kComboReadBytes = 20; // the reader fetches this much of a slot
constexpr size_t kMacroBlockBytes = 384;
constexpr int kKeySlots = 16;

constexpr uint16_t DpiLevelAddr(int i) {
    return uint16_t(kAddrDpiLevels + 4 * i);
}
constexpr uint16_t DpiColourAddr(int i) {
    return uint16_t(kAddrDpiColours + 4 * i);
}
constexpr uint16_t KeyMatrixAddr(int slot) {
    return uint16_t(kAddrKeyMatrix + 4 * slot);
}
constexpr uint16_t ComboDataAddr(int slot) {
    return uint16_t(kAddrComboData + kComboSlotBytes * slot);
}
constexpr uint16_t MacroBlockAddr(int slot) {
    return uint16_t(kAddrMacroBlocks + kMacroBlockBytes * slot);
}
static_assert(DpiLevelAddr(7) == 0x28 && DpiColourAddr(7) == 0x48);
static_assert(KeyMatrixAddr(15) == 0x9C && ComboDataAddr(15) == 0x2E0);
static_assert(MacroBlockAddr(1) == 0x480 && MacroBlockAddr(15) == 0x1980);

// Macro block layout.
constexpr size_t kMacroNameLengthOffset = 0;
constexpr size_t kMacroNameOffset = 1;
constexpr size_t kMacroNameBytes = 30; // 15 UTF-16 characters, not terminated
constexpr size_t kMacroCountOffset = 31;
constexpr size_t kMacroEventsOffset = 32;
constexpr size_t kMacroEventBytes = 5;
constexpr int kMacroMaxEvents = 70;
// The zero tail follows the check only when it still ends inside the block.
constexpr size_t kMacroTailBytes = 3;
constexpr size_t kMacroLastTailStart = 381;
static_assert(kMacroEventsOffset + kMacroEventBytes * kMacroMaxEvents + 1 == 383);

// Protection: value and complement; three bytes and their check.
std::array<uint8_t, 2> EncodeSetting(uint8_t value);
std::array<uint8_t, 4> EncodeEntry(uint8_t b0, uint8_t b1, uint8_t b2);
// 0x55 minus the sum of the bytes.
uint8_t BlockCheck(const uint8_t* data, size_t length);

// Rate code <-> dwReportRate: 1 = 0x1000, 2 = 0x500, 4 = 0x250, 8 = 0x125.
// 0 / false for anything else (the caller's read or write of the rate fails).
uint8_t ReportRateToCode(uint32_t rate);
bool CodeToReportRate(uint8_t code, uint32_t& rate);

// Light level tables, levels 1..10.
using LevelTable = std::array<uint8_t, 10>;
extern const LevelTable kBrightBytes;         // DPI and logo light brightness
extern const LevelTable kMainBrightBytes;     // main light brightness
extern const LevelTable kMainSpeedBytes;      // main light speed, device modes 1 and 2
extern const LevelTable kMainSpeedBytesMode0; // main light speed, device mode 0

// The byte of a level; a level outside 1..10 is logged and written as level 1.
uint8_t LevelToByte(const LevelTable& table, int32_t level);
// The 1-based position of a byte; 1 when it is not in the table.
int32_t ByteToLevel(const LevelTable& table, uint8_t byte);

// Main light mode: nMode 1 <-> device 2, 2 <-> 1, 3 <-> 0, off (0 or 4) -> 4;
// 5 and above are written as the mode byte itself.
uint8_t MainModeToDevice(int32_t nMode);
// The 7-byte block at 0xA0 for a light that is on: mode, R, G, B, speed,
// brightness, check.
std::array<uint8_t, kMainLightBytes> EncodeMainLight(const LightRecord& light);
// Switching off keeps the device's colour: byte 0 becomes 4, check recomputed.
void SwitchMainLightOff(uint8_t block[kMainLightBytes]);
// Decodes the 8 bytes read at 0xA0 into `light` (logs them first).
void EEPROM_To_MainRGB(const uint8_t bytes[kMainLightReadBytes], LightRecord& light);

// The logo light's bytes, read in one piece from kAddrLogoColour.
constexpr size_t kLogoLightBytes = kAddrLogoSpeed + 2 - kAddrLogoColour;
// Offset of the logo mode within them.
constexpr size_t kLogoModeOffset = kAddrLogoModeBright - kAddrLogoColour;
// Decodes the logo light from `bytes` (read at kAddrLogoColour). Mode 0 is
// the light switched off: then only the mode changes.
void DecodeLogoLight(const uint8_t bytes[kLogoLightBytes], LightRecord& light);

// Colour entry: red, green, blue, check.
std::array<uint8_t, 4> EncodeColourEntry(uint32_t crColor);
uint32_t DecodeColourEntry(const uint8_t entry[4]);

// DPI entry: X code, Y code, high-range flag of X, check.
std::array<uint8_t, 4> EncodeDpiEntry(uint32_t sensorId, const DpiLevelRecord& level);
// nDpiX and nDpiY of an entry, converted for `sensor` with its flag.
void DecodeDpiEntry(const ActiveSensor& sensor, const uint8_t entry[4], DpiLevelRecord& level);
// The level count of byte 0x02; levels beyond the eighth are not read.
int DecodeDpiLevelCount(uint8_t byte);
// The number of enabled levels among the first `sensorLevels` (cut to 0..8).
int CountEnabledDpiLevels(const ProfileRecord& profile, int sensorLevels);

// Key matrix entry: the three low bytes of the code and the check; -1 (no
// device function) is written as 0xFFFFFF.
std::array<uint8_t, 4> EncodeMatrixEntry(int32_t code);
uint32_t DecodeMatrixEntry(const uint8_t entry[4]);

// A macro block as the writer sends it: name length, name (at most 15
// characters), the event part of `events` (count byte at offset 31, events
// from 32), the check over bytes 31..31+5n and, when it fits, three zero
// bytes. `events` is a buffer laid out like a block; `out` receives up to 384
// bytes. Returns the number of bytes to write.
size_t BuildMacroBlock(const std::u16string& name, const uint8_t* events, size_t eventsLength,
                       uint8_t out[kMacroBlockBytes]);
// The name of a block's 30 name bytes (at most 15 characters).
std::u16string MacroBlockName(const uint8_t nameBytes[kMacroNameBytes]);

} // namespace memmap
