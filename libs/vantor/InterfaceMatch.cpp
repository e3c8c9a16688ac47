#include "InterfaceMatch.h"

#include "Vantor.h"

#include <algorithm>

namespace vantor {

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
    if (request.usage != 0 && caps.usage != request.usage)
        return false;
    if (!request.acceptTest)
        return true;
    // The usage tells which of the two tests the caller handed in.
    if (request.usage == 0) {
        auto test = reinterpret_cast<VantorAcceptNotify>(request.acceptTest);
        return test(caps.usagePage, caps.inputLength) != 0;
    }
    auto test = reinterpret_cast<VantorAcceptCommand>(request.acceptTest);
    return test(caps.usagePage, caps.usage, caps.inputLength, caps.featureLength) != 0;
}

Kinship Compare(const InterfaceIdentity& a, const InterfaceIdentity& b) {
    if (RealContainer(a.containerId) && RealContainer(b.containerId))
        return EqualNoCase(a.containerId, b.containerId) ? Kinship::Same : Kinship::Different;
    if (!a.usbDevice.empty() && !b.usbDevice.empty())
        return EqualNoCase(a.usbDevice, b.usbDevice) ? Kinship::Same : Kinship::Different;
    PathPlace pa, pb;
    if (!ParsePath(a.path, &pa) || !ParsePath(b.path, &pb))
        return Kinship::Unknown;
    if (pa.product != pb.product)
        return Kinship::Different;
    // Another USB interface of the same product: its instance part derives
    // from that interface, so the path cannot tell.
    if (pa.hardware != pb.hardware)
        return Kinship::Unknown;
    return pa.parent == pb.parent ? Kinship::Same : Kinship::Different;
}

int PickPartner(const InterfaceIdentity& anchor, const std::vector<InterfaceIdentity>& candidates) {
    int undecided = -1, nUndecided = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        switch (Compare(anchor, candidates[i])) {
        case Kinship::Same:
            return int(i);
        case Kinship::Unknown:
            if (nUndecided++ == 0)
                undecided = int(i);
            break;
        case Kinship::Different:
            break;
        }
    }
    return nUndecided == 1 ? undecided : -1;
}

void DebugLine(int debugLevel, const std::wstring& text) {
    if (debugLevel <= 0)
        return;
    std::wstring line = L"Vantor: " + text + L"\n";
    OutputDebugStringW(line.c_str());
}

} // namespace vantor
