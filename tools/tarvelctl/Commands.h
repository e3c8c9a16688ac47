#pragma once
// tarvelctl's commands. Each prints one JSON document on standard output and
// returns the exit status; failures go through CommandError.

#include "Json.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::u16string exeDir; // ends with a path separator
};

using Args = std::vector<std::string>;

// Decimal or 0x-prefixed hexadecimal; CommandError when it is neither.
int64_t ParseNumber(const std::string& s);

int CmdSettings(const Options& opts, const Args& args);
int CmdTexts(const Options& opts, const Args& args);
int CmdDpi(const Options& opts, const Args& args);

// Writes the document with a line break.
void Print(const JsonWriter& json);
