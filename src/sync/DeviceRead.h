#pragma once
// The configuration read: the device's memory decoded into a profile record
// (normally profile 0, the device's mirror), with the macros found on the
// device merged into the macro library on the way.
//
// ReadDevCfg runs on a worker (ReadCurCfgThread), one at a time under
// g_mtxCfgRead, or directly on the window thread. A worker that arrives while
// another reads asks it to give up (m_bAbortCfgRead) and then reads afresh.

#include "device/DeviceEvents.h"
#include "device/USBDriver.h"
#include "model/ProfileRecord.h"
#include "store/MacroTree.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// Posted to the main window when profile 0 was read and is the current profile.
constexpr uint32_t WM_SYNC_OK = 1079;

// What a read needs from the main window, which owns it for its whole life.
struct CfgReadCtx {
    CUSBDriver* pDriver = nullptr;
    EventPoster* pMainWnd = nullptr; // WM_SYNC_OK goes here; may be null
    // The tree device macros are merged into; null: the library's tree as
    // the disk holds it, read afresh by each read (the program's case).
    MacroTree* pMacroTree = nullptr;
    // Set by a worker that waits for g_mtxCfgRead; the running read gives up
    // at its next check.
    std::atomic<bool> m_bAbortCfgRead{false};
};

// One worker read at a time.
extern std::recursive_mutex g_mtxCfgRead;
// 1 while no worker read runs.
extern std::atomic<int> g_bCfgReadDone;
// Reasons to read profile 0 again; 0 after a successful read.
extern std::atomic<int> g_nResync;
// The DPI level the device uses now; -1 when unknown.
extern std::atomic<int> g_nCurDpiLevel;

// Back to the values at start (tests).
void ResetCfgReadState();

// Where the read takes device memory from: the device link, or a plain memory
// image (fuzzing, tests). Pauses are the source's too, so an image costs none.
class DevMemorySource {
public:
    using StopTest = CUSBDriver::StopTest;
    virtual ~DevMemorySource() = default;
    virtual bool ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount) = 0;
    virtual bool ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr, int nLen) = 0;
    virtual void Pause(uint32_t ms) = 0;
};

// The device link with the read's prescribed pauses.
class DriverMemorySource : public DevMemorySource {
public:
    explicit DriverMemorySource(CUSBDriver& driver) : m_driver(driver) {}
    bool ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount) override;
    bool ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr, int nLen) override;
    void Pause(uint32_t ms) override;

private:
    CUSBDriver& m_driver;
};

// A memory image read the way ReadROM reads (pieces of at most 10 bytes, the
// stop test after each), without pauses. Reads past the image fail.
class ImageMemorySource : public DevMemorySource {
public:
    explicit ImageMemorySource(std::vector<uint8_t> image) : m_image(std::move(image)) {}
    bool ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount) override;
    bool ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr, int nLen) override;
    void Pause(uint32_t) override {}

private:
    std::vector<uint8_t> m_image;
};

// Stop tests of the name and event reads.
bool MacroNameStopTest(const uint8_t* piece, int length);
bool MacroEventStopTest(const uint8_t* piece, int length);

// Reads the device into `profile`: 1 on success, 0 on failure or when told
// to abort (the record may then be partly written).
int ReadDevCfg(ProfileRecord& profile, CfgReadCtx& ctx, CUSBDriver& driver);
int ReadDevCfg(ProfileRecord& profile, CfgReadCtx& ctx, DevMemorySource& source);

// The worker: reads profile 0 through a scratch copy and posts WM_SYNC_OK.
void ReadCurCfgThread(CfgReadCtx* ctx);
