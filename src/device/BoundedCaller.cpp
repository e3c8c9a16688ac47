#include "device/BoundedCaller.h"

#include "platform/Memory.h"

BoundedCaller::BoundedCaller() : m_thread(&BoundedCaller::Run, this) {}

BoundedCaller::~BoundedCaller() {
    {
        std::lock_guard lock(m_mtx);
        m_stop = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

std::optional<int> BoundedCaller::Call(std::function<int()> call,
                                       std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mtx);
    if (!m_cv.wait_until(lock, deadline, [this] { return !m_busy; }))
        return std::nullopt;
    // The result's own slot: a later call may end before this caller wakes.
    auto result = std::make_shared<std::optional<int>>();
    m_call = std::move(call);
    m_result = result;
    m_busy = true;
    m_cv.notify_all();
    if (!m_cv.wait_until(lock, deadline, [&result] { return result->has_value(); }))
        return std::nullopt;
    return *result;
}

void BoundedCaller::Run() {
    platform::ReleaseUnusedStack(); // it waits for calls most of the time
    std::unique_lock lock(m_mtx);
    for (;;) {
        m_cv.wait(lock, [this] { return m_stop || m_call; });
        if (!m_call)
            return; // stopped with nothing left to run
        std::function<int()> call = std::move(m_call);
        std::shared_ptr<std::optional<int>> slot = std::move(m_result);
        m_call = nullptr;
        lock.unlock();
        const int result = call();
        lock.lock();
        *slot = result;
        m_busy = false;
        m_cv.notify_all();
    }
}
