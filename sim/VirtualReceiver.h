#pragma once
// The virtual receiver: an emulation of the USB receiver and its mouse, for
// tests, tarvelctl, benchmarks and Vantor.dll's virtual backend.
//
// The host sends 17-byte command reports (report id 8) to the command side;
// answers and the mouse's event reports (report id 9) come out of the
// notification side, in order, each after the configured answer latency. The
// device memory (0x0000-0x1FFF) starts as the default product's factory image
// and, when a state file is given, is loaded from and saved to it, so a
// configuration survives restarts like a real mouse's.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

constexpr size_t kMemorySize = 0x2000;
constexpr size_t kReportSize = 17;
using Report = std::array<uint8_t, kReportSize>;
using Memory = std::array<uint8_t, kMemorySize>;

// The factory configuration of the default product (sensor 0x3325).
Memory FactoryImage();

// Release number whose top digit selects sensor 0x3325.
constexpr uint16_t kFactoryRelease = 0x0102;
// USB ids of the default product's receiver.
constexpr uint16_t kFactoryVid = 0x25A7;
constexpr uint16_t kFactoryPid = 0xFA92;
// Answered by command 3 (1: ready) and command 4 (battery level in tenths).
constexpr uint8_t kFactoryState = 1;
// Answered by command 3 while the mouse sleeps (or is off, or out of range):
// the receiver itself still answers every command.
constexpr uint8_t kAsleepState = 0;
constexpr uint8_t kFactoryPowerLevel = 8;
// Result code of an answer to a command the receiver does not know.
constexpr uint8_t kUnknownCommandResult = 0xFF;
// Light state bits of event byte 8: DPI, logo and main light.
constexpr uint8_t kAllLightsOn = 0xE0;

// One reader's cancels. A cancel ends the read in progress on it; when no
// read is in progress, it ends the next one as soon as it starts, so a reader
// thread that is slow to reach its read is stopped all the same. Guarded by
// the receiver it is used with.
class ReadCancel {
    friend class VirtualReceiver;
    uint64_t m_requested = 0; // cancels asked for
    uint64_t m_honoured = 0;  // cancels a read has returned for
};

class VirtualReceiver {
public:
    // `stateFile` empty: memory only. Otherwise the memory is read from it,
    // or created from the factory image when it is missing or unreadable.
    explicit VirtualReceiver(std::u16string stateFile = {});
    ~VirtualReceiver();
    VirtualReceiver(const VirtualReceiver&) = delete;
    VirtualReceiver& operator=(const VirtualReceiver&) = delete;

    // --- host side ---
    // The command interface: false when sends fail or the device is unplugged.
    bool SendFeature(const uint8_t* report, size_t length);
    // The notification interface: blocks until a report is available; false
    // when the read is cancelled or the device is unplugged.
    bool ReadReport(uint8_t* out, size_t length);
    // Ends the reads in progress of ReadReport without a ReadCancel of its
    // own; when none is, the next such read returns false at once. Reads with
    // their own ReadCancel go on.
    void CancelReads();
    // The same for one reader (a notification handle) of its own.
    bool ReadReport(uint8_t* out, size_t length, ReadCancel& cancel);
    void CancelReads(ReadCancel& cancel);
    // False while unplugged.
    bool Open() const;
    uint16_t ReleaseNumber() const;
    void SetReleaseNumber(uint16_t release);

    // --- the mouse's own actions ---
    // Cycles to the next enabled DPI level, stores it at 0x04, sends event 0x01.
    void PressDpiButton();
    // Steps the report rate 1000 -> 500 -> 250 -> 125 -> 1000 Hz, stores it at
    // 0x00 and sends event 0x02 with the new rate code.
    void PressRateButton();
    // Switches a light (flag 0x20 DPI, 0x40 logo, 0x80 main) and sends its event.
    void SwitchLight(uint8_t flag, bool on);
    // Sends event 0x04.
    void ConfigChanged();
    // Sends one event report with any flags.
    void SendEvent(uint8_t flags);
    // Light state bits as event reports carry them (kAllLightsOn at start).
    uint8_t LightState() const;

    // --- faults ---
    void SetLatency(std::chrono::milliseconds latency); // default 1 ms
    void DropNextAnswers(int count);
    void SetResultCode(uint8_t code); // 0: success
    void SetSendsFail(bool fail);
    // With a state file, unplugging is kept beside it (STATE.unplugged), so
    // a later receiver on the same file starts unplugged too.
    void SetUnplugged(bool unplugged);
    // The next `count` answers carry `code` instead of 0 (the command is not
    // carried out), then answers are good again.
    void SetResultCodeForNext(int count, uint8_t code);
    // Puts `report` on the notification side just before the next answer.
    void InjectBeforeNextAnswer(const Report& report);
    void SetDeviceState(uint8_t state); // answered by command 3
    void SetPowerLevel(uint8_t level);  // answered by command 4
    // USB ids the receiver enumerates with (kFactoryVid, kFactoryPid).
    void SetIds(uint16_t vid, uint16_t pid);
    uint16_t VendorId() const;
    uint16_t ProductId() const;
    // The last status command 2 carried; -1 before any.
    int DriverStatus() const;

    // --- inspection ---
    Memory ReadMemory() const;
    void WriteMemory(uint16_t address, const std::vector<uint8_t>& data);
    // Feature reports received since construction (or the last reset).
    int ReportsReceived() const;
    void ResetCounters();
    // Every command report received, in order (for tests and benchmarks).
    std::vector<Report> ReceivedReports() const;
    // Reads blocked now, waiting for a report.
    int BlockedReads() const;

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        Report report;
    };
    void QueueLocked(const Report& report);
    void SendEventLocked(uint8_t flags);
    Report AnswerLocked(const Report& command);
    void SaveLocked();
    void WriteMemoryLocked(uint32_t address, const uint8_t* data, size_t length);

    mutable std::mutex m_mtx;
    std::condition_variable m_cvReports;
    std::u16string m_stateFile;
    Memory m_memory{};
    std::deque<Pending> m_pending;
    std::vector<Report> m_received;
    ReadCancel m_readCancel; // of ReadReport without a reader of its own
    int m_blockedReads = 0;
    bool m_closing = false;

    uint16_t m_release = kFactoryRelease;
    uint16_t m_vid = kFactoryVid;
    uint16_t m_pid = kFactoryPid;
    uint8_t m_state = kFactoryState;
    uint8_t m_powerLevel = kFactoryPowerLevel;
    uint8_t m_lights = kAllLightsOn;
    int m_driverStatus = -1;

    std::chrono::milliseconds m_latency{1};
    int m_dropNext = 0;
    uint8_t m_resultCode = 0;
    int m_resultCount = 0; // answers left that carry m_resultNext
    uint8_t m_resultNext = 0;
    std::vector<Report> m_inject;
    bool m_sendsFail = false;
    bool m_unplugged = false;
};

} // namespace sim
