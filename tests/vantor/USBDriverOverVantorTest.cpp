// The program's device link end to end on Windows: CUSBDriver over
// VantorLibrary over Vantor.dll's virtual receiver.

#include "common/TestUtil.h"
#include "device/DriverFixture.h"
#include "device/USBDriver.h"
#include "device/win32/VantorLibrary.h"
#include "settings/Settings.h"
#include "sim/VirtualReceiver.h"

#include "VirtualControl.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

TEST(USBDriverOverVantor, ReadsWritesFollowsEventsAndShutsDown) {
    testutil::TempDir dir;
    const std::u16string state = dir.File("receiver.bin");
    SetEnvironmentVariableW(kVantorVirtualReceiverVariable,
                            reinterpret_cast<const wchar_t*>(state.c_str()));
    settings::g_opt = {};
    settings::g_opt.VID = sim::kFactoryVid;
    settings::g_opt.PID = sim::kFactoryPid;
    settings::g_opt.Retry = 1;

    testutil::RecordingPoster poster;
    auto driver = std::make_unique<CUSBDriver>(std::make_unique<VantorLibrary>(), &poster);
    ASSERT_TRUE(driver->InitDriver());
    ASSERT_TRUE(driver->OpenDevice());
    EXPECT_EQ(driver->GetDevState(), 1);

    const sim::Memory factory = sim::FactoryImage();
    uint8_t two[2] = {};
    ASSERT_TRUE(driver->ReadEEPROM(0x0004, two, 2));
    EXPECT_EQ(std::vector<uint8_t>(two, two + 2),
              std::vector<uint8_t>(factory.begin() + 4, factory.begin() + 6));

    std::vector<uint8_t> bytes(25);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(0xA0 + i);
    ASSERT_TRUE(driver->WriteEEPROM(int(bytes.size()), 0x0200, bytes.data()));
    std::vector<uint8_t> back(bytes.size());
    ASSERT_TRUE(driver->ReadROM(nullptr, back.data(), 0x0200, int(back.size())));
    EXPECT_EQ(back, bytes);

    ASSERT_TRUE(SendVirtualControl(state, "dpi", nullptr));
    const auto messages = poster.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].msg, WM_DEVICE_BEHAVIOR);
    EXPECT_EQ(messages[0].lParam, 1);

    // The reader blocks in ReadFile; shutting down must wake and join it.
    const auto start = std::chrono::steady_clock::now();
    driver.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    SetEnvironmentVariableW(kVantorVirtualReceiverVariable, nullptr);
    settings::g_opt = {};
}

} // namespace
