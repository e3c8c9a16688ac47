// A file decoded ahead on another thread is handed to the caller that asks
// for it, a caller that asks while it is being decoded waits for that decode,
// and anything the thread ahead did not do or could not do the caller does
// itself, as without it: the thread ahead only ever saves time.

#include "framework/DecodeOnce.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

// A file that decodes to the number of its decode, or is missing; a decode
// can be held until the test lets it go.
struct FakeFile {
    std::mutex mtx;
    std::condition_variable changed;
    bool missing = false;
    bool hold = false;
    int decodes = 0;

    std::shared_ptr<int> Decode() {
        std::unique_lock lock(mtx);
        const int nth = ++decodes;
        changed.notify_all();
        changed.wait(lock, [&] { return !hold; });
        return missing ? nullptr : std::make_shared<int>(nth);
    }
    void WaitForDecodes(int n) {
        std::unique_lock lock(mtx);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return decodes >= n; }));
    }
    void Release() {
        std::lock_guard lock(mtx);
        hold = false;
        changed.notify_all();
    }
};

template <class Pred> bool WaitFor(Pred done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// When the caller asks, relative to the thread that decodes ahead.
enum class Asked { AfterAhead, DuringAhead, BeforeAhead, CacheClosed };

TEST(DecodeOnce, TheCallerGetsTheFileDecodedAheadWaitsForItOrDecodesItItself) {
    const std::wstring kPath = L"skins\\btn_nr.png";
    const struct {
        const char* name;
        Asked asked;
        bool missing;
        int decodes;   // of the file, by both threads together
        int decodedBy; // the decode whose image the caller gets (0: none)
    } cases[] = {
        {"decoded ahead: handed over", Asked::AfterAhead, false, 1, 1},
        {"being decoded: waited for", Asked::DuringAhead, false, 1, 1},
        {"not reached: the caller decodes, the thread then skips it", Asked::BeforeAhead, false, 1,
         1},
        {"cache closed: nothing ahead", Asked::CacheClosed, false, 1, 1},
        {"missing ahead: the caller tries itself", Asked::AfterAhead, true, 2, 0},
        {"missing while waited for: the caller tries itself", Asked::DuringAhead, true, 2, 0},
        {"missing, caller first: the thread does not try again", Asked::BeforeAhead, true, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFile file;
        file.missing = c.missing;
        file.hold = c.asked == Asked::DuringAhead;
        fw::DecodeOnce<int> cache([&](const std::wstring& path) {
            EXPECT_EQ(path, kPath);
            return file.Decode();
        });
        if (c.asked != Asked::CacheClosed)
            cache.Open();

        std::shared_ptr<int> got;
        auto ask = [&] { got = cache.Decoded(kPath); };
        std::thread ahead, caller;
        switch (c.asked) {
        case Asked::AfterAhead:
        case Asked::CacheClosed:
            cache.DecodeAhead(kPath);
            ask();
            break;
        case Asked::DuringAhead:
            ahead = std::thread([&] { cache.DecodeAhead(kPath); });
            file.WaitForDecodes(1);
            caller = std::thread(ask);
            ASSERT_TRUE(WaitFor([&] { return cache.Waiting() == 1; }));
            EXPECT_EQ(file.decodes, 1); // the caller waits rather than decoding again
            file.Release();
            ahead.join();
            caller.join();
            break;
        case Asked::BeforeAhead:
            ask();
            cache.DecodeAhead(kPath);
            break;
        }
        EXPECT_EQ(file.decodes, c.decodes);
        if (c.decodedBy == 0) {
            EXPECT_EQ(got, nullptr);
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(*got, c.decodedBy);
        }
        // Asked again while the cache is open, nothing is decoded again:
        // not an image it holds, nor a file it found missing.
        if (c.asked != Asked::CacheClosed) {
            EXPECT_EQ(cache.Decoded(kPath), got);
            EXPECT_EQ(file.decodes, c.decodes);
            cache.Close();
        }
    }
}

} // namespace
