#pragma once
// The .mck macro file: exactly one StMacro, every byte rotated right by two
// bits.

#include "model/StMacro.h"

#include <string>
#include <string_view>

constexpr size_t kMacroFileBytes = sizeof(StMacro);

// The file image of a record.
std::string EncodeMacroFile(const StMacro& macro);
// The record of a file image: false unless it has exactly 834 bytes and the
// magic. A decoded name is always terminated inside its field.
bool DecodeMacroFile(std::string_view bytes, StMacro& out);

// Reads a macro file; false when it cannot be read or is no macro.
bool ReadMacroFile(const std::u16string& path, StMacro& out);
// Writes a macro file whole (temporary file moved over the target).
bool WriteMacroFile(const std::u16string& path, const StMacro& macro);
