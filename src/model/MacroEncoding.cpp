#include "model/MacroEncoding.h"

#include "model/KeyCodes.h"
#include "model/MemoryMap.h"
#include "model/ProfileRecord.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cstring>

namespace {

// The event type of a mouse button, beside kEvModifier and kEvKey.
constexpr uint8_t kEvMouse = 4;
// The device cannot time shorter pauses; a 3 ms event delay reads back as 0.
constexpr uint32_t kMinEventDelay = 3;

struct VkCode {
    uint16_t vk;
    uint8_t type;
    uint8_t code;
};
// Virtual key -> device; several keys share a device code.
constexpr VkCode kToDevice[] = {
    {0x11, kEvModifier, 0x01}, {0xA2, kEvModifier, 0x01}, {0x10, kEvModifier, 0x02},
    {0xA0, kEvModifier, 0x02}, {0x12, kEvModifier, 0x04}, {0xA4, kEvModifier, 0x04},
    {0x5B, kEvModifier, 0x08}, {0x5C, kEvModifier, 0x08}, {0xA3, kEvModifier, 0x10},
    {0xA1, kEvModifier, 0x20}, {0xA5, kEvModifier, 0x40}, {0xF0, kEvMouse, 0x01},
    {0xF1, kEvMouse, 0x02},    {0xF2, kEvMouse, 0x04},    {0xF4, kEvMouse, 0x08},
    {0xF3, kEvMouse, 0x10},
};
// Device -> virtual key, one key per device code.
constexpr VkCode kFromDevice[] = {
    {0xA2, kEvModifier, 0x01}, {0xA0, kEvModifier, 0x02}, {0xA4, kEvModifier, 0x04},
    {0x5B, kEvModifier, 0x08}, {0xA3, kEvModifier, 0x10}, {0xA1, kEvModifier, 0x20},
    {0xA5, kEvModifier, 0x40}, {0xF0, kEvMouse, 0x01},    {0xF1, kEvMouse, 0x02},
    {0xF2, kEvMouse, 0x04},    {0xF4, kEvMouse, 0x08},    {0xF3, kEvMouse, 0x10},
};

void ToDevice(uint16_t vk, uint8_t& type, uint8_t& code) {
    for (const VkCode& c : kToDevice) {
        if (c.vk == vk) {
            type = c.type;
            code = c.code;
            return;
        }
    }
    type = kEvKey;
    code = vk <= 0xFF ? VkToHid(uint8_t(vk)) : 0;
}

uint16_t FromDevice(uint8_t type, uint8_t code) {
    if (type == kEvKey)
        return HidToVk(code);
    for (const VkCode& c : kFromDevice)
        if (c.type == type && c.code == code)
            return c.vk;
    return 0;
}

} // namespace

size_t StMacro_To_HdMacro(const StMacro* macro, uint8_t* out) {
    if (!macro || !out)
        return 0;
    uint8_t block[memmap::kMacroBlockBytes] = {};
    size_t p = memmap::kMacroEventsOffset;
    int n = 0;
    for (const MacroStep& step : macro->Steps) {
        // The last event must end within byte 382, before the check.
        if (IsEndStep(step) || p + memmap::kMacroEventBytes > memmap::kMacroBlockBytes - 2)
            break;
        uint8_t type, code;
        ToDevice(step.wVk, type, code);
        if (type == kEvKey && code == 0)
            settings::WriteLog("StMacro_To_HdMacro: get wrong hid");
        const uint32_t delay = std::max(uint32_t{step.dwDelay}, kMinEventDelay);
        block[p] = uint8_t(type | (step.wPress ? kEvPress : kEvRelease));
        block[p + 1] = code;
        block[p + 2] = 0;
        block[p + 3] = uint8_t(delay >> 8);
        block[p + 4] = uint8_t(delay);
        p += memmap::kMacroEventBytes;
        ++n;
    }
    block[memmap::kMacroCountOffset] = uint8_t(n);
    std::memcpy(out, block, p);
    return p;
}

void HdMacro_To_StMacro(StMacro& macro, const uint8_t* data, size_t length) {
    std::memset(&macro, 0, sizeof macro);
    macro.dwMagicNumber = kMacroMagic;
    macro.bAutoDelay = 1;
    macro.nRepeatMode = 0;
    if (!data || length == 0)
        return;
    int maxSteps = settings::g_macroLimits.nMaxSteps;
    if (maxSteps <= 0 || maxSteps > kMacroMaxSteps)
        maxSteps = kMacroMaxSteps;
    // The count is the device's word; only events inside the data are read.
    const size_t held = (length - 1) / memmap::kMacroEventBytes;
    const int n = int(std::min<size_t>({data[0], size_t(maxSteps), held}));
    for (int i = 0; i < n; ++i) {
        const uint8_t* e = data + 1 + memmap::kMacroEventBytes * size_t(i);
        MacroStep& step = macro.Steps[i];
        switch (e[0] >> 6) {
        case 1:
            step.wPress = 0;
            break;
        case 2:
            step.wPress = 1;
            break;
        default:
            settings::WriteLog("HdMacro_To_StMacro: convert err, i=%d", i);
            break;
        }
        const uint8_t type = e[0] & 7;
        if (type == kEvModifier || type == kEvKey || type == kEvMouse) {
            step.wVk = FromDevice(type, e[1]);
            if (step.wVk == 0)
                settings::WriteLog("HdMacro_To_StMacro: convert err, i=%d, nHid=%x", i, e[1]);
        } else {
            settings::WriteLog("HdMacro_To_StMacro: convert err, nKeyFalg=%d", type);
        }
        if (i != n - 1) {
            const uint32_t d = uint32_t(e[3]) << 8 | e[4];
            step.dwDelay = d == kMinEventDelay ? 0 : d;
        }
    }
}
