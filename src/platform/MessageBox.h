#pragma once
// Message boxes without an owner window. On Windows they are MessageBoxW with
// an OK button; a sink can be installed (tests, tarvelctl) to record them
// instead of showing anything.

#include <functional>
#include <string>

namespace platform {

using MessageBoxSink = std::function<void(const std::u16string& text, const std::u16string& caption)>;

// Installs a sink; an empty one restores the system's message box.
void SetMessageBoxSink(MessageBoxSink sink);

// Told of every message box before it is shown, whether a sink or the system
// shows it: the log keeps what the user was told. Null removes it.
using MessageBoxObserver = void (*)(const std::u16string& text, const std::u16string& caption);
void SetMessageBoxObserver(MessageBoxObserver observer);

void ShowMessageBox(const std::u16string& text, const std::u16string& caption);

// The system's own box; on platforms without one, the text goes to standard error.
void SystemMessageBox(const std::u16string& text, const std::u16string& caption);

} // namespace platform
