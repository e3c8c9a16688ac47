#pragma once
// What a HID access library knows of a HID interface (Vantor.dll's backends
// on Windows, the hidraw library on Linux), and the rules that tell whether
// it is the one asked for and which receiver it belongs to. Plain C++ (no
// system headers), so the rules are tested on every build.

#include <cstdint>
#include <string>
#include <vector>

namespace device {

// The system's reasons, as GetLastError gives them, that the choice acts on.
// The Linux library gives its reasons in the same codes.
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorDeviceNotConnected = 1167;

// The report ids the receiver's protocol uses: commands go out as feature
// report 8 on the command interface, answers and events come in as input
// report 9 on the notification interface.
constexpr uint8_t kCommandReportId = 8;
constexpr uint8_t kNotifyReportId = 9;

// The caller's accept tests (Vantor.h: VantorAcceptCommand, VantorAcceptNotify).
using AcceptCommandTest = int (*)(int usagePage, int usage, int inputLength, int featureLength);
using AcceptNotifyTest = int (*)(int usagePage, int inputLength);

// What OpenHidDevice was asked for.
struct OpenRequest {
    uint32_t usagePage = 0;
    uint32_t usage = 0; // 0: any usage, and `acceptTest` is an AcceptNotifyTest
    std::wstring pathPattern;
    void* acceptTest = nullptr;
    int debugLevel = 0;
    uint32_t access = 0; // CreateFileW's desired access
    uint32_t flags = 0;  // and flags
    // A command interface is asked for with a usage, the notification
    // interface without one.
    bool ForCommands() const { return usage != 0; }
};

// The capabilities of one HID interface's top-level collection. Report
// lengths count the report ID byte; 0 when the interface has no such report.
struct InterfaceCaps {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputLength = 0;
    uint16_t featureLength = 0;
    std::vector<uint8_t> inputIds;   // the input report ids the collection declares
    std::vector<uint8_t> featureIds; // the feature report ids
};

// `text` with its ASCII capitals made small; device paths and ids are
// compared that way.
std::wstring Lowered(std::wstring text);

// True when `pattern` occurs in `path`, ASCII letters compared without case.
// An empty pattern matches every path.
bool PathMatches(const std::wstring& path, const std::wstring& pattern);

// True when the interface has the requested usage page and usage and the
// caller's accept test takes it.
bool Qualifies(const OpenRequest& request, const InterfaceCaps& caps);

// True when the interface declares the report the protocol needs of it:
// feature report 8 for commands, input report 9 for the notifications.
bool CarriesProtocolReport(const OpenRequest& request, const InterfaceCaps& caps);

// "usage page 0xff02, usage 0x2, input none, feature 17 bytes (report 8)".
std::wstring DescribeCaps(const InterfaceCaps& caps);

// What tells which receiver a HID interface belongs to. A receiver shows up
// as several HID interfaces; all of them share its container id, and those
// of one USB device share that device's instance id.
struct InterfaceIdentity {
    // Windows: \\?\hid#vid_xxxx&pid_yyyy&mi_01&col02#8&2d3f1a&0&0001#{...}
    // Linux: /dev/hidraw3 (vid_xxxx&pid_yyyy&mi_01&col02)
    std::wstring path;
    std::wstring containerId; // "{...}"; empty when unknown
    std::wstring usbDevice;   // instance id of the USB device above it; empty when unknown
    // The USB interface whose collections share it (Linux: the hidraw node's
    // HID device); empty when only the path tells, as on Windows.
    std::wstring usbInterface{};
};

// How an interface stands to the command interface of the pair, closest
// last. Sibling: another collection of the same USB interface.
enum class Kinship { Different, Unknown, SameContainer, SameUsbDevice, Sibling };

// Told by container id when both have a real one, by USB device when both
// know it, by USB interface when both know it, and otherwise by path, which
// tells collections of one USB interface apart from other receivers' but
// cannot tell another USB interface of the same product.
Kinship KinshipTo(const InterfaceIdentity& command, const InterfaceIdentity& candidate);

} // namespace device
