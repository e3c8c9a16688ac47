#include "sync/DeviceRead.h"

#include "model/DevMacroNames.h"
#include "model/KeyCodes.h"
#include "model/MacroEncoding.h"
#include "model/MemoryMap.h"
#include "model/SensorCatalogue.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "store/ProfileDefaults.h"
#include "store/ProfileStore.h"

#include <algorithm>
#include <cstring>
#include <memory>

std::recursive_mutex g_mtxCfgRead;
std::atomic<int> g_bCfgReadDone{1};
std::atomic<int> g_nResync{1};
std::atomic<int> g_nCurDpiLevel{-1};

void ResetCfgReadState() {
    g_bCfgReadDone = 1;
    g_nResync = 1;
    g_nCurDpiLevel = -1;
}

using settings::g_opt;
using settings::LogHex;
using settings::WriteLog;

namespace {

constexpr size_t kBasicBufferBytes = 512;
constexpr int kBasicBytes = 160; // 0x00..0x9F in 16 reads of 10
constexpr int kBasicReadBytes = 10;
constexpr size_t kComboBufferBytes = memmap::kKeySlots * memmap::kComboSlotBytes;
constexpr int kComboReadPiece = 10; // a slot's first 20 bytes in two reads
constexpr size_t kNameEntryBytes = memmap::kMacroNameBytes + 1;
// A macro's event part: from the count byte at offset 31 to the block's end.
constexpr uint32_t kMacroEventsAddr = memmap::kAddrMacroBlocks + memmap::kMacroCountOffset;
constexpr int kMacroEventsBytes = int(memmap::kMacroBlockBytes - memmap::kMacroCountOffset);
static_assert(kMacroEventsAddr == 0x31F && kMacroEventsBytes == 353);

// Pauses that let the device keep up.
constexpr uint32_t kBasicReadGapMs = 10;
constexpr uint32_t kAfterBasicMs = 20;
constexpr uint32_t kBeforeNameMs = 10;
constexpr uint32_t kBeforeMacroMs = 15;

// Repeat byte of a macro key code.
constexpr uint8_t kRepeatUntilReleased = 0xFF; // repeat mode 1
constexpr uint8_t kRepeatToggle = 0xFE;        // repeat mode 2

// What to do after a read: go on, or give up (a failed read without
// GoWithNoDev, or an abort request).
bool GiveUp(bool readOk, const CfgReadCtx& ctx) {
    if (!readOk && g_opt.GoWithNoDev == 0)
        return true;
    return ctx.m_bAbortCfgRead.load();
}

bool SameSteps(const StMacro& a, const StMacro& b) {
    for (int i = 0; i < kMacroStepSlots; ++i) {
        const MacroStep& x = a.Steps[i];
        const MacroStep& y = b.Steps[i];
        if (x.wVk != y.wVk || x.wPress != y.wPress || x.dwDelay != y.dwDelay)
            return false;
        if (IsEndStep(x))
            return true;
    }
    return true;
}

bool SameMacro(const StMacro& library, const StMacro& device) {
    return MacroName(library) == MacroName(device) && library.nRepeatMode == device.nRepeatMode &&
           library.wRepeatCount == device.wRepeatCount && SameSteps(library, device);
}

// Brings the macro found on the device into the library: a library macro of
// the same name gets the device's content when it differs; a new or unnamed
// one is added.
void MergeDeviceMacro(StMacro& device, MacroTree* tree) {
    const std::u16string name = MacroName(device);
    if (!name.empty()) {
        bool found = false;
        bool same = false;
        {
            auto lock = g_MacroList.Lock();
            if (const StMacro* m = FindMacroByName(name)) {
                found = true;
                same = SameMacro(*m, device);
            }
        }
        if (found) {
            if (same)
                return;
            // Marked as changed, so the library file follows the new content.
            device.dwFlags = kMacroStepsChanged | kMacroSettingsChanged;
            if (!ReplaceMacro(tree, device))
                WriteLog("ReplaceMacro failed for the device macro \"%s\"",
                         settings::LogText(name).c_str());
            return;
        }
    }
    if (!Add_Macro(device, tree))
        WriteLog("add macro to list faile..");
}

void ReadDpiLevels(ProfileRecord& p, const uint8_t* basic, const ActiveSensor& sensor) {
    for (DpiLevelRecord& level : p.DpiLevel)
        level.bDisabled = 1;
    const int n = memmap::DecodeDpiLevelCount(basic[memmap::kAddrDpiCount]);
    bool bWrongDpi = false;
    for (int i = 0; i < n; ++i) {
        const int entry = memmap::DpiLevelAddr(i);
        DpiLevelRecord& level = p.DpiLevel[i];
        level.crColor = memmap::DecodeColourEntry(basic + memmap::DpiColourAddr(i));
        level.bDisabled = 0;
        memmap::DecodeDpiEntry(sensor, basic + entry, level);
        if (level.nDpiX == 0) {
            WriteLog("wrong dpi(%x): Data[%d]=0x%x, Data[%d]=0x%x",
                     unsigned(sensor.cfg ? sensor.cfg->nSensor : 0), entry, basic[entry], entry + 2,
                     basic[entry + 2]);
            bWrongDpi = true;
        }
    }
    if (bWrongDpi)
        platform::ShowMessageBox(u"Get wrong dpi from device", u"Warning");
}

// The library tree the device's macros are merged into: the caller's, else
// the one on disk, read at the first macro of this read. A read never touches
// a window; the macro page reads its own tree again when the library changed.
class MergeTree {
public:
    explicit MergeTree(MacroTree* given) : m_given(given) {}
    MacroTree* Get() {
        if (m_given)
            return m_given;
        if (!m_own) {
            m_own = std::make_unique<HeadlessMacroTree>();
            LoadListedMacroTree(*m_own, g_opt.MacroDir);
        }
        return m_own.get();
    }

private:
    MacroTree* m_given;
    std::unique_ptr<HeadlessMacroTree> m_own;
};

// Step 10's macro part: the macro of matrix slot `slot` read, named and merged.
bool ReadDeviceMacro(DevMemorySource& src, CfgReadCtx& ctx, MergeTree& tree, int slot,
                     uint32_t code, const uint8_t names[][kNameEntryBytes]) {
    uint8_t events[memmap::kMacroBlockBytes] = {};
    src.Pause(kBeforeMacroMs);
    const bool ok = src.ReadROM(MacroEventStopTest, events,
                                kMacroEventsAddr + uint32_t(memmap::kMacroBlockBytes * slot),
                                kMacroEventsBytes);
    if (GiveUp(ok, ctx))
        return false;
    StMacro m;
    HdMacro_To_StMacro(m, events, size_t(kMacroEventsBytes));
    m.dwID = MakeProfileId();
    text::CopyToField(m.szName, kMacroNameChars, memmap::MacroBlockName(names[slot]));
    m.wRepeatCount = 1;
    const uint8_t repeat = uint8_t(code >> 16);
    if (repeat == kRepeatToggle) {
        m.nRepeatMode = 2;
    } else if (repeat == kRepeatUntilReleased) {
        m.nRepeatMode = 1;
    } else {
        m.nRepeatMode = 0;
        m.wRepeatCount = repeat;
    }
    MergeDeviceMacro(m, tree.Get());
    return true;
}

} // namespace

bool MacroNameStopTest(const uint8_t* piece, int length) {
    if (length < 2)
        return false;
    return (piece[0] == 0x00 && piece[1] == 0x00) || (piece[0] == 0xFF && piece[1] == 0xFF);
}

bool MacroEventStopTest(const uint8_t* piece, int length) {
    return length >= 3 && piece[0] == 0 && piece[1] == 0 && piece[2] == 0;
}

bool DriverMemorySource::ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount) {
    return m_driver.ReadEEPROM(nAddr, pDest, nCount);
}

bool DriverMemorySource::ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr,
                                 int nLen) {
    return m_driver.ReadROM(stopTest, pDest, nAddr, nLen);
}

void DriverMemorySource::Pause(uint32_t ms) {
    platform::SleepMs(ms);
}

bool ImageMemorySource::ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount) {
    if (nCount < 1 || nCount > int(device::kMaxData) || nAddr + uint32_t(nCount) > m_image.size())
        return false;
    std::memcpy(pDest, m_image.data() + nAddr, size_t(nCount));
    return true;
}

bool ImageMemorySource::ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr,
                                int nLen) {
    while (nLen > 0) {
        const int n = std::min(nLen, int(device::kMaxData));
        if (!ReadEEPROM(nAddr, pDest, n))
            return false;
        if (stopTest && stopTest(pDest, n))
            return true;
        pDest += n;
        nAddr += uint32_t(n);
        nLen -= n;
    }
    return true;
}

int ReadDevCfg(ProfileRecord& p, CfgReadCtx& ctx, CUSBDriver& driver) {
    DriverMemorySource source(driver);
    return ReadDevCfg(p, ctx, source);
}

int ReadDevCfg(ProfileRecord& p, CfgReadCtx& ctx, DevMemorySource& src) {
    // Working storage is the caller's stack: a read on the window thread and
    // one on a worker never share buffers.
    uint8_t basic[kBasicBufferBytes] = {};
    uint8_t combo[kComboBufferBytes] = {};
    uint8_t names[memmap::kKeySlots][kNameEntryBytes] = {};
    // The window thread may switch the sensor meanwhile; this read decodes
    // for the sensor that was active when it started.
    const ActiveSensor sensor = ActiveSensorNow();

    // 1, 2: addresses 0x00..0x9F.
    for (int addr = 0; addr < kBasicBytes; addr += kBasicReadBytes) {
        const bool ok = src.ReadEEPROM(uint32_t(addr), basic + addr, kBasicReadBytes);
        src.Pause(kBasicReadGapMs);
        if (GiveUp(ok, ctx))
            return 0;
    }
    WriteLog("GetProfile (0x00~0x5F):");
    LogHex(basic, memmap::kAddrKeyMatrix, 10, nullptr);
    WriteLog("GetProfile (0x60~0x9F) (KeyMatrix):");
    LogHex(basic + memmap::kAddrKeyMatrix, memmap::kAddrMainLight - memmap::kAddrKeyMatrix, 4,
           nullptr);
    src.Pause(kAfterBasicMs);

    // 3, 4: the first 20 bytes of every combination slot.
    for (int k = 0; k < memmap::kKeySlots; ++k) {
        uint8_t* slot = combo + memmap::kComboSlotBytes * size_t(k);
        const uint32_t addr = memmap::ComboDataAddr(k);
        for (int piece = 0; piece < int(memmap::kComboReadBytes); piece += kComboReadPiece) {
            const bool ok = src.ReadEEPROM(addr + uint32_t(piece), slot + piece, kComboReadPiece);
            if (GiveUp(ok, ctx))
                return 0;
        }
    }
    WriteLog("GetComboKeyData (0x100~0x%x):", unsigned(memmap::kAddrMacroBlocks));
    LogHex(combo, sizeof combo, int(memmap::kComboSlotBytes), nullptr);

    // 5, 6: the names of the 16 macro blocks.
    ClearDevMacroNames();
    for (int k = 0; k < memmap::kKeySlots; ++k) {
        src.Pause(kBeforeNameMs);
        const bool ok = src.ReadROM(MacroNameStopTest, names[k],
                                    memmap::MacroBlockAddr(k) + uint32_t(memmap::kMacroNameOffset),
                                    int(memmap::kMacroNameBytes));
        SetDevMacroName(k, names[k], memmap::kMacroNameBytes);
        if (GiveUp(ok, ctx))
            return 0;
    }
    WriteLog("GetMacroName:");
    LogHex(&names[0][0], sizeof names, int(kNameEntryBytes), nullptr);

    // 7: the report rate; a code outside the table fails the read whatever
    // GoWithNoDev says.
    uint32_t rate = 0;
    if (!memmap::CodeToReportRate(basic[memmap::kAddrReportRate], rate)) {
        WriteLog("ReadDevCfg: report rate code 0x%x not known", basic[memmap::kAddrReportRate]);
        return 0;
    }
    // The mouse holds the keys and rate of the profile's current mode.
    const int mode = DeviceKeyMode(p);
    p.dwReportRate[mode] = rate;

    // 8: current DPI level and lift-off distance.
    WriteLog("set g_nCurDpiLevel=%d", g_nCurDpiLevel.load());
    const uint8_t curLevel = basic[memmap::kAddrCurDpiLevel];
    if (curLevel < kDpiLevels) {
        g_nCurDpiLevel = curLevel;
    } else {
        // Pages index their level tables with it.
        WriteLog("DPI level %d from the device is out of range, -1 taken", curLevel);
        g_nCurDpiLevel = -1;
    }
    if (sensor.cfg && sensor.cfg->bShowLOD) {
        const uint8_t lod = basic[memmap::kAddrLod];
        WriteLog("LOD=%d", lod);
        if (lod == 1 || lod == 2)
            p.nLOD = lod;
        else
            WriteLog("LOD %d from the device is not 1 or 2, %d kept", lod, p.nLOD);
    }

    // 9: DPI levels.
    ReadDpiLevels(p, basic, sensor);

    // 10: keys of that mode, macros merged on the way.
    MergeTree tree(ctx.pMacroTree);
    for (int i = 0; i < kKeysPerMode; ++i) {
        if (g_opt.KeyMask & (1 << i))
            continue;
        KeyInfo& key = p.Key[mode][i];
        if (!HasDeviceSlot(key))
            continue;
        const int m = key.nMatrixIndex;
        const uint8_t* entry = basic + memmap::KeyMatrixAddr(m - 1);
        uint32_t nCode = 0;
        std::memcpy(&nCode, entry, sizeof nCode);
        WriteLog("nCode = 0x%x, MatrixInx=%d", unsigned(nCode), m);
        const uint32_t code = nCode & 0xFFFFFF;
        if ((code & 0xFF) == 6 && !ReadDeviceMacro(src, ctx, tree, m - 1, code, names))
            return 0;
        HardwareCode_To_KeyInfo(code, combo + memmap::kComboSlotBytes * size_t(m - 1),
                                memmap::kComboReadBytes, key);
        WriteLog("keyinfo: major=0x%x, minor=%d", unsigned(key.dwFunID >> 24),
                 int(key.dwFunID & 0xFFFFFF));
    }

    // 11: DPI light.
    p.DpiLight.nMode = basic[memmap::kAddrDpiLight];
    p.DpiLight.nSpeed = basic[memmap::kAddrDpiLight + 4];
    p.DpiLight.nBright =
        memmap::ByteToLevel(memmap::kBrightBytes, basic[memmap::kAddrDpiLight + 2]);

    // 12: logo light; switched off, only its mode changes.
    memmap::DecodeLogoLight(basic + memmap::kAddrLogoColour, p.LogoLight);

    // 13: main light.
    if (g_opt.ShowMainEffect != 0) {
        if (ctx.m_bAbortCfgRead)
            return 0;
        std::memset(basic, 0, sizeof basic);
        const bool ok =
            src.ReadEEPROM(memmap::kAddrMainLight, basic, int(memmap::kMainLightReadBytes));
        if (GiveUp(ok, ctx))
            return 0;
        memmap::EEPROM_To_MainRGB(basic, p.MainLight);
    }
    return 1;
}

void ReadCurCfgThread(CfgReadCtx* ctx) {
    WriteLog("ReadCurCfgThread Start");
    if (!ctx || !ctx->pDriver || !ctx->pDriver->CommandHandle())
        return;

    // Ask a read still running on another worker to give up, then read afresh.
    ctx->m_bAbortCfgRead = true;
    std::lock_guard lock(g_mtxCfgRead);
    ctx->m_bAbortCfgRead = false;
    g_bCfgReadDone = 0;

    ProfileRecord scratch;
    if (CopyProfileOut(0, scratch)) {
        if (ReadDevCfg(scratch, *ctx, *ctx->pDriver)) {
            ProfileRecord* first = nullptr;
            ProfileRecord* cur = nullptr;
            {
                auto listLock = g_ProfileList.Lock();
                first = g_ProfileList.At(0);
                cur = g_pCurProfile.load();
            }
            WriteLog("Init Pro OK, pFile=%X, pFile2=%X",
                     unsigned(reinterpret_cast<uintptr_t>(first)),
                     unsigned(reinterpret_cast<uintptr_t>(cur)));
            g_nResync = 0;
            CopyProfileIn(0, scratch);
            if (first && first == g_pCurProfile.load() && ctx->pMainWnd &&
                ctx->pMainWnd->IsWindow()) {
                WriteLog("ReadCurCfgThread: post WM_SYNC_OK");
                ctx->pMainWnd->Post(WM_SYNC_OK, 0, 0);
            }
        }
    }

    g_bCfgReadDone = 1;
    WriteLog("ReadCurCfgThread Exit");
}
