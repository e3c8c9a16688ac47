#pragma once
// The check byte that protects device reports and device memory: chosen so
// that the protected bytes and the check add up to 0x55 modulo 256.

#include <cstddef>
#include <cstdint>

constexpr uint8_t CheckByte(const uint8_t* data, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum = uint8_t(sum + data[i]);
    return uint8_t(0x55 - sum);
}

// The complement of a single setting: value and complement add up to 0x55.
constexpr uint8_t Complement(uint8_t value) { return uint8_t(0x55 - value); }
