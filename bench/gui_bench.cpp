// gui_bench: cold start to first paint and resident memory after start-up of
// Tarvel.exe next to two floor programs, run under Wine by gui_bench.sh:
//   plain colour   floor_plain.exe: a 1002 x 660 window in one colour;
//   GDI+ floor     floor_gdiplus.exe: GDI+ started, skins\main_nr.png decoded
//                  and painted into a 1002 x 660 window;
//   Tarvel.exe     against a fresh virtual receiver.
// The three run in turn, `runs` times, so a machine that gets busier or
// quieter meanwhile weighs on all of them alike. Each start waits until the
// whole window is painted, every child included (the time to first paint),
// then until its resident memory has settled (start-up done, the program's
// device read included), then ends it as the user would and waits for the
// process.
//
//   gui_bench <Tarvel.exe> <state folder> [runs [<other Tarvel.exe>]]
//
// The floors are found beside gui_bench.exe. A second Tarvel.exe (another
// build: before and after a change) joins the turns and gets ratio lines of
// its own. Prints one line per start, each median, and last the ratio lines.

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr WPARAM kTrayExit = 0x6001;
constexpr double kMiB = 1024.0 * 1024.0;

struct Program {
    std::string name;
    std::wstring exe, args;
    const wchar_t* title;
    bool receiver; // runs against a fresh virtual receiver
    std::vector<double> ms, residentMiB;
};

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

// True while the window or one of its shown children still has an area
// waiting for its paint: the user does not see the whole window yet.
bool PaintPending(HWND hwnd) {
    if (::GetUpdateRect(hwnd, nullptr, FALSE))
        return true;
    bool pending = false;
    ::EnumChildWindows(
        hwnd,
        [](HWND child, LPARAM flag) -> BOOL {
            if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) {
                *reinterpret_cast<bool*>(flag) = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&pending));
    return pending;
}

HWND WindowOf(const wchar_t* title, DWORD pid) {
    HWND hwnd = ::FindWindowW(nullptr, title);
    DWORD owner = 0;
    if (hwnd)
        ::GetWindowThreadProcessId(hwnd, &owner);
    return owner == pid ? hwnd : nullptr;
}

size_t Resident(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return ::GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize
                                                                       : 0;
}

// The resident memory once it has stayed within 256 KiB for five seconds (at
// most 30 s): what the program holds while it waits for the user. A shorter
// calm ends inside the quiet stretch after start-up, before the pages not
// shown yet let their backgrounds go (3 s after they were made).
size_t SettledResident(HANDLE process) {
    constexpr size_t kCalm = 256 * 1024;
    constexpr int kCalmSteps = 50; // of 100 ms
    size_t last = Resident(process);
    int calm = 0;
    for (int i = 0; i < 300 && calm < kCalmSteps; ++i) {
        ::Sleep(100);
        const size_t now = Resident(process);
        calm = (now > last ? now - last : last - now) < kCalm ? calm + 1 : 0;
        last = now;
    }
    return last;
}

// One cold start of `p`; false when no painted window came.
bool StartOnce(Program& p, const std::wstring& stateDir, int run, double perMs) {
    if (p.receiver) {
        const std::wstring state = stateDir + L"\\bench-" + std::to_wstring(run) + L".state";
        ::DeleteFileW(state.c_str());
        ::SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", state.c_str());
    }
    std::wstring cmd = L"\"" + p.exe + L"\"" + (p.args.empty() ? L"" : L" \"" + p.args + L"\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER start, now;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessW(p.exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi)) {
        std::fprintf(stderr, "%s: cannot start (%lu)\n", p.name.c_str(), ::GetLastError());
        return false;
    }
    HWND hwnd = nullptr;
    double ms = -1;
    for (int i = 0; i < 6000 && ms < 0; ++i) {
        if (!hwnd)
            hwnd = WindowOf(p.title, pi.dwProcessId);
        if (hwnd && ::IsWindowVisible(hwnd) && !PaintPending(hwnd) && Painted(hwnd)) {
            ::QueryPerformanceCounter(&now);
            ms = double(now.QuadPart - start.QuadPart) / perMs;
        } else if (::WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) {
            break; // ended before it painted
        }
    }
    const size_t resident = ms < 0 ? 0 : SettledResident(pi.hProcess);
    if (hwnd)
        ::PostMessageW(hwnd, WM_COMMAND, kTrayExit, 0);
    if (::WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    if (ms < 0) {
        std::fprintf(stderr, "%s, start %d: no painted window\n", p.name.c_str(), run + 1);
        return false;
    }
    std::printf("%-14s start %d: first paint after %5.0f ms, resident %5.1f MiB\n", p.name.c_str(),
                run + 1, ms, double(resident) / kMiB);
    std::fflush(stdout);
    p.ms.push_back(ms);
    p.residentMiB.push_back(double(resident) / kMiB);
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: gui_bench <Tarvel.exe> <state folder> [runs [<other Tarvel.exe>]]\n",
                   stderr);
        return 2;
    }
    const std::wstring tarvel = argv[1];
    const std::wstring stateDir = argv[2];
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 7;
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring benchDir = FolderOf(self);

    std::vector<Program> programs;
    programs.push_back(
        {"plain colour", benchDir + L"\\floor_plain.exe", L"", L"TarvelFloorPlain", false, {}, {}});
    programs.push_back({"GDI+ floor",
                        benchDir + L"\\floor_gdiplus.exe",
                        FolderOf(tarvel) + L"\\skins\\main_nr.png",
                        L"TarvelFloorGdiplus",
                        false,
                        {},
                        {}});
    programs.push_back({"Tarvel.exe", tarvel, L"", L"Tarvel", true, {}, {}});
    if (argc > 4)
        programs.push_back({"other Tarvel", argv[4], L"", L"Tarvel", true, {}, {}});
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    const double perMs = double(freq.QuadPart) / 1000.0;
    for (int run = 0; run < runs; ++run)
        for (Program& p : programs)
            if (!StartOnce(p, stateDir, run, perMs))
                return 1;

    for (const Program& p : programs)
        std::printf("%-14s median of %d: first paint %5.0f ms, resident after start-up %5.1f MiB\n",
                    p.name.c_str(), runs, Median(p.ms), Median(p.residentMiB));
    const Program& gdiplus = programs[1];
    for (size_t i = 2; i < programs.size(); ++i) {
        const Program& program = programs[i];
        const double ratio = Median(program.ms) / Median(gdiplus.ms);
        const double extra = Median(program.residentMiB) - Median(gdiplus.residentMiB);
        std::printf("cold start to first paint, %s / GDI+ floor: %.2f (target 1.50 or less)\n",
                    program.name.c_str(), ratio);
        std::printf("resident memory, %s - GDI+ floor: %+.1f MiB (target +12 MiB or less)\n",
                    program.name.c_str(), extra);
    }
    return 0;
}
