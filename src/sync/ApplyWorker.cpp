#include "sync/ApplyWorker.h"

#include "platform/Memory.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/ProfileStore.h"
#include "sync/DeviceRead.h"

using settings::WriteLog;

namespace {

ApplyCtx g_ApplyCtx;
// Serialises InitApply and StopApply; the request queue has its own lock.
std::mutex g_mtxApplyLife;

constexpr char16_t kUpdateFailed[] = u"   Update settings failed!      ";
constexpr char16_t kErrorCaption[] = u"Error";
// Between the two WM_CLOSE messages to the progress window.
constexpr uint32_t kCloseGapMs = 20;

std::shared_ptr<EventPoster> FindProgressWindow(ApplyCtx& ctx) {
    if (!ctx.pFinder)
        return nullptr;
    for (int i = 0; i < kProgressLooks; ++i) {
        platform::SleepMs(kProgressLookGapMs);
        if (auto w = ctx.pFinder->FindWindowByTitle(ctx.szProgressTitle))
            return w;
    }
    return nullptr;
}

void HandleRequest(ApplyCtx& ctx, uint32_t nFlag, uint32_t nData) {
    CUSBDriver* driver = ctx.pDriver;
    const HidHandle hDevice = driver ? driver->CommandHandle() : nullptr;
    WriteLog("Start Apply: hDevice=0x%x, nFlag=0x%x, nData=0x%x",
             unsigned(reinterpret_cast<uintptr_t>(hDevice)), unsigned(nFlag), unsigned(nData));
    std::shared_ptr<EventPoster> progress;
    if (nFlag & APPLY_PROGRESS)
        progress = FindProgressWindow(ctx);

    if (!hDevice && settings::g_opt.GoWithNoDev == 0) {
        if (progress)
            progress->Post(kMsgClose, 0, 0);
        platform::ShowMessageBox(settings::Text(u"tc_msg15"), kErrorCaption);
        return;
    }

    // The window thread edits the current profile and the reader replaces
    // profile 0 meanwhile: the worker writes a copy taken under the list's lock.
    ProfileRecord copy;
    bool bHaveProfile = false;
    bool bFirst = false;
    {
        auto lock = g_ProfileList.Lock();
        if (const ProfileRecord* cur = g_pCurProfile.load()) {
            copy = *cur;
            bHaveProfile = true;
            bFirst = g_ProfileList.IndexOf(cur) == 0;
        }
    }
    const int result = ApplyProfile(progress.get(), driver, bHaveProfile ? &copy : nullptr,
                                    ctx.nMsg, nFlag, nData, ctx.pMouse);
    if (!result)
        platform::ShowMessageBox(kUpdateFailed, kErrorCaption);
    else if (!bFirst)
        ++g_nResync; // the device no longer holds profile 0's settings
    if (result)
        ++ctx.nApplied;

    if (progress) {
        progress->Post(kMsgClose, 0, 0);
        platform::SleepMs(kCloseGapMs);
        progress->Post(kMsgClose, 0, 0);
    }
    SaveProfiles();
    SaveCurId();
    WriteLog("Apply Over");
}

} // namespace

void ApplyThread(ApplyCtx* ctx) {
    WriteLog("Start Thread");
    platform::ReleaseUnusedStack(); // it waits for requests most of the time
    std::unique_lock lock(ctx->mtx);
    for (;;) {
        ctx->cvRequest.wait(lock, [ctx] { return !ctx->requests.empty() || ctx->bExit; });
        // At exit the request in flight has finished; the ones still waiting
        // (up to 100, each seconds of device traffic) would hold the closing
        // window for minutes, so they are dropped.
        if (ctx->bExit) {
            if (!ctx->requests.empty())
                WriteLog("ApplyThread: exit, %d pending requests dropped",
                         int(ctx->requests.size()));
            ctx->nDropped = ctx->requests.size();
            ctx->requests.clear();
            ctx->cvIdle.notify_all();
            WriteLog("thread exit");
            return;
        }
        const auto [nFlag, nData] = ctx->requests.front();
        ctx->requests.pop_front();
        ctx->bBusy = true;
        lock.unlock();
        HandleRequest(*ctx, nFlag, nData);
        lock.lock();
        ctx->bBusy = false;
        ctx->cvIdle.notify_all();
    }
}

namespace {

// The queue behind PostApply.
void QueueApply(uint32_t nFlag, uint32_t nData) {
    ApplyCtx& ctx = g_ApplyCtx;
    {
        std::lock_guard lock(ctx.mtx);
        if (!ctx.worker.joinable() || ctx.bExit) {
            WriteLog("PostApply: no apply worker, nFlag=0x%x, nData=0x%x dropped", unsigned(nFlag),
                     unsigned(nData));
            return;
        }
        if (ctx.requests.size() >= kMaxPendingApply) {
            WriteLog("PostApply: %d requests pending, nFlag=0x%x, nData=0x%x dropped",
                     int(ctx.requests.size()), unsigned(nFlag), unsigned(nData));
            return;
        }
        ctx.requests.emplace_back(nFlag, nData);
    }
    g_ApplyCtx.cvRequest.notify_one();
}

} // namespace

void InitApply(EventPoster* mainWnd, CUSBDriver* driver, WindowFinder* finder,
               platform::SystemMouse* mouse) {
    StopApply();
    std::lock_guard life(g_mtxApplyLife);
    ApplyCtx& ctx = g_ApplyCtx;
    std::lock_guard lock(ctx.mtx);
    ctx.szProgressTitle = kProgressDlgTitle;
    ctx.pDriver = driver;
    ctx.pMainWnd = mainWnd;
    ctx.pFinder = finder;
    ctx.pMouse = mouse;
    ctx.nMsg = WM_PROGRESS_SETPOS;
    ctx.requests.clear();
    ctx.nDropped = 0;
    ctx.bExit = false;
    ctx.bBusy = false;
    ctx.worker = std::thread(ApplyThread, &ctx);
    SetApplyQueue(QueueApply);
}

void StopApply() {
    std::lock_guard life(g_mtxApplyLife);
    ApplyCtx& ctx = g_ApplyCtx;
    std::thread worker;
    {
        std::lock_guard lock(ctx.mtx);
        if (!ctx.worker.joinable())
            return;
        ctx.bExit = true;
        ctx.nDropped = 0;
        worker = std::move(ctx.worker);
    }
    ctx.cvRequest.notify_all();
    worker.join();
}

uint32_t AppliedCount() {
    return g_ApplyCtx.nApplied.load();
}

size_t ApplyDroppedAtStop() {
    std::lock_guard lock(g_ApplyCtx.mtx);
    return g_ApplyCtx.nDropped;
}

bool ApplyRunning() {
    std::lock_guard lock(g_ApplyCtx.mtx);
    return g_ApplyCtx.worker.joinable();
}

bool WaitApplyIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(g_ApplyCtx.mtx);
    return g_ApplyCtx.cvIdle.wait_for(
        lock, timeout, [] { return g_ApplyCtx.requests.empty() && !g_ApplyCtx.bBusy; });
}
