#pragma once
// A CUSBDriver on a virtual receiver, with its log and posted messages
// recorded. Each test starts from the factory receiver and default settings.

#include "common/RecordingPoster.h"
#include "device/USBDriver.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "sim/VirtualHidLibrary.h"
#include "sim/VirtualReceiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testutil {

// Every log entry, as the log would write it.
class LogCapture {
public:
    LogCapture() {
        settings::SetLogSink([this](const std::string& entry) {
            std::lock_guard lock(m_mtx);
            m_entries.push_back(entry);
        });
    }
    ~LogCapture() { settings::SetLogSink({}); }
    std::vector<std::string> Entries() const {
        std::lock_guard lock(m_mtx);
        return m_entries;
    }
    // Entries that start with `prefix`.
    int Count(const std::string& prefix) const {
        std::lock_guard lock(m_mtx);
        return int(std::count_if(m_entries.begin(), m_entries.end(),
                                 [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
    }
    bool Has(const std::string& entry) const { return Count(entry) > 0; }
    void Clear() {
        std::lock_guard lock(m_mtx);
        m_entries.clear();
    }

private:
    mutable std::mutex m_mtx;
    std::vector<std::string> m_entries;
};

class DriverTest : public testing::Test {
protected:
    void SetUp() override {
        settings::g_opt = {};
        settings::g_opt.Debug = 1; // entries reach the capture
        settings::g_opt.VID = sim::kFactoryVid;
        settings::g_opt.PID = sim::kFactoryPid;
        settings::g_opt.Retry = 1;
        receiver = std::make_shared<sim::VirtualReceiver>();
        MakeDriver();
    }
    void TearDown() override {
        driver.reset();
        settings::g_opt = {};
    }
    void MakeDriver() {
        driver.reset();
        auto hid = std::make_unique<sim::VirtualHidLibrary>(receiver);
        library = hid.get();
        driver = std::make_unique<CUSBDriver>(std::move(hid), &poster);
    }
    // Loads and opens; counters start from zero afterwards.
    void Open() {
        ASSERT_TRUE(driver->InitDriver());
        ASSERT_TRUE(driver->OpenDevice());
        receiver->ResetCounters();
        log.Clear();
    }
    // The data length and address of every report the receiver got.
    std::vector<std::pair<int, int>> Chunks() const {
        std::vector<std::pair<int, int>> out;
        for (const sim::Report& r : receiver->ReceivedReports())
            out.emplace_back(r[5], r[3] << 8 | r[4]);
        return out;
    }

    LogCapture log;
    RecordingPoster poster;
    std::shared_ptr<sim::VirtualReceiver> receiver;
    sim::VirtualHidLibrary* library = nullptr;
    std::unique_ptr<CUSBDriver> driver;
};

} // namespace testutil
