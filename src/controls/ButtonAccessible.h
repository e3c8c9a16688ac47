#pragma once
// What an accessibility client (a screen reader, UI automation through MSAA)
// is told about one of our push buttons. The buttons are windows of our own
// class, so the system's standard object would describe each as a plain
// client area; this answers with that standard object changed only where a
// push button differs: its role, its state (pressed, unavailable, focusable,
// focused) and its default action ("Press", which clicks it). Name, place,
// parent and navigation stay the standard object's.
//
// oleacc.dll is loaded when the first client asks, never at start-up.

#include <windows.h>

// Answers WM_GETOBJECT for a window that behaves as a push button (answers
// BM_GETSTATE and BM_CLICK). Returns the message's result for OBJID_CLIENT,
// or 0 for any other object or when the answer cannot be made: the caller
// then leaves the message to DefWindowProc.
LRESULT AnswerPushButtonObject(HWND hwnd, WPARAM wParam, LPARAM lParam);
