#pragma once
// The Windows test driver: real mouse and keyboard input, controls and
// windows found the way a user sees them, pop-up menus, and waiting on state.
// The window tests (tests/gui, tests/kelmo), the end-to-end tests (tests/e2e)
// and the benchmarks share it, so a test reads like the user's steps:
//
//   HWND box = driver::WaitControl(main, IDC_ADV_PRECISION);
//   driver::ClickCentre(box);                      // a real click
//   driver::PickFromMenu(driver::FindControl(main, 271), 1);
//   driver::ClickCentre(field);
//   driver::PressChord({VK_CONTROL, 'A'});
//   driver::Type(L"255");
//   ASSERT_TRUE(driver::WaitUntil([&] { return Stored() == 255; }));
//
// Input goes through SendInput at screen positions, so it reaches whatever
// window is under the pointer or has the focus, in this process or another.
// Tests that send it must not run beside each other on one display (a CTest
// resource lock or RUN_SERIAL). Each input call lets this thread's windows
// take the input before it returns and leaves a short gap after it, as a hand
// would; it never waits for what the input causes. Wait for that with
// WaitUntil (or a window, a log line, device memory): never a fixed pause.
//
// Everything pumps this thread's messages while it waits, so windows the
// test itself created keep working.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace driver {

// How long the waits below wait by default.
constexpr int kWaitMs = 5000;

// ---- Waiting ---------------------------------------------------------------

// Dispatches this thread's messages for `ms` milliseconds (0: what is queued).
void Pump(int ms = 0);
// Pumps until `done` holds or `ms` have passed; whether it held.
bool WaitUntil(const std::function<bool()>& done, int ms = kWaitMs);

// ---- Places ------------------------------------------------------------------

// A point of a window's client area on the screen.
POINT ScreenPoint(HWND hwnd, int x, int y);
// The middle of a window on the screen.
POINT CentreOf(HWND hwnd);
RECT ScreenRect(HWND hwnd);

// ---- Mouse -------------------------------------------------------------------

enum class Button { Left, Right };

void MoveTo(POINT screen);
// The button pressed or released where the pointer is.
void ButtonDown(Button button = Button::Left);
void ButtonUp(Button button = Button::Left);
// Moves there, then presses or releases the button.
void Press(POINT screen, Button button = Button::Left);
void Release(POINT screen, Button button = Button::Left);
void ClickAt(POINT screen, Button button = Button::Left);
// Two clicks within the system's double-click time.
void DoubleClickAt(POINT screen);
// A click at (x, y) of a window's client area, or at its middle.
void ClickIn(HWND hwnd, int x, int y, Button button = Button::Left);
void ClickCentre(HWND hwnd, Button button = Button::Left);
// Presses at `from`, moves to `to` in `steps` even steps and releases there.
void DragAt(POINT from, POINT to, int steps = 4);
// Moves the pointer to the screen's bottom right corner, away from where
// tests place their windows (a window opening under a pointer left there by
// an earlier test would get hover it did not ask for).
void ParkPointer();

// ---- Keyboard ------------------------------------------------------------------

void KeyDown(WORD vk);
void KeyUp(WORD vk);
// One key pressed and released.
void PressKey(WORD vk);
// The keys pressed in order and released in reverse: {VK_CONTROL, 'A'}.
void PressChord(std::initializer_list<WORD> keys);
// Each character typed with its key of the keyboard layout (Shift and the
// like held where the layout needs them); a character without a key arrives
// as a Unicode key event.
void Type(std::wstring_view text);

// ---- Windows ------------------------------------------------------------------

// The first visible window with control id `id` anywhere under `root`, or
// null. Hidden windows are skipped: pages keep controls of other sensors.
HWND FindControl(HWND root, int id);
// FindControl, waited for.
HWND WaitControl(HWND root, int id, int ms = kWaitMs);
// A real click in the middle of that control; false when there is none.
bool ClickControl(HWND root, int id);
std::wstring TextOf(HWND hwnd);

// A top-level window to look for: visible, of process `pid` (0: any), not
// `exclude`, whose title or class is the given one (a null one is not
// compared; both null match any window).
struct WindowQuery {
    const wchar_t* title = nullptr;
    const wchar_t* cls = nullptr;
    DWORD pid = 0;
    HWND exclude = nullptr;
};
HWND FindTopWindow(const WindowQuery& query);
HWND WaitTopWindow(const WindowQuery& query, int ms = kWaitMs);
// Waits until the window is destroyed or hidden.
bool WaitGone(HWND hwnd, int ms = kWaitMs);
// Waits until the window is shown (or hidden). Hiding takes Wine about two
// seconds on a display without a window manager.
bool WaitVisible(HWND hwnd, bool visible = true, int ms = kWaitMs);
// Waits until the window is the foreground window and the keyboard focus of
// its thread is on it or one of its children: keys typed before that go to
// the window that had them.
bool WaitKeyboardFocus(HWND hwnd, int ms = kWaitMs);
// Makes the window and its children paint what they hold now, and returns
// once its thread has done so (for a picture of it).
void WaitPainted(HWND hwnd);

// ---- The screen --------------------------------------------------------------

// The screen's pixels at one moment, row by row (0x00RRGGBB).
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};
ScreenPixels ReadScreen();
// The share (0 to 1) of the pixels of `area` (screen coordinates) that
// differ between the two readings.
double ShareChanged(const ScreenPixels& before, const ScreenPixels& now, const RECT& area);
// Waits until a window that opened after `before` was read is shown and
// painted and the screen shows it: most of the pixels it covers differ from
// `before`. Wine copies a window's drawing to the screen a moment after the
// paint, when the window's thread next waits for messages; a picture taken
// between shows what lay under the window.
bool WaitShownOnScreen(HWND window, const ScreenPixels& before, int ms = kWaitMs);

// ---- Pop-up menus (Kelmo.dll) -----------------------------------------------

constexpr wchar_t kMenuClass[] = L"TarvelKelmoMenu";
// The height of a menu entry with the product's menu images.
constexpr int kMenuEntryHeight = 25;

// The visible menu windows of every process, top of the stack first.
std::vector<HWND> OpenMenus();
// A menu window that was not open in `before`, waited for.
HWND WaitNewMenu(const std::vector<HWND>& before = {}, int ms = kWaitMs);
// The middle of entry `index` (from 0) of a menu window, on the screen.
POINT MenuEntryPoint(HWND menu, int index, int entryHeight = kMenuEntryHeight);
// Moves over the entry and clicks it; true once every menu has closed.
bool PickMenuEntry(HWND menu, int index, int entryHeight = kMenuEntryHeight);
// Moves over an entry with a sub-menu; the sub-menu window, or null when none
// opened.
HWND EnterSubMenu(HWND menu, int index, int entryHeight = kMenuEntryHeight);
// Clicks the control that opens a menu (a combo button, say), waits for the
// menu and picks entry `index`; true once the menu has closed.
bool PickFromMenu(HWND opener, int index, int entryHeight = kMenuEntryHeight);

} // namespace driver
