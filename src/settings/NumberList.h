#pragma once
// Comma-separated number lists of the settings file.

#include <cstdint>
#include <string_view>

namespace settings {

// Splits `text` at commas (runs of commas are one separator, empty pieces are
// skipped) and converts each piece like wcstoul in `radix`: leading blanks and
// a sign allowed, "0x" allowed in radix 16. A piece with anything after its
// digits, or without digits, ends the list. At most `maxCount` values are
// stored. Returns the number stored. The text is cut to 1023 characters.
int ParseNumberList(int radix, std::u16string_view text, int32_t* out, int maxCount);
// The same, storing the low 8 bits of each value; the text is cut to 511 characters.
int ParseNumberList(int radix, std::u16string_view text, uint8_t* out, int maxCount);
// The same, storing the low 16 bits of each value (cut to 1023 characters).
int ParseNumberList(int radix, std::u16string_view text, uint16_t* out, int maxCount);

} // namespace settings
