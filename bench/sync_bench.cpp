// sync_bench: a full configuration read and a full apply (0xEF, all items)
// through CUSBDriver against the virtual receiver, at several answer
// latencies, with both ways of waiting for an answer, for two profiles: 4
// macro keys and 2 key combinations, and all 16 keys as macros (the longest
// read). Prints wall time and reports next to the floor set by the pauses the
// protocol prescribes: 10 ms before the first look for each answer, 5 ms
// between the pieces of a bulk read, and the sleeps of the read and the apply
// themselves. Whatever the host adds on top shows as a ratio above 1.
//
//   sync_bench [--exe-dir DIR]    DIR holds cfg.ini and text.xml (the product)

#include "device/USBDriver.h"
#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/SystemMouse.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sim/VirtualHidLibrary.h"
#include "sim/VirtualReceiver.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroList.h"
#include "store/ProfileDefaults.h"
#include "store/ProfileStore.h"
#include "sync/ApplyProfile.h"
#include "sync/DeviceRead.h"
#include "sync/OpenReceiver.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#ifndef TARVEL_PRODUCT_DIR
#define TARVEL_PRODUCT_DIR "product/"
#endif

namespace {

constexpr double kFirstLookMs = 10, kPieceGapMs = 5;

struct ProfileShape {
    const char* name;
    int macroKeys, comboKeys;
};
constexpr ProfileShape kShapes[] = {{"4 macros", 4, 2}, {"16 macros", kKeysPerMode, 0}};

// The device link with the read's own pauses added up, and the pieces of
// ReadROM counted, so the floor follows what the read actually did.
class CountingSource : public DriverMemorySource {
public:
    using DriverMemorySource::DriverMemorySource;
    bool ReadROM(const StopTest& stopTest, uint8_t* pDest, uint32_t nAddr, int nLen) override {
        bool stopped = false;
        int pieces = 0;
        const bool ok = DriverMemorySource::ReadROM(
            [&](const uint8_t* piece, int length) {
                ++pieces;
                stopped = stopTest(piece, length);
                return stopped;
            },
            pDest, nAddr, nLen);
        m_gaps += pieces - (stopped ? 1 : 0);
        return ok;
    }
    void Pause(uint32_t ms) override {
        m_pausedMs += ms;
        DriverMemorySource::Pause(ms);
    }
    double FloorWithout(int reports) const {
        return reports * kFirstLookMs + m_gaps * kPieceGapMs + double(m_pausedMs);
    }

private:
    int m_gaps = 0;
    uint32_t m_pausedMs = 0;
};

ProfileRecord BenchProfile(const ProfileShape& shape) {
    ProfileRecord p;
    NewProfileRecord(p);
    p.nCurMode = 0;
    for (int i = 0; i < kKeysPerMode; ++i) {
        KeyInfo& k = p.Key[0][i];
        k = {};
        k.nMatrixIndex = i + 1;
        k.dwFunID = 0x1000011;
        if (i < shape.macroKeys) {
            std::u16string name = u"bench";
            name += char16_t(u'0' + i);
            StMacro m = NewMacroRecord(name);
            for (int s = 0; s < 20; ++s)
                m.Steps[s] = {uint16_t(0x41 + s / 2), uint16_t(s % 2 == 0), 30};
            auto lock = g_MacroList.Lock();
            k.dwFunID = 0x5000000;
            k.dwMacroID = AppendMacro(m)->dwID;
        } else if (i < shape.macroKeys + shape.comboKeys) {
            k.dwFunID = 0x20000A1;
            k.stCombo = 0x4303; // left Ctrl + left Shift + C
        }
    }
    return p;
}

// The apply's own sleeps for BenchProfile: after each macro and combination
// block, before the DPI tables, before each light (and the logo's speed), before the rate.
double ApplySleepsMs(const ProfileShape& shape, const ProfileRecord& p) {
    double ms = (shape.macroKeys + shape.comboKeys) * 10.0 + 10 + 10 + 10;
    if (settings::g_opt.ShowMainEffect)
        ms += 10;
    if (settings::g_opt.ShowLogoEffect)
        ms += 10 + (p.LogoLight.nMode == 2 || p.LogoLight.nMode == 3 ? 10 : 0);
    if (settings::g_opt.ShowDpiEffect)
        ms += 10;
    return ms;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    std::string exeDir = TARVEL_PRODUCT_DIR;
    if (argc == 3 && std::strcmp(argv[1], "--exe-dir") == 0)
        exeDir = std::string(argv[2]) + "/";
    platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
    if (!settings::InitData(text::FromUtf8(exeDir))) {
        std::fprintf(stderr, "the settings in %s are not usable\n", exeDir.c_str());
        return 1;
    }
    settings::g_opt.Debug = 0;
    settings::g_opt.Retry = 1;
    const std::filesystem::path data =
        std::filesystem::temp_directory_path() /
        ("tarvel-sync-bench-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(data);
    SetAppDataDir(data.u16string());
    g_MacroList.SetOwnership(kListOwnsElements);
    g_ProfileList.SetOwnership(kListOwnsElements);

    platform::MemorySystemMouse mouse;
    std::printf("%-10s %-10s %8s | %-36s | %-28s\n", "profile", "wait", "latency",
                "full read: ms / floor / ratio / reports", "full apply: ms / floor / reports");
    for (const ProfileShape& shape : kShapes) {
        const ProfileRecord profile = BenchProfile(shape);
        for (CUSBDriver::WaitMode mode :
             {CUSBDriver::WaitMode::Polling, CUSBDriver::WaitMode::Signalled}) {
            for (int latency : {1, 5, 15}) {
                auto receiver = std::make_shared<sim::VirtualReceiver>();
                receiver->SetLatency(std::chrono::milliseconds(latency));
                CUSBDriver driver(std::make_unique<sim::VirtualHidLibrary>(receiver));
                if (!driver.InitDriver() || !OpenReceiver(driver)) {
                    std::fprintf(stderr, "no receiver\n");
                    return 1;
                }
                driver.SetWaitMode(mode);

                receiver->ResetCounters();
                auto start = std::chrono::steady_clock::now();
                const int applied = ApplyProfile(nullptr, &driver, &profile, WM_PROGRESS_SETPOS,
                                                 kApplyFull, kApplyAll, &mouse);
                const double applyMs = Since(start);
                const int applyReports = receiver->ReportsReceived();
                const double applyFloor =
                    applyReports * kFirstLookMs + ApplySleepsMs(shape, profile);

                // The read finds the macros the apply wrote and makes a
                // library macro (with a new id) for each of them.
                HeadlessMacroTree tree;
                CfgReadCtx ctx;
                ctx.pDriver = &driver;
                ctx.pMacroTree = &tree;
                CountingSource source(driver);
                ProfileRecord read = profile;
                receiver->ResetCounters();
                start = std::chrono::steady_clock::now();
                const int ok = ReadDevCfg(read, ctx, source);
                const double readMs = Since(start);
                const int readReports = receiver->ReportsReceived();
                const double readFloor = source.FloorWithout(readReports);

                std::printf(
                    "%-10s %-10s %6d ms | %7.0f / %7.0f / %5.3f / %4d %s | %7.0f / %7.0f / %4d "
                    "%s\n",
                    shape.name, mode == CUSBDriver::WaitMode::Polling ? "polling" : "signalled",
                    latency, readMs, readFloor, readMs / readFloor, readReports, ok ? "  " : "!!",
                    applyMs, applyFloor, applyReports, applied ? "  " : "!!");
                std::fflush(stdout);
            }
        }
    }
    // The host's own share of a read: the ids of 16 device macros, made back
    // to back as the read makes them.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kKeysPerMode; ++i)
        MakeProfileId();
    std::printf("new ids for %d device macros: %.2f ms\n", kKeysPerMode, Since(start));
    g_MacroList.RemoveAll();
    std::error_code ec;
    std::filesystem::remove_all(data, ec);
    return 0;
}
