// Real mouse and keyboard input through SendInput.

#include "WinDriver.h"

namespace driver {
namespace {

// The gap after each input event: long enough for another process's window
// to take it in order, far below the double-click time.
constexpr int kInputGapMs = 20;

void SendMouse(POINT pt, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(pt.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = ::MulDiv(pt.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    ::SendInput(1, &input, sizeof(input));
    Pump(kInputGapMs);
}

void SendButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
    Pump(kInputGapMs);
}

DWORD DownFlag(Button b) {
    return b == Button::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
}
DWORD UpFlag(Button b) {
    return b == Button::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
}

// Keys that sit on the extended part of the keyboard: without the flag
// Windows reads them as their number-pad twins.
bool IsExtended(WORD vk) {
    switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_DIVIDE:
        return true;
    default:
        return false;
    }
}

void SendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = WORD(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    ::SendInput(1, &input, sizeof(input));
    Pump(kInputGapMs);
}

void SendUnicode(wchar_t c) {
    INPUT input[2]{};
    for (int i = 0; i < 2; ++i) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wScan = c;
        input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    ::SendInput(2, input, sizeof(INPUT));
    Pump(kInputGapMs);
}

} // namespace

void MoveTo(POINT screen) {
    SendMouse(screen, 0);
}

void ButtonDown(Button button) {
    SendButton(DownFlag(button));
}

void ButtonUp(Button button) {
    SendButton(UpFlag(button));
}

void Press(POINT screen, Button button) {
    SendMouse(screen, 0);
    SendMouse(screen, DownFlag(button));
}

void Release(POINT screen, Button button) {
    SendMouse(screen, 0);
    SendMouse(screen, UpFlag(button));
}

void ClickAt(POINT screen, Button button) {
    Press(screen, button);
    SendMouse(screen, UpFlag(button));
}

void DoubleClickAt(POINT screen) {
    ClickAt(screen);
    SendMouse(screen, MOUSEEVENTF_LEFTDOWN);
    SendMouse(screen, MOUSEEVENTF_LEFTUP);
}

void ClickIn(HWND hwnd, int x, int y, Button button) {
    ClickAt(ScreenPoint(hwnd, x, y), button);
}

void ClickCentre(HWND hwnd, Button button) {
    ClickAt(CentreOf(hwnd), button);
}

void DragAt(POINT from, POINT to, int steps) {
    Press(from);
    steps = steps < 1 ? 1 : steps;
    for (int i = 1; i <= steps; ++i)
        MoveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    SendMouse(to, MOUSEEVENTF_LEFTUP);
}

void ParkPointer() {
    MoveTo({::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1});
}

void KeyDown(WORD vk) {
    SendKey(vk, false);
}

void KeyUp(WORD vk) {
    SendKey(vk, true);
}

void PressKey(WORD vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void PressChord(std::initializer_list<WORD> keys) {
    for (WORD vk : keys)
        KeyDown(vk);
    for (auto it = keys.end(); it != keys.begin();)
        KeyUp(*--it);
}

void Type(std::wstring_view text) {
    for (wchar_t c : text) {
        const SHORT key = ::VkKeyScanW(c);
        if (key == -1) {
            SendUnicode(c);
            continue;
        }
        const WORD vk = LOBYTE(key);
        const BYTE shift = HIBYTE(key);
        const WORD held[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
        for (int i = 0; i < 3; ++i)
            if (shift & (1 << i))
                KeyDown(held[i]);
        PressKey(vk);
        for (int i = 2; i >= 0; --i)
            if (shift & (1 << i))
                KeyUp(held[i]);
    }
}

} // namespace driver
