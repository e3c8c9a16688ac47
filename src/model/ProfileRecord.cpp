#include "model/ProfileRecord.h"

#include "model/ApplyRequest.h"
#include "model/KeyCodes.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int kLightLevels = 10;

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

bool IsSensorStep(const SensorDpiTable& table, int32_t dpi) {
    const uint32_t steps = std::min<uint32_t>(table.nSteps, kMaxDpiSteps);
    return dpi > 0 && std::find(table.dpi, table.dpi + steps, dpi) != table.dpi + steps;
}

// The default of key `k` in mode `m` for the sensor a request started with;
// null without a configuration. Workers read the sensor's own defaults: the
// key table is the window thread's.
const KeyInfo* DefaultKeyOf(const ActiveSensor& sensor, int m, int k) {
    return sensor.cfg ? &sensor.cfg->keys[m][k] : nullptr;
}

// Key functions no category knows take the function of the key's default.
int SanitizeKeysForDevice(ProfileRecord& r, const ActiveSensor& sensor) {
    int fixes = 0;
    for (int m = 0; m < kKeyModes; ++m)
        for (int k = 0; k < kKeysPerMode; ++k) {
            KeyInfo& key = r.Key[m][k];
            if (!HasDeviceSlot(key) || IsKnownKeyFunction(key))
                continue;
            const KeyInfo* found = DefaultKeyOf(sensor, m, k);
            if (!found || !IsKnownKeyFunction(*found)) {
                // Written as "no device function", which the mouse takes.
                settings::WriteLog("profile 0x%x: key %d/%d dwFunID=0x%x unknown, no default",
                                   unsigned(r.dwProfileID), m, k, unsigned(key.dwFunID));
                continue;
            }
            const KeyInfo& def = *found;
            settings::WriteLog("profile 0x%x: key %d/%d dwFunID=0x%x unknown, 0x%x taken",
                               unsigned(r.dwProfileID), m, k, unsigned(key.dwFunID),
                               unsigned(def.dwFunID));
            key.dwFunID = def.dwFunID;
            key.dwMacroID = def.dwMacroID;
            key.stCombo = def.stCombo;
            key.dwParameter = def.dwParameter;
            ++fixes;
        }
    return fixes;
}

// DPI values of the levels in use that are not steps of the active sensor.
int SanitizeDpiForDevice(ProfileRecord& r, const ActiveSensor& sensor, uint32_t& unfixable) {
    const SensorDpiTable* table = FindSensorDpiTable(sensor.id);
    if (!sensor.cfg || !table)
        return 0; // nothing to check against: the writer writes code 0 as before
    int fixes = 0;
    const int levels = std::clamp(sensor.cfg->nLevels, 0, kDpiLevels);
    for (int i = 0; i < levels; ++i) {
        DpiLevelRecord& level = r.DpiLevel[i];
        if (IsSensorStep(*table, level.nDpiX) && IsSensorStep(*table, level.nDpiY))
            continue;
        const int32_t def = sensor.cfg->nDpi[i];
        if (!IsSensorStep(*table, def)) {
            settings::WriteLog("profile 0x%x: DPI level %d %dx%d not a step of sensor 0x%x, "
                               "nor its default %d",
                               unsigned(r.dwProfileID), i, level.nDpiX, level.nDpiY,
                               unsigned(sensor.id), def);
            unfixable |= APPLY_DPI;
            continue;
        }
        settings::WriteLog("profile 0x%x: DPI level %d %dx%d not a step of sensor 0x%x, %d taken",
                           unsigned(r.dwProfileID), i, level.nDpiX, level.nDpiY,
                           unsigned(sensor.id), def);
        level.nDpiX = def;
        level.nDpiY = def;
        ++fixes;
    }
    return fixes;
}

// Report rates that are not rate codes; the device takes the current mode's.
int SanitizeRatesForDevice(ProfileRecord& r, const ActiveSensor& sensor, uint32_t& unfixable) {
    int fixes = 0;
    for (int m = 0; m < kKeyModes; ++m) {
        const uint32_t rate = r.dwReportRate[m];
        if (memmap::ReportRateToCode(rate) != 0)
            continue;
        const uint32_t def = sensor.cfg ? uint32_t(sensor.cfg->nRate[m]) : 0;
        if (memmap::ReportRateToCode(def) == 0) {
            settings::WriteLog("profile 0x%x: dwReportRate[%d]=0x%x is not a report rate, "
                               "nor its default 0x%x",
                               unsigned(r.dwProfileID), m, unsigned(rate), unsigned(def));
            if (m == DeviceKeyMode(r))
                unfixable |= APPLY_RATE;
            continue;
        }
        settings::WriteLog("profile 0x%x: dwReportRate[%d]=0x%x is not a report rate, 0x%x taken",
                           unsigned(r.dwProfileID), m, unsigned(rate), unsigned(def));
        r.dwReportRate[m] = def;
        ++fixes;
    }
    return fixes;
}

} // namespace

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

namespace {

int SanitizeRecord(ProfileRecord& r, const ActiveSensor& sensor) {
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
            const KeyInfo* def = DefaultKeyOf(sensor, m, k);
            int32_t fallback = def ? def->nMatrixIndex : 0;
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

} // namespace

int SanitizeProfileRecord(ProfileRecord& r) {
    return SanitizeRecord(r, ActiveSensorNow());
}

DeviceSanitizeResult SanitizeProfileForDevice(ProfileRecord& r) {
    return SanitizeProfileForDevice(r, ActiveSensorNow());
}

DeviceSanitizeResult SanitizeProfileForDevice(ProfileRecord& r, const ActiveSensor& sensor) {
    DeviceSanitizeResult result;
    result.nFixes = SanitizeRecord(r, sensor);
    result.nFixes += SanitizeKeysForDevice(r, sensor);
    result.nFixes += SanitizeDpiForDevice(r, sensor, result.nUnfixable);
    result.nFixes += SanitizeRatesForDevice(r, sensor, result.nUnfixable);
    return result;
}
