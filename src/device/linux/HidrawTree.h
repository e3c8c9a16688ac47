#pragma once
// What Linux shows of its hidraw nodes: one node per HID interface of a USB
// device (not per top-level collection, as on Windows), described in sysfs
// by the HID device above it (ids, report descriptor) and the USB interface
// and device above that (interface number, release number). Read with plain
// file operations, so a folder laid out the same way stands in for the system
// in tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace device {

// Where the system's tree, device nodes and process table are: "/sys",
// "/dev" and "/proc", or the same three folders under one root.
struct HidrawRoots {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path proc = "/proc";

    static HidrawRoots Under(const std::filesystem::path& root);
};

struct HidrawNode {
    std::string name;           // "hidraw3"
    std::filesystem::path node; // the device node to open: /dev/hidraw3
    uint16_t bus = 0;           // 3 USB, 5 Bluetooth
    uint16_t vendor = 0;
    uint16_t product = 0;
    int interfaceNumber = -1; // of the USB interface; -1 when not on USB
    bool releaseKnown = false;
    uint16_t release = 0;         // bcdDevice of the USB device
    std::filesystem::path hid;    // the HID device's folder in sysfs
    std::filesystem::path device; // the USB device (or, off USB, the HID device's parent)
    std::vector<uint8_t> descriptor;
    std::string problem; // why its ids or its descriptor could not be read
};

// Every hidraw node in the order of their numbers. A tree without hidraw
// nodes at all gives none and says why in `problem` (the module is not
// loaded, or sysfs is not where it should be).
std::vector<HidrawNode> ListHidrawNodes(const HidrawRoots& roots, std::string* problem);

} // namespace device
