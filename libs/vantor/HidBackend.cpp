// Real receivers through the Windows HID class driver. A receiver shows up as
// several HID interfaces (one per top-level collection) that share the vendor
// and product ID in their paths; the one wanted is picked by its usage page
// and usage, and by the caller's look at its report lengths.

#include "HidBackend.h"

#include "BoundedIo.h"

#include <cfgmgr32.h>
// The device property keys are defined here, not taken from a library.
#include <initguid.h>
#include <devpkey.h>
#include <winioctl.h> // before hidclass.h, which builds its codes with CTL_CODE
#include <hidclass.h>
#include <setupapi.h>
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

// The account of the last search, for the program's log.
std::mutex g_reportMutex;
std::wstring g_report;

void ReportLine(int debugLevel, const std::wstring& text) {
    DebugLine(debugLevel, text);
    std::lock_guard lock(g_reportMutex);
    g_report += text;
    g_report += L'\n';
}

bool ReadCaps(HANDLE device, InterfaceCaps* caps) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(device, &preparsed))
        return false;
    HIDP_CAPS hidCaps{};
    const NTSTATUS status = HidP_GetCaps(preparsed, &hidCaps);
    HidD_FreePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS)
        return false;
    caps->usagePage = hidCaps.UsagePage;
    caps->usage = hidCaps.Usage;
    caps->inputLength = hidCaps.InputReportByteLength;
    caps->featureLength = hidCaps.FeatureReportByteLength;
    return true;
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
    return ReadCaps(device, caps);
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

// Every present HID interface: its device path and what places it.
std::vector<InterfaceIdentity> Interfaces() {
    std::vector<InterfaceIdentity> paths;
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return paths;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &data))
            break; // ERROR_NO_MORE_ITEMS
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

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%x", value);
    return text;
}

} // namespace

void ClearSearchReport() {
    std::lock_guard lock(g_reportMutex);
    g_report.clear();
}

std::wstring SearchReport() {
    std::lock_guard lock(g_reportMutex);
    return g_report;
}

// Looks at every interface under the pattern and says in the report why it
// passed each one over. A notification interface (usage 0) is taken only from
// the receiver whose command interface was opened last under the same
// pattern, so that the two handles never belong to two receivers.
HANDLE HidOpen(const OpenRequest& request) {
    const int level = request.debugLevel;
    DebugLine(level, L"looking for " + request.pathPattern + L", usage page " +
                         Hex(request.usagePage) + L", usage " + Hex(request.usage));
    struct Candidate {
        InterfaceIdentity identity;
        InterfaceCaps caps;
    };
    std::vector<Candidate> candidates;
    for (const InterfaceIdentity& itf : Interfaces()) {
        const std::wstring& path = itf.path;
        if (!PathMatches(path, request.pathPattern))
            continue;
        // No access is needed to read the attributes and capabilities, and
        // interfaces the system holds exclusively (keyboards, mice) still open.
        HANDLE probe = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            ReportLine(level, path + L": cannot look at it, error " + Hex(GetLastError()));
            continue;
        }
        InterfaceCaps caps;
        const bool known = ReadCaps(probe, &caps);
        CloseHandle(probe);
        if (!known) {
            ReportLine(level, path + L": its capabilities cannot be read");
            continue;
        }
        const std::wstring described = path + L": usage page " + Hex(caps.usagePage) + L", usage " +
                                       Hex(caps.usage) + L", input " + Hex(caps.inputLength) +
                                       L", feature " + Hex(caps.featureLength);
        if (!Qualifies(request, caps)) {
            ReportLine(level, described + L": not the interface asked for");
            continue;
        }
        DebugLine(level, described);
        candidates.push_back({itf, caps});
    }

    const std::wstring pattern = Lowered(request.pathPattern);
    OpenedInterface command;
    if (request.usage == 0 && !candidates.empty() && Registry().LastCommand(pattern, &command)) {
        std::vector<InterfaceIdentity> identities;
        for (const Candidate& c : candidates)
            identities.push_back(c.identity);
        const int pick = PickPartner(command.identity, identities);
        for (int i = 0; i < int(candidates.size()); ++i)
            if (i != pick)
                ReportLine(level, candidates[size_t(i)].identity.path +
                                      L": not known to belong to the receiver of " +
                                      command.identity.path);
        if (pick < 0)
            candidates.clear();
        else
            candidates = {candidates[size_t(pick)]};
    }

    DWORD error = ERROR_DEVICE_NOT_CONNECTED;
    for (const Candidate& c : candidates) {
        const std::wstring& path = c.identity.path;
        HANDLE device =
            CreateFileW(path.c_str(), request.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, request.flags, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            ReportLine(level, path + L": cannot open it, error " + Hex(error));
            continue;
        }
        if (c.caps.inputLength > 0 && !HidD_SetNumInputBuffers(device, kInputBuffers))
            DebugLine(level, L"input buffers left at the default");
        OpenedInterface entry;
        entry.caps = c.caps;
        entry.identity = c.identity;
        entry.pattern = pattern;
        entry.command = request.usage != 0;
        entry.overlapped = (request.flags & FILE_FLAG_OVERLAPPED) != 0;
        Registry().Remember(device, std::move(entry));
        DebugLine(level, L"opened " + path);
        return device;
    }
    if (candidates.empty())
        ReportLine(level, L"no interface under " + request.pathPattern + L" with usage page " +
                              Hex(request.usagePage) + L" was taken");
    SetLastError(error);
    return nullptr;
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
