#include "model/ProfileRecord.h"

#include "model/SensorCatalogue.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/InitData.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/MacroList.h"
#include "store/ProfileStore.h"

#include <atomic>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kIdMask = 0xFFFFFF;
// 0x00FFEE00 + slot marks a key whose macro lives only on the device.
constexpr uint32_t kDeviceMacroIdBase = 0x00FFEE00;
constexpr int kLightLevels = 10;

std::atomic<uint32_t> g_dwLastProfileId{0};

bool IdTaken(uint32_t id) {
    if (id == 0 || (id & 0xFFFF00) == kDeviceMacroIdBase)
        return true;
    if (id == g_dwLastProfileId.load())
        return true;
    // Each list is asked on its own, so this never holds both list locks.
    return ProfileIdInUse(id) || MacroIdInUse(id);
}

void ClearRange(ProfileRecord& r, size_t begin, size_t end) {
    std::memset(reinterpret_cast<uint8_t*>(&r) + begin, 0, end - begin);
}

bool IsLightLevel(int32_t level) {
    return level >= 1 && level <= kLightLevels;
}

// A light level from a cfg.ini default, or 1 when that is not a level either.
int32_t DefaultLevel(uint8_t configured) {
    return IsLightLevel(configured) ? configured : 1;
}

// Fields of a packed record are passed by value: they need not be aligned.
int32_t FixLevel(int32_t level, int32_t fallback, const char* field, int& fixes) {
    if (IsLightLevel(level))
        return level;
    settings::WriteLog("profile: %s=%d out of range, %d taken", field, level, fallback);
    ++fixes;
    return fallback;
}

std::u16string PositionName(int index) {
    std::u16string name = index == 0
                              ? settings::Text(u"tc_msg14")
                              : settings::Text(u"tc_msg35") + text::Widen(std::to_string(index));
    return name;
}

} // namespace

uint32_t MakeProfileId() {
    // The pause makes two ids taken one after the other differ.
    platform::SleepMs(20);
    const platform::LocalTime t = platform::Now();
    uint32_t id = (uint32_t(t.hour & 0xF) << 20) | (uint32_t(t.minute) << 14) |
                  (uint32_t(t.second) << 8) | (uint32_t(t.millisecond) & 0xFF);
    id &= kIdMask;
    // The clock repeats every 16 hours, so an id of today can equal one made on
    // another day; a key would then run the wrong macro. The next free value
    // is taken instead. At most 2005 ids are in use, so this ends quickly.
    while (IdTaken(id))
        id = (id + 1) & kIdMask;
    g_dwLastProfileId = id;
    return id;
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

void ResetProfileHardware(ProfileRecord& r) {
    using settings::g_opt;
    ClearRange(r, kProfileHardwareBegin, kProfileHardwareEnd);
    if (pSensorCfg)
        for (int m = 0; m < kKeyModes; ++m)
            r.dwReportRate[m] = uint32_t(pSensorCfg->nRate[m]);
    ResetProfileDpi(r, g_nCurSensor);

    auto light = [](LightRecord& l, const uint8_t v[6]) {
        l.nMode = v[0];
        l.nSpeed = v[1];
        l.nBright = v[2];
        l.crColor = settings::Rgb(v[3], v[4], v[5]);
    };
    light(r.MainLight, g_opt.MainRGB);
    light(r.LogoLight, g_opt.LogoRGB);
    r.DpiLight.nMode = g_opt.DpiRGB[0];
    r.DpiLight.nSpeed = g_opt.DpiRGB[1];
    r.DpiLight.nBright = g_opt.DpiRGB[2];

    r.nWheelLines = 3;
    r.nDblClickTime = 550;
    r.nPointerSpeed = 10;
    r.bEnhancePrecision = g_opt.EnhancePrecision;
    r.nMouseTrails = 0;
}

void ResetProfileDpi(ProfileRecord& r, uint32_t sensorId) {
    const SensorCfg* cfg = FindSensorCfg(sensorId);
    if (!cfg)
        return;
    for (int i = 0; i < kDpiLevels; ++i) {
        r.DpiLevel[i].nDpiX = cfg->nDpi[i];
        r.DpiLevel[i].nDpiY = cfg->nDpi[i];
        r.DpiLevel[i].crColor = cfg->crColor[i];
        r.DpiLevel[i].bDisabled = 0;
    }
    r.nSensor = sensorId;
    r.bXYSeparate = 0;
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

int SanitizeProfileRecord(ProfileRecord& r) {
    using settings::g_opt;
    int fixes = 0;
    if (r.szName[kProfileNameChars - 1] != u'\0' &&
        text::FromField(r.szName, kProfileNameChars).size() == kProfileNameChars) {
        settings::WriteLog("profile 0x%x: name not terminated, cut to %d characters",
                           unsigned(r.dwProfileID), kProfileNameChars - 1);
        r.szName[kProfileNameChars - 1] = u'\0';
        ++fixes;
    }
    if (r.nCurMode < 0 || r.nCurMode >= kKeyModes) {
        settings::WriteLog("profile 0x%x: nCurMode=%d out of range, 0 taken",
                           unsigned(r.dwProfileID), r.nCurMode);
        r.nCurMode = 0;
        ++fixes;
    }
    for (int m = 0; m < kKeyModes; ++m) {
        for (int k = 0; k < kKeysPerMode; ++k) {
            KeyInfo& key = r.Key[m][k];
            if (key.nMatrixIndex >= 0 && key.nMatrixIndex <= kKeysPerMode)
                continue;
            int32_t fallback = settings::g_KeyTable[m][k].nMatrixIndex;
            if (fallback < 0 || fallback > kKeysPerMode)
                fallback = 0;
            settings::WriteLog("profile 0x%x: key %d/%d nMatrixIndex=%d out of range, %d taken",
                               unsigned(r.dwProfileID), m, k, key.nMatrixIndex, fallback);
            key.nMatrixIndex = fallback;
            ++fixes;
        }
    }
    r.MainLight.nSpeed =
        FixLevel(r.MainLight.nSpeed, DefaultLevel(g_opt.MainRGB[1]), "MainLight.nSpeed", fixes);
    r.MainLight.nBright =
        FixLevel(r.MainLight.nBright, DefaultLevel(g_opt.MainRGB[2]), "MainLight.nBright", fixes);
    r.LogoLight.nBright =
        FixLevel(r.LogoLight.nBright, DefaultLevel(g_opt.LogoRGB[2]), "LogoLight.nBright", fixes);
    r.DpiLight.nBright =
        FixLevel(r.DpiLight.nBright, DefaultLevel(g_opt.DpiRGB[2]), "DpiLight.nBright", fixes);
    if (r.nLOD != 1 && r.nLOD != 2) {
        settings::WriteLog("profile 0x%x: nLOD=%d out of range, 1 taken", unsigned(r.dwProfileID),
                           r.nLOD);
        r.nLOD = 1;
        ++fixes;
    }
    return fixes;
}
