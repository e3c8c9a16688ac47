#pragma once
// The rule both backends use to pick an interface for OpenHidDevice.

#include <windows.h>

#include <string>

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

// True when `pattern` occurs in `path`, ASCII letters compared without case.
// An empty pattern matches every path.
bool PathMatches(const std::wstring& path, const std::wstring& pattern);

// True when the interface has the requested usage page and usage and the
// caller's accept test takes it.
bool Qualifies(const OpenRequest& request, const InterfaceCaps& caps);

// A line on the debugger output when the caller's debug level asks for it.
void DebugLine(int debugLevel, const std::wstring& text);

} // namespace vantor
