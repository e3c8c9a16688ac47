#include "store/ProfileDefaults.h"

#include "model/InitData.h"
#include "model/KeyCodes.h"
#include "model/SensorCatalogue.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/TextTable.h"
#include "store/MacroList.h"
#include "store/ProfileStore.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr uint32_t kIdMask = 0xFFFFFF;

// The ids handed out last. A caller may not have stored its id in a list yet
// when the next one is made, and ids made back to back read the same clock
// value, so more than the last id is remembered.
constexpr size_t kRecentIds = 32;
std::mutex g_mtxRecentIds;
std::array<uint32_t, kRecentIds> g_recentIds{};
size_t g_nNextRecent = 0;

bool RecentId(uint32_t id) {
    std::lock_guard lock(g_mtxRecentIds);
    return std::find(g_recentIds.begin(), g_recentIds.end(), id) != g_recentIds.end();
}

// Where the search for a new id starts: the clock's value, unless that lies
// shortly behind the last id handed out (the millisecond byte wraps four
// times a second, and ids made back to back come from one millisecond);
// then just after the last id, so ids made one after another never repeat.
constexpr uint32_t kIdBehindWindow = 0x10000; // 256 seconds of clock values
uint32_t g_dwLastId = 0;
bool g_bIdIssued = false;

uint32_t SearchStart(uint32_t clockId) {
    std::lock_guard lock(g_mtxRecentIds);
    if (g_bIdIssued && ((g_dwLastId - clockId) & kIdMask) < kIdBehindWindow)
        return (g_dwLastId + 1) & kIdMask;
    return clockId;
}

// Remembers `id` unless another thread took it meanwhile.
bool ClaimId(uint32_t id) {
    std::lock_guard lock(g_mtxRecentIds);
    if (std::find(g_recentIds.begin(), g_recentIds.end(), id) != g_recentIds.end())
        return false;
    g_recentIds[g_nNextRecent] = id;
    g_nNextRecent = (g_nNextRecent + 1) % kRecentIds;
    g_dwLastId = id;
    g_bIdIssued = true;
    return true;
}

bool IdTaken(uint32_t id) {
    if (id == 0 || IsDeviceMacroId(id))
        return true;
    if (RecentId(id))
        return true;
    // Each list is asked on its own, so this never holds both list locks (nor
    // the recent ids' lock: a caller may hold the profile list's).
    return ProfileIdInUse(id) || MacroIdInUse(id);
}

void ClearRange(ProfileRecord& r, size_t begin, size_t end) {
    std::memset(reinterpret_cast<uint8_t*>(&r) + begin, 0, end - begin);
}

std::u16string PositionName(int index) {
    std::u16string name = index == 0
                              ? settings::Text(u"tc_msg14")
                              : settings::Text(u"tc_msg35") + text::Widen(std::to_string(index));
    return name;
}

} // namespace

uint32_t MakeProfileId() {
    // Ids made back to back read the same clock value; the search below
    // hands out the next free one, so no pause is needed to keep them apart.
    const platform::LocalTime t = platform::Now();
    uint32_t id = (uint32_t(t.hour & 0xF) << 20) | (uint32_t(t.minute) << 14) |
                  (uint32_t(t.second) << 8) | (uint32_t(t.millisecond) & 0xFF);
    id = SearchStart(id & kIdMask);
    // The clock repeats every 16 hours, so an id of today can equal one made on
    // another day; a key would then run the wrong macro. The next free value
    // is taken instead. At most 2005 ids are in use, so this ends quickly.
    for (;; id = (id + 1) & kIdMask) {
        while (IdTaken(id))
            id = (id + 1) & kIdMask;
        if (ClaimId(id))
            return id;
    }
}

void NewProfileRecord(ProfileRecord& out) {
    ProfileRecord r;
    std::memset(&r, 0, sizeof r);
    r.dwMagicNumber = kProfileMagic;
    r.dwProfileID = MakeProfileId();
    ResetProfileDefaults(r);
    std::memset(r.szName, 0, sizeof r.szName);
    out = r;
}

void ResetProfileDefaults(ProfileRecord& r) {
    // The record may be an element of the list that another thread copies.
    auto lock = g_ProfileList.Lock();
    ClearRange(r, offsetof(ProfileRecord, reserved1), offsetof(ProfileRecord, szName));
    ClearRange(r, offsetof(ProfileRecord, reserved2), offsetof(ProfileRecord, nCurMode));
    const int index = g_ProfileList.IndexOf(&r);
    if (index >= 0)
        text::CopyToField(r.szName, kProfileNameChars, PositionName(index));
    r.nCurMode = 0;
    std::memcpy(r.Key, settings::g_KeyTable, sizeof r.Key);
    ResetProfileHardware(r);
    r.nLOD = 1;
    // Nothing reads the reserved areas; they are always written as zero.
    std::memset(r.reserved3, 0, sizeof r.reserved3);
    std::memset(r.reserved4, 0, sizeof r.reserved4);
}

void RebaseProfilesOnSensor(uint32_t sensorId) {
    const SensorCfg* cfg = FindSensorCfg(sensorId);
    g_ProfileList.ForEach([&](ProfileRecord& r) {
        r.nCurMode = 0;
        std::memcpy(r.Key, settings::g_KeyTable, sizeof r.Key);
        if (!cfg)
            return;
        ResetProfileDpi(r, sensorId);
        for (int m = 0; m < kKeyModes; ++m)
            r.dwReportRate[m] = uint32_t(cfg->nRate[m]);
    });
}
