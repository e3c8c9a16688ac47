#pragma once
// Vantor.dll's backend for the virtual receiver (sim::VirtualReceiver), used
// when TARVEL_VIRTUAL_RECEIVER names a state file.

#include "device/InterfaceMatch.h"

#include <windows.h>

#include <string>

namespace vantor {

// The rules of the choice are shared with the Linux hidraw library.
using namespace ::device;

// The state file named by TARVEL_VIRTUAL_RECEIVER, or false when it is unset
// or empty.
bool VirtualStateFile(std::wstring* stateFile);

// Opens an interface of the virtual receiver kept in `stateFile`, starting
// that receiver (and its control pipe) on first use.
HANDLE VirtualOpen(const std::wstring& stateFile, const OpenRequest& request);

// True when `device` is a command handle from VirtualOpen.
bool IsVirtualHandle(HANDLE device);
// Forgets `device` as a command handle: its value now names another object.
void ForgetVirtualHandle(HANDLE device);

BOOL VirtualSetFeature(HANDLE device, const BYTE* report, DWORD length);
BOOL VirtualGetProductString(HANDLE device, wchar_t* text, DWORD chars);
BOOL VirtualGetVersionNumber(HANDLE device, DWORD* version);

} // namespace vantor
