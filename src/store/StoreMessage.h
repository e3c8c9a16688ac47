#pragma once
// Messages of the stores to the user: the message dialog's plain message,
// titled with the tips caption.

#include "platform/MessageBox.h"
#include "settings/TextTable.h"

#include <cstdio>
#include <string>

namespace store {

inline void ShowStoreMessage(const std::u16string& text) {
    platform::ShowMessageBox(text, settings::Text(u"tc_tips"));
}

// A message from a printf format with one number.
inline std::u16string FormatNumber(const char* format, long long value) {
    char buf[160];
    std::snprintf(buf, sizeof buf, format, value);
    std::u16string out;
    for (const char* p = buf; *p; ++p)
        out += char16_t(static_cast<unsigned char>(*p));
    return out;
}

} // namespace store
