// The apply worker: requests in posting order, the progress window, the
// messages the user sees, and a clean stop.

#include "sync/ApplyWorker.h"

#include "sync/SyncFixture.h"

#include <condition_variable>
#include <filesystem>
#include <thread>

namespace {

// Finds the progress window on a given look (0: never); can hold the worker
// inside a look until released.
class ProgressFinder : public WindowFinder {
public:
    std::shared_ptr<EventPoster> FindWindowByTitle(const std::u16string& title) override {
        std::unique_lock lock(m_mtx);
        ++m_nEntered;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return !m_bHold; });
        m_titles.push_back(title);
        if (m_nFoundOnLook != 0 && int(m_titles.size()) >= m_nFoundOnLook)
            return window;
        return nullptr;
    }
    void Hold(bool hold) {
        {
            std::lock_guard lock(m_mtx);
            m_bHold = hold;
        }
        m_cv.notify_all();
    }
    // Waits until the worker is inside a look.
    void WaitEntered() {
        std::unique_lock lock(m_mtx);
        m_cv.wait(lock, [this] { return m_nEntered > 0; });
    }
    int Looks() const {
        std::lock_guard lock(m_mtx);
        return int(m_titles.size());
    }
    std::shared_ptr<testutil::RecordingPoster> window =
        std::make_shared<testutil::RecordingPoster>();
    int m_nFoundOnLook = 0;

private:
    mutable std::mutex m_mtx;
    std::condition_variable m_cv;
    bool m_bHold = false;
    int m_nEntered = 0;
    std::vector<std::u16string> m_titles;
};

class ApplyWorkerTest : public testutil::SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        InitApply(&mainWnd, driver.get(), &finder, &m_mouse);
    }
    void TearDown() override {
        finder.Hold(false);
        StopApply();
        SyncTest::TearDown();
    }
    void Idle() { ASSERT_TRUE(WaitApplyIdle(std::chrono::seconds(10))); }

    testutil::RecordingPoster mainWnd;
    ProgressFinder finder;
};

TEST_F(ApplyWorkerTest, RequestsRunInPostingOrderAndNoneIsLost) {
    // The first request waits in the progress window's look, the others queue.
    finder.Hold(true);
    PostApply(APPLY_PROGRESS | APPLY_RATE, 0);
    finder.WaitEntered();
    PostApply(APPLY_LOD, 0);
    for (size_t i = 1; i < kMaxPendingApply; ++i)
        PostApply(0, uint32_t(i));
    PostApply(0, 0x1234); // one too many
    finder.Hold(false);
    Idle();

    EXPECT_TRUE(rec.Has("PostApply: 100 requests pending, nFlag=0x0, nData=0x1234 dropped"));
    EXPECT_EQ(rec.Count("Start Apply"), 1 + int(kMaxPendingApply));
    EXPECT_EQ(rec.Count("Apply Over"), 1 + int(kMaxPendingApply));
    EXPECT_TRUE(rec.Has("Start Apply: hDevice=0x"));
    std::vector<int> addrs;
    for (const testutil::DeviceWrite& w : Writes())
        addrs.push_back(w.addr);
    EXPECT_EQ(addrs, (std::vector<int>{0x00, 0x0A}));
    EXPECT_TRUE(rec.Boxes().empty());
    EXPECT_TRUE(std::filesystem::exists(m_data.Path() / "pro.dct"));
}

TEST_F(ApplyWorkerTest, ProgressWindowIsFoundFedAndClosedTwice) {
    finder.m_nFoundOnLook = 3;
    receiver->SetSendsFail(true); // the rate write fails
    g_nResync = 0;
    PostApply(APPLY_PROGRESS | APPLY_RATE, 0);
    Idle();
    EXPECT_EQ(finder.Looks(), 3);
    std::vector<std::pair<uint32_t, uintptr_t>> got;
    for (const auto& m : finder.window->Messages())
        got.emplace_back(m.msg, m.wParam);
    const std::vector<std::pair<uint32_t, uintptr_t>> expected = {
        {WM_PROGRESS_SETPOS, 20}, {WM_PROGRESS_SETPOS, 30}, {WM_PROGRESS_SETPOS, 50},
        {WM_PROGRESS_SETPOS, 60}, {kMsgClose, 0},           {kMsgClose, 0}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(rec.Boxes(), std::vector<std::string>{"Error:    Update settings failed!      "});
    EXPECT_EQ(g_nResync.load(), 0);

    // A profile other than the first applied: profile 0 must be read again.
    receiver->SetSendsFail(false);
    g_pCurProfile = g_ProfileList.At(2);
    PostApply(APPLY_RATE, 0);
    Idle();
    EXPECT_EQ(g_nResync.load(), 1);
    EXPECT_EQ(rec.Boxes().size(), 1u);
}

TEST_F(ApplyWorkerTest, NoDeviceTellsTheUserAndSavesNothing) {
    StopApply();
    receiver->SetUnplugged(true);
    CUSBDriver closed(std::make_unique<sim::VirtualHidLibrary>(receiver));
    ASSERT_TRUE(closed.InitDriver());
    ASSERT_FALSE(closed.OpenDevice());
    finder.m_nFoundOnLook = 1;
    InitApply(&mainWnd, &closed, &finder, &m_mouse);
    PostApply(APPLY_PROGRESS | kApplyFull, kApplyAll);
    Idle();
    const std::string msg15 = text::ToUtf8(settings::Text(u"tc_msg15"));
    ASSERT_FALSE(msg15.empty());
    EXPECT_EQ(rec.Boxes(), std::vector<std::string>{"Error: " + msg15});
    ASSERT_EQ(finder.window->Messages().size(), 1u);
    EXPECT_EQ(finder.window->Messages()[0].msg, kMsgClose);
    EXPECT_FALSE(rec.Has("Apply Over"));
    EXPECT_FALSE(std::filesystem::exists(m_data.Path() / "pro.dct"));

    // With GoWithNoDev the apply goes on and ends as a success; without a
    // progress window on screen the worker gives up looking after 20 looks.
    rec.Clear();
    settings::g_opt.GoWithNoDev = 1;
    finder.m_nFoundOnLook = 0;
    PostApply(APPLY_PROGRESS | APPLY_DPI_COUNT, 0);
    Idle();
    EXPECT_EQ(finder.Looks(), 1 + kProgressLooks);
    EXPECT_TRUE(rec.Has("Apply Success"));
    EXPECT_TRUE(rec.Boxes().empty());
    StopApply();
}

// At exit the request in flight is finished and the full queue behind it is
// dropped, so closing the window does not wait for a hundred applies.
TEST_F(ApplyWorkerTest, StopFinishesTheRequestInFlightAndDropsTheQueue) {
    finder.m_nFoundOnLook = 1;
    finder.Hold(true);
    PostApply(APPLY_PROGRESS | APPLY_DPI_COUNT, 0);
    finder.WaitEntered();
    for (size_t i = 0; i < kMaxPendingApply; ++i)
        PostApply(APPLY_RATE | APPLY_LOD, 0);
    std::thread stopper([] { StopApply(); });
    // The stop has taken the worker once it no longer counts as running.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ApplyRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_FALSE(ApplyRunning());
    const auto released = std::chrono::steady_clock::now();
    finder.Hold(false);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::seconds(5));

    EXPECT_EQ(rec.Count("Start Apply"), 1);
    EXPECT_EQ(rec.Count("Apply Over"), 1);
    EXPECT_TRUE(rec.Has("ApplyThread: exit, 100 pending requests dropped"));
    EXPECT_TRUE(rec.Has("thread exit"));
    EXPECT_EQ(ApplyDroppedAtStop(), kMaxPendingApply);
    std::vector<int> addrs;
    for (const testutil::DeviceWrite& w : Writes())
        addrs.push_back(w.addr);
    EXPECT_EQ(addrs, std::vector<int>{0x02}); // only the request in flight wrote

    PostApply(APPLY_DPI_COUNT, 0);
    EXPECT_TRUE(rec.Has("PostApply: no apply worker"));
}

} // namespace
