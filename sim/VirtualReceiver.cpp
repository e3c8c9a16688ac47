#include "sim/VirtualReceiver.h"

#include "device/CheckByte.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kReportIdCmd = 0x08;
constexpr uint8_t kReportIdNotify = 0x09;
constexpr uint8_t kEventCode = 0x0A;

enum : uint8_t {
    kCmdDrvStatus = 2,
    kCmdGetState = 3,
    kCmdGetPower = 4,
    kCmdWrite = 7,
    kCmdRead = 8,
    kCmdRestore = 9,
};

// Command report: code, 0, address high, address low, length, 10 data bytes.
constexpr size_t kCmdCodeByte = 1;
constexpr size_t kAddrHighByte = 3;
constexpr size_t kAddrLowByte = 4;
constexpr size_t kLengthByte = 5;
constexpr size_t kDataByte = 6;
constexpr size_t kMaxData = 10;
// Answer and event reports: code, result; data (or event flags) from byte 6.
constexpr size_t kResultByte = 2;
constexpr size_t kFlagsByte = 6;
constexpr size_t kLevelByte = 7;
constexpr size_t kStateByte = 8;

// Event flags.
constexpr uint8_t kEvtDpiLevel = 0x01;
constexpr uint8_t kEvtRate = 0x02;
constexpr uint8_t kEvtConfigChanged = 0x04;

constexpr size_t kRateAddr = 0x00;
constexpr size_t kLevelCountAddr = 0x02;
constexpr size_t kCurLevelAddr = 0x04;
constexpr int kMaxLevels = 8;
// Bad command reports (wrong length, address out of range) are refused.
constexpr uint8_t kBadRequestResult = 0x01;

constexpr uint8_t kRateCycle[] = {1, 2, 4, 8}; // 1000, 500, 250, 125 Hz

Report NotifyReport(uint8_t code) {
    Report r{};
    r[0] = kReportIdNotify;
    r[1] = code;
    return r;
}

void SealReport(Report& r) {
    r[kReportSize - 1] = CheckByte(r.data(), kReportSize - 1);
}

std::u16string UnplugMarker(const std::u16string& stateFile) {
    return stateFile + u".unplugged";
}

} // namespace

VirtualReceiver::VirtualReceiver(std::u16string stateFile)
    : m_stateFile(std::move(stateFile)), m_memory(FactoryImage()) {
    if (m_stateFile.empty())
        return;
    std::optional<std::string> bytes = platform::ReadWholeFile(m_stateFile);
    if (bytes && bytes->size() == kMemorySize)
        std::memcpy(m_memory.data(), bytes->data(), kMemorySize);
    else
        SaveLocked();
    m_unplugged = platform::FileExists(UnplugMarker(m_stateFile));
}

VirtualReceiver::~VirtualReceiver() {
    {
        std::lock_guard lock(m_mtx);
        m_closing = true;
    }
    m_cvReports.notify_all();
}

void VirtualReceiver::SaveLocked() {
    if (m_stateFile.empty())
        return;
    platform::WriteWholeFile(
        m_stateFile, std::string(reinterpret_cast<const char*>(m_memory.data()), kMemorySize));
}

// Reports leave in order, each no earlier than the latency after it was made.
void VirtualReceiver::QueueLocked(const Report& report) {
    Clock::time_point due = Clock::now() + m_latency;
    if (!m_pending.empty())
        due = std::max(due, m_pending.back().due);
    m_pending.push_back({due, report});
    m_cvReports.notify_all();
}

// --- host side -------------------------------------------------------------

bool VirtualReceiver::SendFeature(const uint8_t* report, size_t length) {
    std::lock_guard lock(m_mtx);
    if (m_unplugged || m_sendsFail || !report || length != kReportSize || report[0] != kReportIdCmd)
        return false;
    Report command;
    std::memcpy(command.data(), report, kReportSize);
    m_received.push_back(command);

    Report answer = AnswerLocked(command);
    for (const Report& r : m_inject)
        QueueLocked(r);
    m_inject.clear();
    if (m_dropNext > 0)
        --m_dropNext;
    else
        QueueLocked(answer);
    // Restoring the factory memory changes the configuration under the host.
    if (command[kCmdCodeByte] == kCmdRestore && answer[kResultByte] == 0)
        SendEventLocked(kEvtConfigChanged);
    return true;
}

// Carries out one command and makes its answer. The check byte of the
// command is not verified, as the receiver does not either.
Report VirtualReceiver::AnswerLocked(const Report& command) {
    const uint8_t code = command[kCmdCodeByte];
    Report answer = NotifyReport(code);
    uint8_t forced = m_resultCode;
    if (m_resultCount > 0) {
        --m_resultCount;
        forced = m_resultNext;
    }
    if (forced != 0) {
        answer[kResultByte] = forced;
        SealReport(answer);
        return answer;
    }

    const uint32_t address = uint32_t(command[kAddrHighByte]) << 8 | command[kAddrLowByte];
    const size_t length = command[kLengthByte];
    const bool inRange = length <= kMaxData && address + length <= kMemorySize;
    uint8_t result = 0;
    switch (code) {
    case kCmdDrvStatus:
        m_driverStatus = command[kDataByte];
        break;
    case kCmdGetState:
        answer[kDataByte] = m_state;
        break;
    case kCmdGetPower:
        answer[kDataByte] = m_powerLevel;
        break;
    case kCmdWrite:
        if (inRange)
            WriteMemoryLocked(address, &command[kDataByte], length);
        else
            result = kBadRequestResult;
        break;
    case kCmdRead:
        if (inRange)
            std::memcpy(&answer[kDataByte], &m_memory[address], length);
        else
            result = kBadRequestResult;
        break;
    case kCmdRestore:
        m_memory = FactoryImage();
        SaveLocked();
        break;
    default:
        result = kUnknownCommandResult;
        break;
    }
    answer[kResultByte] = result;
    SealReport(answer);
    return answer;
}

bool VirtualReceiver::ReadReport(uint8_t* out, size_t length) {
    return ReadReport(out, length, m_readCancel);
}

void VirtualReceiver::CancelReads() {
    CancelReads(m_readCancel);
}

bool VirtualReceiver::ReadReport(uint8_t* out, size_t length, ReadCancel& cancel) {
    std::unique_lock lock(m_mtx);
    // Cancels asked for before this read began and not yet honoured were
    // meant for it: the caller cancelled before its reader got here.
    const uint64_t seen = cancel.m_honoured;
    for (;;) {
        if (m_closing)
            return false;
        if (cancel.m_requested != seen) {
            cancel.m_honoured = cancel.m_requested;
            return false;
        }
        if (m_unplugged)
            return false;
        if (!m_pending.empty()) {
            const Clock::time_point due = m_pending.front().due;
            if (due <= Clock::now()) {
                const Report r = m_pending.front().report;
                m_pending.pop_front();
                std::memcpy(out, r.data(), std::min(length, kReportSize));
                return true;
            }
            ++m_blockedReads;
            m_cvReports.wait_until(lock, due);
            --m_blockedReads;
        } else {
            ++m_blockedReads;
            m_cvReports.wait(lock);
            --m_blockedReads;
        }
    }
}

int VirtualReceiver::BlockedReads() const {
    std::lock_guard lock(m_mtx);
    return m_blockedReads;
}

void VirtualReceiver::CancelReads(ReadCancel& cancel) {
    {
        std::lock_guard lock(m_mtx);
        ++cancel.m_requested;
    }
    m_cvReports.notify_all();
}

bool VirtualReceiver::Open() const {
    std::lock_guard lock(m_mtx);
    return !m_unplugged;
}

uint16_t VirtualReceiver::ReleaseNumber() const {
    std::lock_guard lock(m_mtx);
    return m_release;
}

void VirtualReceiver::SetReleaseNumber(uint16_t release) {
    std::lock_guard lock(m_mtx);
    m_release = release;
}

// --- the mouse's own actions -------------------------------------------------

void VirtualReceiver::SendEventLocked(uint8_t flags) {
    Report r = NotifyReport(kEventCode);
    r[kFlagsByte] = flags;
    r[kLevelByte] = m_memory[kCurLevelAddr];
    r[kStateByte] = uint8_t((m_memory[kRateAddr] & 0x0F) | m_lights);
    SealReport(r);
    QueueLocked(r);
}

void VirtualReceiver::PressDpiButton() {
    std::lock_guard lock(m_mtx);
    int count = m_memory[kLevelCountAddr];
    if (count < 1 || count > kMaxLevels)
        count = 1;
    const uint8_t next = uint8_t((m_memory[kCurLevelAddr] + 1) % count);
    const uint8_t setting[2] = {next, Complement(next)};
    WriteMemoryLocked(kCurLevelAddr, setting, 2);
    SendEventLocked(kEvtDpiLevel);
}

void VirtualReceiver::PressRateButton() {
    std::lock_guard lock(m_mtx);
    const uint8_t* cur =
        std::find(std::begin(kRateCycle), std::end(kRateCycle), m_memory[kRateAddr]);
    const size_t next = cur == std::end(kRateCycle) ? 0 : size_t(cur - kRateCycle + 1) % 4;
    const uint8_t setting[2] = {kRateCycle[next], Complement(kRateCycle[next])};
    WriteMemoryLocked(kRateAddr, setting, 2);
    SendEventLocked(kEvtRate);
}

void VirtualReceiver::SwitchLight(uint8_t flag, bool on) {
    std::lock_guard lock(m_mtx);
    flag &= kAllLightsOn;
    m_lights = on ? uint8_t(m_lights | flag) : uint8_t(m_lights & ~flag);
    SendEventLocked(flag);
}

void VirtualReceiver::ConfigChanged() {
    SendEvent(kEvtConfigChanged);
}

void VirtualReceiver::SendEvent(uint8_t flags) {
    std::lock_guard lock(m_mtx);
    SendEventLocked(flags);
}

uint8_t VirtualReceiver::LightState() const {
    std::lock_guard lock(m_mtx);
    return m_lights;
}

// --- faults ----------------------------------------------------------------

void VirtualReceiver::SetLatency(std::chrono::milliseconds latency) {
    std::lock_guard lock(m_mtx);
    m_latency = latency;
}

void VirtualReceiver::DropNextAnswers(int count) {
    std::lock_guard lock(m_mtx);
    m_dropNext = count;
}

void VirtualReceiver::SetResultCode(uint8_t code) {
    std::lock_guard lock(m_mtx);
    m_resultCode = code;
}

void VirtualReceiver::SetResultCodeForNext(int count, uint8_t code) {
    std::lock_guard lock(m_mtx);
    m_resultCount = count;
    m_resultNext = code;
}

void VirtualReceiver::InjectBeforeNextAnswer(const Report& report) {
    std::lock_guard lock(m_mtx);
    m_inject.push_back(report);
}

void VirtualReceiver::SetSendsFail(bool fail) {
    std::lock_guard lock(m_mtx);
    m_sendsFail = fail;
}

void VirtualReceiver::SetUnplugged(bool unplugged) {
    {
        std::lock_guard lock(m_mtx);
        m_unplugged = unplugged;
        if (unplugged)
            m_pending.clear();
        if (!m_stateFile.empty()) {
            if (unplugged)
                platform::WriteWholeFile(UnplugMarker(m_stateFile), {});
            else
                platform::RemoveFile(UnplugMarker(m_stateFile));
        }
    }
    m_cvReports.notify_all();
}

void VirtualReceiver::SetDeviceState(uint8_t state) {
    std::lock_guard lock(m_mtx);
    m_state = state;
}

void VirtualReceiver::SetPowerLevel(uint8_t level) {
    std::lock_guard lock(m_mtx);
    m_powerLevel = level;
}

void VirtualReceiver::SetIds(uint16_t vid, uint16_t pid) {
    std::lock_guard lock(m_mtx);
    m_vid = vid;
    m_pid = pid;
}

uint16_t VirtualReceiver::VendorId() const {
    std::lock_guard lock(m_mtx);
    return m_vid;
}

uint16_t VirtualReceiver::ProductId() const {
    std::lock_guard lock(m_mtx);
    return m_pid;
}

int VirtualReceiver::DriverStatus() const {
    std::lock_guard lock(m_mtx);
    return m_driverStatus;
}

// --- inspection ---------------------------------------------------------------

Memory VirtualReceiver::ReadMemory() const {
    std::lock_guard lock(m_mtx);
    return m_memory;
}

void VirtualReceiver::WriteMemory(uint16_t address, const std::vector<uint8_t>& data) {
    std::lock_guard lock(m_mtx);
    WriteMemoryLocked(address, data.data(), data.size());
}

// Every change of the memory goes to the state file whole.
void VirtualReceiver::WriteMemoryLocked(uint32_t address, const uint8_t* data, size_t length) {
    if (address >= kMemorySize)
        return;
    length = std::min(length, kMemorySize - address);
    std::memcpy(&m_memory[address], data, length);
    SaveLocked();
}

int VirtualReceiver::ReportsReceived() const {
    std::lock_guard lock(m_mtx);
    return int(m_received.size());
}

void VirtualReceiver::ResetCounters() {
    std::lock_guard lock(m_mtx);
    m_received.clear();
}

std::vector<Report> VirtualReceiver::ReceivedReports() const {
    std::lock_guard lock(m_mtx);
    return m_received;
}

} // namespace sim
