#pragma once
// The configuration read and the apply against a virtual receiver: the
// shipped product's settings and texts, a data folder of its own with an
// empty macro library and five profiles, a headless macro tree, pointer
// settings in memory, and the log and message boxes recorded.

#include "model/CoreFixture.h"

#include "common/RecordingPoster.h"
#include "device/USBDriver.h"
#include "platform/MessageBox.h"
#include "platform/SystemMouse.h"
#include "settings/Log.h"
#include "sim/VirtualHidLibrary.h"
#include "sim/VirtualReceiver.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "sync/ApplyProfile.h"
#include "sync/DeviceRead.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace testutil {

// Log entries and message boxes, from any thread.
class SyncRecorder {
public:
    // Installed after the product's start-up, which uses the sinks itself.
    void Install() {
        settings::SetLogSink([this](const std::string& e) {
            std::lock_guard lock(m_mtx);
            m_log.push_back(e);
        });
        platform::SetMessageBoxSink([this](const std::u16string& t, const std::u16string& c) {
            std::lock_guard lock(m_mtx);
            m_boxes.push_back(text::ToUtf8(c) + ": " + text::ToUtf8(t));
        });
    }
    ~SyncRecorder() {
        settings::SetLogSink({});
        platform::SetMessageBoxSink({});
    }
    int Count(const std::string& prefix) const {
        std::lock_guard lock(m_mtx);
        return int(std::count_if(m_log.begin(), m_log.end(),
                                 [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
    }
    bool Has(const std::string& prefix) const { return Count(prefix) > 0; }
    // An entry holds `part` anywhere.
    bool Mentions(const std::string& part) const {
        std::lock_guard lock(m_mtx);
        return std::any_of(m_log.begin(), m_log.end(),
                           [&](const std::string& e) { return e.find(part) != std::string::npos; });
    }
    std::vector<std::string> Boxes() const {
        std::lock_guard lock(m_mtx);
        return m_boxes;
    }
    void Clear() {
        std::lock_guard lock(m_mtx);
        m_log.clear();
        m_boxes.clear();
    }

private:
    mutable std::mutex m_mtx;
    std::vector<std::string> m_log;
    std::vector<std::string> m_boxes;
};

// One command-7 report: where it wrote and what.
struct DeviceWrite {
    int addr;
    std::vector<uint8_t> data;
};

class SyncTest : public ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        settings::ResetLog(); // entries reach the recorder only
        rec.Install();
        settings::g_opt.Debug = 1;
        settings::g_opt.Retry = 1;
        SetAppDataDir(m_data.Dir());
        InitProfiles();
        g_pCurProfile = g_ProfileList.At(0);
        ResetCfgReadState();
        m_mouse.Reset();
        receiver = std::make_shared<sim::VirtualReceiver>();
        receiver->SetLatency(std::chrono::milliseconds(0));
        driver = std::make_unique<CUSBDriver>(std::make_unique<sim::VirtualHidLibrary>(receiver));
        ASSERT_TRUE(driver->InitDriver());
        ASSERT_TRUE(driver->OpenDevice());
        receiver->ResetCounters();
        ctx.pDriver = driver.get();
        ctx.pMacroTree = &tree;
        rec.Clear();
    }
    void TearDown() override {
        driver.reset();
        ResetCfgReadState();
        ProductTest::TearDown();
        g_szAppDataDir.clear();
    }

    // Every command-7 report the receiver got since the last reset.
    std::vector<DeviceWrite> Writes() const {
        std::vector<DeviceWrite> out;
        for (const sim::Report& r : receiver->ReceivedReports())
            if (r[1] == 7)
                out.push_back(
                    {r[3] << 8 | r[4], std::vector<uint8_t>(r.begin() + 6, r.begin() + 6 + r[5])});
        return out;
    }
    std::vector<uint8_t> Memory(int addr, int length) const {
        const sim::Memory m = receiver->ReadMemory();
        return std::vector<uint8_t>(m.begin() + addr, m.begin() + addr + length);
    }
    static ProfileRecord Profile(int index) {
        ProfileRecord p{};
        CopyProfileOut(index, p);
        return p;
    }
    int Apply(const ProfileRecord& p, uint32_t flag, uint32_t data, EventPoster* w = nullptr) {
        receiver->ResetCounters();
        return ApplyProfile(w, driver.get(), &p, WM_PROGRESS_SETPOS, flag, data, &m_mouse);
    }

    TempDir m_data;
    SyncRecorder rec;
    HeadlessMacroTree tree;
    platform::MemorySystemMouse m_mouse;
    std::shared_ptr<sim::VirtualReceiver> receiver;
    std::unique_ptr<CUSBDriver> driver;
    CfgReadCtx ctx;
};

} // namespace testutil
