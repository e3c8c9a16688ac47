#pragma once
// The sensor catalogue: built-in DPI steps and hardware codes per sensor, the
// per-sensor sections SENSOR_1..SENSOR_25 of cfg.ini, the DPI conversions and
// the choice of the active sensor.

#include "model/KeyInfo.h"
#include "settings/Settings.h"

#include <cstdint>
#include <string>

constexpr int kSensorSlots = 25;
constexpr int kMaxDpiSteps = 300;
constexpr int kDpiLevels = 8;
// The active sensor is looked for in the first 10 configuration slots only.
constexpr int kActiveSensorSlots = 10;
// Sensor of OPT "Sensor" when cfg.ini names none.
constexpr uint32_t kDefaultSensor = 0x3050;
// Base steps (before the high range) of 0x3325 / 0x4090 and of 0x3336.
constexpr uint32_t kBaseSteps3325 = 49;
constexpr uint32_t kBaseSteps3336 = 144;

struct SensorDpiTable {
    uint32_t nSensor; // 0: free slot
    uint8_t reserved[12];
    uint32_t nSteps; // valid steps, at most 300
    int32_t dpi[kMaxDpiSteps];
    uint8_t code[kMaxDpiSteps];
    uint8_t lock[kMaxDpiSteps]; // DPILK lock codes
};

struct SensorCfg {
    int32_t nSensor;                       // Sensor; 0: untouched slot
    int32_t nDefLevel;                     // DEFLEVEL
    int32_t nLevels;                       // DM
    int32_t nDpi[kDpiLevels];              // DPI
    uint32_t crColor[kDpiLevels];          // DC, 0x00BBGGRR
    int32_t nDpiRowH;                      // DPIH
    int32_t nModes;                        // from MDNUM: 1..3
    int32_t nKeys;                         // KM / 2: 1..16
    KeyInfo keys[kKeyModes][kKeysPerMode]; // K%d_%d
    int32_t nKeyH;                         // KEYH
    int32_t nKeyY;                         // KEYY
    int32_t nRate[kKeyModes];              // DR, DR_2, DR_3
    int32_t nRateChoice[4];                // RATE1..RATE4
    settings::Rect rcMark[16];             // Mark1..Mark16
    int32_t bShowLOD;                      // ShowLOD
};

extern SensorDpiTable g_SensorDpiTable[kSensorSlots];
extern SensorCfg g_SensorCfg[kSensorSlots];
// The active sensor and its configuration. Only the window thread changes
// them (start-up, set_cur_sensor), always together through SetActiveSensor;
// it may read them directly. Workers take ActiveSensorNow() once at the start
// of a request and use that copy throughout.
extern uint32_t g_nCurSensor;
extern SensorCfg* pSensorCfg;

struct ActiveSensor {
    uint32_t id = 0;
    const SensorCfg* cfg = nullptr; // null: the sensor has no configuration
};
// Both values, read together under the lock that SetActiveSensor takes.
ActiveSensor ActiveSensorNow();
void SetActiveSensor(uint32_t sensorId, SensorCfg* cfg);

// Built-in default level colours.
extern const uint32_t kDefaultDpiColors[kDpiLevels];

// Clears all 25 table slots and fills slots 0..8; reads g_opt.n3325Setp200.
void BuildSensorDpiTables();
SensorDpiTable* FindSensorDpiTable(uint32_t sensorId);

// DPI -> hardware code; `highFlag` is set only where the sensor has a high range.
uint8_t Dpi_To_HwDpi(uint32_t sensorId, int32_t dpi, int32_t* highFlag = nullptr);
// (flag, code) -> DPI for the active sensor; 0 when there is none.
int32_t HwDpi_To_Dpi(int32_t highFlag, uint8_t code);
// The same for the configured sensor `sensor` (0: none, so 0).
int32_t HwDpi_To_Dpi(const ActiveSensor& sensor, int32_t highFlag, uint8_t code);

// The 8 built-in default levels of a sensor, or nullptr.
const int32_t* GetDefaultDpiLevels(uint32_t sensorId);

// Reads SENSOR_1..SENSOR_25 of `path`; 1 success, 0 failure.
int LoadSensorCfg(const std::u16string& path);
// The same from a file already read.
int LoadSensorCfg(const settings::IniFile& ini);

// Reads K1_m..K16_m of `section` into `keys` (a working array the caller
// clears once before mode 0); returns the number of lines accepted.
int LoadSensorKeys(const std::u16string& section, int mode, const std::u16string& path,
                   KeyInfo keys[kKeysPerMode]);

void set_cur_sensor(uint32_t sensorId);
// The sensor a mouse carries, from the top digit of its receiver's release
// number; 0 for a digit that names none.
uint32_t SensorOfRelease(uint16_t release);
// The first of slots 0..9 configured for `sensorId` (never for id 0), or nullptr.
SensorCfg* FindSensorCfg(uint32_t sensorId);

// Everything of this catalogue back to zero (InitData, tests).
void ResetSensorCatalogue();
