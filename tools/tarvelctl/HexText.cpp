#include "HexText.h"

#include "Commands.h"

std::string Hex(const uint8_t* data, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0xF];
    }
    return out;
}

std::vector<uint8_t> ParseHex(const std::string& hex) {
    auto digit = [&hex](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        throw CommandError("not a hex byte string: " + hex);
    };
    if (hex.size() % 2 != 0)
        throw CommandError("odd number of hex digits: " + hex);
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(uint8_t(digit(hex[i]) << 4 | digit(hex[i + 1])));
    return bytes;
}
