#pragma once
// A child window of one of our own window classes, bound to its C++ object
// at WM_NCCREATE: one window procedure dispatches every message to the
// object's OnMessage. The object destroys the window with itself.

#include <windows.h>

class CChildWindow {
public:
    CChildWindow() = default;
    virtual ~CChildWindow();
    CChildWindow(const CChildWindow&) = delete;
    CChildWindow& operator=(const CChildWindow&) = delete;
    HWND Hwnd() const { return m_hwnd; }

protected:
    // Creates the window, of class `className` (registered with
    // `classStyle` on its first use), as a child of `parent`.
    bool CreateChild(const wchar_t* className, UINT classStyle, HWND parent, const RECT& rect,
                     UINT id, DWORD style);
    // Every message; what it returns is the window procedure's result.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    HWND m_hwnd = nullptr;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
