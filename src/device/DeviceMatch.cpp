#include "device/DeviceMatch.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstdio>

namespace device {
namespace {
std::u16string MatchText(uint16_t vid, uint16_t pid) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "USB#VID_%04x&PID_%04x", unsigned(vid), unsigned(pid));
    return text::Widen(buf);
}

bool ContainsIgnoreCase(std::u16string_view haystack, std::u16string_view needle) {
    auto it = std::search(
        haystack.begin(), haystack.end(), needle.begin(), needle.end(),
        [](char16_t a, char16_t b) { return text::AsciiLower(a) == text::AsciiLower(b); });
    return it != haystack.end();
}
} // namespace

std::vector<std::u16string> ReceiverMatchTexts(uint16_t vid, uint16_t pid, const uint16_t pid2[2]) {
    std::vector<std::u16string> texts;
    if (pid != 0)
        texts.push_back(MatchText(vid, pid));
    for (int i = 0; i < 2; ++i)
        if (pid2[i] != 0)
            texts.push_back(MatchText(vid, pid2[i]));
    return texts;
}

bool IsReceiverInterface(std::u16string_view interfaceName, uint16_t vid, uint16_t pid,
                         const uint16_t pid2[2]) {
    if (interfaceName.empty())
        return false;
    for (const std::u16string& match : ReceiverMatchTexts(vid, pid, pid2))
        if (ContainsIgnoreCase(interfaceName, match))
            return true;
    return false;
}

bool IsReceiverHidInterface(std::u16string_view interfaceName, uint16_t vid, uint16_t pid,
                            const uint16_t pid2[2]) {
    for (std::u16string match : ReceiverMatchTexts(vid, pid, pid2)) {
        // "USB#VID_..&PID_.." becomes "HID#VID_..&PID_..": the HID interfaces
        // name the USB device's ids after their own bus.
        match.replace(0, 3, u"HID");
        for (char16_t next : {u'&', u'#'})
            if (ContainsIgnoreCase(interfaceName, match + next))
                return true;
    }
    return false;
}

} // namespace device
