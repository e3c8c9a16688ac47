// pro.dct and the profile part of an .hvk file on arbitrary bytes: loading,
// then everything the program does with a loaded profile's fields.

#include "model/KeyCodes.h"
#include "model/MemoryMap.h"
#include "store/ProfileStore.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

void UseProfile(const ProfileRecord& r) {
    for (const auto& mode : r.Key) {
        for (const KeyInfo& k : mode) {
            KeyInfoText(k);
            keyinfo_to_hardware_code(k);
            uint8_t combo[kComboDataMax];
            ComboToDevice(k, combo);
        }
    }
    memmap::EncodeMainLight(r.MainLight);
    memmap::LevelToByte(memmap::kBrightBytes, r.LogoLight.nBright);
    memmap::LevelToByte(memmap::kBrightBytes, r.DpiLight.nBright);
    memmap::CountEnabledDpiLevels(r, r.nCurMode);
    memmap::ReportRateToCode(r.dwReportRate[0]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_ProfileList.SetOwnership(kListOwnsElements);
    // A store: exactly five slots, or nothing.
    LoadProfileImage(std::string_view(reinterpret_cast<const char*>(data), size));
    g_ProfileList.ForEach([](const ProfileRecord& r) { UseProfile(r); });
    ClearProfiles();
    // An export file starts with one record; shorter input is padded with zero.
    ProfileRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(&r, data, size < sizeof r ? size : sizeof r);
    if (IsValidProfile(r)) {
        SanitizeProfileRecord(r);
        UseProfile(r);
    }
    return 0;
}
