// Real receivers through the Windows HID class driver. A receiver shows up as
// several HID interfaces (one per top-level collection) that share the vendor
// and product ID in their paths; the one wanted is picked by its usage page
// and usage, and by the caller's look at its report lengths.

#include "HidBackend.h"

#include "BoundedIo.h"
#include "device/InterfaceChoice.h"
#include "SearchReport.h"

// clang-format off: the order of these matters.
#include <cfgmgr32.h>
// The device property keys are defined here, not taken from a library.
#include <initguid.h>
#include <devpkey.h>
#include <winioctl.h> // before hidclass.h, which builds its codes with CTL_CODE
#include <hidclass.h>
#include <setupapi.h>
// clang-format on
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vantor {

namespace {

// Input reports the driver keeps for the notification handle. The default
// (32) can overflow while the program is busy with a burst of answers; the
// driver drops the oldest report when its ring is full.
constexpr ULONG kInputBuffers = 64;

// How long a feature report may take. The receiver takes one within a few
// milliseconds; one it never completes would otherwise hold the caller, and
// with it every exchange of the program, for ever.
constexpr DWORD kFeatureTimeoutMs = 1000;

// What HidOpen knows of a handle it gave out.
struct OpenedInterface {
    InterfaceCaps caps; // HID requires report buffers of exactly these lengths
    InterfaceIdentity identity;
    std::wstring pattern;    // the path pattern it was found under, lower case
    bool command = false;    // opened as a command interface (usage != 0)
    bool overlapped = false; // opened with FILE_FLAG_OVERLAPPED
    unsigned long long order = 0;
};

class CapsRegistry {
public:
    void Remember(HANDLE device, OpenedInterface entry) {
        std::lock_guard lock(m_mutex);
        // Entries of handles closed since are dropped as we go; a handle value
        // handed out again simply gets the new interface's entry.
        std::erase_if(m_open, [](const auto& e) {
            DWORD info = 0;
            return !GetHandleInformation(e.first, &info);
        });
        entry.order = ++m_order;
        m_open[device] = std::move(entry);
    }
    bool Find(HANDLE device, OpenedInterface* entry) {
        std::lock_guard lock(m_mutex);
        auto it = m_open.find(device);
        if (it == m_open.end())
            return false;
        *entry = it->second;
        return true;
    }
    // The command interface opened last under `pattern` and still open.
    bool LastCommand(const std::wstring& pattern, OpenedInterface* entry) {
        std::lock_guard lock(m_mutex);
        const OpenedInterface* best = nullptr;
        for (const auto& [handle, e] : m_open) {
            DWORD info = 0;
            if (!e.command || e.pattern != pattern || !GetHandleInformation(handle, &info))
                continue;
            if (!best || e.order > best->order)
                best = &e;
        }
        if (best)
            *entry = *best;
        return best != nullptr;
    }

private:
    std::mutex m_mutex;
    std::map<HANDLE, OpenedInterface> m_open;
    unsigned long long m_order = 0;
};

CapsRegistry& Registry() {
    // Never destroyed: other threads may still use it while the process ends.
    static CapsRegistry* registry = new CapsRegistry;
    return *registry;
}

// The report ids of one kind of report the collection declares, from its
// value and button capabilities.
bool ReportIds(PHIDP_PREPARSED_DATA preparsed, HIDP_REPORT_TYPE type, USHORT values, USHORT buttons,
               std::vector<uint8_t>* ids) {
    std::vector<HIDP_VALUE_CAPS> valueCaps(values);
    USHORT n = values;
    if (n && HidP_GetValueCaps(type, valueCaps.data(), &n, preparsed) != HIDP_STATUS_SUCCESS)
        return false;
    for (USHORT i = 0; i < n; ++i)
        ids->push_back(valueCaps[i].ReportID);
    std::vector<HIDP_BUTTON_CAPS> buttonCaps(buttons);
    n = buttons;
    if (n && HidP_GetButtonCaps(type, buttonCaps.data(), &n, preparsed) != HIDP_STATUS_SUCCESS)
        return false;
    for (USHORT i = 0; i < n; ++i)
        ids->push_back(buttonCaps[i].ReportID);
    std::sort(ids->begin(), ids->end());
    ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
    return true;
}

// The collection's usages, report lengths and report ids; 0, or the reason
// they could not be read.
uint32_t ReadCaps(HANDLE device, InterfaceCaps* caps) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(device, &preparsed)) {
        const DWORD error = GetLastError();
        return error ? error : ERROR_GEN_FAILURE;
    }
    HIDP_CAPS hidCaps{};
    NTSTATUS status = HidP_GetCaps(preparsed, &hidCaps);
    if (status == HIDP_STATUS_SUCCESS) {
        caps->usagePage = hidCaps.UsagePage;
        caps->usage = hidCaps.Usage;
        caps->inputLength = hidCaps.InputReportByteLength;
        caps->featureLength = hidCaps.FeatureReportByteLength;
        if (!ReportIds(preparsed, HidP_Input, hidCaps.NumberInputValueCaps,
                       hidCaps.NumberInputButtonCaps, &caps->inputIds) ||
            !ReportIds(preparsed, HidP_Feature, hidCaps.NumberFeatureValueCaps,
                       hidCaps.NumberFeatureButtonCaps, &caps->featureIds))
            status = HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    HidD_FreePreparsedData(preparsed);
    return status == HIDP_STATUS_SUCCESS ? 0 : uint32_t(status);
}

// The lengths of a handle from HidOpen, or asked from the driver for any
// other HID handle.
bool CapsOf(HANDLE device, InterfaceCaps* caps, bool* overlapped = nullptr) {
    OpenedInterface entry;
    if (Registry().Find(device, &entry)) {
        *caps = entry.caps;
        if (overlapped)
            *overlapped = entry.overlapped;
        return true;
    }
    if (overlapped)
        *overlapped = false;
    return ReadCaps(device, caps) == 0;
}

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%x", value);
    return text;
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    swprintf(text, 40, L"{%08lx-%04hx-%04hx-%02hhx%02hhx-%02hhx%02hhx%02hhx%02hhx%02hhx%02hhx}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
             guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    return text;
}

// The instance id of the USB device a HID interface hangs from: its parent,
// or the parent's parent when the parent is one interface (MI_xx) of a
// composite device. Empty when the tree does not show one.
std::wstring UsbDeviceOf(DEVINST node) {
    for (int level = 0; level < 3; ++level) {
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS)
            return {};
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (CM_Get_Device_IDW(parent, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
            return {};
        const std::wstring lower = Lowered(id);
        if (lower.rfind(L"usb\\", 0) == 0 && lower.find(L"&mi_") == std::wstring::npos)
            return id;
        node = parent;
    }
    return {};
}

InterfaceIdentity IdentityOf(HDEVINFO set, SP_DEVINFO_DATA* device, std::wstring path) {
    InterfaceIdentity identity;
    identity.path = std::move(path);
    DEVPROPTYPE type = 0;
    GUID container{};
    if (SetupDiGetDevicePropertyW(set, device, &DEVPKEY_Device_ContainerId, &type,
                                  reinterpret_cast<BYTE*>(&container), sizeof container, nullptr,
                                  0) &&
        type == DEVPROP_TYPE_GUID)
        identity.containerId = GuidText(container);
    identity.usbDevice = UsbDeviceOf(device->DevInst);
    return identity;
}

// Every present HID interface: its device path and what places it. A list
// that cannot be made, or that ends early, is told in the account.
std::vector<InterfaceIdentity> Interfaces(int debugLevel) {
    std::vector<InterfaceIdentity> paths;
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        ReportLine(debugLevel, L"the HID interfaces cannot be listed, error " + Hex(error));
        return paths;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &data)) {
            const DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_ITEMS)
                ReportLine(debugLevel,
                           L"the list of HID interfaces ends early, error " + Hex(error));
            break;
        }
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        // The detail record is variable-sized; its cbSize is the fixed part.
        std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (SetupDiGetDeviceInterfaceDetailW(set, &data, detail, needed, nullptr, &device))
            paths.push_back(IdentityOf(set, &device, detail->DevicePath));
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

} // namespace

namespace {

// What an interface shows to a look without access: every HID interface,
// even one the system or another program holds, opens for that.
PresentInterface LookAt(const InterfaceIdentity& identity) {
    PresentInterface itf;
    itf.identity = identity;
    HANDLE probe = CreateFileW(identity.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        itf.capsError = error ? error : ERROR_GEN_FAILURE;
        return itf;
    }
    itf.capsError = ReadCaps(probe, &itf.caps);
    CloseHandle(probe);
    return itf;
}

} // namespace

// Looks at every interface under the pattern (and, to tell what is there
// when nothing is, at the others of its vendor), lets ChooseInterface pick
// one and puts its account in the report. A notification interface (usage 0)
// is paired with the command interface opened last under the same pattern,
// so that the two handles never belong to two receivers.
HANDLE HidOpen(const OpenRequest& request) {
    const int level = request.debugLevel;
    DebugLine(level, L"looking for " + request.pathPattern);
    const std::wstring vendor = VendorPart(request.pathPattern);
    std::vector<PresentInterface> present;
    for (const InterfaceIdentity& itf : Interfaces(level))
        if (PathMatches(itf.path, request.pathPattern) ||
            (!vendor.empty() && PathMatches(itf.path, vendor)))
            present.push_back(LookAt(itf));

    const std::wstring pattern = Lowered(request.pathPattern);
    OpenedInterface command;
    const bool paired = !request.ForCommands() && Registry().LastCommand(pattern, &command);
    HANDLE device = nullptr;
    const Choice choice = ChooseInterface(
        request, present, paired ? &command.identity : nullptr,
        [&](const InterfaceIdentity& itf, uint32_t access) -> uint32_t {
            HANDLE h = CreateFileW(itf.path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, request.flags, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                const DWORD error = GetLastError();
                return error ? error : ERROR_GEN_FAILURE;
            }
            device = h;
            return 0;
        });
    for (const std::wstring& line : choice.lines)
        ReportLine(level, line);
    if (choice.index < 0) {
        SetLastError(choice.error);
        return nullptr;
    }
    const PresentInterface& taken = present[size_t(choice.index)];
    if (taken.caps.inputLength > 0 && !HidD_SetNumInputBuffers(device, kInputBuffers)) {
        const DWORD error = GetLastError();
        ReportLine(level, L"input buffers left at the default, error " + Hex(error));
    }
    OpenedInterface entry;
    entry.caps = taken.caps;
    entry.identity = taken.identity;
    entry.pattern = pattern;
    entry.command = request.ForCommands();
    entry.overlapped = (request.flags & FILE_FLAG_OVERLAPPED) != 0;
    Registry().Remember(device, std::move(entry));
    return device;
}

BOOL HidSetFeature(HANDLE device, const BYTE* report, DWORD length) {
    InterfaceCaps caps;
    bool overlapped = false;
    if (!report || length == 0 || !CapsOf(device, &caps, &overlapped)) {
        if (report && length)
            SetLastError(ERROR_INVALID_HANDLE);
        else
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> buffer(std::max<DWORD>(length, caps.featureLength), 0);
    std::copy(report, report + length, buffer.begin());
    // HidD_SetFeature waits as long as the receiver takes. On a handle that
    // allows it, the report goes out overlapped and is given up after a while
    // (ERROR_TIMEOUT).
    if (!overlapped)
        return HidD_SetFeature(device, buffer.data(), ULONG(buffer.size())) ? TRUE : FALSE;
    return CompleteWithin(device, kFeatureTimeoutMs, buffer,
                          [device](OVERLAPPED* io, BYTE* data, DWORD size) {
                              return DeviceIoControl(device, IOCTL_HID_SET_FEATURE, data, size,
                                                     nullptr, 0, nullptr, io);
                          });
}

namespace {

// Reads a report of the interface's length and hands back as much of it as
// the caller's buffer holds. Byte 0 names the report ID on the way in.
template <class Read>
BOOL ReadPadded(HANDLE device, BYTE* report, DWORD length, USHORT InterfaceCaps::*lengthOf,
                Read read) {
    InterfaceCaps caps;
    if (!report || length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!CapsOf(device, &caps)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::vector<BYTE> buffer(std::max<DWORD>(length, caps.*lengthOf), 0);
    buffer[0] = report[0];
    if (!read(device, buffer.data(), ULONG(buffer.size())))
        return FALSE;
    std::copy(buffer.begin(), buffer.begin() + length, report);
    return TRUE;
}

} // namespace

BOOL HidGetFeature(HANDLE device, BYTE* report, DWORD length) {
    return ReadPadded(device, report, length, &InterfaceCaps::featureLength, HidD_GetFeature);
}

BOOL HidGetInputReport(HANDLE device, BYTE* report, DWORD length) {
    return ReadPadded(device, report, length, &InterfaceCaps::inputLength, HidD_GetInputReport);
}

BOOL HidGetProductString(HANDLE device, wchar_t* text, DWORD chars) {
    if (!text || chars == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The driver takes the size in bytes. USB string descriptors hold at most
    // 126 characters, so a larger buffer is never needed and is not offered.
    const DWORD bytes = std::min<DWORD>(chars, 256) * sizeof(wchar_t);
    text[0] = L'\0';
    if (!HidD_GetProductString(device, text, bytes))
        return FALSE;
    text[chars - 1] = L'\0';
    return TRUE;
}

BOOL HidGetVersionNumber(HANDLE device, DWORD* version) {
    if (!version) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(device, &attributes))
        return FALSE;
    *version = attributes.VersionNumber;
    return TRUE;
}

} // namespace vantor
