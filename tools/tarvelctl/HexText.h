#pragma once
// Bytes as lower-case hex digits, the form tarvelctl reads and prints them in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::string Hex(const uint8_t* data, size_t length);
// Throws CommandError on an odd count or a character that is not a hex digit.
std::vector<uint8_t> ParseHex(const std::string& hex);
