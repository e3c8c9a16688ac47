#include "device/DeviceEvents.h"

namespace device {
namespace {

// Offsets in the event report.
constexpr int kFlagsByte = 6;
constexpr int kDpiLevelByte = 7;
constexpr int kStateByte = 8;

struct FlagRule {
    uint8_t flag;
    DeviceEventCode code;
    uint32_t (*value)(const uint8_t* report);
};

constexpr FlagRule kRules[] = {
    {0x01, DEV_EVT_DPI_LEVEL, [](const uint8_t* r) { return uint32_t(r[kDpiLevelByte]); }},
    {0x02, DEV_EVT_REPORT_RATE, [](const uint8_t* r) { return uint32_t(r[kStateByte] & 0x0F); }},
    {0x04, DEV_EVT_CONFIG_CHANGED, [](const uint8_t*) { return 0u; }},
    {0x20, DEV_EVT_DPI_LIGHT, [](const uint8_t* r) { return uint32_t(r[kStateByte] >> 5 & 1); }},
    {0x40, DEV_EVT_LOGO_LIGHT, [](const uint8_t* r) { return uint32_t(r[kStateByte] >> 6 & 1); }},
    {0x80, DEV_EVT_MAIN_LIGHT, [](const uint8_t* r) { return uint32_t(r[kStateByte] >> 7 & 1); }},
};

} // namespace

std::vector<DeviceMessage> DecodeEvent(const uint8_t* report) {
    std::vector<DeviceMessage> messages;
    const uint8_t flags = report[kFlagsByte];
    for (const FlagRule& rule : kRules)
        if (flags & rule.flag)
            messages.push_back({rule.value(report), rule.code});
    return messages;
}

} // namespace device
