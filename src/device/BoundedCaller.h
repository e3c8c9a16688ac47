#pragma once
// Blocking calls with a bound on how long the caller waits for them. Each
// call runs on the caller object's own thread, one at a time; one that takes
// longer than its bound goes on running there, the caller is told it timed
// out, and the next call first waits for it (within its own bound). Nothing
// is abandoned: the destructor waits for a call still running.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class BoundedCaller {
public:
    BoundedCaller();
    ~BoundedCaller();
    BoundedCaller(const BoundedCaller&) = delete;
    BoundedCaller& operator=(const BoundedCaller&) = delete;

    // The call's result, or none when it (or the call before it) has not
    // ended within `timeout`. The call keeps whatever it uses alive itself:
    // it may run on after this returns.
    std::optional<int> Call(std::function<int()> call, std::chrono::milliseconds timeout);

private:
    void Run();

    std::mutex m_mtx;
    std::condition_variable m_cv;
    std::function<int()> m_call;                  // the call waiting to run
    std::shared_ptr<std::optional<int>> m_result; // and where its result goes
    bool m_busy = false;                          // a call waits or runs
    bool m_stop = false;
    std::thread m_thread;
};
