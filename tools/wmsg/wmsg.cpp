// wmsg: a small console tool that finds a top-level window by its title and
// waits for it or posts it a message. The run script uses it to know when
// Tarvel's window is up and to close the program cleanly.
//
//   wmsg wait <title> [seconds]          0 once a visible window has the title
//   wmsg gone <title> [seconds]          0 once no window has the title
//   wmsg post <title> <msg> [wParam] [lParam]
//   wmsg hold                            keeps Wine's desktop up until ended
//
// Wine starts its desktop process for the first program that needs it and
// ends it a moment after the last one has gone; the desktop keeps that
// program's error output open all the while. The test runner starts `hold`
// (output going nowhere) before any test, so the desktop stays up for the
// whole run and holds no test's output.
//
// Numbers are decimal or 0x-prefixed hexadecimal. Exit code 0 on success, 1
// when the window was not found (in time), 2 on bad arguments.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: wmsg wait|gone <title> [seconds] | wmsg post <title> <msg> [wParam] "
               "[lParam] | wmsg hold\n",
               stderr);
    return 2;
}

long long Number(const wchar_t* text) {
    return std::wcstoll(text, nullptr, 0);
}

HWND VisibleWindow(const wchar_t* title) {
    HWND hwnd = ::FindWindowW(nullptr, title);
    return hwnd && ::IsWindowVisible(hwnd) ? hwnd : nullptr;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"hold") {
        ::GetDesktopWindow();
        ::Sleep(INFINITE);
        return 0;
    }
    if (argc < 3)
        return Usage();
    const std::wstring command = argv[1];
    const wchar_t* title = argv[2];
    if (command == L"wait" || command == L"gone") {
        const double seconds = argc > 3 ? double(Number(argv[3])) : 30.0;
        const ULONGLONG end = ::GetTickCount64() + ULONGLONG(seconds * 1000);
        const bool wantWindow = command == L"wait";
        do {
            const bool present = wantWindow ? VisibleWindow(title) != nullptr
                                            : ::FindWindowW(nullptr, title) != nullptr;
            if (present == wantWindow)
                return 0;
            ::Sleep(100);
        } while (::GetTickCount64() < end);
        return 1;
    }
    if (command == L"post") {
        if (argc < 4)
            return Usage();
        HWND hwnd = ::FindWindowW(nullptr, title);
        if (!hwnd)
            return 1;
        const UINT msg = UINT(Number(argv[3]));
        const WPARAM wParam = argc > 4 ? WPARAM(Number(argv[4])) : 0;
        const LPARAM lParam = argc > 5 ? LPARAM(Number(argv[5])) : 0;
        return ::PostMessageW(hwnd, msg, wParam, lParam) ? 0 : 1;
    }
    return Usage();
}
