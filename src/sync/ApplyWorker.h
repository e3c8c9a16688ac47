#pragma once
// The apply worker: one long-lived thread that takes apply requests in
// posting order and runs ApplyProfile on a copy of the current profile.
//
// Requesters post with PostApply (model/ApplyRequest.h). The main window
// starts the worker with InitApply during its initialisation and stops it
// with StopApply at shutdown: the worker finishes the request in flight,
// drops the ones still waiting (with a log line) and is joined.

#include "device/DeviceEvents.h"
#include "device/USBDriver.h"
#include "model/ApplyRequest.h"
#include "platform/SystemMouse.h"
#include "sync/ApplyProfile.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

// The progress dialog's title, by which the worker finds it.
constexpr char16_t kProgressDlgTitle[] = u"MyProgressDlg..";
// Requests waiting at most; further ones are dropped (and logged).
constexpr size_t kMaxPendingApply = 100;
// Closes the progress window (WM_CLOSE).
constexpr uint32_t kMsgClose = 0x0010;
// The progress window is looked for this often, after this pause each time.
constexpr int kProgressLooks = 20;
constexpr uint32_t kProgressLookGapMs = 100;

// Finds a top-level window by its title: the GUI asks the system, tests and
// tarvelctl answer from what they set up.
class WindowFinder {
public:
    virtual ~WindowFinder() = default;
    // The window, or null when there is none.
    virtual std::shared_ptr<EventPoster> FindWindowByTitle(const std::u16string& title) = 0;
};

// The worker's context: one instance, owned by this module.
struct ApplyCtx {
    std::u16string szProgressTitle = kProgressDlgTitle;
    CUSBDriver* pDriver = nullptr;
    EventPoster* pMainWnd = nullptr; // owner of the worker's message boxes
    WindowFinder* pFinder = nullptr;
    platform::SystemMouse* pMouse = nullptr; // null: the system's own
    uint32_t nMsg = WM_PROGRESS_SETPOS;

    // Pending requests (nFlag, nData) in posting order, and the exit request.
    std::mutex mtx;
    std::condition_variable cvRequest;
    std::condition_variable cvIdle; // a request finished
    std::deque<std::pair<uint32_t, uint32_t>> requests;
    bool bExit = false;
    bool bBusy = false;
    size_t nDropped = 0; // requests the last stop dropped
    // Requests written to the device whole; counted before the progress
    // window of the request is closed.
    std::atomic<uint32_t> nApplied{0};
    std::thread worker;
};

// Starts the worker (stopping one that runs). `finder` and `mouse` may be
// null: no progress window is ever found, the system's settings are used.
void InitApply(EventPoster* mainWnd, CUSBDriver* driver, WindowFinder* finder = nullptr,
               platform::SystemMouse* mouse = nullptr);
// Asks the worker to end once the request in flight is done, drops the
// requests still waiting, and joins it. Nothing happens when no worker runs.
void StopApply();
// How many requests the worker has written to the device whole since the
// program started: a requester that compares it before posting and after the
// progress window closed knows whether its request went through.
uint32_t AppliedCount();
// How many waiting requests the last StopApply dropped.
size_t ApplyDroppedAtStop();
bool ApplyRunning();

// Waits until no request is pending or running; false when `timeout` passed
// first (tests, tarvelctl).
bool WaitApplyIdle(std::chrono::milliseconds timeout);

// The worker's body.
void ApplyThread(ApplyCtx* ctx);
