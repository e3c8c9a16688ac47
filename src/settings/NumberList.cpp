#include "settings/NumberList.h"

#include <string>

namespace settings {
namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z')
        return c - u'A' + 10;
    return 99;
}

// wcstoul on one piece, in 32 bits as on Windows: true only when the whole
// piece is consumed by the number.
bool ParsePiece(int radix, std::u16string_view piece, uint32_t& value) {
    size_t i = 0;
    while (i < piece.size() && IsSpace(piece[i]))
        ++i;
    bool minus = false;
    if (i < piece.size() && (piece[i] == u'+' || piece[i] == u'-'))
        minus = piece[i++] == u'-';
    if (radix == 16 && i + 2 < piece.size() && piece[i] == u'0' &&
        (piece[i + 1] == u'x' || piece[i + 1] == u'X') && DigitValue(piece[i + 2]) < 16)
        i += 2;
    size_t first = i;
    uint64_t total = 0;
    bool overflow = false;
    for (; i < piece.size() && DigitValue(piece[i]) < radix; ++i) {
        total = total * unsigned(radix) + unsigned(DigitValue(piece[i]));
        if (total > 0xFFFFFFFFu) {
            overflow = true;
            total = 0xFFFFFFFFu;
        }
    }
    if (i == first || i != piece.size())
        return false;
    uint32_t v = uint32_t(total);
    value = overflow ? 0xFFFFFFFFu : minus ? 0u - v : v;
    return true;
}

template <typename T>
int Parse(int radix, std::u16string_view text, size_t maxChars, T* out, int maxCount) {
    if (radix < 2 || radix > 36 || !out)
        return 0;
    text = text.substr(0, maxChars);
    int count = 0;
    size_t pos = 0;
    while (count < maxCount && pos < text.size()) {
        if (text[pos] == u',') {
            ++pos;
            continue;
        }
        size_t end = text.find(u',', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        uint32_t value = 0;
        if (!ParsePiece(radix, text.substr(pos, end - pos), value))
            break;
        out[count++] = static_cast<T>(value);
        pos = end;
    }
    return count;
}

} // namespace

int ParseNumberList(int radix, std::u16string_view text, int32_t* out, int maxCount) {
    return Parse(radix, text, 1023, out, maxCount);
}

int ParseNumberList(int radix, std::u16string_view text, uint8_t* out, int maxCount) {
    return Parse(radix, text, 511, out, maxCount);
}

int ParseNumberList(int radix, std::u16string_view text, uint16_t* out, int maxCount) {
    return Parse(radix, text, 1023, out, maxCount);
}

} // namespace settings
