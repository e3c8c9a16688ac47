// Vantor.dll's entry points: each goes to the virtual receiver when it owns
// the handle (or, for OpenHidDevice, when TARVEL_VIRTUAL_RECEIVER is set), and
// to the Win32 HID backend otherwise.

#include "Vantor.h"

#include "HidBackend.h"
#include "SearchReport.h"
#include "VirtualBackend.h"

#include <algorithm>

using namespace vantor;

HANDLE OpenHidDevice(DWORD usagePage, DWORD usage, const wchar_t* pathPattern, void* acceptTest,
                     int /*reserved1*/, int /*reserved2*/, int debugLevel, DWORD access,
                     DWORD flags, int /*reserved3*/) {
    OpenRequest request;
    request.usagePage = usagePage;
    request.usage = usage;
    request.pathPattern = pathPattern ? pathPattern : L"";
    request.acceptTest = acceptTest;
    request.debugLevel = debugLevel;
    request.access = access;
    request.flags = flags;
    ClearSearchReport();
    std::wstring stateFile;
    if (VirtualStateFile(&stateFile))
        return VirtualOpen(stateFile, request);
    HANDLE device = HidOpen(request);
    // The value may have belonged to a virtual command handle closed since.
    if (device)
        ForgetVirtualHandle(device);
    return device;
}

BOOL SetFeature(HANDLE device, const BYTE* report, DWORD length) {
    if (IsVirtualHandle(device))
        return VirtualSetFeature(device, report, length);
    return HidSetFeature(device, report, length);
}

BOOL GetFeature(HANDLE device, BYTE* report, DWORD length) {
    if (IsVirtualHandle(device)) {
        // The virtual receiver answers through input reports only.
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    return HidGetFeature(device, report, length);
}

BOOL GetInputReport(HANDLE device, BYTE* report, DWORD length) {
    if (IsVirtualHandle(device)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    return HidGetInputReport(device, report, length);
}

BOOL GetProductString(HANDLE device, wchar_t* text, DWORD chars) {
    if (IsVirtualHandle(device))
        return VirtualGetProductString(device, text, chars);
    return HidGetProductString(device, text, chars);
}

BOOL GetVersionNumber(HANDLE device, DWORD* version) {
    if (IsVirtualHandle(device))
        return VirtualGetVersionNumber(device, version);
    return HidGetVersionNumber(device, version);
}

DWORD GetSearchReport(wchar_t* text, DWORD chars) {
    const std::wstring report = SearchReport();
    if (text && chars > 0) {
        const size_t n = std::min<size_t>(report.size(), chars - 1);
        report.copy(text, n);
        text[n] = L'\0';
    }
    return DWORD(report.size());
}
