#include "sync/ApplyProfile.h"

#include "model/KeyCodes.h"
#include "model/MacroEncoding.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "platform/Platform.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/MacroList.h"
#include "sync/SystemSettings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using settings::g_opt;
using settings::LogHex;
using settings::WriteLog;

namespace {

// Pauses that let the device keep up: before every light, rate and lift-off
// write and the DPI tables, after every macro or combination write.
constexpr uint32_t kDeviceGapMs = 10;
// Lets the progress bar show 100% before the window closes.
constexpr uint32_t kFinalProgressMs = 500;

// Chunk sizes: whole tables go two entries per report, blocks ten bytes.
constexpr int kTableChunk = 8;
constexpr int kBlockChunk = 10;

// Matrix code of the profile switch key.
constexpr int32_t kCodeProfileSwitch = 9;

class Writer {
public:
    Writer(EventPoster* w, CUSBDriver& d, const ProfileRecord& p, const ActiveSensor& sensor,
           uint32_t msg, uint32_t flag, uint32_t data, platform::SystemMouse& mouse)
        : m_w(w), m_d(d), m_p(p), m_sensor(sensor), m_nMsg(msg), m_nFlag(flag), m_nData(data),
          m_mouse(mouse) {}

    int Run();

private:
    // A step's failure stops the apply unless GoWithNoDev passes it over.
    static bool Passed(bool ok) { return ok || g_opt.GoWithNoDev != 0; }
    bool Has(uint32_t bit) const { return (m_nFlag & bit) != 0; }
    bool Write(uint32_t addr, const uint8_t* data, size_t length, int chunk = kBlockChunk) {
        return m_d.WriteEEPROM(int(length), addr, data, chunk);
    }
    template <size_t N> bool Write(uint32_t addr, const std::array<uint8_t, N>& bytes) {
        return Write(addr, bytes.data(), N);
    }
    void Progress(int percent) {
        if (m_bWindow)
            m_w->Post(m_nMsg, uintptr_t(percent), 0);
    }
    int SensorLevels() const {
        return m_sensor.cfg ? std::clamp(m_sensor.cfg->nLevels, 0, kDpiLevels) : 0;
    }

    bool Keys();
    bool KeyData(int position, const KeyInfo& key, int slot, int32_t code, int32_t& matrixEntry);
    bool DpiEntries();
    bool DpiCount();
    bool DpiColours();
    bool Lights();
    bool MainLight();
    bool LogoLight();
    bool DpiLight();
    bool Rate();
    bool Lod();

    EventPoster* m_w;
    bool m_bWindow = false;
    CUSBDriver& m_d;
    const ProfileRecord& m_p;
    const ActiveSensor m_sensor;
    uint32_t m_nMsg, m_nFlag, m_nData;
    platform::SystemMouse& m_mouse;
};

int Writer::Run() {
    m_bWindow = m_w && m_w->IsWindow();
    if (!m_bWindow)
        WriteLog("hWnd is invalidate");

    if (Has(APPLY_KEYS) && !Keys())
        return 0;
    Progress(20);
    if (Has(APPLY_DPI) && !DpiEntries())
        return 0;
    Progress(30);
    if (Has(APPLY_DPI_COUNT) && !DpiCount())
        return 0;
    if (Has(APPLY_DPI_COLOR) && !DpiColours())
        return 0;
    Progress(50);
    if (Has(APPLY_LED) && !Lights())
        return 0;
    Progress(60);
    if (Has(APPLY_RATE) && !Rate())
        return 0;
    if (Has(APPLY_LOD) && !Lod())
        return 0;
    Progress(70);
    if (g_opt.ShowMsSys != 0) {
        WriteLog("Apply sys");
        if (Has(APPLY_SYS) || Has(APPLY_RESTORE))
            ApplySystemSettings(m_p, m_mouse);
    }
    Progress(80);
    if (Has(APPLY_RESTORE) && !Passed(m_d.SendCMD(CMD_RESTORE, 0)))
        return 0;
    WriteLog("Apply Success");
    if (m_bWindow) {
        Progress(100);
        platform::SleepMs(kFinalProgressMs);
    }
    return 1;
}

bool Writer::Keys() {
    WriteLog("Set Key --------");
    int32_t matrix[memmap::kKeySlots] = {};
    const int mode = DeviceKeyMode(m_p);
    if (mode != m_p.nCurMode)
        WriteLog("Set Key: nCurMode=%d out of range, key mode 0 written", m_p.nCurMode);
    const bool all = m_nData == kApplyAll;
    if (!all && m_nData >= uint32_t(kKeysPerMode))
        WriteLog("Set Key: no key %u", unsigned(m_nData));
    const int first = all ? 0 : int(std::min<uint32_t>(m_nData, kKeysPerMode));
    const int last = all ? kKeysPerMode - 1 : first;
    int written = -1; // the matrix slot of the one key of a single-key request
    for (int i = first; i <= last && i < kKeysPerMode; ++i) {
        const KeyInfo& key = m_p.Key[mode][i];
        if (!HasDeviceSlot(key))
            continue;
        const int k = key.nMatrixIndex - 1;
        written = k;
        const int32_t code = keyinfo_to_hardware_code(key);
        matrix[k] = code;
        if (!KeyData(i, key, k, code, matrix[k]))
            return false;
    }

    if (g_opt.ProSwKeyIndex >= 1 && g_opt.ProSwKeyIndex <= memmap::kKeySlots)
        matrix[g_opt.ProSwKeyIndex - 1] = kCodeProfileSwitch;
    else if (g_opt.ProSwKeyIndex != 0)
        WriteLog("Set Key: ProSwKeyIndex=%d is not a key slot", g_opt.ProSwKeyIndex);
    WriteLog("Matrix--------------------");
    for (int k = 0; k < memmap::kKeySlots; ++k)
        WriteLog("Matrix[%d] = 0x%08x", k, unsigned(matrix[k]));

    if (all) {
        uint8_t bytes[memmap::kKeySlots * memmap::kEntryBytes];
        for (int k = 0; k < memmap::kKeySlots; ++k) {
            const auto entry = memmap::EncodeMatrixEntry(matrix[k]);
            std::memcpy(bytes + memmap::kEntryBytes * size_t(k), entry.data(), entry.size());
        }
        return Passed(Write(memmap::kAddrKeyMatrix, bytes, sizeof bytes, kTableChunk));
    }
    if (written < 0)
        return true;
    return Passed(
        Write(memmap::KeyMatrixAddr(written), memmap::EncodeMatrixEntry(matrix[written])));
}

// The macro block or the combination data of one key.
bool Writer::KeyData(int position, const KeyInfo& key, int k, int32_t code, int32_t& matrixEntry) {
    bool ok = true;
    if ((uint32_t(code) & 0xFF) == kHwMacro) {
        // The macro may have left the library since its code was made.
        StMacro macro;
        if (!CopyMacroById(key.dwMacroID, macro))
            return true;
        uint8_t events[memmap::kMacroBlockBytes] = {};
        const size_t n = StMacro_To_HdMacro(&macro, events);
        uint8_t block[memmap::kMacroBlockBytes];
        const size_t length = memmap::BuildMacroBlock(MacroName(macro), events, n, block);
        WriteLog("macro data(key=%d, MatrixInx=%d):", position, k);
        LogHex(block, length, 32, nullptr);
        // The macro sits in the block of the key's own slot; the code says which.
        matrixEntry = int32_t(uint32_t(k) << 8 | uint32_t(code));
        ok = Write(memmap::MacroBlockAddr(k), block, length);
    } else if ((uint32_t(code) & 0xFF) == kHwCombo) {
        uint8_t data[kComboDataMax + 1] = {};
        const size_t n = ComboToDevice(key, data);
        data[n] = memmap::BlockCheck(data, n);
        WriteLog("key data(key=%d, MatrixInx=%d):", position, k);
        LogHex(data, n + 1, 32, nullptr);
        ok = Write(memmap::ComboDataAddr(k), data, n + 1);
    } else {
        return true;
    }
    if (ok)
        platform::SleepMs(kDeviceGapMs);
    return Passed(ok);
}

bool Writer::DpiEntries() {
    WriteLog("Set DPI --------");
    platform::SleepMs(kDeviceGapMs);
    if (m_nData == kApplyAll) {
        const int levels = SensorLevels();
        if (levels == 0)
            return true;
        std::vector<uint8_t> bytes, xs, ys;
        for (int i = 0; i < levels; ++i) {
            const auto entry = memmap::EncodeDpiEntry(m_sensor.id, m_p.DpiLevel[i]);
            bytes.insert(bytes.end(), entry.begin(), entry.end());
            xs.push_back(entry[0]);
            ys.push_back(entry[1]);
        }
        LogHex(xs.data(), xs.size(), 0, "DpiX=");
        LogHex(ys.data(), ys.size(), 0, "DpiY=");
        return Passed(Write(memmap::kAddrDpiLevels, bytes.data(), bytes.size(), kTableChunk));
    }
    if (m_nData >= uint32_t(kDpiLevels)) {
        WriteLog("Set DPI: no level %u", unsigned(m_nData));
        return true;
    }
    const int i = int(m_nData);
    return Passed(
        Write(memmap::DpiLevelAddr(i), memmap::EncodeDpiEntry(m_sensor.id, m_p.DpiLevel[i])));
}

bool Writer::DpiCount() {
    const int n = memmap::CountEnabledDpiLevels(m_p, SensorLevels());
    return Passed(Write(memmap::kAddrDpiCount, memmap::EncodeSetting(uint8_t(n))));
}

bool Writer::DpiColours() {
    WriteLog("Set DPI Color --------");
    platform::SleepMs(kDeviceGapMs);
    if (m_nData == kApplyAll) {
        const int levels = SensorLevels();
        if (levels == 0)
            return true;
        std::vector<uint8_t> bytes;
        for (int i = 0; i < levels; ++i) {
            const auto entry = memmap::EncodeColourEntry(m_p.DpiLevel[i].crColor);
            bytes.insert(bytes.end(), entry.begin(), entry.end());
        }
        return Passed(Write(memmap::kAddrDpiColours, bytes.data(), bytes.size(), kTableChunk));
    }
    if (m_nData >= uint32_t(kDpiLevels)) {
        WriteLog("Set DPI Color: no level %u", unsigned(m_nData));
        return true;
    }
    const int i = int(m_nData);
    return Passed(
        Write(memmap::DpiColourAddr(i), memmap::EncodeColourEntry(m_p.DpiLevel[i].crColor)));
}

bool Writer::Lights() {
    WriteLog("Set LED, inx=0x%x --------", unsigned(m_nData));
    if ((m_nData & LED_MAIN) && g_opt.ShowMainEffect != 0 && !MainLight())
        return false;
    if ((m_nData & LED_LOGO) && g_opt.ShowLogoEffect != 0 && !LogoLight())
        return false;
    if ((m_nData & LED_DPI) && g_opt.ShowDpiEffect != 0 && !DpiLight())
        return false;
    return true;
}

bool Writer::MainLight() {
    platform::SleepMs(kDeviceGapMs);
    const int32_t mode = m_p.MainLight.nMode;
    if (mode == 0 || mode == 4) {
        // Switching off keeps the colour the device holds.
        uint8_t block[memmap::kMainLightBytes] = {};
        if (!m_d.ReadEEPROM(memmap::kAddrMainLight, block, int(memmap::kMainLightBytes)))
            return Passed(false);
        memmap::SwitchMainLightOff(block);
        return Passed(Write(memmap::kAddrMainLight, block, sizeof block));
    }
    return Passed(Write(memmap::kAddrMainLight, memmap::EncodeMainLight(m_p.MainLight)));
}

bool Writer::LogoLight() {
    platform::SleepMs(kDeviceGapMs);
    const LightRecord& logo = m_p.LogoLight;
    if (logo.nMode == 0)
        return Passed(Write(memmap::kAddrLogoModeBright, memmap::EncodeSetting(0)));
    uint8_t bytes[8];
    const auto colour = memmap::EncodeColourEntry(logo.crColor);
    const auto mode = memmap::EncodeSetting(uint8_t(logo.nMode));
    const auto bright =
        memmap::EncodeSetting(memmap::LevelToByte(memmap::kBrightBytes, logo.nBright));
    std::memcpy(bytes, colour.data(), 4);
    std::memcpy(bytes + 4, mode.data(), 2);
    std::memcpy(bytes + 6, bright.data(), 2);
    if (!Passed(Write(memmap::kAddrLogoColour, bytes, sizeof bytes)))
        return false;
    // Only the moving effects have a speed.
    if (logo.nMode == 2 || logo.nMode == 3) {
        platform::SleepMs(kDeviceGapMs);
        return Passed(Write(memmap::kAddrLogoSpeed, memmap::EncodeSetting(uint8_t(logo.nSpeed))));
    }
    return true;
}

bool Writer::DpiLight() {
    platform::SleepMs(kDeviceGapMs);
    const DpiLightRecord& light = m_p.DpiLight;
    if (light.nMode == 0)
        return Passed(Write(memmap::kAddrDpiLight, memmap::EncodeSetting(0)));
    uint8_t bytes[6];
    const auto mode = memmap::EncodeSetting(uint8_t(light.nMode));
    const auto bright =
        memmap::EncodeSetting(memmap::LevelToByte(memmap::kBrightBytes, light.nBright));
    const auto speed = memmap::EncodeSetting(uint8_t(light.nSpeed));
    std::memcpy(bytes, mode.data(), 2);
    std::memcpy(bytes + 2, bright.data(), 2);
    std::memcpy(bytes + 4, speed.data(), 2);
    return Passed(Write(memmap::kAddrDpiLight, bytes, sizeof bytes));
}

bool Writer::Rate() {
    platform::SleepMs(kDeviceGapMs);
    // The rate of the mode whose keys the mouse gets; the configuration read
    // fills the same entry.
    const uint32_t rate = m_p.dwReportRate[DeviceKeyMode(m_p)];
    const uint8_t code = memmap::ReportRateToCode(rate);
    if (code == 0) {
        WriteLog("Set report rate: 0x%x is not a report rate", unsigned(rate));
        return Passed(false);
    }
    return Passed(Write(memmap::kAddrReportRate, memmap::EncodeSetting(code)));
}

bool Writer::Lod() {
    platform::SleepMs(kDeviceGapMs);
    if (m_p.nLOD != 1 && m_p.nLOD != 2) {
        WriteLog("SetLOD: wrong lod value");
        return Passed(false);
    }
    WriteLog("SetLOD = %d", m_p.nLOD);
    return Passed(Write(memmap::kAddrLod, memmap::EncodeSetting(uint8_t(m_p.nLOD))));
}

} // namespace

int ApplyProfile(EventPoster* progressWnd, CUSBDriver* driver, const ProfileRecord* profile,
                 uint32_t nMsg, uint32_t nFlag, uint32_t nData, platform::SystemMouse* mouse) {
    if (!driver || !profile || profile->dwProfileID == 0)
        return 0;
    if (!driver->CommandHandle() && g_opt.GoWithNoDev == 0)
        return 0;
    // Every request, whoever posts it, passes here: values the mouse cannot
    // take are replaced before the first write, and a request that would
    // still carry one is refused before it writes anything, so the device is
    // never left half-written by a value that could be checked first.
    // The window thread may switch the sensor meanwhile; this request checks
    // and encodes for the sensor that was active when it started.
    const ActiveSensor sensor = ActiveSensorNow();
    ProfileRecord safe = *profile;
    const DeviceSanitizeResult checked = SanitizeProfileForDevice(safe, sensor);
    if ((checked.nUnfixable & nFlag) != 0 && g_opt.GoWithNoDev == 0) {
        WriteLog("ApplyProfile: nFlag=0x%x refused, groups 0x%x hold values the mouse cannot take",
                 unsigned(nFlag), unsigned(checked.nUnfixable & nFlag));
        return 0;
    }
    Writer writer(progressWnd, *driver, safe, sensor, nMsg, nFlag, nData,
                  mouse ? *mouse : platform::OsSystemMouse());
    return writer.Run();
}
