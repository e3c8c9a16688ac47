#pragma once
// The mouse's own events: an event report carries a set of flags, each of
// which becomes one WM_DEVICE_BEHAVIOR message for the main window.

#include <cstdint>
#include <vector>

// Posted to the main window; lParam is the event code, wParam its value.
constexpr uint32_t WM_DEVICE_BEHAVIOR = 2027;

// Posted by the device link to the main window when a read or a send finds the
// receiver's interfaces gone (a pulled receiver fails the blocked read before
// Windows announces the removal, or a driver reset announces nothing), or when
// reads keep failing: the window checks the link and, when the pair no longer
// answers, handles a removal. wParam: the pair it is about
// (CUSBDriver::PairGeneration).
constexpr uint32_t WM_DEVICE_LOST = 0x8000 + 0x40; // WM_APP + 0x40

enum DeviceEventCode : uint32_t {
    DEV_EVT_DPI_LEVEL = 1,      // wParam: DPI level index
    DEV_EVT_REPORT_RATE = 2,    // wParam: report rate code
    DEV_EVT_CONFIG_CHANGED = 3, // wParam: 0
    DEV_EVT_DPI_LIGHT = 4,      // wParam: 1 on, 0 off
    DEV_EVT_LOGO_LIGHT = 5,
    DEV_EVT_MAIN_LIGHT = 6,
};

// Where the device link posts event messages: the main window in the program,
// a recorder in tests and tarvelctl.
class EventPoster {
public:
    virtual ~EventPoster() = default;
    // False while there is no valid window; events are then dropped.
    virtual bool IsWindow() const = 0;
    virtual void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

namespace device {

struct DeviceMessage {
    uint32_t wParam;
    uint32_t lParam; // the event code
    bool operator==(const DeviceMessage&) const = default;
};

// The messages of a 17-byte event report, in the order of its flag bits
// 0x01, 0x02, 0x04, 0x20, 0x40, 0x80; bits 0x08 and 0x10 give nothing.
std::vector<DeviceMessage> DecodeEvent(const uint8_t* report);

} // namespace device
