#pragma once
// The 2992-byte profile record: element of the profile list, slot of pro.dct
// and head of a profile export file. Its layout is a file format.

#include "model/KeyInfo.h"
#include "model/SensorCatalogue.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t kProfileMagic = 0xFCAA1234;
constexpr int kProfileNameChars = 20; // with the terminator: at most 19 characters

#pragma pack(push, 1)
struct DpiLevelRecord {
    int32_t nDpiX;
    int32_t nDpiY;
    uint32_t crColor; // 0x00BBGGRR
    int32_t bDisabled;
};

struct LightRecord {
    int32_t nMode;
    int32_t nSpeed;
    int32_t nBright;
    uint32_t crColor;
    uint8_t reserved[40];
};

struct DpiLightRecord {
    int32_t nMode;
    int32_t nSpeed;
    int32_t nBright;
    uint8_t reserved[44];
};

struct ProfileRecord {
    uint32_t dwMagicNumber;
    uint32_t dwProfileID; // 0 marks an empty slot
    uint8_t reserved1[520];
    char16_t szName[kProfileNameChars];
    uint8_t reserved2[40];
    int32_t nCurMode; // 0..2
    KeyInfo Key[kKeyModes][kKeysPerMode];
    uint32_t dwReportRate[kKeyModes]; // rate in Hz written in hex digits: 0x125 .. 0x1000
    int32_t nWheelLines;
    int32_t nDblClickTime;
    int32_t nPointerSpeed;
    int32_t bEnhancePrecision;
    int32_t nMouseTrails;
    int32_t bXYSeparate;
    DpiLevelRecord DpiLevel[kDpiLevels];
    LightRecord MainLight;
    LightRecord LogoLight;
    DpiLightRecord DpiLight;
    uint32_t nSensor;
    uint8_t reserved3[44];
    int32_t nLOD; // 1 or 2
    uint8_t reserved4[76];
};
#pragma pack(pop)

static_assert(sizeof(DpiLevelRecord) == 16);
static_assert(sizeof(LightRecord) == 56);
static_assert(sizeof(DpiLightRecord) == 56);
static_assert(sizeof(ProfileRecord) == 2992);
static_assert(offsetof(ProfileRecord, dwMagicNumber) == 0);
static_assert(offsetof(ProfileRecord, dwProfileID) == 4);
static_assert(offsetof(ProfileRecord, reserved1) == 8);
static_assert(offsetof(ProfileRecord, szName) == 528);
static_assert(offsetof(ProfileRecord, reserved2) == 568);
static_assert(offsetof(ProfileRecord, nCurMode) == 608);
static_assert(offsetof(ProfileRecord, Key) == 612);
static_assert(offsetof(ProfileRecord, Key[1][0]) == 612 + 640);
static_assert(offsetof(ProfileRecord, Key[2][15]) == 612 + 2 * 640 + 15 * 40);
static_assert(offsetof(ProfileRecord, dwReportRate) == 2532);
static_assert(offsetof(ProfileRecord, nWheelLines) == 2544);
static_assert(offsetof(ProfileRecord, nDblClickTime) == 2548);
static_assert(offsetof(ProfileRecord, nPointerSpeed) == 2552);
static_assert(offsetof(ProfileRecord, bEnhancePrecision) == 2556);
static_assert(offsetof(ProfileRecord, nMouseTrails) == 2560);
static_assert(offsetof(ProfileRecord, bXYSeparate) == 2564);
static_assert(offsetof(ProfileRecord, DpiLevel) == 2568);
static_assert(offsetof(ProfileRecord, DpiLevel[7]) == 2568 + 7 * 16);
static_assert(offsetof(ProfileRecord, MainLight) == 2696);
static_assert(offsetof(ProfileRecord, MainLight.crColor) == 2708);
static_assert(offsetof(ProfileRecord, LogoLight) == 2752);
static_assert(offsetof(ProfileRecord, DpiLight) == 2808);
static_assert(offsetof(ProfileRecord, nSensor) == 2864);
static_assert(offsetof(ProfileRecord, reserved3) == 2868);
static_assert(offsetof(ProfileRecord, nLOD) == 2912);
static_assert(offsetof(ProfileRecord, reserved4) == 2916);

// The hardware part that ResetProfileHardware rebuilds: dwReportRate .. nSensor.
constexpr size_t kProfileHardwareBegin = offsetof(ProfileRecord, dwReportRate);
constexpr size_t kProfileHardwareEnd = offsetof(ProfileRecord, reserved3);
static_assert(kProfileHardwareBegin == 2532 && kProfileHardwareEnd == 2868);

// dwReportRate .. nSensor back to the defaults of the active sensor and cfg.ini.
void ResetProfileHardware(ProfileRecord& record);
// DPI levels and nSensor from the configuration of `sensorId`; no change when
// the sensor has no configuration.
void ResetProfileDpi(ProfileRecord& record, uint32_t sensorId);

// The key mode whose keys and report rate the mouse holds: the profile's
// current mode, or mode 0 when that is out of range. The writer writes this
// mode and the configuration read fills it, so the two always meet.
constexpr int DeviceKeyMode(const ProfileRecord& r) {
    return r.nCurMode >= 0 && r.nCurMode < kKeyModes ? r.nCurMode : 0;
}

// A record is valid when it carries the magic and a non-zero id.
constexpr bool IsValidProfile(const ProfileRecord& r) {
    return r.dwMagicNumber == kProfileMagic && r.dwProfileID != 0;
}

// Brings the fields that serve as indexes or table positions back into range
// (a record read from a file or taken from the device is outside input) and
// terminates the name inside its field. Returns the number of fields fixed;
// each is logged.
int SanitizeProfileRecord(ProfileRecord& record);

// What SanitizeProfileForDevice did: the fields it replaced, and the apply
// groups (APPLY_DPI, APPLY_RATE) that still hold a value the mouse cannot
// take because the sensor's own default is not one either.
struct DeviceSanitizeResult {
    int nFixes = 0;
    uint32_t nUnfixable = 0;
};

// SanitizeProfileRecord, then the values the mouse cannot take, each replaced
// by the active sensor's default with a log line: a report rate that is not a
// rate code, a DPI value of the levels in use that is not a step of the
// active sensor's table, and a key function that no category knows on a key
// with a device slot. The apply runs it on its copy before the first write,
// so a request never stops half-way on a value that could be checked first.
DeviceSanitizeResult SanitizeProfileForDevice(ProfileRecord& record);
// The same against `sensor`, a copy of the active sensor a worker took.
DeviceSanitizeResult SanitizeProfileForDevice(ProfileRecord& record, const ActiveSensor& sensor);
