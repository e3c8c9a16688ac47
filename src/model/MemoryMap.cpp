#include "model/MemoryMap.h"

#include "device/CheckByte.h"
#include "model/SensorCatalogue.h"
#include "settings/Log.h"

#include <algorithm>
#include <cstring>

namespace memmap {

const LevelTable kBrightBytes = {0x01, 0x1E, 0x3C, 0x5A, 0x80, 0x96, 0xB4, 0xD2, 0xE6, 0xFF};
const LevelTable kMainBrightBytes = {0x19, 0x32, 0x4B, 0x64, 0x7D, 0x96, 0xAF, 0xC8, 0xE1, 0xFF};
const LevelTable kMainSpeedBytes = {0xFF, 0xE6, 0xD2, 0xBE, 0xAA, 0x96, 0x82, 0x6E, 0x46, 0x28};
const LevelTable kMainSpeedBytesMode0 = {0x2D, 0x28, 0x23, 0x1E, 0x19,
                                         0x13, 0x0F, 0x0A, 0x05, 0x03};

namespace {

struct RateCode {
    uint8_t code;
    uint32_t rate;
};
constexpr RateCode kRates[] = {{1, 0x1000}, {2, 0x500}, {4, 0x250}, {8, 0x125}};

// Device main-light modes.
constexpr uint8_t kDevMainOff = 4;

const LevelTable& MainSpeedTable(uint8_t deviceMode) {
    return deviceMode == 0 ? kMainSpeedBytesMode0 : kMainSpeedBytes;
}

} // namespace

std::array<uint8_t, 2> EncodeSetting(uint8_t value) {
    return {value, Complement(value)};
}

std::array<uint8_t, 4> EncodeEntry(uint8_t b0, uint8_t b1, uint8_t b2) {
    const uint8_t data[3] = {b0, b1, b2};
    return {b0, b1, b2, CheckByte(data, 3)};
}

uint8_t BlockCheck(const uint8_t* data, size_t length) {
    return CheckByte(data, length);
}

uint8_t ReportRateToCode(uint32_t rate) {
    for (const RateCode& r : kRates)
        if (r.rate == rate)
            return r.code;
    return 0;
}

bool CodeToReportRate(uint8_t code, uint32_t& rate) {
    for (const RateCode& r : kRates) {
        if (r.code == code) {
            rate = r.rate;
            return true;
        }
    }
    return false;
}

uint8_t LevelToByte(const LevelTable& table, int32_t level) {
    if (level < 1 || level > int32_t(table.size())) {
        settings::WriteLog("LevelToByte: level %d out of range, 1 taken", level);
        level = 1;
    }
    return table[size_t(level - 1)];
}

int32_t ByteToLevel(const LevelTable& table, uint8_t byte) {
    auto it = std::find(table.begin(), table.end(), byte);
    return it == table.end() ? 1 : int32_t(it - table.begin()) + 1;
}

uint8_t MainModeToDevice(int32_t nMode) {
    switch (nMode) {
    case 1:
        return 2;
    case 2:
        return 1;
    case 3:
        return 0;
    default:
        // Off, and anything that is not a mode byte at all.
        return nMode >= 5 && nMode <= 0xFF ? uint8_t(nMode) : kDevMainOff;
    }
}

std::array<uint8_t, kMainLightBytes> EncodeMainLight(const LightRecord& light) {
    const uint8_t mode = MainModeToDevice(light.nMode);
    std::array<uint8_t, kMainLightBytes> b{};
    b[0] = mode;
    b[1] = uint8_t(light.crColor);
    b[2] = uint8_t(light.crColor >> 8);
    b[3] = uint8_t(light.crColor >> 16);
    if (mode <= 2) {
        b[4] = LevelToByte(MainSpeedTable(mode), light.nSpeed);
        b[5] = LevelToByte(kMainBrightBytes, light.nBright);
    }
    b[6] = CheckByte(b.data(), 6);
    return b;
}

void SwitchMainLightOff(uint8_t block[kMainLightBytes]) {
    block[0] = kDevMainOff;
    block[6] = CheckByte(block, 6);
}

void EEPROM_To_MainRGB(const uint8_t bytes[kMainLightReadBytes], LightRecord& light) {
    settings::LogHex(bytes, kMainLightReadBytes, 0, "EEPROM_To_MainRGB:");
    int32_t speed = 1;
    switch (bytes[0]) {
    case 2:
        light.nMode = 1;
        break;
    case 1:
    case 0: {
        light.nMode = bytes[0] == 1 ? 2 : 3;
        const LevelTable& table = MainSpeedTable(bytes[0]);
        if (std::find(table.begin(), table.end(), bytes[4]) == table.end())
            settings::WriteLog("EEPROM_To_MainRGB: Unkown Speed");
        speed = ByteToLevel(table, bytes[4]);
        break;
    }
    default:
        light.nMode = 0;
        return;
    }
    light.nSpeed = speed;
    if (std::find(kMainBrightBytes.begin(), kMainBrightBytes.end(), bytes[5]) ==
        kMainBrightBytes.end())
        settings::WriteLog("EEPROM_To_MainRGB: Unkown Bri");
    light.nBright = ByteToLevel(kMainBrightBytes, bytes[5]);
    light.crColor = uint32_t(bytes[1]) | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]) << 16;
}

std::array<uint8_t, 4> EncodeColourEntry(uint32_t crColor) {
    return EncodeEntry(uint8_t(crColor), uint8_t(crColor >> 8), uint8_t(crColor >> 16));
}

void DecodeLogoLight(const uint8_t bytes[kLogoLightBytes], LightRecord& light) {
    constexpr size_t kSpeed = kAddrLogoSpeed - kAddrLogoColour;
    light.nMode = bytes[kLogoModeOffset];
    if (light.nMode == 0)
        return;
    light.nSpeed = bytes[kSpeed];
    light.nBright = ByteToLevel(kBrightBytes, bytes[kLogoModeOffset + 2]);
    light.crColor = DecodeColourEntry(bytes);
}

uint32_t DecodeColourEntry(const uint8_t entry[4]) {
    return uint32_t(entry[0]) | uint32_t(entry[1]) << 8 | uint32_t(entry[2]) << 16;
}

std::array<uint8_t, 4> EncodeDpiEntry(uint32_t sensorId, const DpiLevelRecord& level) {
    int32_t flag = 0;
    const uint8_t x = Dpi_To_HwDpi(sensorId, level.nDpiX, &flag);
    const uint8_t y = Dpi_To_HwDpi(sensorId, level.nDpiY);
    return EncodeEntry(x, y, uint8_t(flag));
}

void DecodeDpiEntry(const ActiveSensor& sensor, const uint8_t entry[4], DpiLevelRecord& level) {
    level.nDpiX = HwDpi_To_Dpi(sensor, entry[2], entry[0]);
    level.nDpiY = HwDpi_To_Dpi(sensor, entry[2], entry[1]);
}

int DecodeDpiLevelCount(uint8_t byte) {
    if (byte > kDpiLevels) {
        settings::WriteLog("DPI level count %d from the device, %d read", byte, kDpiLevels);
        return kDpiLevels;
    }
    return byte;
}

int CountEnabledDpiLevels(const ProfileRecord& profile, int sensorLevels) {
    const int levels = std::clamp(sensorLevels, 0, kDpiLevels);
    int n = 0;
    for (int i = 0; i < levels; ++i)
        if (profile.DpiLevel[i].bDisabled == 0)
            ++n;
    return n;
}

std::array<uint8_t, 4> EncodeMatrixEntry(int32_t code) {
    const uint32_t c = uint32_t(code) & 0xFFFFFF;
    return EncodeEntry(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
}

uint32_t DecodeMatrixEntry(const uint8_t entry[4]) {
    return uint32_t(entry[0]) | uint32_t(entry[1]) << 8 | uint32_t(entry[2]) << 16;
}

size_t BuildMacroBlock(const std::u16string& name, const uint8_t* events, size_t eventsLength,
                       uint8_t out[kMacroBlockBytes]) {
    std::memset(out, 0, kMacroBlockBytes);
    const size_t chars = std::min(name.size(), kMacroNameBytes / 2);
    out[kMacroNameLengthOffset] = uint8_t(2 * chars);
    for (size_t i = 0; i < chars; ++i) {
        out[kMacroNameOffset + 2 * i] = uint8_t(name[i]);
        out[kMacroNameOffset + 2 * i + 1] = uint8_t(name[i] >> 8);
    }
    // The count comes from a buffer; it never claims more events than the
    // buffer holds or the block can take.
    size_t n = 0;
    if (events && eventsLength > kMacroCountOffset) {
        const size_t held =
            eventsLength > kMacroEventsOffset ? (eventsLength - kMacroEventsOffset) / 5 : 0;
        n = std::min<size_t>({events[kMacroCountOffset], held, size_t(kMacroMaxEvents)});
        std::memcpy(out + kMacroEventsOffset, events + kMacroEventsOffset, n * kMacroEventBytes);
    }
    out[kMacroCountOffset] = uint8_t(n);
    const size_t checkAt = kMacroEventsOffset + kMacroEventBytes * n;
    out[checkAt] = CheckByte(out + kMacroCountOffset, checkAt - kMacroCountOffset);
    size_t length = checkAt + 1;
    if (length <= kMacroLastTailStart)
        length += kMacroTailBytes; // already zero
    return length;
}

std::u16string MacroBlockName(const uint8_t nameBytes[kMacroNameBytes]) {
    std::u16string name;
    for (size_t i = 0; i + 1 < kMacroNameBytes; i += 2) {
        char16_t c = char16_t(nameBytes[i] | nameBytes[i + 1] << 8);
        if (c == u'\0')
            break;
        name += c;
    }
    return name;
}

} // namespace memmap
