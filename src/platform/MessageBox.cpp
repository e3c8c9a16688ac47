#include "platform/MessageBox.h"

#include <atomic>
#include <mutex>

namespace platform {
namespace {
std::mutex g_sinkMutex;
MessageBoxSink g_sink;
std::atomic<MessageBoxObserver> g_observer{nullptr};
} // namespace

void SetMessageBoxSink(MessageBoxSink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

void SetMessageBoxObserver(MessageBoxObserver observer) {
    g_observer = observer;
}

void ShowMessageBox(const std::u16string& text, const std::u16string& caption) {
    if (MessageBoxObserver observer = g_observer.load())
        observer(text, caption);
    MessageBoxSink sink;
    {
        std::lock_guard lock(g_sinkMutex);
        sink = g_sink;
    }
    if (sink)
        sink(text, caption);
    else
        SystemMessageBox(text, caption);
}

} // namespace platform
