#pragma once
// What the window tests share: the program's globals pointed at the source
// tree's product folder, a modal run driven by a script and screenshots. Real
// input, finding controls and waiting come from the test driver
// (driver/WinDriver.h).

#include "common/TestUtil.h"
#include "driver/WinDriver.h"
#include "framework/Dialog.h"
#include "framework/GdiPlus.h"

#include <functional>
#include <string>
#include <vector>

namespace guitest {

// The product folder as the program sees it ("Z:\...\product\").
std::wstring ProductDir();
// Points g_szExeDir somewhere else for the scope (a skins folder with files
// missing), and back.
class ExeDirScope {
public:
    explicit ExeDirScope(const std::wstring& dir);
    ~ExeDirScope();

private:
    std::wstring m_saved;
};
// A copy of the product's skins folder without the named images, used as the
// program's folder for the scope.
class SkinsWithout {
public:
    explicit SkinsWithout(const std::vector<const char*>& missing);

private:
    testutil::TempDir m_dir;
    ExeDirScope m_scope;
};
// A Unix path as the program sees it under Wine, with a trailing separator.
std::wstring WinDir(const std::string& unixDir);

// Runs the dialog modally; `script` runs once inside its modal loop, with the
// window up. Returns DoModal's result.
INT_PTR RunModal(fw::Dialog& dlg, const std::function<void(HWND)>& script, HWND owner = nullptr);

// Dispatches what is queued (and what arrives) for `ms` milliseconds.
using driver::Pump;

// A picture of the window as on screen; null when it cannot be taken.
fw::Image Capture(HWND hwnd);
// Captures the window into shots/<name>.png; true when written.
bool SaveShot(HWND hwnd, const std::wstring& name);
// 0x00RRGGBB of a captured pixel.
uint32_t PixelAt(Gdiplus::Bitmap& image, int x, int y);

// Sends a key message through the modal loop's routing, as if typed.
bool RouteKey(HWND target, HWND topLevel, UINT msg, UINT vk, LPARAM lParam = 0);

// The text of a window.
std::wstring WindowText(HWND hwnd);

// Records what would go to the system's message box for the skin's warnings,
// starting with no image warned about yet; restores both at the end.
class SystemBoxRecorder {
public:
    SystemBoxRecorder();
    ~SystemBoxRecorder();
    SystemBoxRecorder(const SystemBoxRecorder&) = delete;
    SystemBoxRecorder& operator=(const SystemBoxRecorder&) = delete;
    const std::vector<std::u16string>& Texts() const { return m_texts; }

private:
    std::vector<std::u16string> m_texts;
};

} // namespace guitest
