#pragma once
// Vantor.dll's backend for real receivers: SetupAPI enumeration and hid.dll.

#include "device/InterfaceMatch.h"

#include <windows.h>

namespace vantor {

// The rules of the choice are shared with the Linux hidraw library.
using namespace ::device;

// The present HID interface ChooseInterface picks for `request`, opened with
// the access it chose and the request's flags; null (GetLastError set) when
// there is none. The account of the search goes to the search report.
HANDLE HidOpen(const OpenRequest& request);

// Sends one feature report; on a handle opened overlapped, a report the
// receiver does not take within a second is cancelled (ERROR_TIMEOUT).
BOOL HidSetFeature(HANDLE device, const BYTE* report, DWORD length);
BOOL HidGetFeature(HANDLE device, BYTE* report, DWORD length);
BOOL HidGetInputReport(HANDLE device, BYTE* report, DWORD length);
BOOL HidGetProductString(HANDLE device, wchar_t* text, DWORD chars);
BOOL HidGetVersionNumber(HANDLE device, DWORD* version);

} // namespace vantor
