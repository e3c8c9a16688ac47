#include "device/ReportDescriptor.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace device {

namespace {

// Item types and tags of the short items this reader acts on.
enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};
enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};
constexpr uint8_t kUsage = 0x0;      // local
constexpr uint8_t kLongItem = 0xFE;  // its own size and tag follow
constexpr size_t kMaxPushDepth = 32; // far beyond what any device nests
// Longer reports than a 16-bit length holds are counted as that long.
constexpr uint64_t kMaxBits = 0xFFFEull * 8;

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// One top-level collection while it is read: bits per report id and kind.
struct Collection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::map<uint8_t, uint64_t> inputBits, featureBits;
};

std::string At(const char* what, size_t offset) {
    char text[96];
    std::snprintf(text, sizeof text, "%s at byte %zu", what, offset);
    return text;
}

// The longest report in whole bytes plus the id byte, and the ids.
void Finish(const std::map<uint8_t, uint64_t>& bits, uint16_t* length, std::vector<uint8_t>* ids) {
    uint64_t longest = 0;
    for (const auto& [id, n] : bits) {
        ids->push_back(id);
        longest = std::max(longest, n);
    }
    *length = bits.empty() ? 0 : uint16_t((longest + 7) / 8 + 1);
}

} // namespace

DescriptorCollections ParseReportDescriptor(const uint8_t* data, size_t size) {
    DescriptorCollections result;
    Globals globals;
    std::vector<Globals> pushed;
    std::vector<uint32_t> usages; // the local usages, each with its page in the high half
    std::vector<Collection> tops;
    int depth = 0;
    auto fail = [&result](std::string problem) {
        result.problem = std::move(problem);
        result.collections.clear();
        return result;
    };

    size_t at = 0;
    while (at < size) {
        const size_t start = at;
        const uint8_t prefix = data[at];
        if (prefix == kLongItem) {
            if (at + 2 >= size || at + 3 + data[at + 1] > size)
                return fail(At("a long item runs past the end", start));
            at += 3 + data[at + 1];
            continue;
        }
        const size_t length = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (at + 1 + length > size)
            return fail(At("an item runs past the end", start));
        uint32_t value = 0;
        for (size_t k = 0; k < length; ++k)
            value |= uint32_t(data[at + 1 + k]) << (8 * k);
        at += 1 + length;
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;

        if (type == kGlobal) {
            switch (tag) {
            case kUsagePage:
                globals.usagePage = value & 0xFFFF;
                break;
            case kReportSize:
                globals.reportSize = value;
                break;
            case kReportCount:
                globals.reportCount = value;
                break;
            case kReportId:
                if (value == 0 || value > 0xFF)
                    return fail(At("a report id outside 1..255", start));
                globals.reportId = uint8_t(value);
                break;
            case kPush:
                if (pushed.size() >= kMaxPushDepth)
                    return fail(At("too many pushes", start));
                pushed.push_back(globals);
                break;
            case kPop:
                if (pushed.empty())
                    return fail(At("a pop without a push", start));
                globals = pushed.back();
                pushed.pop_back();
                break;
            default:
                break;
            }
            continue;
        }
        if (type == kLocal) {
            // A four-byte usage names its page itself; a shorter one is on
            // the current page.
            if (tag == kUsage)
                usages.push_back(length == 4 ? value
                                             : (globals.usagePage << 16) | (value & 0xFFFF));
            continue;
        }
        if (type != kMain)
            continue; // reserved item type

        switch (tag) {
        case kCollection:
            if (depth == 0) {
                Collection top;
                const uint32_t usage = usages.empty() ? globals.usagePage << 16 : usages.front();
                top.usagePage = uint16_t(usage >> 16);
                top.usage = uint16_t(usage & 0xFFFF);
                tops.push_back(top);
            }
            ++depth;
            break;
        case kEndCollection:
            if (depth == 0)
                return fail(At("an end of collection without a collection", start));
            --depth;
            break;
        case kInput:
        case kFeature:
            // Fields outside every collection belong to no interface.
            if (depth > 0) {
                auto& bits = tag == kInput ? tops.back().inputBits : tops.back().featureBits;
                // Held below kMaxBits, so that no sum of fields wraps around.
                const uint64_t field = uint64_t(globals.reportSize) * globals.reportCount;
                uint64_t& sum = bits[globals.reportId];
                sum = std::min(sum + std::min(field, kMaxBits), kMaxBits);
            }
            break;
        case kOutput:
        default:
            break;
        }
        usages.clear();
    }
    if (depth != 0)
        return fail("a collection is not closed at the end");

    for (const Collection& top : tops) {
        InterfaceCaps caps;
        caps.usagePage = top.usagePage;
        caps.usage = top.usage;
        Finish(top.inputBits, &caps.inputLength, &caps.inputIds);
        Finish(top.featureBits, &caps.featureLength, &caps.featureIds);
        result.collections.push_back(std::move(caps));
    }
    return result;
}

} // namespace device
