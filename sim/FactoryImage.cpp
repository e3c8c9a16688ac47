// The factory configuration of the default product: an 8-button mouse with a
// 0x3325 sensor, laid out as the device memory map.

#include "sim/VirtualReceiver.h"

#include "device/CheckByte.h"

#include <cstring>

namespace sim {
namespace {

// Addresses of the memory map.
constexpr size_t kRateAddr = 0x00;
constexpr size_t kLevelCountAddr = 0x02;
constexpr size_t kCurLevelAddr = 0x04;
constexpr size_t kLodAddr = 0x0A;
constexpr size_t kDpiAddr = 0x0C;
constexpr size_t kDpiColourAddr = 0x2C;
constexpr size_t kDpiLightAddr = 0x4C;
constexpr size_t kLogoColourAddr = 0x54;
constexpr size_t kLogoModeAddr = 0x58;
constexpr size_t kLogoSpeedAddr = 0x5C;
constexpr size_t kMatrixAddr = 0x60;
constexpr size_t kMainLightAddr = 0xA0;
constexpr size_t kComboAddr = 0x100;
constexpr size_t kComboSize = 32;
constexpr size_t kMacroAddr = 0x300;
constexpr size_t kMacroSize = 0x180;
constexpr size_t kMatrixSlots = 16;

constexpr uint8_t kRate1000Hz = 1;
constexpr uint8_t kEnabledLevels = 6;
constexpr uint8_t kDefaultLevel = 1; // 1200 DPI
constexpr uint8_t kLiftOff = 1;

// DPI levels 800, 1200, 1600, 2400, 3200, 6400 and the two disabled ones
// (6000, 8000): X code, Y code, high-range flag of the 0x3325 code table with
// 200-DPI steps above 5000.
constexpr uint8_t kDpiEntries[8][3] = {
    {0x12, 0x12, 0}, {0x1B, 0x1B, 0}, {0x24, 0x24, 0}, {0x37, 0x37, 0},
    {0x49, 0x49, 0}, {0x49, 0x49, 1}, {0x45, 0x45, 1}, {0x5C, 0x5C, 1},
};
// Red, green, blue of each level.
constexpr uint8_t kDpiColours[8][3] = {
    {255, 40, 40}, {255, 150, 0},  {255, 230, 0}, {40, 220, 90},
    {0, 190, 255}, {170, 70, 255}, {255, 0, 255}, {0, 255, 255},
};

// Lights: mode, brightness byte (level 10), speed.
constexpr uint8_t kDpiLight[3] = {2, 0xFF, 3};
constexpr uint8_t kLogoColour[3] = {0, 190, 255};
constexpr uint8_t kLogoLight[3] = {3, 0xFF, 3};
// Main light: device mode 0 (breathing), red, green, blue, speed byte of
// level 6, brightness byte of level 10.
constexpr uint8_t kMainLight[6] = {0, 0, 190, 255, 0x13, 0xFF};

// Key matrix, slots 1..8: left, right, middle, back, forward, DPI cycle,
// DPI up, DPI down. The other slots hold no function.
constexpr uint32_t kKeyCodes[8] = {0x000101, 0x000201, 0x000401, 0x000801,
                                   0x001001, 0x000102, 0x000202, 0x000302};
constexpr uint32_t kNoFunction = 0xFFFFFF;

void PutSetting(Memory& m, size_t addr, uint8_t value) {
    m[addr] = value;
    m[addr + 1] = Complement(value);
}

void PutEntry(Memory& m, size_t addr, uint8_t b0, uint8_t b1, uint8_t b2) {
    m[addr] = b0;
    m[addr + 1] = b1;
    m[addr + 2] = b2;
    m[addr + 3] = CheckByte(&m[addr], 3);
}

} // namespace

Memory FactoryImage() {
    Memory m{};
    PutSetting(m, kRateAddr, kRate1000Hz);
    PutSetting(m, kLevelCountAddr, kEnabledLevels);
    PutSetting(m, kCurLevelAddr, kDefaultLevel);
    PutSetting(m, kLodAddr, kLiftOff);
    for (size_t i = 0; i < 8; ++i) {
        const uint8_t* d = kDpiEntries[i];
        PutEntry(m, kDpiAddr + 4 * i, d[0], d[1], d[2]);
        const uint8_t* c = kDpiColours[i];
        PutEntry(m, kDpiColourAddr + 4 * i, c[0], c[1], c[2]);
    }
    for (size_t i = 0; i < 3; ++i)
        PutSetting(m, kDpiLightAddr + 2 * i, kDpiLight[i]);
    PutEntry(m, kLogoColourAddr, kLogoColour[0], kLogoColour[1], kLogoColour[2]);
    PutSetting(m, kLogoModeAddr, kLogoLight[0]);
    PutSetting(m, kLogoModeAddr + 2, kLogoLight[1]);
    PutSetting(m, kLogoSpeedAddr, kLogoLight[2]);
    for (size_t k = 0; k < kMatrixSlots; ++k) {
        const uint32_t code = k < 8 ? kKeyCodes[k] : kNoFunction;
        PutEntry(m, kMatrixAddr + 4 * k, uint8_t(code), uint8_t(code >> 8), uint8_t(code >> 16));
    }
    std::memcpy(&m[kMainLightAddr], kMainLight, sizeof kMainLight);
    m[kMainLightAddr + 6] = CheckByte(kMainLight, sizeof kMainLight);
    // Empty combination blocks: no events, then the block check.
    for (size_t k = 0; k < kMatrixSlots; ++k)
        m[kComboAddr + kComboSize * k + 1] = CheckByte(nullptr, 0);
    // Empty macro blocks: no name, no events; the check covers the event count
    // (byte 31), three zero bytes end the block.
    for (size_t k = 0; k < kMatrixSlots; ++k)
        m[kMacroAddr + kMacroSize * k + 32] = CheckByte(nullptr, 0);
    return m;
}

} // namespace sim
