#include "device/InterfaceMatch.h"

#include <algorithm>
#include <cstdio>

namespace device {

namespace {

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
    return Lowered(a) == Lowered(b);
}

// Container ids that do not tell devices apart: none, and the one of the
// computer itself, which devices built into it share.
bool RealContainer(const std::wstring& id) {
    const std::wstring lower = Lowered(id);
    return !lower.empty() && lower != L"{00000000-0000-0000-0000-000000000000}" &&
           lower != L"{00000000-0000-0000-ffff-ffffffffffff}";
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts(1);
    for (wchar_t c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The parts of a HID interface path that place it: the hardware part without
// its collection ("vid_xxxx&pid_yyyy&mi_01"), the hardware part without the
// interface number either ("vid_xxxx&pid_yyyy"), and the instance part without
// its last field, which numbers the collections of one USB interface
// ("8&2d3f1a&0"). False for paths of another shape.
struct PathPlace {
    std::wstring hardware, product, parent;
};

bool ParsePath(const std::wstring& path, PathPlace* place) {
    const std::vector<std::wstring> parts = Split(Lowered(path), L'#');
    if (parts.size() != 4 || parts[0].size() < 3 || parts[0].substr(parts[0].size() - 3) != L"hid")
        return false;
    for (const std::wstring& field : Split(parts[1], L'&')) {
        if (field.rfind(L"col", 0) == 0)
            continue;
        place->hardware += (place->hardware.empty() ? L"" : L"&") + field;
        if (field.rfind(L"mi_", 0) != 0)
            place->product += (place->product.empty() ? L"" : L"&") + field;
    }
    const size_t last = parts[2].rfind(L'&');
    if (place->product.empty() || last == std::wstring::npos || last == 0)
        return false;
    place->parent = parts[2].substr(0, last);
    return true;
}

bool Declares(const std::vector<uint8_t>& ids, uint8_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::wstring Side(const wchar_t* name, uint16_t length, const std::vector<uint8_t>& ids) {
    if (length == 0)
        return std::wstring(name) + L" none";
    std::wstring text = std::wstring(name) + L" " + std::to_wstring(length) + L" bytes (";
    if (ids.empty())
        return text + L"no report id)";
    text += ids.size() == 1 ? L"report " : L"reports ";
    for (size_t i = 0; i < ids.size(); ++i)
        text += (i ? L", " : L"") + std::to_wstring(ids[i]);
    return text + L")";
}

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%x", value);
    return text;
}

} // namespace

std::wstring Lowered(std::wstring text) {
    for (wchar_t& c : text)
        c = Lower(c);
    return text;
}

bool PathMatches(const std::wstring& path, const std::wstring& pattern) {
    auto it = std::search(path.begin(), path.end(), pattern.begin(), pattern.end(),
                          [](wchar_t a, wchar_t b) { return Lower(a) == Lower(b); });
    return it != path.end() || pattern.empty();
}

bool Qualifies(const OpenRequest& request, const InterfaceCaps& caps) {
    if (caps.usagePage != request.usagePage)
        return false;
    if (request.ForCommands() && caps.usage != request.usage)
        return false;
    if (!request.acceptTest)
        return true;
    // The usage tells which of the two tests the caller handed in.
    if (!request.ForCommands()) {
        auto test = reinterpret_cast<AcceptNotifyTest>(request.acceptTest);
        return test(caps.usagePage, caps.inputLength) != 0;
    }
    auto test = reinterpret_cast<AcceptCommandTest>(request.acceptTest);
    return test(caps.usagePage, caps.usage, caps.inputLength, caps.featureLength) != 0;
}

bool CarriesProtocolReport(const OpenRequest& request, const InterfaceCaps& caps) {
    return request.ForCommands() ? Declares(caps.featureIds, kCommandReportId)
                                 : Declares(caps.inputIds, kNotifyReportId);
}

std::wstring DescribeCaps(const InterfaceCaps& caps) {
    return L"usage page " + Hex(caps.usagePage) + L", usage " + Hex(caps.usage) + L", " +
           Side(L"input", caps.inputLength, caps.inputIds) + L", " +
           Side(L"feature", caps.featureLength, caps.featureIds);
}

Kinship KinshipTo(const InterfaceIdentity& command, const InterfaceIdentity& candidate) {
    const bool containers =
        RealContainer(command.containerId) && RealContainer(candidate.containerId);
    const bool usbDevices = !command.usbDevice.empty() && !candidate.usbDevice.empty();
    const bool usbInterfaces = !command.usbInterface.empty() && !candidate.usbInterface.empty();
    PathPlace a, b;
    const bool paths = ParsePath(command.path, &a) && ParsePath(candidate.path, &b);
    if (containers && !EqualNoCase(command.containerId, candidate.containerId))
        return Kinship::Different;
    // Two USB devices in one container (a receiver behind a hub of the same
    // device) are still kin.
    if (usbDevices && !EqualNoCase(command.usbDevice, candidate.usbDevice))
        return containers ? Kinship::SameContainer : Kinship::Different;
    if (usbInterfaces ? EqualNoCase(command.usbInterface, candidate.usbInterface)
                      : paths && a.hardware == b.hardware && a.parent == b.parent)
        return Kinship::Sibling;
    if (usbDevices)
        return Kinship::SameUsbDevice;
    if (containers)
        return Kinship::SameContainer;
    if (!paths)
        return Kinship::Unknown;
    if (a.product != b.product)
        return Kinship::Different;
    // Another USB interface of the same product: its instance part derives
    // from that interface, so the path cannot tell.
    return a.hardware == b.hardware ? Kinship::Different : Kinship::Unknown;
}

} // namespace device
