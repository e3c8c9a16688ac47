// gui_bench: cold start of Tarvel.exe to the first paint of its main window,
// run under Wine by gui_bench.sh. Each run starts the program against a fresh
// virtual receiver, waits until the window is visible and its skin is on the
// screen, then ends it through the tray menu's Exit and waits for the process.
//
//   gui_bench <Tarvel.exe> <state folder> [runs]
//
// Prints one line per run and the median in milliseconds.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kTitle[] = L"Tarvel";
constexpr WPARAM kTrayExit = 0x6001;

// True once the window's client area shows something other than black: the
// skin has been painted.
bool Painted(HWND hwnd) {
    RECT rc;
    if (!::GetWindowRect(hwnd, &rc))
        return false;
    HDC screen = ::GetDC(nullptr);
    bool painted = false;
    for (int i = 1; i < 8 && !painted; ++i) {
        const COLORREF c = ::GetPixel(screen, rc.left + (rc.right - rc.left) * i / 8,
                                      rc.top + (rc.bottom - rc.top) / 2);
        painted = c != CLR_INVALID && c != 0;
    }
    ::ReleaseDC(nullptr, screen);
    return painted;
}

HWND MainOf(DWORD pid) {
    HWND hwnd = ::FindWindowW(nullptr, kTitle);
    DWORD owner = 0;
    if (hwnd)
        ::GetWindowThreadProcessId(hwnd, &owner);
    return owner == pid ? hwnd : nullptr;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: gui_bench <Tarvel.exe> <state folder> [runs]\n", stderr);
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring stateDir = argv[2];
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    std::vector<double> times;
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    for (int run = 0; run < runs; ++run) {
        const std::wstring state = stateDir + L"\\bench-" + std::to_wstring(run) + L".state";
        ::DeleteFileW(state.c_str());
        ::SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", state.c_str());
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        LARGE_INTEGER start, now;
        ::QueryPerformanceCounter(&start);
        if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi)) {
            std::fprintf(stderr, "cannot start the program (%lu)\n", ::GetLastError());
            return 1;
        }
        HWND hwnd = nullptr;
        double ms = -1;
        for (int i = 0; i < 6000 && ms < 0; ++i) {
            if (!hwnd)
                hwnd = MainOf(pi.dwProcessId);
            if (hwnd && ::IsWindowVisible(hwnd) && Painted(hwnd)) {
                ::QueryPerformanceCounter(&now);
                ms = double(now.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart);
            } else {
                ::Sleep(5);
            }
        }
        if (hwnd)
            ::PostMessageW(hwnd, WM_COMMAND, kTrayExit, 0);
        if (::WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0)
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
        if (ms < 0) {
            std::fprintf(stderr, "run %d: no painted window\n", run + 1);
            return 1;
        }
        std::printf("run %d: first paint after %.0f ms\n", run + 1, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("cold start to first paint, median of %d: %.0f ms\n", runs,
                times[times.size() / 2]);
    return 0;
}
