// A start hidden in the tray, the end of the session, and the mouse's other
// events (report rate, stored configuration, lights) with the real program.

#include "E2eFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace e2e;

namespace {

constexpr UINT WM_TRAYICON = 1132;
constexpr uintmax_t kMacroStoreBytes = 1668000;
constexpr uint32_t kRateAddr = 0;

// Waits for the main window and for the start-up read to end, whether the
// window shows or not.
HWND WaitStarted(TarvelRun& run, int ms = 20000) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    do {
        HWND hwnd = run.Main();
        if (hwnd && run.Log().find("ReadCurCfgThread Exit") != std::string::npos)
            return hwnd;
        if (!run.Running())
            return nullptr;
        Pump(50);
    } while (int(::GetTickCount() - end) < 0);
    return nullptr;
}

// The log line that contains `needle`, empty when there is none.
std::string LineWith(const std::string& log, const std::string& needle) {
    const size_t at = log.find(needle);
    if (at == std::string::npos)
        return {};
    const size_t begin = log.rfind('\n', at);
    const size_t end = log.find('\n', at);
    return log.substr(begin == std::string::npos ? 0 : begin + 1,
                      end == std::string::npos ? std::string::npos : end - begin - 1);
}

} // namespace

TEST(MoreEvents, TrayStartKeepsTheWindowHiddenUntilTheTrayIconIsClicked) {
    TarvelRun run("tray-start", {{"TrayIcon", "1"}});
    ASSERT_TRUE(run.Start());
    HWND main = WaitStarted(run);
    ASSERT_NE(main, nullptr) << run.Log();
    // The read's end repaints the pages; the window must still stay hidden
    // once it has handled that (a sent message returns after the handler).
    ASSERT_TRUE(run.WaitLog("OnSyncOk", 10000)) << run.Log();
    DWORD_PTR result = 0;
    ASSERT_NE(::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result), 0);
    EXPECT_FALSE(::IsWindowVisible(main));

    ::PostMessageW(main, WM_TRAYICON, 0, WM_LBUTTONUP);
    EXPECT_TRUE(WaitVisible(main, true));
}

TEST(MoreEvents, QueryEndSessionSavesTheMacroStore) {
    TarvelRun run("end-session");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    const std::filesystem::path store = run.DataDir() / L"mac.dct";
    std::error_code ec;
    std::filesystem::remove(store, ec); // only the message is to write it

    DWORD_PTR result = 0;
    ASSERT_NE(
        ::SendMessageTimeoutW(run.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &result),
        0);
    EXPECT_NE(result, 0u) << "the session may end";
    EXPECT_EQ(std::filesystem::file_size(store, ec), kMacroStoreBytes) << ec.message();
    EXPECT_TRUE(run.Running());
}

TEST(MoreEvents, DeviceEventsOnProfileZeroReachThePagesAndReadTheDevice) {
    TarvelRun run("events");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ASSERT_EQ(run.LogCount("ReadCurCfgThread Start"), 1) << run.Log();
    const std::vector<uint8_t> rateBefore = run.Peek(kRateAddr, 1);
    ASSERT_EQ(rateBefore.size(), 1u);

    // The stored-configuration event comes last: it starts a new read.
    const struct {
        const char* command;
        const char* logText;
    } cases[] = {{"rate", "lParam=2"},
                 {"light 0x80 1", "MainRGB, ReadEEPROM(0xA0)"},
                 {"light 0x40 1", "LogoRGB, ReadEEPROM(0x58)"},
                 {"light 0x20 1", "DpiRGB, ReadEEPROM(0x4C)"},
                 {"config", "nTick="}};
    for (const auto& c : cases) {
        ASSERT_TRUE(run.Control(c.command)) << c.command;
        EXPECT_TRUE(run.WaitLog(c.logText, 5000)) << c.command << "\n" << run.Log();
    }

    // The keys page took the rate code the button set on the device.
    const std::vector<uint8_t> rateAfter = run.Peek(kRateAddr, 1);
    ASSERT_EQ(rateAfter.size(), 1u);
    EXPECT_NE(rateAfter[0], rateBefore[0]);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Buffer= %x 0 0 0", unsigned(rateAfter[0] & 0x0F));
    const std::string log = run.Log();
    EXPECT_NE(LineWith(log, "lParam=2").find(buffer), std::string::npos) << log;
    EXPECT_EQ(log.find("unknown rate code"), std::string::npos) << log;
    EXPECT_EQ(log.find("still init"), std::string::npos) << log;

    // Not taken for the echo of a reset: the configuration is read again.
    EXPECT_EQ(log.find("this is reset notify"), std::string::npos) << log;
    const DWORD end = ::GetTickCount() + 10000;
    while (run.LogCount("ReadCurCfgThread Exit") < 2 && int(::GetTickCount() - end) < 0)
        Pump(50);
    EXPECT_EQ(run.LogCount("ReadCurCfgThread Start"), 2) << run.Log();
    EXPECT_EQ(run.LogCount("ReadCurCfgThread Exit"), 2) << run.Log();
    EXPECT_TRUE(run.Running());
}
