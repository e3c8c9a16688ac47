// device_bench: bulk reads and writes of device memory through CUSBDriver
// against the virtual receiver, at several answer latencies, with both ways of
// waiting for an answer. Prints wall time and reports sent next to the floor
// set by the pauses every exchange must make (10 ms before the first look
// for the answer, 5 ms between the pieces of a bulk read).
//
//   device_bench [--quick]     --quick reads 0x600 bytes instead of 0x1B00

#include "device/USBDriver.h"
#include "settings/Settings.h"
#include "sim/VirtualHidLibrary.h"
#include "sim/VirtualReceiver.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kUsedMemoryEnd = 0x1B00; // after the last macro block
constexpr uint32_t kMacroBlockAddr = 0x300;
constexpr int kMacroBlockSize = 384;
constexpr int kPiece = 10;
constexpr double kFirstLookMs = 10, kPieceGapMs = 5;

struct Result {
    double ms;
    int reports;
    bool ok;
};

template <typename Fn> Result Run(sim::VirtualReceiver& receiver, Fn fn) {
    receiver.ResetCounters();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = fn();
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            receiver.ReportsReceived(), ok};
}

const char* ModeName(CUSBDriver::WaitMode mode) {
    return mode == CUSBDriver::WaitMode::Polling ? "polling" : "signalled";
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const uint32_t readLength = quick ? 0x600 : kUsedMemoryEnd;

    settings::g_opt = {};
    settings::g_opt.VID = sim::kFactoryVid;
    settings::g_opt.PID = sim::kFactoryPid;
    settings::g_opt.Retry = 1;

    const int readPieces = int((readLength + kPiece - 1) / kPiece);
    const int writeChunks = (kMacroBlockSize + kPiece - 1) / kPiece;
    const double readFloor = readPieces * (kFirstLookMs + kPieceGapMs);
    const double writeFloor = writeChunks * kFirstLookMs;

    std::printf("| operation | latency ms | waiting | wall ms | reports | floor ms | ok |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (int latency : {1, 5, 15}) {
        for (CUSBDriver::WaitMode mode :
             {CUSBDriver::WaitMode::Polling, CUSBDriver::WaitMode::Signalled}) {
            auto receiver = std::make_shared<sim::VirtualReceiver>();
            receiver->SetLatency(std::chrono::milliseconds(latency));
            CUSBDriver driver(std::make_unique<sim::VirtualHidLibrary>(receiver));
            if (!driver.InitDriver() || !driver.OpenDevice()) {
                std::fprintf(stderr, "cannot open the virtual receiver\n");
                return 1;
            }
            driver.SetWaitMode(mode);

            std::vector<uint8_t> memory(readLength);
            const Result read = Run(*receiver, [&] {
                return driver.ReadROM(nullptr, memory.data(), 0, int(readLength));
            });
            std::printf("| ReadROM 0x0000-0x%04X | %d | %s | %.0f | %d | %.0f | %s |\n",
                        unsigned(readLength - 1), latency, ModeName(mode), read.ms, read.reports,
                        readFloor, read.ok ? "yes" : "no");

            std::vector<uint8_t> macro(kMacroBlockSize);
            for (int i = 0; i < kMacroBlockSize; ++i)
                macro[size_t(i)] = uint8_t(i * 7);
            const Result write = Run(*receiver, [&] {
                return driver.WriteEEPROM(kMacroBlockSize, kMacroBlockAddr, macro.data(), 10);
            });
            std::printf("| WriteEEPROM 384 bytes | %d | %s | %.0f | %d | %.0f | %s |\n", latency,
                        ModeName(mode), write.ms, write.reports, writeFloor,
                        write.ok ? "yes" : "no");
            std::fflush(stdout);
        }
    }
    return 0;
}
