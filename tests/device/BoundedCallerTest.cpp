// A blocking call is waited for no longer than its bound, a stuck call holds
// back the next one only within that one's own bound, and a late result never
// becomes another call's.

#include "device/BoundedCaller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(BoundedCaller, WaitsNoLongerThanTheBoundAndKeepsResultsApart) {
    BoundedCaller caller;
    EXPECT_EQ(caller.Call([] { return 7; }, 1s), 7);

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const auto start = Clock::now();
    EXPECT_EQ(caller.Call(
                  [released] {
                      released.wait();
                      return 1;
                  },
                  100ms),
              std::nullopt);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 90ms);
    EXPECT_LT(waited, 1s);

    // The stuck call still runs: the next one is not started within its bound.
    EXPECT_EQ(caller.Call([] { return 2; }, 50ms), std::nullopt);
    release.set_value();
    EXPECT_EQ(caller.Call([] { return 3; }, 2s), 3);
}

// A caller destroyed while a call runs waits for it rather than leaving it
// to run on objects that are gone.
TEST(BoundedCaller, TheDestructorWaitsForACallStillRunning) {
    std::atomic<bool> ended{false};
    {
        BoundedCaller caller;
        EXPECT_EQ(caller.Call(
                      [&ended] {
                          std::this_thread::sleep_for(150ms);
                          ended = true;
                          return 0;
                      },
                      10ms),
                  std::nullopt);
    }
    EXPECT_TRUE(ended);
}

} // namespace
