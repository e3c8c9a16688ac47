#include "model/SensorCatalogue.h"

#include "model/KeyTable.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <cstring>
#include <iterator>
#include <mutex>

SensorDpiTable g_SensorDpiTable[kSensorSlots];
SensorCfg g_SensorCfg[kSensorSlots];
uint32_t g_nCurSensor = kDefaultSensor;
SensorCfg* pSensorCfg = nullptr;

namespace {

// Guards g_nCurSensor and pSensorCfg against the window thread's switch while
// a worker takes its copy.
std::mutex g_mtxActiveSensor;

} // namespace

ActiveSensor ActiveSensorNow() {
    std::lock_guard lock(g_mtxActiveSensor);
    return {g_nCurSensor, pSensorCfg};
}

void SetActiveSensor(uint32_t sensorId, SensorCfg* cfg) {
    std::lock_guard lock(g_mtxActiveSensor);
    g_nCurSensor = sensorId;
    pSensorCfg = cfg;
    // The defaults follow the mouse in use before anything takes them (a
    // re-base of the profiles right after an automatic switch).
    if (cfg)
        settings::BuildKeyTable(*cfg);
}

const uint32_t kDefaultDpiColors[kDpiLevels] = {0x0000FF, 0xFF0000, 0x00FF00, 0xFF0080,
                                                0x03C6FA, 0x6A03FA, 0xFF00FF, 0xFFFF00};

namespace {

// Hardware codes of the base steps, in step order.
constexpr uint8_t kCodes3104[] = {0x10, 0x12, 0x15, 0x17, 0x1B, 0x1D, 0x1F, 0x22, 0x25,
                                  0x28, 0x2A, 0x2D, 0x2F, 0x32, 0x35, 0x37, 0x3A, 0x3C,
                                  0x3F, 0x42, 0x44, 0x47, 0x4A, 0x4C, 0x4F, 0x52, 0x54,
                                  0x57, 0x59, 0x5C, 0x5F, 0x61, 0x64, 0x67, 0x69}; // 600..4000
constexpr uint8_t kCodes3212[] = {
    0x10, 0x12, 0x15, 0x17, 0x1A, 0x1D, 0x1F, 0x22, 0x25, 0x27,
    0x2A, 0x2D, 0x2F, 0x32, 0x34, 0x37, 0x3A, 0x3C, 0x3F}; // 600..2400
constexpr uint8_t kCodes3325[] = {
    0x04, 0x06, 0x08, 0x0B, 0x0D, 0x0F, 0x12, 0x14, 0x16, 0x19, 0x1B, 0x1D, 0x20,
    0x22, 0x24, 0x27, 0x29, 0x2B, 0x2E, 0x30, 0x32, 0x34, 0x37, 0x39, 0x3B, 0x3E,
    0x40, 0x42, 0x45, 0x47, 0x49, 0x4C, 0x4E, 0x50, 0x53, 0x55, 0x57, 0x5A, 0x5C,
    0x5E, 0x61, 0x63, 0x65, 0x68, 0x6A, 0x6C, 0x6F, 0x71, 0x73}; // 200..5000
constexpr uint8_t kCodes3335[] = {
    0x00, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x10, 0x11,
    0x12, 0x13, 0x14, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x23,
    0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x32, 0x33, 0x34, 0x35,
    0x36, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x44, 0x45, 0x46, 0x47,
    0x48, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x50, 0x51, 0x52, 0x53, 0x54, 0x56, 0x57, 0x58, 0x59,
    0x5A, 0x5C, 0x5D, 0x5E, 0x5F, 0x60, 0x62, 0x63, 0x64, 0x65, 0x66, 0x68, 0x69, 0x6A, 0x6B,
    0x6C, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D,
    0x7E, 0x80, 0x81, 0x82, 0x83, 0x84, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x92, 0x93, 0x94, 0x95, 0x96, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9E, 0x9F, 0xA0, 0xA1,
    0xA2, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xB0, 0xB1, 0xB2, 0xB3,
    0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD}; // 100..16000
static_assert(std::size(kCodes3104) == 35);
static_assert(std::size(kCodes3212) == 19);
static_assert(std::size(kCodes3325) == kBaseSteps3325);
static_assert(std::size(kCodes3335) == 160);

// Sensors whose upper range is written as a base code plus the high flag.
constexpr int32_t kHighAbove3325 = 5000; // also 0x4090
constexpr int32_t kHighAbove3336 = 7200;
constexpr int32_t kHighAbove3330 = 7200;
constexpr int32_t kHighFrom3370 = 10100;

struct DefaultLevels {
    uint32_t nSensor;
    int32_t nDpi[kDpiLevels];
};
constexpr DefaultLevels kDefaultLevels[] = {
    {0x3050, {750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}},
    {0x3370, {750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}},
    {0x3212, {750, 1000, 1600, 2400, 3200, 4000, 5000, 7200}},
    {0x3320, {750, 1000, 1500, 2000, 2500, 3500, 4000, 5000}},
    {0x3325, {800, 1200, 2000, 3200, 4000, 5200, 6000, 8000}},
    {0x3330, {1000, 1500, 2000, 3000, 4000, 5000, 6000, 7200}},
    {0x3360, {1000, 1600, 2000, 3000, 4000, 5000, 6000, 8000}},
    {0x3610, {1000, 1600, 2000, 2400, 3000, 3200, 4000, 5600}},
    {0x5050, {750, 1000, 1250, 1500, 1750, 2000, 2500, 2750}},
    {0x5090, {500, 1000, 1250, 1500, 2000, 2500, 3000, 3500}},
    {0x7350, {600, 800, 1000, 1200, 1600, 2000, 2400, 3200}},
    {0x9800, {1000, 1500, 2000, 3000, 3500, 4000, 5000, 8200}},
};

void AddStep(SensorDpiTable& t, int32_t dpi, uint8_t code, uint8_t lock = 0) {
    if (t.nSteps >= uint32_t(kMaxDpiSteps))
        return;
    t.dpi[t.nSteps] = dpi;
    t.code[t.nSteps] = code;
    t.lock[t.nSteps] = lock;
    ++t.nSteps;
}

// Steps first, first + step, ..., last; the code is the running step index.
void AddIndexedSteps(SensorDpiTable& t, int32_t first, int32_t last, int32_t step) {
    for (int32_t dpi = first; dpi <= last; dpi += step)
        AddStep(t, dpi, uint8_t(t.nSteps));
}

// Steps first, first + step, ... with one code from `codes` each.
template <size_t N>
void AddListedSteps(SensorDpiTable& t, int32_t first, int32_t step, const uint8_t (&codes)[N]) {
    for (size_t i = 0; i < N; ++i)
        AddStep(t, first + int32_t(i) * step, codes[i]);
}

// The high range of a sensor runs at twice the resolution of a base step: a
// high step takes the code of the base step with half its DPI, and the device
// doubles it when the high flag is set. A high step without such a base step
// has no usable code.
void AddHighSteps(SensorDpiTable& t, int32_t first, int32_t last, int32_t step, bool logMissing) {
    const uint32_t baseSteps = t.nSteps;
    for (int32_t dpi = first; dpi <= last; dpi += step) {
        uint8_t code = 0xFF;
        bool found = false;
        for (uint32_t i = 0; i < baseSteps; ++i) {
            if (int64_t(t.dpi[i]) * 2 == dpi) {
                code = t.code[i];
                found = true;
                break;
            }
        }
        if (!found && logMissing)
            settings::WriteLog("increct dp %d", dpi);
        AddStep(t, dpi, code);
    }
}

// Index of `dpi` among the first `count` steps, or -1.
int FindDpi(const SensorDpiTable& t, uint32_t count, int32_t dpi) {
    for (uint32_t i = 0; i < count && i < uint32_t(kMaxDpiSteps); ++i)
        if (t.dpi[i] == dpi)
            return int(i);
    return -1;
}

// Index of `code` among steps [from, count), or -1.
int FindCode(const SensorDpiTable& t, uint32_t from, uint32_t count, uint8_t code) {
    for (uint32_t i = from; i < count && i < uint32_t(kMaxDpiSteps); ++i)
        if (t.code[i] == code)
            return int(i);
    return -1;
}

// Fills g_SensorDpiTable from scratch.
void FillSensorDpiTables() {
    std::memset(g_SensorDpiTable, 0, sizeof(g_SensorDpiTable));

    SensorDpiTable& t3050 = g_SensorDpiTable[0];
    t3050.nSensor = 0x3050;
    for (int32_t dpi : {500, 750, 1000, 1250, 1500, 1750, 2000, 2500, 3000, 3500, 4000}) {
        const uint8_t n = uint8_t(t3050.nSteps + 1);
        AddStep(t3050, dpi, n, n);
    }

    SensorDpiTable& t3330 = g_SensorDpiTable[1];
    t3330.nSensor = 0x3330;
    AddIndexedSteps(t3330, 50, 7200, 50);
    AddIndexedSteps(t3330, 7300, 12000, 100);

    SensorDpiTable& t3104 = g_SensorDpiTable[2];
    t3104.nSensor = 0x3104;
    AddListedSteps(t3104, 600, 100, kCodes3104);

    SensorDpiTable& t3212 = g_SensorDpiTable[3];
    t3212.nSensor = 0x3212;
    AddListedSteps(t3212, 600, 100, kCodes3212);

    SensorDpiTable& t3325 = g_SensorDpiTable[4];
    t3325.nSensor = 0x3325;
    AddListedSteps(t3325, 200, 100, kCodes3325);
    if (settings::g_opt.n3325Setp200 != 0)
        AddHighSteps(t3325, 5200, 10000, 200, true);
    else
        AddHighSteps(t3325, 6000, 10000, 1000, true);

    SensorDpiTable& t3335 = g_SensorDpiTable[5];
    t3335.nSensor = 0x3335;
    AddListedSteps(t3335, 100, 100, kCodes3335);

    SensorDpiTable& t4090 = g_SensorDpiTable[6];
    t4090.nSensor = 0x4090;
    AddListedSteps(t4090, 200, 100, kCodes3325);
    AddHighSteps(t4090, 5200, 10000, 200, false);

    SensorDpiTable& t3336 = g_SensorDpiTable[7];
    t3336.nSensor = 0x3336;
    AddIndexedSteps(t3336, 50, 7200, 50);
    AddHighSteps(t3336, 7300, 12000, 100, false);

    SensorDpiTable& t3370 = g_SensorDpiTable[8];
    t3370.nSensor = 0x3370;
    AddIndexedSteps(t3370, 50, 10000, 50);
    for (int32_t dpi = 10100, k = 0; dpi <= 19000; dpi += 100, ++k)
        AddStep(t3370, dpi, uint8_t(100 + k));
}

} // namespace

void BuildSensorDpiTables() {
    // The tables depend on the 3325 step setting alone: each variant is
    // filled once per process and copied after.
    static std::mutex lock;
    static SensorDpiTable built[2][kSensorSlots];
    static bool have[2] = {};
    const int variant = settings::g_opt.n3325Setp200 != 0 ? 1 : 0;
    std::lock_guard guard(lock);
    if (have[variant]) {
        std::memcpy(g_SensorDpiTable, built[variant], sizeof(g_SensorDpiTable));
        return;
    }
    FillSensorDpiTables();
    std::memcpy(built[variant], g_SensorDpiTable, sizeof(g_SensorDpiTable));
    have[variant] = true;
}

SensorDpiTable* FindSensorDpiTable(uint32_t sensorId) {
    if (sensorId == 0)
        return nullptr;
    for (SensorDpiTable& t : g_SensorDpiTable)
        if (t.nSensor == sensorId)
            return &t;
    return nullptr;
}

uint8_t Dpi_To_HwDpi(uint32_t sensorId, int32_t dpi, int32_t* highFlag) {
    if (sensorId == 0)
        return 0;
    const SensorDpiTable* t = FindSensorDpiTable(sensorId);
    if (!t)
        return 0;

    auto setFlag = [highFlag](bool high) {
        if (highFlag)
            *highFlag = high ? 1 : 0;
    };

    // The 0x3330 codes follow from the DPI: 50 DPI per code, and above 7200 the
    // code of half the DPI with the high flag.
    if (sensorId == 0x3330) {
        const bool high = dpi > kHighAbove3330;
        setFlag(high);
        return uint8_t((high ? dpi / 2 : dpi) / 50 - 1);
    }

    // Sensors with a high range: the flag follows from the DPI, the code is the
    // table's (for a high step, the code of its half). All 300 slots are
    // searched, the empty ones included.
    bool hasHighRange = true;
    bool high = false;
    switch (sensorId) {
    case 0x3325:
    case 0x4090:
        high = dpi > kHighAbove3325;
        break;
    case 0x3336:
        high = dpi > kHighAbove3336;
        break;
    case 0x3370:
        high = dpi >= kHighFrom3370;
        break;
    default:
        hasHighRange = false;
        break;
    }
    if (hasHighRange) {
        const int i = FindDpi(*t, kMaxDpiSteps, dpi);
        if (i < 0)
            return 0;
        setFlag(high);
        return t->code[i];
    }

    const int i = FindDpi(*t, t->nSteps, dpi);
    return i < 0 ? 0 : t->code[i];
}

int32_t HwDpi_To_Dpi(int32_t highFlag, uint8_t code) {
    return HwDpi_To_Dpi(ActiveSensorNow(), highFlag, code);
}

int32_t HwDpi_To_Dpi(const ActiveSensor& active, int32_t highFlag, uint8_t code) {
    if (!active.cfg)
        return 0;
    const uint32_t sensor = uint32_t(active.cfg->nSensor);
    const SensorDpiTable* t = FindSensorDpiTable(sensor);
    settings::WriteLog("HwDpi_To_Dpi: nSensor=%x, stDPI=%x", unsigned(sensor),
                       t ? unsigned(t - g_SensorDpiTable + 1) : 0u);
    if (!t)
        return 0;

    switch (sensor) {
    case 0x3325: {
        uint32_t from = 0;
        if (highFlag) {
            const uint32_t count = t->nSteps;
            while (from < count && t->dpi[from] <= kHighAbove3325)
                ++from;
            if (from >= count)
                return 0;
        }
        const int i = FindCode(*t, from, t->nSteps, code);
        return i < 0 ? 0 : t->dpi[i];
    }
    case 0x3336:
    case 0x4090: {
        const uint32_t baseSteps = sensor == 0x3336 ? kBaseSteps3336 : kBaseSteps3325;
        const int i = FindCode(*t, 0, baseSteps, code);
        if (i < 0)
            return 0;
        return highFlag ? t->dpi[i] * 2 : t->dpi[i];
    }
    case 0x3330:
    case 0x3370:
        return highFlag ? (int32_t(code) + 1) * 100 : (int32_t(code) + 1) * 50;
    default: {
        const int i = FindCode(*t, 0, t->nSteps, code);
        return i < 0 ? 0 : t->dpi[i];
    }
    }
}

const int32_t* GetDefaultDpiLevels(uint32_t sensorId) {
    for (const DefaultLevels& d : kDefaultLevels)
        if (d.nSensor == sensorId)
            return d.nDpi;
    return nullptr;
}

SensorCfg* FindSensorCfg(uint32_t sensorId) {
    // An untouched slot holds id 0 and is nobody's configuration.
    if (sensorId == 0)
        return nullptr;
    for (int i = 0; i < kActiveSensorSlots; ++i)
        if (uint32_t(g_SensorCfg[i].nSensor) == sensorId)
            return &g_SensorCfg[i];
    return nullptr;
}

uint32_t SensorOfRelease(uint16_t release) {
    static constexpr uint32_t kSensorByDigit[] = {0x3325, 0x3335, 0x3330};
    const unsigned digit = release >> 12;
    return digit < std::size(kSensorByDigit) ? kSensorByDigit[digit] : 0;
}

void ResetSensorCatalogue() {
    std::memset(g_SensorDpiTable, 0, sizeof(g_SensorDpiTable));
    std::memset(g_SensorCfg, 0, sizeof(g_SensorCfg));
    SetActiveSensor(kDefaultSensor, nullptr);
}
