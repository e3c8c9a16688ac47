#pragma once
// Vantor.dll: the HID access library the program loads at run time to reach
// the receiver. This header is shared by the library and its user
// (VantorLibrary); the program resolves the six entry points by name.
//
// Opening an interface
//   OpenHidDevice(usagePage, usage, pathPattern, acceptTest, 0, 0, debugLevel,
//                 access, flags, 0)
//   looks at every HID interface whose device path contains `pathPattern`
//   (compared without case, e.g. L"VID_25a7&PID_fa92"), whose top-level
//   collection has `usagePage` and, when `usage` is not 0, `usage`, which
//   `acceptTest` accepts, and which declares the receiver's report: feature
//   report 8 for a command interface (usage != 0), input report 9 for the
//   notification interface (usage == 0). Such an interface is opened with
//   `access` and `flags` (CreateFileW's desired access and flags; shared for
//   read and write) and its handle returned; null when none qualifies or none
//   opens. src/device/InterfaceChoice.h has the rules in full; in short:
//   - of several that qualify, the first that opens is taken;
//   - a command interface that another program (or the system) holds is
//     opened with access 0 instead, which still sends feature reports;
//   - a notification interface is taken only from the receiver whose command
//     interface was opened last under the same pattern and is still open,
//     the closest collection first, so two receivers of one kind never give
//     one handle each.
//
//   Which accept test `acceptTest` points to is told by `usage`:
//     usage != 0  the command interface: VantorAcceptCommand, asked with
//                 (usage page, usage, input report length, feature report length)
//     usage == 0  the notification interface: VantorAcceptNotify, asked with
//                 (usage page, input report length)
//   Report lengths count the report ID byte. A null test accepts everything.
//   A notification handle opened without FILE_FLAG_OVERLAPPED serves a
//   blocking ReadFile of one input report per call; once the receiver is
//   pulled out the read fails with ERROR_DEVICE_NOT_CONNECTED.
//   On a command handle opened with FILE_FLAG_OVERLAPPED, SetFeature gives up
//   on a report the receiver has not taken within a second and fails with
//   ERROR_TIMEOUT.
//
// The other entry points take a handle from OpenHidDevice and return nonzero
// on success; on failure GetLastError says why. Reports shorter than the
// interface's report length are padded with zeros.
//
// The virtual receiver
//   When the environment variable TARVEL_VIRTUAL_RECEIVER names a state file,
//   OpenHidDevice serves the virtual receiver kept in that file instead of
//   real hardware (the variable is read on every call). Its vendor ID is
//   0x25A7 and its product ID 0xFA92, or the hexadecimal number in
//   TARVEL_VIRTUAL_PID, or the one its control pipe's `pid` command gave it.
//   Unplugging and plugging it through the control pipe sends the process's
//   windows the WM_DEVICECHANGE notices Windows sends for a real receiver:
//   for its USB device interface and for its two HID interfaces, in Windows'
//   order. The command handle is a kernel object the caller closes with
//   CloseHandle; the notification handle is the read end of a pipe that
//   carries the receiver's 17-byte input reports, whose reads by the
//   executable fail as a real interface's do once it is unplugged
//   (VirtualReadHook.h). While the virtual receiver serves a state file, the
//   library listens for control commands on the named pipe
//   VirtualControlPipeName(state file) (VirtualControl.h).

#include <windows.h>

// Accept test for the command interface (usage != 0).
using VantorAcceptCommand = int (*)(int usagePage, int usage, int inputLength, int featureLength);
// Accept test for the notification interface (usage == 0).
using VantorAcceptNotify = int (*)(int usagePage, int inputLength);

#ifdef VANTOR_BUILDING_DLL
#define VANTOR_API extern "C" __declspec(dllexport)
#else
#define VANTOR_API extern "C" __declspec(dllimport)
#endif

VANTOR_API HANDLE OpenHidDevice(DWORD usagePage, DWORD usage, const wchar_t* pathPattern,
                                void* acceptTest, int reserved1, int reserved2, int debugLevel,
                                DWORD access, DWORD flags, int reserved3);
// Sends one feature report (byte 0 is the report ID).
VANTOR_API BOOL SetFeature(HANDLE device, const BYTE* report, DWORD length);
// Reads one feature report; byte 0 of `report` names the report ID on entry.
VANTOR_API BOOL GetFeature(HANDLE device, BYTE* report, DWORD length);
// Reads the current input report; byte 0 of `report` names the report ID on entry.
VANTOR_API BOOL GetInputReport(HANDLE device, BYTE* report, DWORD length);
// The product string, always terminated within `chars` characters.
VANTOR_API BOOL GetProductString(HANDLE device, wchar_t* text, DWORD chars);
// The device release number (bcdDevice) in the low 16 bits.
VANTOR_API BOOL GetVersionNumber(HANDLE device, DWORD* version);

// Optional, beside the six: the account of the last OpenHidDevice search, one
// line per finding: each interface under the pattern that was passed over and
// why ("path: usage page 0x1, ...: not the interface asked for", "path:
// cannot open it with access 0x12019f, error 0x20 (...)"), each tie, the one
// taken with its usages, report lengths and ids, container, USB device and
// access, an enumeration that failed, and, when nothing is present under the
// pattern, the vendor's interfaces that are. Copies at most `chars` - 1
// characters and a terminator into
// `text` (when not null) and returns the length of the whole account, so a
// caller can ask again with room enough. Callers look it up with
// GetProcAddress and do without it when it is missing.
VANTOR_API DWORD GetSearchReport(wchar_t* text, DWORD chars);

// Types of the entry points, for GetProcAddress.
using VantorOpenHidDeviceFn = decltype(&OpenHidDevice);
using VantorSetFeatureFn = decltype(&SetFeature);
using VantorGetFeatureFn = decltype(&GetFeature);
using VantorGetInputReportFn = decltype(&GetInputReport);
using VantorGetProductStringFn = decltype(&GetProductString);
using VantorGetVersionNumberFn = decltype(&GetVersionNumber);
using VantorGetSearchReportFn = decltype(&GetSearchReport);

// The virtual receiver's identity and the variables that select it.
constexpr wchar_t kVantorVirtualReceiverVariable[] = L"TARVEL_VIRTUAL_RECEIVER";
constexpr wchar_t kVantorVirtualPidVariable[] = L"TARVEL_VIRTUAL_PID";
constexpr WORD kVantorVirtualVendorId = 0x25A7;
constexpr WORD kVantorVirtualProductId = 0xFA92;
