#pragma once
// How the portable core reaches the program's windows: events and WM_SYNC_OK
// as posted messages to a window, the progress window found by its title, and
// the core's message boxes shown as the skinned message dialog.

#include "device/DeviceEvents.h"
#include "sync/ApplyWorker.h"

#include <windows.h>

#include <memory>
#include <string>

// Posts to one window; events are dropped once the window is gone.
class WindowPoster : public EventPoster {
public:
    explicit WindowPoster(HWND hwnd = nullptr) : m_hwnd(hwnd) {}
    void SetWindow(HWND hwnd) { m_hwnd = hwnd; }
    HWND Window() const { return m_hwnd; }
    bool IsWindow() const override { return m_hwnd && ::IsWindow(m_hwnd); }
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

private:
    HWND m_hwnd;
};

// The apply worker's way to the progress dialog: a top-level window by title.
class TopWindowFinder : public WindowFinder {
public:
    std::shared_ptr<EventPoster> FindWindowByTitle(const std::u16string& title) override;
};

// Posted to the main window by a worker thread that has a message for the
// user; lParam owns a heap std::u16string pair (text, caption).
constexpr UINT WM_CORE_MESSAGE = WM_APP + 0x31;

// Routes the core's message boxes to the message dialog owned by `mainWnd`:
// shown at once on the window thread, posted to the window from any other
// thread; failed saves are told there too. A null window restores the
// system's message box and ends the save-failure notices.
void InstallMessageBoxSink(HWND mainWnd);
// Shows the message a WM_CORE_MESSAGE carried and frees it.
void ShowPostedCoreMessage(HWND owner, LPARAM lParam);
