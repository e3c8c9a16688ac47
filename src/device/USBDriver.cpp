#include "device/USBDriver.h"

#include "platform/Memory.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using settings::LogHex;
using settings::WriteLog;

namespace {

// Pacing of an exchange.
constexpr uint32_t kFirstLookMs = 10;    // before WaitNotify's first look
constexpr uint32_t kPollMs = 20;         // between looks when polling
constexpr int kMaxPolls = 50;            // looks after the first; 51 sleeps in all
constexpr uint32_t kSendRetryMs = 100;   // after a SetFeature that failed
constexpr int kSendTries = 3;            // SetFeature calls per report
constexpr uint32_t kReadFailMs = 50;     // after a failed read of the notification handle
constexpr uint32_t kPieceGapMs = 5;      // between the pieces of ReadROM
constexpr uint32_t kReopenGapMs = 50;    // after stopping the previous reader
constexpr uint32_t kReaderStartMs = 100; // longest wait for a new reader's first read
// How often a stopping reader's blocked read is cancelled again, should the
// cancel have come before the read started.
constexpr auto kCancelRepeat = std::chrono::milliseconds(5);

// What the program asks the library for.
constexpr uint32_t kCmdUsagePage = 0xFF02, kCmdUsage = 2;
constexpr uint32_t kCmdAccess = 0x12019F, kCmdFlags = 0x40000000;
constexpr uint32_t kNotifyUsagePage = 0xFF01, kNotifyUsage = 0;
constexpr uint32_t kNotifyAccess = 0x120089;

// Both interfaces carry 17-byte reports: the command interface's feature
// reports, the notification interface's input reports.
int AcceptCommandInterface(int, int, int, int featureLength) {
    return featureLength == int(device::kReportSize);
}
int AcceptNotifyInterface(int, int inputLength) {
    return inputLength == int(device::kReportSize);
}

std::u16string PathPattern(uint16_t vid, uint16_t pid) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "VID_%04x&PID_%04x", unsigned(vid), unsigned(pid));
    return text::Widen(buf);
}

unsigned HandleValue(HidHandle h) {
    return unsigned(reinterpret_cast<uintptr_t>(h));
}

unsigned ThreadIdValue() {
    return unsigned(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

} // namespace

CRetParam::CRetParam(const uint8_t* bytes) {
    std::memcpy(m_bData, bytes, sizeof m_bData);
}

CUSBDriver::CUSBDriver(std::unique_ptr<HidLibrary> library, EventPoster* mainWnd)
    : m_lib(std::move(library)), m_pMainWnd(mainWnd), m_nRetry(settings::g_opt.Retry) {}

CUSBDriver::~CUSBDriver() {
    StopReader();
    WriteLog("ClearHandle");
    CloseHandle(m_hCmd);
    CloseHandle(m_hNotify);
    CloseHandle(m_hCmd2);
    CloseHandle(m_hNotify2);
    if (m_bLoaded && m_lib)
        m_lib->Unload();
    m_bLoaded = false;
}

bool CUSBDriver::InitDriver(EventPoster* mainWnd) {
    if (mainWnd)
        m_pMainWnd = mainWnd;
    m_nRetry = settings::g_opt.Retry;
    m_bLoaded = m_lib && m_lib->Load();
    if (!m_bLoaded) {
        WriteLog("load dll failed.");
        return false;
    }
    return true;
}

HidHandle CUSBDriver::CommandHandle() const {
    return m_hCmd ? m_hCmd : m_hCmd2;
}

HidHandle CUSBDriver::NotifyHandle() const {
    return m_hNotify ? m_hNotify : m_hNotify2;
}

void CUSBDriver::CloseHandle(HidHandle& handle) {
    if (handle && m_lib)
        m_lib->Close(handle);
    handle = nullptr;
}

void CUSBDriver::ClearHandle() {
    WriteLog("ClearHandle");
    CloseHandle(m_hCmd);
    CloseHandle(m_hNotify);
}

void CUSBDriver::ClearHandle2() {
    WriteLog("ClearHandle2");
    CloseHandle(m_hCmd2);
    CloseHandle(m_hNotify2);
}

HidHandle CUSBDriver::OpenCommandInterface(const std::u16string& pattern) {
    HidHandle h =
        m_lib->OpenHidDevice(kCmdUsagePage, kCmdUsage, pattern.c_str(), AcceptCommandInterface,
                             nullptr, 0, settings::g_opt.Debug, kCmdAccess, kCmdFlags, 0);
    LogSearchReport();
    return h;
}

HidHandle CUSBDriver::OpenNotifyInterface(const std::u16string& pattern) {
    HidHandle h = m_lib->OpenHidDevice(kNotifyUsagePage, kNotifyUsage, pattern.c_str(), nullptr,
                                       AcceptNotifyInterface, 0, 0, kNotifyAccess, 0, 0);
    LogSearchReport();
    return h;
}

// The library's account of the search just made: every interface it looked
// at and why it passed one over, so a user's log tells why their receiver was
// not taken.
void CUSBDriver::LogSearchReport() {
    const std::string report = text::ToUtf8(m_lib->LastSearchReport());
    size_t start = 0;
    while (start < report.size()) {
        size_t end = report.find('\n', start);
        if (end == std::string::npos)
            end = report.size();
        if (end > start) {
            m_searchAccount.push_back(report.substr(start, end - start));
            WriteLog("FindDev: %s", m_searchAccount.back().c_str());
        }
        start = end + 1;
    }
}

void CUSBDriver::LogLookingFor(const std::u16string& pattern) {
    m_searchAccount.push_back("looking for " + text::ToUtf8(pattern));
    WriteLog("FindDev: looking for %s", text::ToUtf8(pattern).c_str());
}

std::vector<std::string> CUSBDriver::SearchAccount() const {
    std::lock_guard lock(m_mtxCmd);
    return m_searchAccount;
}

std::optional<CUSBDriver::FailedExchange> CUSBDriver::FirstFailure() const {
    std::lock_guard lock(m_mtxCmd);
    return m_firstFailure;
}

// The pair is gone, or no longer delivers reports, while it is still open:
// every exchange would fail until the pair is opened anew, and no removal
// notice need come (a driver reset takes the HID interfaces down, not the USB
// device; a pulled receiver's notice may come seconds later). The window is
// asked once per open pair.
void CUSBDriver::ReportLinkLost(const char* where, uint32_t error, const char* why) {
    if (m_bLostReported.exchange(true))
        return;
    WriteLog("%s: err=0x%x, %s; asking the window to check the link", where, unsigned(error), why);
    EventPoster* wnd = m_pMainWnd;
    if (wnd && wnd->IsWindow())
        wnd->Post(WM_DEVICE_LOST, m_nPairGeneration, 0);
}

bool CUSBDriver::FindDev() {
    std::lock_guard lock(m_mtxCmd);
    // Handles are only ever closed while no reader uses them.
    StopReader();
    if (!m_bLoaded)
        return false;
    const settings::OptSettings& opt = settings::g_opt;

    ClearHandle();
    m_searchAccount.clear();
    if (opt.PID != 0) {
        const std::u16string pattern = PathPattern(opt.VID, opt.PID);
        LogLookingFor(pattern);
        m_hCmd = OpenCommandInterface(pattern);
        m_hNotify = OpenNotifyInterface(pattern);
        WriteLog("m_hCmd=0x%x, g_hNotify=0x%x", HandleValue(m_hCmd), HandleValue(m_hNotify));
        if (m_hCmd && m_hNotify)
            return true;
        ClearHandle();
    }

    ClearHandle2();
    for (uint16_t pid : opt.PID2) {
        if (pid == 0)
            continue;
        const std::u16string pattern = PathPattern(opt.VID, pid);
        LogLookingFor(pattern);
        m_hCmd2 = OpenCommandInterface(pattern);
        m_hNotify2 = OpenNotifyInterface(pattern);
        if (m_hCmd2 && m_hNotify2)
            break;
        CloseHandle(m_hCmd2);
        CloseHandle(m_hNotify2);
    }
    WriteLog("m_hCmd2=0x%x, g_hNotify2=0x%x", HandleValue(m_hCmd2), HandleValue(m_hNotify2));
    if (m_hCmd2 && m_hNotify2)
        return true;
    ClearHandle2();
    return false;
}

bool CUSBDriver::OpenDevice() {
    // Exchanges of other threads see either the old pair or the new one.
    std::lock_guard lock(m_mtxCmd);
    if (ReaderRunning()) {
        StopReader();
        platform::SleepMs(kReopenGapMs);
    }
    ClearHandle();
    ClearHandle2();
    if (!m_bLoaded)
        return false;
    FindDev();
    if (!m_hCmd && !m_hCmd2)
        return false;

    m_bLostReported = false;
    m_bForeignLogged = false;
    m_firstFailure.reset();
    m_bSilent = false;
    ++m_nPairGeneration;
    StartReader(NotifyHandle());
    // The first command waits until the new reader has come to its first
    // read, so no answer comes before anyone reads; no longer than 100 ms.
    std::unique_lock reader(m_mtxReader);
    m_cvReader.wait_for(reader, std::chrono::milliseconds(kReaderStartMs),
                        [this] { return m_bReaderReading; });
    return true;
}

bool CUSBDriver::ReleaseNumber(uint16_t& release) {
    std::lock_guard lock(m_mtxCmd);
    uint32_t version = 0;
    if (!m_lib || !m_lib->GetVersionNumber(CommandHandle(), &version))
        return false;
    release = uint16_t(version & 0xFFFF);
    return true;
}

// ---------------------------------------------------------------------------
// The notification reader.

void CUSBDriver::StartReader(HidHandle hNotify) {
    m_bStopNotify = false;
    {
        std::lock_guard lock(m_mtxReader);
        m_bReaderDone = false;
        m_bReaderReading = false;
    }
    m_hReading = hNotify;
    m_threadNotify = std::thread(&CUSBDriver::NotifyThread, this, hNotify);
}

// Never kills the reader: sets its stop flag, cancels its blocked read until
// it has seen the flag, then joins it.
void CUSBDriver::StopReader() {
    if (!m_threadNotify.joinable())
        return;
    {
        std::lock_guard lock(m_mtxReader);
        m_bStopNotify = true;
    }
    m_cvReader.notify_all();
    std::unique_lock lock(m_mtxReader);
    while (!m_bReaderDone) {
        lock.unlock();
        m_lib->CancelBlockedRead(m_hReading);
        lock.lock();
        m_cvReader.wait_for(lock, kCancelRepeat, [this] { return m_bReaderDone; });
    }
    lock.unlock();
    m_threadNotify.join();
    m_hReading = nullptr;
}

void CUSBDriver::StopNotify() {
    StopReader();
}

void CUSBDriver::NotifyThread(HidHandle hNotify) {
    platform::ReleaseUnusedStack(); // it waits for reports most of the time
    device::ReadFailureWatch watch; // one per pair: a reader reads one pair
    {
        std::lock_guard lock(m_mtxReader);
        m_bReaderReading = true;
    }
    m_cvReader.notify_all();
    while (!m_bStopNotify) {
        uint8_t report[device::kReportSize] = {};
        report[0] = REPORT_ID_NOTIFY;
        if (m_lib->ReadReport(hNotify, report, sizeof report)) {
            watch.OnSuccess();
            OnNotifyReport(report);
            continue;
        }
        const uint32_t error = m_lib->LastError();
        // With the stop flag set, the failure is our own cancel.
        if (!m_bStopNotify)
            OnReadFailure(error, watch);
        // An unplugged receiver fails every read; do not spin on it.
        std::unique_lock lock(m_mtxReader);
        m_cvReader.wait_for(lock, std::chrono::milliseconds(kReadFailMs),
                            [this] { return m_bStopNotify.load(); });
    }
    WriteLog("Thread exit!\n");
    {
        std::lock_guard lock(m_mtxReader);
        m_bReaderDone = true;
    }
    m_cvReader.notify_all();
}

void CUSBDriver::OnReadFailure(uint32_t error, device::ReadFailureWatch& watch) {
    const device::ReadFailureWatch::Verdict verdict = watch.OnFailure(error);
    if (verdict.logIt)
        WriteLog("NotifyThread: read failed, err=0x%x (further ones with this reason not logged)",
                 unsigned(error));
    if (!verdict.linkLost)
        return;
    if (error == kHidErrorDeviceNotConnected)
        ReportLinkLost("NotifyThread", error, "the receiver's interfaces are gone");
    else
        ReportLinkLost("NotifyThread", error, "reads keep failing");
}

void CUSBDriver::OnNotifyReport(const uint8_t* report) {
    LogHex(report, device::kReportSize, 0, "Read: ");
    const device::ReportKind kind = device::ClassifyReport(report);
    // Other reports of the notification interface carry neither answers nor
    // events; read as answers they would be matched to commands.
    if (kind == device::ReportKind::Foreign) {
        if (!m_bForeignLogged.exchange(true))
            WriteLog("OnNotifyReport: report id 0x%x is not 0x%x, dropped (further ones silently)",
                     unsigned(report[0]), unsigned(REPORT_ID_NOTIFY));
        return;
    }
    if (kind == device::ReportKind::Event) {
        EventPoster* wnd = m_pMainWnd;
        if (!wnd || !wnd->IsWindow())
            return;
        for (const device::DeviceMessage& m : device::DecodeEvent(report))
            wnd->Post(WM_DEVICE_BEHAVIOR, m.wParam, intptr_t(m.lParam));
        return;
    }
    {
        std::lock_guard lock(m_mtxListRet);
        m_listRet.emplace_back(report + 1);
    }
    m_cvListRet.notify_all();
}

// ---------------------------------------------------------------------------
// Answers.

size_t CUSBDriver::QueuedAnswers() const {
    std::lock_guard lock(m_mtxListRet);
    return m_listRet.size();
}

void CUSBDriver::EmptyAnswers() {
    std::lock_guard lock(m_mtxListRet);
    m_listRet.clear();
}

bool CUSBDriver::PopAnswer(CRetParam& answer) {
    std::lock_guard lock(m_mtxListRet);
    if (m_listRet.empty())
        return false;
    answer = m_listRet.front();
    m_listRet.pop_front();
    return true;
}

void CUSBDriver::LogTimeOut(uint8_t nCmdID) {
    WriteLog("WaitNotify TimeOut for nCmdID=%x, ThreadId=0x%x", unsigned(nCmdID), ThreadIdValue());
}

int CUSBDriver::WaitNotify(uint8_t nCmdID, CRetParam& answer) {
    std::lock_guard lock(m_mtxNotify);
    platform::SleepMs(kFirstLookMs);
    return m_waitMode == WaitMode::Polling ? WaitPolling(nCmdID, answer)
                                           : WaitSignalled(nCmdID, answer);
}

// Answers to other commands are read past and dropped; they do not restart
// the count of looks.
int CUSBDriver::WaitPolling(uint8_t nCmdID, CRetParam& answer) {
    int nPolls = 0;
    for (;;) {
        if (!PopAnswer(answer)) {
            if (nPolls > kMaxPolls) {
                LogTimeOut(nCmdID);
                return -1;
            }
            ++nPolls;
            platform::SleepMs(kPollMs);
            continue;
        }
        if (answer.Command() == nCmdID)
            return 1;
    }
}

// The same answers and the same time-out as polling, without the 20 ms steps:
// the reader signals every answer it queues.
int CUSBDriver::WaitSignalled(uint8_t nCmdID, CRetParam& answer) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollMs) * (kMaxPolls + 1);
    std::unique_lock lock(m_mtxListRet);
    for (;;) {
        if (!m_cvListRet.wait_until(lock, deadline, [this] { return !m_listRet.empty(); })) {
            lock.unlock();
            LogTimeOut(nCmdID);
            return -1;
        }
        answer = m_listRet.front();
        m_listRet.pop_front();
        if (answer.Command() == nCmdID)
            return 1;
    }
}

// ---------------------------------------------------------------------------
// Exchanges.

bool CUSBDriver::SendCommand(const device::CommandRecord& record, HidHandle hDev) {
    std::lock_guard lock(m_mtxCmd);
    const device::Report report = device::FrameCommand(record);
    LogHex(report.data(), report.size(), 0, "SendCommand: ");
    m_nSendError = 0;
    // The receiver sometimes refuses a report while it is busy on the radio.
    for (int i = 0; i < kSendTries; ++i) {
        if (m_lib && m_lib->SetFeature(hDev, report.data(), uint32_t(report.size())))
            return true;
        // Taken at once: the log write and the pause below may replace it.
        m_nSendError = m_lib ? m_lib->LastError() : 0;
        if (m_nSendError == kHidErrorTimeout) {
            // The library gave up on a report the receiver never took; sending
            // it again would hold every exchange for as long once more.
            WriteLog("SendCommand: the receiver did not take the report in time, err=0x%x",
                     unsigned(m_nSendError));
            return false;
        }
        if (m_nSendError == kHidErrorDeviceNotConnected)
            ReportLinkLost("SendCommand", m_nSendError, "the receiver's interfaces are gone");
        platform::SleepMs(kSendRetryMs);
    }
    WriteLog("SendCommand err=0x%x", unsigned(m_nSendError));
    return false;
}

int CUSBDriver::Exchange(const device::CommandRecord& record, int tries, const char* failedLine,
                         bool logTries, CRetParam& answer, int* failedTry) {
    if (m_bSilent && m_bGiveUpWhenSilent) {
        WriteLog("Exchange: the receiver stopped answering; command 0x%x not sent",
                 unsigned(record[0]));
        if (failedTry)
            *failedTry = 0;
        m_nSendError = kHidErrorTimeout;
        NoteFailure(record, {.error = kHidErrorTimeout, .skipped = true});
        return -1;
    }
    const HidHandle hDev = CommandHandle();
    bool answered = false;
    for (int t = 0; t < tries; ++t) {
        if (!SendCommand(record, hDev)) {
            if (failedTry)
                *failedTry = t;
            NoteFailure(record, {.error = m_nSendError});
            return -1;
        }
        const bool got = WaitNotify(record[0], answer) == 1;
        answered = answered || got;
        if (got && answer.Result() == 0)
            return 1;
        if (failedLine)
            WriteLog("%s", failedLine);
        if (logTries && tries > 1)
            WriteLog("nRetry=%d", t + 1);
    }
    NoteFailure(record, {.sent = true, .answered = answered, .result = answer.Result()});
    if (!answered)
        m_bSilent = true;
    return 0;
}

void CUSBDriver::NoteFailure(const device::CommandRecord& record, FailedExchange failure) {
    if (m_firstFailure)
        return;
    failure.command = record[0];
    failure.address = uint32_t(record[2]) << 8 | record[3];
    failure.length = record[4];
    m_firstFailure = failure;
}

bool CUSBDriver::SendCMD(uint8_t nCmdID, uint8_t bData) {
    std::lock_guard lock(m_mtxCmd);
    EmptyAnswers();
    WriteLog("SendCMD: nCmdID=0x%x, bData=0x%x", unsigned(nCmdID), unsigned(bData));
    WriteLog("SendCMD: hDev=0x%x", HandleValue(CommandHandle()));
    // Only the driver status carries its byte.
    const device::CommandRecord record = nCmdID == CMD_DRV_STATUS
                                             ? device::MakeCommandRecord(nCmdID, 0, &bData, 1)
                                             : device::MakeCommandRecord(nCmdID);
    CRetParam answer;
    const int result = Exchange(record, m_nRetry, nullptr, false, answer);
    if (result < 0)
        WriteLog("SendCMD: err=0x%x", unsigned(m_nSendError));
    return result == 1;
}

bool CUSBDriver::TellDrvStatus(uint8_t status) {
    WriteLog("TellDrvStatus= %x", unsigned(status));
    return SendCMD(CMD_DRV_STATUS, status);
}

int CUSBDriver::GetDevState() {
    std::lock_guard lock(m_mtxCmd);
    EmptyAnswers();
    CRetParam answer;
    int failedTry = 0;
    const int result = Exchange(device::MakeCommandRecord(CMD_GET_STATE), m_nRetry, nullptr, false,
                                answer, &failedTry);
    if (result == 1)
        return answer.Data()[0];
    if (result < 0 && failedTry == 0)
        return 0;
    return -1;
}

// Like GetDevState, but a state the receiver answered is told apart from a
// report that could not be sent and from one that got no answer: a receiver
// answers whether its mouse is awake or not, so only the last two mean the
// pair is gone. An answer with a nonzero result code still comes from the
// receiver.
device::LinkProbe CUSBDriver::ProbeLink(uint8_t* state) {
    std::lock_guard lock(m_mtxCmd);
    EmptyAnswers();
    const device::CommandRecord record = device::MakeCommandRecord(CMD_GET_STATE);
    const HidHandle hDev = CommandHandle();
    const int tries = std::max(1, m_nRetry.load());
    for (int t = 0; t < tries; ++t) {
        if (!hDev || !SendCommand(record, hDev))
            return device::LinkProbe::NotSent;
        CRetParam answer;
        if (WaitNotify(CMD_GET_STATE, answer) == 1) {
            if (state)
                *state = answer.Result() == 0 ? answer.Data()[0] : 0;
            WriteLog("ProbeLink: answered, result %d, state %d", int(answer.Result()),
                     int(answer.Data()[0]));
            return device::LinkProbe::Answered;
        }
    }
    return device::LinkProbe::NoAnswer;
}

int CUSBDriver::GetPowerLevel(int* pbOk) {
    std::lock_guard lock(m_mtxCmd);
    EmptyAnswers();
    CRetParam answer;
    // The keys page polls the level; one try is enough.
    const bool ok =
        Exchange(device::MakeCommandRecord(CMD_GET_POWER), 1, nullptr, false, answer) == 1;
    if (pbOk)
        *pbOk = ok ? 1 : 0;
    return ok ? answer.Data()[0] : 1;
}

bool CUSBDriver::ReadEEPROM(uint32_t nAddr, uint8_t* pDest, int nCount) {
    // One record carries at most 10 bytes.
    if (!pDest || nCount < 1 || nCount > int(device::kMaxData))
        return false;
    std::lock_guard lock(m_mtxCmd);
    EmptyAnswers();
    device::CommandRecord record = device::MakeCommandRecord(CMD_READ_EEPROM, nAddr);
    record[4] = uint8_t(nCount);
    CRetParam answer;
    if (Exchange(record, m_nRetry, "ReadEEPROM Failed", false, answer) != 1)
        return false;
    std::memcpy(pDest, answer.Data(), size_t(nCount));
    return true;
}

// A chunk whose tries all end without a good answer does not stop the write:
// the remaining chunks are still written, so one lost answer costs no more
// than that chunk, but the write then reports failure and the log names every
// chunk that was never acknowledged.
bool CUSBDriver::WriteEEPROM(int nLen, uint32_t nAddr, const uint8_t* pData, int nChunk) {
    WriteLog("WriteEEPROM( Addr=0x%x ): ", unsigned(nAddr));
    if (pData && nLen > 0)
        LogHex(pData, size_t(nLen), 32, nullptr);
    std::lock_guard lock(m_mtxCmd);
    EmptyAnswers();
    const int chunk = nChunk <= 0 ? int(device::kMaxData) : std::min(nChunk, int(device::kMaxData));
    const int nFull = nLen > 0 ? nLen / chunk : 0;
    const int nRest = nLen > 0 ? nLen % chunk : 0;
    const int nChunks = nFull + (nRest ? 1 : 0);
    uint32_t addr = nAddr;
    const uint8_t* p = pData;
    bool bAllAcknowledged = true;
    for (int i = 0; i < nChunks; ++i) {
        const int n = i < nFull ? chunk : nRest;
        const device::CommandRecord record =
            device::MakeCommandRecord(CMD_WRITE_EEPROM, addr, p, size_t(n));
        CRetParam answer;
        const int result = Exchange(record, m_nRetry, "WriteEEPROM Failed", true, answer);
        if (result < 0) {
            if (i < nFull)
                WriteLog("WriteEEPROM Err, i=%d", i);
            return false;
        }
        if (result == 0) {
            WriteLog("WriteEEPROM: chunk %d at Addr=0x%x not acknowledged", i, unsigned(addr));
            bAllAcknowledged = false;
        }
        addr += uint32_t(n);
        p += n;
    }
    return bAllAcknowledged;
}

bool CUSBDriver::ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr, int nLen) {
    int nPiece = 0;
    while (nLen > 0) {
        const int n = std::min(nLen, int(device::kMaxData));
        if (!ReadEEPROM(nAddr, pDest, n)) {
            WriteLog("ReadROM Failed at %d: nAddr=0x%x", nPiece, unsigned(nAddr));
            return false;
        }
        if (stopTest && stopTest(pDest, n))
            return true;
        platform::SleepMs(kPieceGapMs);
        pDest += n;
        nAddr += uint32_t(n);
        nLen -= n;
        ++nPiece;
    }
    return true;
}
