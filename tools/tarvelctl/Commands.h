#pragma once
// tarvelctl's commands. Each prints one JSON document on standard output and
// returns the exit status; failures go through CommandError.

#include "Json.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// No receiver could be found (exit status 2): `search` tells why each
// candidate was passed over.
struct NoReceiverError : CommandError {
    NoReceiverError(const std::string& what, std::vector<std::string> lines)
        : CommandError(what), search(std::move(lines)) {}
    std::vector<std::string> search;
};

struct Options {
    std::u16string exeDir;  // --exe-dir; ends with a path separator
    std::u16string dataDir; // --data-dir; ends with a path separator, empty when not given
    std::u16string
        virtualState; // --virtual: the virtual receiver's state file, empty when not given
};

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Options&, const Args&);

// Each commands file registers its commands at start:
//   static CommandRegistration reg("frame", CmdFrame, "frame HEX");
struct CommandRegistration {
    CommandRegistration(const char* name, CommandFn fn, const char* usage);
};

// Decimal or 0x-prefixed hexadecimal; CommandError when it is neither.
int64_t ParseNumber(const std::string& s);

namespace sim {
class VirtualReceiver;
}
// The virtual receiver of --virtual for this command, when no running program
// serves its state file; CommandError otherwise (nothing is changed then).
std::shared_ptr<sim::VirtualReceiver> OpenLocalReceiver(const Options& opts);
// The holder of --virtual's state file when a running program serves it
// ("served by Tarvel.exe (process 12)"); empty when none does.
std::string ServedBy(const Options& opts);
// `length` bytes of device memory at `address`, read through the control pipe
// of the program that serves --virtual's state file; CommandError when the
// pipe cannot be reached from here (with what to do instead).
std::vector<uint8_t> ReadThroughPipe(const Options& opts, uint32_t address, size_t length);

// Writes the document with a line break.
void Print(const JsonWriter& json);
