#pragma once
// Vantor.dll's backend for real receivers: SetupAPI enumeration and hid.dll.

#include "InterfaceMatch.h"

#include <windows.h>

namespace vantor {

// The first present HID interface that matches `request`, opened with its
// access and flags; null (GetLastError set) when there is none.
HANDLE HidOpen(const OpenRequest& request);

// The account of the searches since ClearSearchReport: one line for each
// interface under the pattern that was passed over, with the reason.
void ClearSearchReport();
std::wstring SearchReport();

// Sends one feature report; on a handle opened overlapped, a report the
// receiver does not take within a second is cancelled (ERROR_TIMEOUT).
BOOL HidSetFeature(HANDLE device, const BYTE* report, DWORD length);
BOOL HidGetFeature(HANDLE device, BYTE* report, DWORD length);
BOOL HidGetInputReport(HANDLE device, BYTE* report, DWORD length);
BOOL HidGetProductString(HANDLE device, wchar_t* text, DWORD chars);
BOOL HidGetVersionNumber(HANDLE device, DWORD* version);

} // namespace vantor
