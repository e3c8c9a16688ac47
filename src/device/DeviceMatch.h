#pragma once
// Which device-arrival and removal notices concern our receiver: the
// notification's device-interface name must contain "USB#VID_xxxx&PID_xxxx"
// (lower-case hex digits, compared without case) for the configured product
// id or one of the two further ones.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// The match texts: the primary product id first (when not 0), then each
// non-zero further id.
std::vector<std::u16string> ReceiverMatchTexts(uint16_t vid, uint16_t pid, const uint16_t pid2[2]);

// True when `interfaceName` names one of our receivers. An empty name (the
// broadcasts for volumes, ports and other kinds of devices carry none) never
// matches.
bool IsReceiverInterface(std::u16string_view interfaceName, uint16_t vid, uint16_t pid,
                         const uint16_t pid2[2]);

// True when `interfaceName` is one of our receivers' HID interfaces
// ("HID#VID_xxxx&PID_xxxx" then "&" or "#", without case). Their notices come
// alone when the HID driver is reset or the device disabled and enabled,
// with no notice for the USB device.
bool IsReceiverHidInterface(std::u16string_view interfaceName, uint16_t vid, uint16_t pid,
                            const uint16_t pid2[2]);

} // namespace device
