#pragma once
// Conversion between a stored macro's steps and the device's 5-byte macro
// events. The writer and the reader add name, check and repeat settings.

#include "model/StMacro.h"

#include <cstddef>
#include <cstdint>

// Fills `out` (at least 384 bytes) like a macro block: bytes 0..30 zero, byte
// 31 the event count, events from byte 32. Returns 32 + 5n; 0 when an
// argument is missing.
size_t StMacro_To_HdMacro(const StMacro* macro, uint8_t* out);

// Rebuilds `macro` from event data starting at the count byte; `length` is
// the number of bytes available there. The record is always filled; its id
// stays 0 for the caller to give (ids are the library's).
void HdMacro_To_StMacro(StMacro& macro, const uint8_t* data, size_t length);
