#pragma once
// Text conversions and small helpers over UTF-16 text. Pure functions.

#include <string>
#include <string_view>

namespace text {

std::string ToUtf8(std::u16string_view s);
// The continuation bytes a UTF-8 sequence starting with `lead` has (0 to 3);
// -1 for a byte that starts none.
int Utf8TrailBytes(unsigned char lead);
// Ill-formed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view s);
// Latin-1 / ASCII widening, for literals and numbers.
std::u16string Widen(std::string_view s);

char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

// Copies `src` into a fixed field of `capacity` characters, always terminated.
void CopyToField(char16_t* field, size_t capacity, std::u16string_view src);
// The text of a fixed field: up to its first terminator, never past its end.
std::u16string FromField(const char16_t* field, size_t capacity);

} // namespace text
