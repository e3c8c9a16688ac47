#pragma once
// The 40-byte button assignment, copied byte for byte into profiles, files
// and the default key tables.

#include "settings/Settings.h"

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "records are little-endian images");

#pragma pack(push, 1)
struct KeyInfo {
    uint32_t dwFunID;     // category << 24 | function
    settings::Rect rcHot; // the key's button on the keys page
    int32_t nMatrixIndex; // 1..16: slot in the device key matrix; else no slot
    uint32_t dwMacroID;   // macro id, or 0x00FFEE00 + slot for a device-only macro
    uint32_t stCombo;     // byte 0 modifier bits, bytes 1..3 virtual-key codes
    uint32_t dwParameter; // function parameter
    uint32_t dwReserved;
};
#pragma pack(pop)

static_assert(sizeof(KeyInfo) == 40);
static_assert(offsetof(KeyInfo, dwFunID) == 0);
static_assert(offsetof(KeyInfo, rcHot) == 4);
static_assert(offsetof(KeyInfo, nMatrixIndex) == 20);
static_assert(offsetof(KeyInfo, dwMacroID) == 24);
static_assert(offsetof(KeyInfo, stCombo) == 28);
static_assert(offsetof(KeyInfo, dwParameter) == 32);
static_assert(offsetof(KeyInfo, dwReserved) == 36);

// Function categories (top byte of dwFunID).
enum KeyCategory : uint32_t {
    kCatMouse = 1,
    kCatKeyboard = 2,
    kCatApplication = 3,
    kCatMedia = 4,
    kCatMacro = 5,
    kCatSpecial = 8,
    kCatExtra = 0x0B,
};

constexpr uint32_t KeyCategoryOf(uint32_t funId) {
    return funId >> 24;
}

// Modifier bits of stCombo byte 0 (the HID modifier byte).
enum ComboModifier : uint8_t {
    kModLCtrl = 0x01,
    kModLShift = 0x02,
    kModLAlt = 0x04,
    kModLWin = 0x08,
    kModRCtrl = 0x10,
    kModRShift = 0x20,
    kModRAlt = 0x40,
    kModRWin = 0x80,
};

// A key with a device slot is read from and written to the device.
constexpr bool HasDeviceSlot(const KeyInfo& k) {
    return k.nMatrixIndex >= 1 && k.nMatrixIndex <= 16;
}
