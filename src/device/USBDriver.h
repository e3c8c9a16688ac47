#pragma once
// CUSBDriver: the program's one path to the receiver. It finds the receiver's
// command and notification interfaces through the HID access library, runs the
// notification reader, sends commands with retries and matches the answers
// to them, and reads and writes device memory in pieces of at most 10 bytes.
//
// All state of the link (the main window to post events to, the handles, the
// answer queue m_listRet and its lock, the reader's stop flag, the number of
// tries m_nRetry) lives in this object, so a new driver starts from a clean
// state.

#include "device/DeviceEvents.h"
#include "device/HidLibrary.h"
#include "device/LinkPresence.h"
#include "device/ReadFailures.h"
#include "device/ReportFrame.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Bytes 1..16 of one answer report: byte 0 the answered command code, byte 1
// the result code (0 success), bytes 5..14 the answer data.
class CRetParam {
public:
    CRetParam() = default;
    explicit CRetParam(const uint8_t* bytes); // 16 bytes
    virtual ~CRetParam() = default;

    uint8_t Command() const { return m_bData[0]; }
    uint8_t Result() const { return m_bData[1]; }
    const uint8_t* Data() const { return m_bData + 5; }

    uint8_t m_bData[device::kRecordSize] = {};
};

class CUSBDriver {
public:
    // How WaitNotify looks for its answer: Polling looks every 20 ms; Signalled
    // wakes as soon as the reader queues an answer. Both keep the same pause
    // before the first look and the same overall time-out.
    enum class WaitMode { Polling, Signalled };
    // ReadROM's stop test, given the piece just read.
    using StopTest = std::function<bool(const uint8_t* piece, int length)>;

    // `mainWnd` may be null (events are then dropped) or be given to InitDriver.
    explicit CUSBDriver(std::unique_ptr<HidLibrary> library, EventPoster* mainWnd = nullptr);
    virtual ~CUSBDriver();
    CUSBDriver(const CUSBDriver&) = delete;
    CUSBDriver& operator=(const CUSBDriver&) = delete;

    bool InitDriver(EventPoster* mainWnd = nullptr);
    // Finds the receiver and starts the notification reader. Which sensor
    // the mouse carries is for the caller to decide (ReleaseNumber).
    bool OpenDevice();
    bool FindDev();
    // The receiver's release number (bcdDevice); false when it cannot be read.
    bool ReleaseNumber(uint16_t& release);

    bool SendCommand(const device::CommandRecord& record, HidHandle hDev);
    // 1 with the answer to `nCmdID` in `answer`, -1 on time-out.
    int WaitNotify(uint8_t nCmdID, CRetParam& answer);

    bool SendCMD(uint8_t nCmdID, uint8_t bData);
    bool TellDrvStatus(uint8_t status);
    // The device state (1 ready); 0 when the first report cannot be sent, -1
    // when no good answer arrived.
    int GetDevState();
    // Whether the open pair still reaches the receiver: command 3 not sent,
    // sent without an answer, or answered (`*state` then holds the state the
    // receiver reported, whatever it is).
    device::LinkProbe ProbeLink(uint8_t* state = nullptr);
    // The battery level with *pbOk 1, or 1 with *pbOk 0 on failure.
    int GetPowerLevel(int* pbOk);
    bool ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount);
    bool WriteEEPROM(int nLen, uint32_t nAddr, const uint8_t* pData, int nChunk = 10);
    bool ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr, int nLen);

    // Stops the notification reader and waits for it to end.
    void StopNotify();

    // The reader's handling of one 17-byte report: events become messages,
    // answers join the queue.
    void OnNotifyReport(const uint8_t* report);

    void SetWaitMode(WaitMode mode) { m_waitMode = mode; }
    WaitMode GetWaitMode() const { return m_waitMode; }
    void SetRetry(int nRetry) { m_nRetry = nRetry; }
    int Retry() const { return m_nRetry; }

    // The account of the last search for the receiver (FindDev), as the log
    // has it: each pattern looked for, then the library's lines.
    std::vector<std::string> SearchAccount() const;

    // An exchange that failed for good: every try was made, or a report could
    // not be sent.
    struct FailedExchange {
        uint8_t command = 0;
        uint32_t address = 0;  // commands 7 and 8
        uint8_t length = 0;    // data bytes asked for or written
        bool sent = false;     // false: the report could not be sent
        uint32_t error = 0;    // the library's reason, when not sent
        bool answered = false; // an answer came, with result code `result`
        uint8_t result = 0;
        bool skipped = false; // not sent: the receiver had stopped answering
    };
    // The first exchange that failed since the receiver was opened; none when
    // all went well.
    std::optional<FailedExchange> FirstFailure() const;
    // For a caller that must not wait long (the command line): once an
    // exchange got no answer at all, later ones fail at once without sending,
    // instead of each waiting for its own time-out. Off by default: the
    // program keeps trying, as a write goes on after a chunk that was lost.
    void SetGiveUpWhenSilent(bool on) { m_bGiveUpWhenSilent = on; }

    // The handle commands go to: the primary one, else the secondary one.
    HidHandle CommandHandle() const;
    // Counts the pairs OpenDevice has opened; WM_DEVICE_LOST carries the one
    // it is about, so a late report for a pair replaced since can be told.
    uint32_t PairGeneration() const { return m_nPairGeneration; }
    bool ReaderRunning() const { return m_threadNotify.joinable(); }
    size_t QueuedAnswers() const;

private:
    HidHandle NotifyHandle() const;
    void ClearHandle();
    void ClearHandle2();
    void CloseHandle(HidHandle& handle);
    HidHandle OpenCommandInterface(const std::u16string& pattern);
    HidHandle OpenNotifyInterface(const std::u16string& pattern);
    void LogSearchReport();
    void LogLookingFor(const std::u16string& pattern);
    void ReportLinkLost(const char* where, uint32_t error, const char* why);
    void OnReadFailure(uint32_t error, device::ReadFailureWatch& watch);

    void StartReader(HidHandle hNotify);
    void StopReader();
    void NotifyThread(HidHandle hNotify);

    void EmptyAnswers();
    bool PopAnswer(CRetParam& answer);
    int WaitPolling(uint8_t nCmdID, CRetParam& answer);
    int WaitSignalled(uint8_t nCmdID, CRetParam& answer);
    void LogTimeOut(uint8_t nCmdID);

    // One try after another, up to `tries`: 1 a good answer, 0 none, -1 a
    // report could not be sent (`*failedTry` then says which try).
    int Exchange(const device::CommandRecord& record, int tries, const char* failedLine,
                 bool logTries, CRetParam& answer, int* failedTry = nullptr);
    void NoteFailure(const device::CommandRecord& record, FailedExchange failure);

    std::unique_ptr<HidLibrary> m_lib;
    bool m_bLoaded = false;
    HidHandle m_hCmd = nullptr;
    HidHandle m_hCmd2 = nullptr;
    // Held for the whole of every exchange; always taken before m_mtxNotify.
    mutable std::recursive_mutex m_mtxCmd;

    std::atomic<EventPoster*> m_pMainWnd;
    HidHandle m_hNotify = nullptr;
    HidHandle m_hNotify2 = nullptr;

    std::thread m_threadNotify;
    HidHandle m_hReading = nullptr; // the handle the reader reads
    std::atomic<bool> m_bStopNotify{false};
    std::mutex m_mtxReader; // guards m_bReaderDone and m_bReaderReading
    std::condition_variable m_cvReader;
    bool m_bReaderDone = true;
    bool m_bReaderReading = false; // the reader has come to its first read

    // Held by WaitNotify.
    std::recursive_mutex m_mtxNotify;
    // The answer queue: the reader appends, the waiting thread empties or pops.
    mutable std::mutex m_mtxListRet;
    std::condition_variable m_cvListRet;
    std::deque<CRetParam> m_listRet;

    std::atomic<int> m_nRetry;
    std::atomic<WaitMode> m_waitMode{WaitMode::Signalled};

    // The library's reason for the last report SendCommand could not send,
    // taken where SetFeature failed (a log write in between would replace it).
    // Guarded by m_mtxCmd.
    uint32_t m_nSendError = 0;
    // What the last FindDev looked at. Guarded by m_mtxCmd.
    std::vector<std::string> m_searchAccount;
    // The first exchange that failed since OpenDevice, and whether the
    // receiver has gone silent. Guarded by m_mtxCmd.
    std::optional<FailedExchange> m_firstFailure;
    bool m_bSilent = false;
    std::atomic<bool> m_bGiveUpWhenSilent{false};
    // Set once the window was asked to reopen for this open pair; a foreign
    // report has been logged for it.
    std::atomic<bool> m_bLostReported{false};
    std::atomic<bool> m_bForeignLogged{false};
    std::atomic<uint32_t> m_nPairGeneration{0};
};
