#pragma once
// A window stand-in for the device layer: records every message posted to it.

#include "device/DeviceEvents.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace testutil {

class RecordingPoster : public EventPoster {
public:
    struct Message {
        uint32_t msg;
        uintptr_t wParam;
        intptr_t lParam;
    };
    bool IsWindow() const override { return m_bWindow; }
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard lock(m_mtx);
        m_messages.push_back({msg, wParam, lParam});
    }
    std::vector<Message> Messages() const {
        std::lock_guard lock(m_mtx);
        return m_messages;
    }
    // Waits until `count` messages arrived or two seconds passed.
    std::vector<Message> WaitFor(size_t count) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (Messages().size() < count && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return Messages();
    }
    void Clear() {
        std::lock_guard lock(m_mtx);
        m_messages.clear();
    }
    std::atomic<bool> m_bWindow{true};

private:
    mutable std::mutex m_mtx;
    std::vector<Message> m_messages;
};

} // namespace testutil
