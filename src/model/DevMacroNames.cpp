#include "model/DevMacroNames.h"

#include "model/MemoryMap.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// Entry k holds the 30 name bytes of block k and a terminating byte.
uint8_t g_DevMacroNames[kDevMacroSlots][memmap::kMacroNameBytes + 1];
std::mutex g_mtxDevMacroNames;

bool IsSlot(int slot) {
    return slot >= 0 && slot < kDevMacroSlots;
}

} // namespace

void SetDevMacroName(int slot, const uint8_t* bytes, size_t length) {
    if (!IsSlot(slot))
        return;
    std::lock_guard lock(g_mtxDevMacroNames);
    std::memset(g_DevMacroNames[slot], 0, sizeof g_DevMacroNames[slot]);
    if (bytes)
        std::memcpy(g_DevMacroNames[slot], bytes, std::min(length, memmap::kMacroNameBytes));
}

std::u16string DevMacroName(int slot) {
    if (!IsSlot(slot))
        return {};
    std::lock_guard lock(g_mtxDevMacroNames);
    return memmap::MacroBlockName(g_DevMacroNames[slot]);
}

void ClearDevMacroNames() {
    std::lock_guard lock(g_mtxDevMacroNames);
    std::memset(g_DevMacroNames, 0, sizeof g_DevMacroNames);
}
