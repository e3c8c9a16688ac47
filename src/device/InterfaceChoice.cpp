#include "device/InterfaceChoice.h"

#include <algorithm>
#include <cstdio>

namespace device {

namespace {

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%x", value);
    return text;
}

const wchar_t* KinshipText(Kinship kinship) {
    switch (kinship) {
    case Kinship::Sibling:
        return L"a collection of the same USB interface";
    case Kinship::SameUsbDevice:
        return L"on the same USB device";
    case Kinship::SameContainer:
        return L"in the same device container";
    case Kinship::Unknown:
    case Kinship::Different:
        break;
    }
    return L"not known to belong to it";
}

// The reasons that say another program (or the system) holds the interface.
std::wstring HeldText(uint32_t error) {
    if (error == kErrorSharingViolation)
        return L"another program holds it without sharing";
    if (error == kErrorAccessDenied)
        return L"access denied: the system or another program holds it";
    return {};
}

std::wstring OrUnknown(const std::wstring& text) {
    return text.empty() ? L"unknown" : text;
}

// Without anything under the pattern, what the vendor has present tells a
// wrong product id in the settings from a receiver that is not plugged in.
void ListVendor(const std::wstring& pattern, const std::vector<PresentInterface>& present,
                std::vector<std::wstring>* lines) {
    const std::wstring vendor = VendorPart(pattern);
    if (vendor.empty())
        return;
    std::vector<const PresentInterface*> found;
    for (const PresentInterface& itf : present)
        if (PathMatches(itf.identity.path, vendor))
            found.push_back(&itf);
    if (found.empty()) {
        lines->push_back(L"nothing under " + vendor + L" is present either");
        return;
    }
    lines->push_back(L"nothing under " + pattern + L" is present; under " + vendor + L":");
    for (size_t i = 0; i < found.size() && i < kMaxVendorListing; ++i) {
        const PresentInterface& itf = *found[i];
        lines->push_back(L"present: " + itf.identity.path + L": " +
                         (itf.capsError ? L"capabilities unreadable, error " + Hex(itf.capsError)
                                        : DescribeCaps(itf.caps)));
    }
    if (found.size() > kMaxVendorListing)
        lines->push_back(L"present: and " + std::to_wstring(found.size() - kMaxVendorListing) +
                         L" more");
}

// The candidates the pair's command interface leaves: another receiver's
// are dropped, the closest kin kept.
std::vector<int> Partners(const InterfaceIdentity& command,
                          const std::vector<PresentInterface>& present,
                          const std::vector<int>& candidates, std::vector<std::wstring>* lines) {
    std::vector<std::pair<int, Kinship>> kin;
    Kinship best = Kinship::Different;
    for (int i : candidates) {
        const Kinship k = KinshipTo(command, present[size_t(i)].identity);
        if (k == Kinship::Different) {
            lines->push_back(present[size_t(i)].identity.path +
                             L": belongs to another receiver than " + command.path);
            continue;
        }
        kin.emplace_back(i, k);
        best = std::max(best, k);
    }
    std::vector<int> kept;
    for (const auto& [i, k] : kin)
        if (k == best)
            kept.push_back(i);
    for (const auto& [i, k] : kin)
        if (k != best)
            lines->push_back(present[size_t(i)].identity.path + L": " + KinshipText(k) + L" of " +
                             command.path + L", less close than " +
                             present[size_t(kept.front())].identity.path);
    // Two that may as well be another receiver's: taking either could pair
    // two receivers.
    if (best == Kinship::Unknown && kept.size() > 1) {
        for (int i : kept)
            lines->push_back(present[size_t(i)].identity.path +
                             L": cannot tell whether it belongs to the receiver of " +
                             command.path + L"; none of these is taken");
        return {};
    }
    for (size_t t = 1; t < kept.size(); ++t)
        lines->push_back(L"tie: " + present[size_t(kept[t])].identity.path + L" is " +
                         KinshipText(best) + L" of " + command.path + L" as well as " +
                         present[size_t(kept[0])].identity.path +
                         L"; the first that opens is taken");
    return kept;
}

} // namespace

std::wstring VendorPart(const std::wstring& pattern) {
    const std::wstring lower = Lowered(pattern);
    const size_t start = lower.find(L"vid_");
    if (start == std::wstring::npos)
        return {};
    return lower.substr(start, lower.find(L'&', start) - start);
}

Choice ChooseInterface(const OpenRequest& request, const std::vector<PresentInterface>& present,
                       const InterfaceIdentity* pairedWith, const OpenAttempt& open,
                       const ErrorText& explain) {
    // " (what the reason means)", or nothing when neither the system's text
    // nor the held reasons know it.
    auto Why = [&explain](uint32_t error) {
        std::wstring text = explain ? explain(error) : std::wstring();
        if (text.empty())
            text = HeldText(error);
        return text.empty() ? text : L" (" + text + L")";
    };
    Choice choice;
    std::vector<std::wstring>& lines = choice.lines;
    std::vector<int> candidates;
    bool anyUnderPattern = false;
    for (size_t i = 0; i < present.size(); ++i) {
        const PresentInterface& itf = present[i];
        if (!PathMatches(itf.identity.path, request.pathPattern))
            continue;
        anyUnderPattern = true;
        const std::wstring& path = itf.identity.path;
        if (itf.capsError) {
            lines.push_back(path + L": its capabilities cannot be read, error " +
                            Hex(itf.capsError) + Why(itf.capsError));
            continue;
        }
        const std::wstring described = path + L": " + DescribeCaps(itf.caps);
        if (!Qualifies(request, itf.caps)) {
            lines.push_back(described + L": not the interface asked for");
            continue;
        }
        if (!CarriesProtocolReport(request, itf.caps)) {
            lines.push_back(described + (request.ForCommands() ? L": no feature report 8"
                                                               : L": no input report 9"));
            continue;
        }
        candidates.push_back(int(i));
    }

    if (!request.ForCommands() && pairedWith && !candidates.empty()) {
        candidates = Partners(*pairedWith, present, candidates, &lines);
    } else {
        for (size_t t = 1; t < candidates.size(); ++t)
            lines.push_back(L"tie: " + present[size_t(candidates[t])].identity.path +
                            L" qualifies as well as " +
                            present[size_t(candidates[0])].identity.path +
                            L"; the first that opens is taken");
    }

    auto taken = [&](int i, uint32_t access) {
        const PresentInterface& itf = present[size_t(i)];
        lines.push_back(L"taken " + itf.identity.path + L": " + DescribeCaps(itf.caps) +
                        L", container " + OrUnknown(itf.identity.containerId) + L", USB device " +
                        OrUnknown(itf.identity.usbDevice) + L", access " + Hex(access));
        choice.index = i;
        choice.access = access;
        choice.error = 0;
        return choice;
    };
    uint32_t error = kErrorDeviceNotConnected;
    for (int i : candidates) {
        const InterfaceIdentity& identity = present[size_t(i)].identity;
        error = open(identity, request.access);
        if (error == 0)
            return taken(i, request.access);
        const bool held = !HeldText(error).empty();
        const std::wstring cannot = identity.path + L": cannot open it with access " +
                                    Hex(request.access) + L", error " + Hex(error) + Why(error);
        if (!held) {
            lines.push_back(cannot);
        } else if (request.ForCommands() && request.access != 0) {
            lines.push_back(cannot + L"; trying access 0, which still sends feature reports");
            error = open(identity, 0);
            if (error == 0)
                return taken(i, 0);
            lines.push_back(identity.path + L": cannot open it with access 0 either, error " +
                            Hex(error) + Why(error));
        } else {
            lines.push_back(cannot + L"; its input reports cannot be read without read access");
        }
    }
    if (candidates.empty()) {
        lines.push_back(L"no interface under " + request.pathPattern + L" with usage page " +
                        Hex(request.usagePage) + L" was taken");
        if (!anyUnderPattern)
            ListVendor(request.pathPattern, present, &lines);
    }
    choice.error = error;
    return choice;
}

} // namespace device
