// Real receivers through the Windows HID class driver. A receiver shows up as
// several HID interfaces (one per top-level collection) that share the vendor
// and product ID in their paths; the one wanted is picked by its usage page
// and usage, and by the caller's look at its report lengths.

#include "HidBackend.h"

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

// The report lengths of every handle HidOpen gave out: HID requires each
// report buffer to be exactly as long as the interface's report.
class CapsRegistry {
public:
    void Remember(HANDLE device, const InterfaceCaps& caps) {
        std::lock_guard lock(m_mutex);
        // Entries of handles closed since are dropped as we go; a handle value
        // handed out again simply gets the new interface's lengths.
        std::erase_if(m_caps, [](const auto& entry) {
            DWORD info = 0;
            return !GetHandleInformation(entry.first, &info);
        });
        m_caps[device] = caps;
    }
    bool Find(HANDLE device, InterfaceCaps* caps) {
        std::lock_guard lock(m_mutex);
        auto it = m_caps.find(device);
        if (it == m_caps.end())
            return false;
        *caps = it->second;
        return true;
    }

private:
    std::mutex m_mutex;
    std::map<HANDLE, InterfaceCaps> m_caps;
};

CapsRegistry& Registry() {
    // Never destroyed: other threads may still use it while the process ends.
    static CapsRegistry* registry = new CapsRegistry;
    return *registry;
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
bool CapsOf(HANDLE device, InterfaceCaps* caps) {
    return Registry().Find(device, caps) || ReadCaps(device, caps);
}

// Every present HID interface's device path.
std::vector<std::wstring> InterfacePaths() {
    std::vector<std::wstring> paths;
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
        if (SetupDiGetDeviceInterfaceDetailW(set, &data, detail, needed, nullptr, nullptr))
            paths.emplace_back(detail->DevicePath);
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

HANDLE HidOpen(const OpenRequest& request) {
    DebugLine(request.debugLevel, L"looking for " + request.pathPattern + L", usage page " +
                                      Hex(request.usagePage) + L", usage " + Hex(request.usage));
    DWORD error = ERROR_DEVICE_NOT_CONNECTED;
    for (const std::wstring& path : InterfacePaths()) {
        if (!PathMatches(path, request.pathPattern))
            continue;
        // No access is needed to read the attributes and capabilities, and
        // interfaces the system holds exclusively (keyboards, mice) still open.
        HANDLE probe = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            DebugLine(request.debugLevel, L"cannot look at " + path);
            continue;
        }
        InterfaceCaps caps;
        const bool known = ReadCaps(probe, &caps);
        CloseHandle(probe);
        if (!known)
            continue;
        DebugLine(request.debugLevel, path + L": usage page " + Hex(caps.usagePage) + L", usage " +
                                          Hex(caps.usage) + L", input " + Hex(caps.inputLength) +
                                          L", feature " + Hex(caps.featureLength));
        if (!Qualifies(request, caps))
            continue;
        HANDLE device =
            CreateFileW(path.c_str(), request.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, request.flags, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            DebugLine(request.debugLevel, L"cannot open " + path + L": " + Hex(error));
            continue;
        }
        if (caps.inputLength > 0 && !HidD_SetNumInputBuffers(device, kInputBuffers))
            DebugLine(request.debugLevel, L"input buffers left at the default");
        Registry().Remember(device, caps);
        DebugLine(request.debugLevel, L"opened " + path);
        return device;
    }
    SetLastError(error);
    return nullptr;
}

BOOL HidSetFeature(HANDLE device, const BYTE* report, DWORD length) {
    InterfaceCaps caps;
    if (!report || length == 0 || !CapsOf(device, &caps)) {
        if (report && length)
            SetLastError(ERROR_INVALID_HANDLE);
        else
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> buffer(std::max<DWORD>(length, caps.featureLength), 0);
    std::copy(report, report + length, buffer.begin());
    return HidD_SetFeature(device, buffer.data(), ULONG(buffer.size())) ? TRUE : FALSE;
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
