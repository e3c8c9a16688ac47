// Macro data from outside on arbitrary bytes: the device's macro events and
// the .mck file, then the macro block the writer would send back.

#include "model/MacroEncoding.h"
#include "model/MemoryMap.h"
#include "store/MacroFile.h"
#include "store/MacroList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void SendBack(const StMacro& m) {
    uint8_t events[memmap::kMacroBlockBytes];
    const size_t n = StMacro_To_HdMacro(&m, events);
    uint8_t block[memmap::kMacroBlockBytes];
    memmap::BuildMacroBlock(MacroName(m), events, n, block);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StMacro m;
    HdMacro_To_StMacro(m, data, size);
    SendBack(m);
    if (DecodeMacroFile(std::string_view(reinterpret_cast<const char*>(data), size), m))
        SendBack(m);
    // The device block as read: name bytes, count, events.
    if (size >= memmap::kMacroCountOffset) {
        memmap::MacroBlockName(data + memmap::kMacroNameOffset);
        uint8_t block[memmap::kMacroBlockBytes];
        memmap::BuildMacroBlock(u"f", data, size, block);
    }
    return 0;
}
