#include "store/SafeFileName.h"

#include "platform/Text.h"

#include <algorithm>

namespace store {
namespace {

bool IsForbidden(char16_t c) {
    return c < 0x20 || c == 0x7F || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
}

bool IsReservedDeviceName(std::u16string_view name) {
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.remove_suffix(1);
    for (const char16_t* reserved : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (text::EqualsIgnoreAsciiCase(base, reserved))
            return true;
    if (base.size() == 4 && base[3] >= u'0' && base[3] <= u'9')
        return text::EqualsIgnoreAsciiCase(base.substr(0, 3), u"COM") ||
               text::EqualsIgnoreAsciiCase(base.substr(0, 3), u"LPT");
    return false;
}

} // namespace

std::u16string SafeFileName(std::u16string_view name) {
    std::u16string safe(name);
    if (std::all_of(safe.begin(), safe.end(), [](char16_t c) { return c == u'.' || c == u' '; }))
        return {};
    std::replace_if(safe.begin(), safe.end(), IsForbidden, u'_');
    for (size_t i = safe.size(); i > 0 && (safe[i - 1] == u'.' || safe[i - 1] == u' '); --i)
        safe[i - 1] = u'_';
    if (IsReservedDeviceName(safe))
        safe.insert(safe.begin(), u'_');
    return safe;
}

} // namespace store
