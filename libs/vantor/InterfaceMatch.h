#pragma once
// The rule both backends use to pick an interface for OpenHidDevice.

#include <windows.h>

#include <string>
#include <vector>

namespace vantor {

// What OpenHidDevice was asked for.
struct OpenRequest {
    DWORD usagePage = 0;
    DWORD usage = 0; // 0: any usage, and `acceptTest` is a VantorAcceptNotify
    std::wstring pathPattern;
    void* acceptTest = nullptr;
    int debugLevel = 0;
    DWORD access = 0;
    DWORD flags = 0;
};

// The capabilities of one HID interface's top-level collection. Report
// lengths count the report ID byte; 0 when the interface has no such report.
struct InterfaceCaps {
    USHORT usagePage = 0;
    USHORT usage = 0;
    USHORT inputLength = 0;
    USHORT featureLength = 0;
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

// A line on the debugger output when the caller's debug level asks for it.
void DebugLine(int debugLevel, const std::wstring& text);

// What tells which receiver a HID interface belongs to. A receiver shows up
// as several HID interfaces; all of them share its container id, and those
// of one USB device share that device's instance id.
struct InterfaceIdentity {
    std::wstring path;        // \\?\hid#vid_xxxx&pid_yyyy&mi_01&col02#8&2d3f1a&0&0001#{...}
    std::wstring containerId; // "{...}"; empty when unknown
    std::wstring usbDevice;   // instance id of the USB device above it; empty when unknown
};

enum class Kinship { Same, Different, Unknown };

// Whether two interfaces belong to one receiver: by container id when both
// have a real one, else by USB device when both know it, else by path, which
// tells only collections of one USB interface apart from other receivers'.
Kinship Compare(const InterfaceIdentity& a, const InterfaceIdentity& b);

// The index of the candidate to pair with `anchor` (the command interface
// already open): the first of the same receiver; failing that the only one
// not known to belong to another; otherwise -1, since taking any would risk
// pairing two receivers.
int PickPartner(const InterfaceIdentity& anchor, const std::vector<InterfaceIdentity>& candidates);

} // namespace vantor
