#include "store/ProfileFile.h"

#include "model/ApplyRequest.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/TextTable.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "store/ProfileDefaults.h"
#include "store/ProfileStore.h"
#include "store/SafeFileName.h"
#include "store/StoreMessage.h"

#include <cerrno>
#include <cstring>
#include <map>

namespace {

constexpr uint16_t kMaxRepeatCount = 250;

bool IsMacroKey(const KeyInfo& key) {
    return KeyCategoryOf(key.dwFunID) == kCatMacro;
}

// A macro slot of a file is outside input: it is used only when it is a
// macro with an id and keys the device can play; its name ends inside its
// field, its steps end within the device's limit and its repeat settings are
// ones the device knows.
bool CheckFileMacro(StMacro& m, int slot) {
    if (m.dwMagicNumber != kMacroMagic || (m.dwID & 0x00FFFFFF) == 0)
        return false;
    if (HasUnsupportedKey(m)) {
        settings::WriteLog("ImportProfile: macro slot %d uses unsupported keys", slot);
        return false;
    }
    m.dwID &= 0x00FFFFFF;
    m.szName[kMacroNameChars - 1] = u'\0';
    int steps = 0;
    while (steps < kMacroStepSlots && !IsEndStep(m.Steps[steps]))
        ++steps;
    if (steps > kMacroMaxSteps) {
        settings::WriteLog("ImportProfile: macro slot %d has %d steps, cut to %d", slot, steps,
                           kMacroMaxSteps);
        std::memset(&m.Steps[kMacroMaxSteps], 0,
                    sizeof(MacroStep) * (kMacroStepSlots - kMacroMaxSteps));
    }
    for (MacroStep& s : m.Steps)
        s.wPress = s.wPress ? 1 : 0;
    if (m.nRepeatMode < 0 || m.nRepeatMode > 2)
        m.nRepeatMode = 0;
    if (m.wRepeatCount == 0 || m.wRepeatCount > kMaxRepeatCount)
        m.wRepeatCount = 1;
    m.bAutoDelay = m.bAutoDelay ? 1 : 0;
    m.dwReserved = 0;
    // The library file follows the imported contents.
    m.dwFlags = kMacroStepsChanged | kMacroSettingsChanged;
    return true;
}

void ShowOpenError(int error) {
    const std::u16string& tip = settings::Text(u"tc_tip2");
    if (!tip.empty())
        store::ShowStoreMessage(tip + store::FormatNumber(" %lld", error));
    else
        store::ShowStoreMessage(store::FormatNumber("Open Profile Err = %lld", error));
}

} // namespace

std::u16string ProfileExportName(const ProfileRecord& profile) {
    const std::u16string name =
        store::SafeFileName(text::FromField(profile.szName, kProfileNameChars));
    return name.empty() ? u"*.hvk" : name + u".hvk";
}

std::string BuildProfileFile(const ProfileRecord& profile) {
    std::string image(kProfileFileBytes, '\0');
    std::memcpy(image.data(), &profile, sizeof profile);
    int placed = 0;
    for (const auto& mode : profile.Key)
        for (const KeyInfo& key : mode) {
            if (!IsMacroKey(key) || placed == kProfileFileMacros)
                continue;
            StMacro m;
            if (!CopyMacroById(key.dwMacroID, m))
                continue;
            std::memcpy(image.data() + sizeof(ProfileRecord) + placed * sizeof(StMacro), &m,
                        sizeof m);
            ++placed;
        }
    return image;
}

bool ExportProfile(const std::u16string& path) {
    ProfileRecord profile;
    {
        auto lock = g_ProfileList.Lock();
        const ProfileRecord* cur = g_pCurProfile.load();
        if (!cur)
            return false;
        profile = *cur;
    }
    if (!platform::WriteWholeFile(path, BuildProfileFile(profile))) {
        settings::WriteLog("ExportProfile: write err=%d", errno);
        store::ShowStoreMessage(u"Create profile failed.");
        return false;
    }
    return true;
}

bool ImportProfile(const std::u16string& path, bool readInProgress, MacroTree* page,
                   std::vector<MergedMacro>* merged) {
    if (!g_pCurProfile.load())
        return false;
    if (readInProgress) {
        store::ShowStoreMessage(settings::Text(u"tc_adv_str15"));
        return false;
    }
    // One byte more than a profile file: a longer file is not one either.
    std::string image(kProfileFileBytes + 1, '\0');
    size_t read = 0;
    {
        platform::FilePtr f = platform::OpenFile(path, "rb");
        if (!f) {
            ShowOpenError(errno);
            return false;
        }
        read = std::fread(image.data(), 1, image.size(), f.get());
    }
    if (read == 0) {
        store::ShowStoreMessage(u"Read profile failed.");
        return false;
    }
    ProfileRecord profile;
    std::memcpy(&profile, image.data(), sizeof profile);
    // A cut-off file would read as a profile whose keys, DPI levels and rates
    // are all 0: stored and written to the mouse, it leaves every button dead.
    // Only a whole file of the export's size is a profile file.
    if (read != kProfileFileBytes || !IsValidProfile(profile)) {
        settings::WriteLog("ImportProfile: %d bytes, magic=0x%x, id=0x%x: not a profile file",
                           int(read), unsigned(profile.dwMagicNumber),
                           unsigned(profile.dwProfileID));
        const std::u16string& tip = settings::Text(u"tc_tip3");
        store::ShowStoreMessage(tip.empty() ? u"This is not a valid profile" : tip);
        return false;
    }
    // Values the mouse cannot take are replaced before the profile is stored,
    // so the store holds what the apply will write.
    SanitizeProfileForDevice(profile);

    StMacro slots[kProfileFileMacros];
    bool usable[kProfileFileMacros];
    for (int i = 0; i < kProfileFileMacros; ++i) {
        std::memcpy(&slots[i], image.data() + sizeof(ProfileRecord) + i * sizeof(StMacro),
                    sizeof(StMacro));
        usable[i] = CheckFileMacro(slots[i], i);
    }

    // A macro used by several keys sits in several slots: it is merged once.
    std::map<uint32_t, uint32_t> mergedIds;
    for (auto& mode : profile.Key)
        for (KeyInfo& key : mode) {
            if (!IsMacroKey(key))
                continue;
            if (auto done = mergedIds.find(key.dwMacroID); done != mergedIds.end()) {
                key.dwMacroID = done->second;
                continue;
            }
            int slot = 0;
            while (slot < kProfileFileMacros &&
                   !(usable[slot] && slots[slot].dwID == key.dwMacroID))
                ++slot;
            if (slot == kProfileFileMacros)
                continue;
            StMacro& m = slots[slot];
            bool replaced = true;
            uint32_t id = ReplaceMacro(page, m);
            if (id == 0) {
                replaced = false;
                m.dwID = MakeProfileId();
                id = Add_Macro(m, page);
                if (id == 0) {
                    settings::WriteLog("ImportProfile: Add_Macro failed");
                    return false;
                }
            }
            mergedIds[key.dwMacroID] = id;
            if (merged)
                merged->push_back({key.dwMacroID, id, MacroName(m), replaced});
            key.dwMacroID = id;
        }

    {
        auto lock = g_ProfileList.Lock();
        ProfileRecord* cur = g_pCurProfile.load();
        if (!cur)
            return false;
        const uint32_t id = cur->dwProfileID;
        *cur = profile;
        cur->dwProfileID = id;
    }
    PostApply(kApplyFull, kApplyAll);
    return true;
}
