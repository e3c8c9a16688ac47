#pragma once
// Which HID interface OpenHidDevice opens, with which access, and the account
// of why, for the program's log. Plain C++ shared by Vantor.dll and the Linux
// hidraw library: each lists what is present and tries the opens; the choice
// itself is tested over tables of realistic interface lists.

#include "device/InterfaceMatch.h"

#include <functional>

namespace device {

// One present HID interface as the backend found it.
struct PresentInterface {
    InterfaceIdentity identity;
    uint32_t capsError = 0; // nonzero: why its capabilities could not be read
    InterfaceCaps caps;
};

// Opens `itf` with `access` (and the request's flags): 0 when it opened, else
// the system's reason. The backend keeps the handle of an open that succeeded.
using OpenAttempt = std::function<uint32_t(const InterfaceIdentity& itf, uint32_t access)>;

// What a reason the system gave means; empty when there is nothing to add.
using ErrorText = std::function<std::wstring(uint32_t error)>;

struct Choice {
    int index = -1;                  // into the present list; -1: none opened
    uint32_t access = 0;             // the access it was opened with
    uint32_t error = 0;              // why none was opened
    std::vector<std::wstring> lines; // the account, one line per finding
};

// Most interfaces of the vendor listed when nothing is present under the
// pattern (a wrong product id in the settings).
constexpr size_t kMaxVendorListing = 10;

// The interface to open for `request` among `present` (every HID interface
// under the pattern, and those of the pattern's vendor id):
// - it matches the pattern, has the usage page and usage, passes the caller's
//   accept test and declares the protocol's report (CarriesProtocolReport);
// - for the notification interface, `pairedWith` (the command interface
//   already open, or null) decides among those: another receiver's are never
//   taken; the closest kin is, a sibling collection before one of the same
//   USB device before one of the same container; of two that cannot be told
//   apart from another receiver's, none is;
// - of several equally good, the first listed, and each tie is told;
// - a command interface that another program holds without sharing (or the
//   system holds, as it does keyboards) is opened with access 0: feature
//   reports need neither read nor write access. The notification interface
//   has no such way out: its input reports need read access.
//
// `explain`, when given, says in the system's own terms what a reason means
// ("permission denied: ..."); it stands beside the code in the account.
Choice ChooseInterface(const OpenRequest& request, const std::vector<PresentInterface>& present,
                       const InterfaceIdentity* pairedWith, const OpenAttempt& open,
                       const ErrorText& explain = {});

// The part of a path pattern that names the vendor ("vid_25a7"); empty when
// the pattern names none.
std::wstring VendorPart(const std::wstring& pattern);

} // namespace device
