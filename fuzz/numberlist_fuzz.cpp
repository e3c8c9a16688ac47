// Number lists in every radix and element width.

#include "settings/NumberList.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int radix = data[0] % 40;
    const int maxCount = data[1] % 40;
    std::u16string text;
    for (size_t i = 2; i + 1 < size; i += 2)
        text += char16_t(data[i] | data[i + 1] << 8);
    int32_t ints[40];
    uint8_t bytes[40];
    uint16_t words[40];
    settings::ParseNumberList(radix, text, ints, maxCount);
    settings::ParseNumberList(radix, text, bytes, maxCount);
    settings::ParseNumberList(radix, text, words, maxCount);
    return 0;
}
