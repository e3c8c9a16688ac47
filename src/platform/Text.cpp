#include "platform/Text.h"

#include <algorithm>

namespace text {

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

int Utf8TrailBytes(unsigned char lead) {
    return lead < 0x80             ? 0
           : (lead & 0xE0) == 0xC0 ? 1
           : (lead & 0xF0) == 0xE0 ? 2
           : (lead & 0xF8) == 0xF0 ? 3
                                   : -1;
}

std::u16string FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        int extra = Utf8TrailBytes(b);
        char32_t c = extra == 0   ? b
                     : extra == 1 ? (b & 0x1F)
                     : extra == 2 ? (b & 0x0F)
                                  : (b & 0x07);
        bool ok = extra >= 0 && i + static_cast<size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (t & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += extra + 1;
    }
    return out;
}

std::u16string Widen(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char c : s)
        out += char16_t(static_cast<unsigned char>(c));
    return out;
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

void CopyToField(char16_t* field, size_t capacity, std::u16string_view src) {
    if (capacity == 0)
        return;
    size_t n = std::min(src.size(), capacity - 1);
    std::copy_n(src.data(), n, field);
    std::fill(field + n, field + capacity, u'\0');
}

std::u16string FromField(const char16_t* field, size_t capacity) {
    size_t n = 0;
    while (n < capacity && field[n] != u'\0')
        ++n;
    return std::u16string(field, n);
}

} // namespace text
