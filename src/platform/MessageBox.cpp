#include "platform/MessageBox.h"

#include <mutex>

namespace platform {
namespace {
std::mutex g_sinkMutex;
MessageBoxSink g_sink;
} // namespace

void SetMessageBoxSink(MessageBoxSink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

void ShowMessageBox(const std::u16string& text, const std::u16string& caption) {
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
