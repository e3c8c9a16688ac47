// A key's matrix code and combination slot from the device on arbitrary
// bytes: the first three bytes are the code, the rest the slot as read.

#include "model/DevMacroNames.h"
#include "model/KeyCodes.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KeyInfo k{};
    ComboFromDevice(data, size, k);
    KeyInfoText(k);
    if (size < 4)
        return 0;
    const uint32_t code = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16;
    k = KeyInfo{};
    k.nMatrixIndex = int32_t(data[3]) - 100; // in and out of the 16 slots
    SetDevMacroName(data[3] & 0x0F, data + 4, size - 4);
    if (HardwareCode_To_KeyInfo(code, data + 4, size - 4, k)) {
        KeyInfoText(k);
        uint8_t combo[kComboDataMax];
        ComboToDevice(k, combo);
        keyinfo_to_hardware_code(k);
    }
    return 0;
}
