// The sensor sections SENSOR_1..SENSOR_25 of cfg.ini and the choice of the
// active sensor.

#include "model/SensorCatalogue.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/IniFile.h"
#include "settings/Log.h"
#include "settings/NumberList.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Characters read of each value, terminator included.
constexpr size_t kDpiSetChars = 1040;
constexpr size_t kDpiHwChars = 780;
constexpr size_t kListChars = 260;
constexpr size_t kKeyLineChars = 50;

void Box(const char* textUtf8, const char* caption) {
    platform::ShowMessageBox(text::FromUtf8(textUtf8), text::Widen(caption));
}

int32_t ReadInt(const settings::IniFile& ini, const std::u16string& section, const char* key,
                int32_t fallback) {
    return int32_t(ini.GetInt(section, text::Widen(key), uint32_t(fallback)));
}

std::u16string ReadString(const settings::IniFile& ini, const std::u16string& section,
                          const char* key, size_t capacity) {
    return ini.GetString(section, text::Widen(key), u"", capacity);
}

// Reads a list of per-step bytes (hardware codes or lock codes) over `out`.
// The values are parsed as 32-bit numbers and cut to their low byte, so the
// whole value is read and not only the part the byte parser looks at.
int ReadStepBytes(const std::u16string& value, int radix, uint8_t (&out)[kMaxDpiSteps]) {
    int32_t numbers[kMaxDpiSteps] = {};
    const int count = settings::ParseNumberList(radix, value, numbers, kMaxDpiSteps);
    std::memset(out, 0, sizeof(out));
    for (int i = 0; i < count; ++i)
        out[i] = uint8_t(numbers[i]);
    return count;
}

// DPIHW and DPILK: a list replaces the table's bytes; without a list, a
// replaced step list numbers its steps from 1.
void LoadStepBytes(const settings::IniFile& ini, const std::u16string& section, const char* key,
                   const char* mismatch, bool dpiSetGiven, SensorDpiTable& table,
                   uint8_t (&bytes)[kMaxDpiSteps]) {
    const std::u16string value = ReadString(ini, section, key, kDpiHwChars);
    if (!value.empty()) {
        const int count = ReadStepBytes(value, settings::g_opt.DpiHwRadix, bytes);
        if (uint32_t(count) != table.nSteps)
            Box(mismatch, "Warning");
    } else if (dpiSetGiven) {
        std::memset(bytes, 0, sizeof(bytes));
        for (uint32_t i = 0; i < table.nSteps; ++i)
            bytes[i] = uint8_t(i + 1);
    }
}

// DPISET, DPIHW and (with DPI lock menus) DPILK replace the built-in steps.
void LoadSensorSteps(const settings::IniFile& ini, const std::u16string& section,
                     SensorDpiTable& table) {
    bool dpiSetGiven = false;
    const std::u16string dpiSet = ReadString(ini, section, "DPISET", kDpiSetChars);
    if (!dpiSet.empty()) {
        dpiSetGiven = true;
        std::memset(table.dpi, 0, sizeof(table.dpi));
        table.nSteps = uint32_t(settings::ParseNumberList(10, dpiSet, table.dpi, kMaxDpiSteps));
    }
    LoadStepBytes(ini, section, "DPIHW", "DPISET Num != DPIHW Num", dpiSetGiven, table, table.code);
    if (settings::g_opt.SnipMenu[0] != 0)
        LoadStepBytes(ini, section, "DPILK", "DPISET Num != DPILK Num", dpiSetGiven, table,
                      table.lock);
}

// DPI, then the check that every level is a step of the sensor.
void LoadDefaultLevels(const settings::IniFile& ini, const std::u16string& section, SensorCfg& cfg,
                       const SensorDpiTable* table) {
    int32_t levels[kDpiLevels] = {};
    const int count = settings::ParseNumberList(10, ReadString(ini, section, "DPI", kListChars),
                                                levels, kDpiLevels);
    if (count == cfg.nLevels) {
        std::copy(levels, levels + count, cfg.nDpi);
    } else {
        if (count > 0)
            Box("DPI != DM.", "Warning");
        if (const int32_t* builtIn = GetDefaultDpiLevels(uint32_t(cfg.nSensor)))
            std::copy(builtIn, builtIn + kDpiLevels, cfg.nDpi);
    }

    const int checked = std::clamp(cfg.nLevels, 0, kDpiLevels);
    for (int i = 0; i < checked; ++i) {
        bool isStep = false;
        if (table)
            for (uint32_t s = 0; s < table->nSteps && !isStep; ++s)
                isStep = table->dpi[s] == cfg.nDpi[i];
        if (!isStep) {
            char message[64];
            std::snprintf(message, sizeof(message), "Wrong default dpi value: %d", cfg.nDpi[i]);
            Box(message, "Warning");
        }
    }
}

// DC: one red, green, blue triple per level, or the built-in colours.
void LoadLevelColours(const settings::IniFile& ini, const std::u16string& section, SensorCfg& cfg) {
    std::copy(kDefaultDpiColors, kDefaultDpiColors + kDpiLevels, cfg.crColor);
    uint8_t rgb[3 * kDpiLevels] = {};
    const int count = settings::ParseNumberList(10, ReadString(ini, section, "DC", kListChars), rgb,
                                                3 * kDpiLevels);
    // DM is any number the file holds: only 1..8 levels can match a list.
    if (cfg.nLevels > 0 && cfg.nLevels <= kDpiLevels && count == 3 * cfg.nLevels) {
        for (int k = 0; k < cfg.nLevels; ++k)
            cfg.crColor[k] = settings::Rgb(rgb[3 * k], rgb[3 * k + 1], rgb[3 * k + 2]);
    } else if (count > 0) {
        Box("DC != DM.", "Warning");
    }
}

// The parameter of extended key `index` (0..3); 0 for any other index.
int32_t ExKeyValue(uint32_t index) {
    const settings::OptSettings& o = settings::g_opt;
    switch (index) {
    case 0:
        return o.ExKey1;
    case 1:
        return o.ExKey2;
    case 2:
        return o.ExKey3;
    case 3:
        return o.ExKey4;
    default:
        return 0;
    }
}

// K1_m..K16_m of one mode over `keys`; returns the number of lines accepted.
int LoadKeyLines(const settings::IniFile& ini, const std::u16string& section, int mode,
                 KeyInfo keys[kKeysPerMode]) {
    int accepted = 0;
    for (int i = 0; i < kKeysPerMode; ++i) {
        // Modes are 0..2 here and numbered from 1 in the key names.
        char name[24];
        std::snprintf(name, sizeof(name), "K%d_%d", i + 1, mode + 1);
        const std::u16string line = ini.GetString(section, text::Widen(name), u"", kKeyLineChars);

        int32_t n[4] = {};
        if (settings::ParseNumberList(16, line, n, 4) != 4)
            continue;
        ++accepted;

        const uint32_t a = uint32_t(n[0]) & 0xFF;
        const uint32_t b = uint32_t(n[1]);
        const uint32_t c = uint32_t(n[2]);
        KeyInfo& key = keys[i];
        key.dwFunID = a << 24 | (b & 0xFF);
        key.nMatrixIndex = int32_t(uint32_t(n[3]) & 0xFF);

        switch (a) {
        case kCatSpecial:
            // Special functions that carry a value in the third field.
            switch (b & 0xFF) {
            case 0xA4:
            case 0xA6:
            case 0xAD:
            case 0xC0:
                key.dwParameter = c;
                break;
            default:
                break;
            }
            break;
        case kCatKeyboard: {
            // A key combination: two virtual-key codes in b, modifiers in c.
            key.dwFunID = 0x020000A1;
            uint32_t combo = key.stCombo;
            combo = (combo & 0xFF0000FF) | (b & 0xFF) << 8 | ((b >> 8) & 0xFF) << 16;
            combo |= c & 0x0F;
            key.stCombo = combo;
            break;
        }
        case kCatExtra: {
            key.dwFunID = 0x0B000000 | (b & 0xFF);
            if (b > 4)
                Box("Wrong ExKey Index", "Error");
            const int32_t value = ExKeyValue(b);
            if (value == 0)
                Box("UnSet ExKey Value", "Error");
            key.dwParameter = uint32_t(value);
            break;
        }
        default:
            break;
        }
    }
    return accepted;
}

// Key defaults of the three modes. A mode without any K line takes mode 1's.
void LoadModeKeys(const settings::IniFile& ini, const std::u16string& section, SensorCfg& cfg) {
    KeyInfo work[kKeysPerMode] = {};
    for (int mode = 0; mode < kKeyModes; ++mode) {
        const int accepted = LoadKeyLines(ini, section, mode, work);
        if (accepted > 0) {
            if (accepted < cfg.nKeys)
                Box("Key num to small", "Error");
            std::copy(work, work + kKeysPerMode, cfg.keys[mode]);
        } else if (mode > 0) {
            std::copy(cfg.keys[0], cfg.keys[0] + kKeysPerMode, cfg.keys[mode]);
        }
    }
}

// Sums of values from the file wrap around in 32 bits instead of overflowing.
int32_t WrapAdd(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) + uint32_t(b));
}

// Mark1..Mark16 as left, top, width, height, up to the first missing one.
void LoadMarks(const settings::IniFile& ini, const std::u16string& section, SensorCfg& cfg) {
    for (int k = 0; k < 16; ++k) {
        const std::u16string value =
            ReadString(ini, section, ("Mark" + std::to_string(k + 1)).c_str(), kListChars);
        if (value.empty())
            break;
        int32_t n[4] = {};
        if (settings::ParseNumberList(10, value, n, 4) == 4)
            cfg.rcMark[k] = settings::Rect{n[0], n[1], WrapAdd(n[0], n[2]), WrapAdd(n[1], n[3])};
        else
            Box("Mark value error", "Error");
    }
}

// Reads one SENSOR_n section into `cfg`; false when its MDNUM or KM is
// unusable, which ends the whole load.
bool LoadSensorSection(const settings::IniFile& ini, const std::u16string& section,
                       int32_t sensorId, SensorCfg& cfg) {
    cfg.nSensor = sensorId;
    const int32_t rateDefaults[4] = {0x125, 0x250, 0x500, 0x1000};
    for (int i = 0; i < 4; ++i)
        cfg.nRateChoice[i] =
            ReadInt(ini, section, ("RATE" + std::to_string(i + 1)).c_str(), rateDefaults[i]);
    cfg.nRate[0] = ReadInt(ini, section, "DR", 0x500);
    cfg.nRate[1] = ReadInt(ini, section, "DR_2", cfg.nRate[0]);
    cfg.nRate[2] = ReadInt(ini, section, "DR_3", cfg.nRate[0]);
    cfg.bShowLOD = ReadInt(ini, section, "ShowLOD", 0);
    cfg.nLevels = ReadInt(ini, section, "DM", 6);
    cfg.nDpiRowH = ReadInt(ini, section, "DPIH", 48);
    cfg.nDefLevel = ReadInt(ini, section, "DEFLEVEL", 0);

    SensorDpiTable* table = FindSensorDpiTable(uint32_t(sensorId));
    if (table)
        LoadSensorSteps(ini, section, *table);
    else
        Box("Can't find sensor", "Warning");

    LoadDefaultLevels(ini, section, cfg, table);
    LoadLevelColours(ini, section, cfg);

    cfg.nKeyH = ReadInt(ini, section, "KEYH", 13);
    cfg.nKeyY = ReadInt(ini, section, "KEYY", 116);

    switch (ReadInt(ini, section, "MDNUM", 9)) {
    case 3:
        cfg.nModes = 1;
        break;
    case 6:
        cfg.nModes = 2;
        break;
    case 9:
        cfg.nModes = 3;
        break;
    default:
        settings::WriteLog("LoadSensorCfg: bad MDNUM in %s", settings::LogText(section).c_str());
        return false;
    }

    const int32_t km = ReadInt(ini, section, "KM", 32);
    if (km % 2 != 0 || km / 2 < 1 || km / 2 > kKeysPerMode) {
        settings::WriteLog("LoadSensorCfg: bad KM %d in %s", km,
                           settings::LogText(section).c_str());
        return false;
    }
    cfg.nKeys = km / 2;

    LoadModeKeys(ini, section, cfg);
    LoadMarks(ini, section, cfg);
    return true;
}

} // namespace

int LoadSensorKeys(const std::u16string& section, int mode, const std::u16string& path,
                   KeyInfo keys[kKeysPerMode]) {
    return LoadKeyLines(settings::IniFile::Load(path), section, mode, keys);
}

int LoadSensorCfg(const std::u16string& path) {
    return LoadSensorCfg(settings::IniFile::Load(path));
}

int LoadSensorCfg(const settings::IniFile& ini) {
    // Every load starts from untouched slots, so a repeated load (tests, a
    // second InitData) neither warns about its own earlier sensors nor keeps
    // values of sections that are gone.
    std::memset(g_SensorCfg, 0, sizeof(g_SensorCfg));
    SetActiveSensor(uint32_t(settings::g_opt.Sensor), nullptr);

    for (int n = 1; n <= kSensorSlots; ++n) {
        const std::u16string section = text::Widen("SENSOR_" + std::to_string(n));
        const int32_t sensorId = ReadInt(ini, section, "Sensor", 0);
        if (sensorId == 0)
            continue;
        for (const SensorCfg& other : g_SensorCfg)
            if (other.nSensor == sensorId)
                Box("has a same sensor", "Warning");
        if (!LoadSensorSection(ini, section, sensorId, g_SensorCfg[n - 1]))
            return 0;
    }

    SetActiveSensor(g_nCurSensor, FindSensorCfg(g_nCurSensor));
    if (!pSensorCfg) {
        Box("pSensorCfg is null", "Warning");
        return 0;
    }
    return 1;
}

void set_cur_sensor(uint32_t sensorId) {
    settings::WriteLog("set_cur_sensor = 0x%x", unsigned(sensorId));
    SetActiveSensor(sensorId, FindSensorCfg(sensorId));
    if (!pSensorCfg) {
        char message[64];
        std::snprintf(message, sizeof(message), "set_cur_sensor:  pSensorCfg=null for 0x%04x",
                      unsigned(sensorId));
        Box(message, "Error");
    }
}
