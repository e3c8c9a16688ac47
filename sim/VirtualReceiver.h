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
    // when reads are cancelled (CancelReads) or the device is unplugged.
    bool ReadReport(uint8_t* out, size_t length);
    // Wakes every blocked ReadReport (it returns false once).
    void CancelReads();
    // False while unplugged.
    bool Open() const;
    uint16_t ReleaseNumber() const;
    void SetReleaseNumber(uint16_t release);

    // --- the mouse's own actions ---
    // Cycles to the next enabled DPI level, stores it at 0x04, sends event 0x01.
    void PressDpiButton();
    // Sends event 0x02 with the current report rate code.
    void PressRateButton();
    // Switches a light (flag 0x20 DPI, 0x40 logo, 0x80 main) and sends its event.
    void SwitchLight(uint8_t flag, bool on);
    // Sends event 0x04.
    void ConfigChanged();
    // Sends one event report with any flags.
    void SendEvent(uint8_t flags);

    // --- faults ---
    void SetLatency(std::chrono::milliseconds latency); // default 1 ms
    void DropNextAnswers(int count);
    void SetResultCode(uint8_t code);                    // 0: success
    void SetSendsFail(bool fail);
    void SetUnplugged(bool unplugged);

    // --- inspection ---
    Memory ReadMemory() const;
    void WriteMemory(uint16_t address, const std::vector<uint8_t>& data);
    // Feature reports received since construction (or the last reset).
    int ReportsReceived() const;
    void ResetCounters();
    // Every command report received, in order (for tests and benchmarks).
    std::vector<Report> ReceivedReports() const;

private:
    // implementation is free
};

} // namespace sim
