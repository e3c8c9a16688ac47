// slider_bench: how fast a DPI level slider reaches the mouse, and what a
// drag costs, against the real Tarvel.exe and a virtual receiver under Wine
// (run by slider_bench.sh). The program runs from a copy of the stage folder
// with the log on and ApplyNow 1, on its DPI page; the mouse input is real
// (SendInput at the thumb's screen position).
//
//   slider_bench <stage folder> <work folder> [releases]
//
// 1. Release to device: the thumb of level 2 is dragged alternately to two
//    places of its bar; the time from the button's release to the new entry
//    in the receiver's memory (polled through its control pipe), each release
//    and the median.
// 2. Continuous drag: the thumb is held and moved back and forth for 5 s;
//    the program's CPU time over that span as a share of one core, and the
//    commits and device writes the drag caused, counted in the log.
//
// Prints figures only; any step that cannot be done ends it with a message
// and exit code 1.

#include "app/resource.h"
#include "model/MemoryMap.h"
#include "pages/AdvRules.h"

#include "VirtualControl.h"
#include "driver/WinDriver.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kTitle[] = L"Tarvel";
constexpr int kLevel = 1; // the second level: the first may be the one in use
constexpr int kDragSeconds = 5;
constexpr char kCommitted[] = "CAdvDlg: committed";
constexpr char kStartApply[] = "Start Apply:";
constexpr char kApplyOver[] = "Apply Over";
constexpr char kDropped[] = "dropped";

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "slider_bench: %s\n", what);
    std::exit(1);
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(freq.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// cfg.ini with the OPT keys of `edits` replaced, or added to the section.
void EditCfg(const fs::path& file, const std::vector<std::pair<std::string, std::string>>& edits) {
    std::istringstream in(ReadAll(file));
    std::string out, line;
    std::vector<bool> done(edits.size(), false);
    bool inOpt = false;
    auto flush = [&] {
        for (size_t i = 0; i < edits.size(); ++i)
            if (!done[i]) {
                out += edits[i].first + "=" + edits[i].second + "\r\n";
                done[i] = true;
            }
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            if (inOpt)
                flush();
            inOpt = line == "[OPT]";
        } else if (inOpt) {
            for (size_t i = 0; i < edits.size(); ++i)
                if (line.rfind(edits[i].first + "=", 0) == 0) {
                    line = edits[i].first + "=" + edits[i].second;
                    done[i] = true;
                    break;
                }
        }
        out += line + "\r\n";
    }
    if (inOpt)
        flush();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << out;
}

using driver::MoveTo;
using driver::Pump;
using driver::TextOf;
using driver::WaitUntil;

BOOL CALLBACK UpperThumb(HWND hwnd, LPARAM lParam) {
    auto* best = reinterpret_cast<HWND*>(lParam);
    RECT rc{}, bestRc{};
    if (!::IsWindowVisible(hwnd) || !::GetWindowRect(hwnd, &rc))
        return TRUE;
    if (!*best || (::GetWindowRect(*best, &bestRc) && rc.top < bestRc.top))
        *best = hwnd;
    return TRUE;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The program, started from its own copy of the stage folder.
class Run {
public:
    Run(const fs::path& stage, const fs::path& work) : m_dir(work / L"run") {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
        fs::create_directories(m_dir);
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(stage)) {
            const fs::path to = m_dir / fs::relative(e.path(), stage);
            if (e.is_directory())
                fs::create_directories(to);
            else
                // Wine folds case: Check_dn.png and check_dn.png are one file there.
                ::CopyFileW(e.path().c_str(), to.c_str(), FALSE);
        }
        EditCfg(m_dir / L"cfg.ini", {{"Debug", "2"}, {"MacPath", "1"}, {"ApplyNow", "1"}});
        const std::wstring state = (m_dir / L"receiver.state").wstring();
        m_state.assign(state.begin(), state.end());
        wchar_t desktop[MAX_PATH] = {};
        ::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
        m_log = fs::path(desktop) / L"Log.txt";
    }
    ~Run() {
        if (!m_pi.hProcess)
            return;
        if (HWND hwnd = Main())
            ::PostMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
        if (::WaitForSingleObject(m_pi.hProcess, 10000) != WAIT_OBJECT_0)
            ::TerminateProcess(m_pi.hProcess, 1);
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    bool Start() {
        std::error_code ec;
        m_logStart = fs::file_size(m_log, ec);
        if (ec)
            m_logStart = 0;
        const std::wstring state(m_state.begin(), m_state.end());
        ::SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", state.c_str());
        const std::wstring exe = (m_dir / L"Tarvel.exe").wstring();
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        return ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                m_dir.wstring().c_str(), &si, &m_pi) != FALSE;
    }
    bool Running() const {
        return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
    }
    HWND Main() const {
        HWND hwnd = ::FindWindowW(nullptr, kTitle);
        DWORD pid = 0;
        if (hwnd)
            ::GetWindowThreadProcessId(hwnd, &pid);
        return hwnd && pid == m_pi.dwProcessId ? hwnd : nullptr;
    }
    // The visible main window, once the start-up read of the device ended.
    bool WaitReady() {
        auto ready = [&] {
            HWND hwnd = Main();
            return hwnd && ::IsWindowVisible(hwnd) && Count("ReadCurCfgThread Exit") > 0;
        };
        return WaitUntil([&] { return !Running() || ready(); }, 30000) && Running();
    }
    std::string Log() const {
        const std::string all = ReadAll(m_log);
        return m_logStart <= all.size() ? all.substr(size_t(m_logStart)) : all;
    }
    int Count(const std::string& needle) const {
        const std::string log = Log();
        int n = 0;
        for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1))
            ++n;
        return n;
    }
    // The 4 bytes of a DPI level's entry in device memory; empty when the
    // receiver does not answer.
    std::string Entry(int level) {
        std::string reply;
        if (!SendVirtualControl(
                m_state, "peek " + std::to_string(memmap::DpiLevelAddr(level)) + " 4", &reply))
            return {};
        return reply;
    }
    // User plus kernel time of the program, in milliseconds.
    double CpuMs() const {
        FILETIME created, exited, kernel, user;
        if (!::GetProcessTimes(m_pi.hProcess, &created, &exited, &kernel, &user))
            return 0;
        auto ms = [](FILETIME f) {
            return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
        };
        return ms(kernel) + ms(user);
    }
    // Waits until every device write asked for so far has ended.
    bool WaitApplied(int ms) {
        return WaitUntil([&] { return Count(kApplyOver) >= Count(kStartApply); }, ms);
    }

private:
    fs::path m_dir;
    fs::path m_log;
    std::u16string m_state;
    PROCESS_INFORMATION m_pi{};
    uintmax_t m_logStart = 0;
};

// The slider bar of the level and its upper thumb, in screen coordinates.
struct Slider {
    RECT bar{};
    HWND thumb = nullptr;

    bool Find(HWND main) {
        HWND hwnd = driver::FindControl(main, IDC_ADV_LEVEL0 + kLevel);
        thumb = nullptr;
        if (!hwnd || !::GetWindowRect(hwnd, &bar))
            return false;
        ::EnumChildWindows(hwnd, UpperThumb, reinterpret_cast<LPARAM>(&thumb));
        return thumb != nullptr;
    }
    POINT ThumbCentre() const {
        RECT rc{};
        ::GetWindowRect(thumb, &rc);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    // A point at `fraction` of the bar's width, at the thumb's height.
    POINT At(double fraction) const {
        return {bar.left + int((bar.right - bar.left) * fraction), ThumbCentre().y};
    }
};

// Presses the thumb and moves it in a few steps to `to`, leaving the button
// down. True once the value label showed a new value (the page saw the drag).
bool DragTo(const Slider& slider, POINT to, HWND label) {
    const std::wstring before = TextOf(label);
    const POINT pt = slider.ThumbCentre();
    driver::Press(pt);
    for (int step = 1; step <= 5; ++step)
        MoveTo({pt.x + (to.x - pt.x) * step / 5, pt.y});
    return WaitUntil([&] { return TextOf(label) != before; }, 3000);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: slider_bench <stage folder> <work folder> [releases]\n", stderr);
        return 2;
    }
    const int releases = argc > 3 ? std::max(1, _wtoi(argv[3])) : 10;
    Run run(argv[1], argv[2]);
    if (!run.Start())
        Fail("cannot start the program");
    if (!run.WaitReady())
        Fail("the main window did not come up with the device read");
    HWND main = run.Main();
    ::SetForegroundWindow(main);
    HWND navi = ::GetDlgItem(main, IDC_MAIN_NAVI1 + 1);
    if (!navi)
        Fail("no DPI page button");
    driver::ClickCentre(navi);
    Slider slider;
    if (!WaitUntil([&] { return slider.Find(main); }, 5000))
        Fail("the DPI page shows no level slider");
    HWND label = driver::FindControl(main, IDC_ADV_LABELX0 + kLevel);
    Pump(300); // the page's first paint

    // The pipe's own round trip bounds how finely a change can be seen.
    std::vector<double> peeks;
    for (int i = 0; i < 20; ++i) {
        const LARGE_INTEGER t0 = Now();
        if (run.Entry(kLevel).empty())
            Fail("the receiver's control pipe does not answer");
        peeks.push_back(Ms(t0, Now()));
    }
    std::printf("control pipe round trip, median of %zu: %.2f ms\n", peeks.size(), Median(peeks));

    // 1. Release to device. A first drag to place A is not counted: the
    // thumb may already be there.
    const POINT places[2] = {slider.At(0.3), slider.At(0.7)};
    DragTo(slider, places[0], label);
    driver::Release(places[0]);
    if (!run.WaitApplied(10000))
        Fail("the first release was not written to the device");
    Pump(200);
    std::vector<double> latencies;
    int commits = run.Count(kCommitted), applies = run.Count(kStartApply);
    for (int i = 0; i < releases; ++i) {
        const POINT to = places[(i + 1) % 2];
        const std::string before = run.Entry(kLevel);
        if (!DragTo(slider, to, label))
            Fail("the drag did not change the level's value");
        const std::wstring shown = TextOf(label);
        const LARGE_INTEGER released = Now();
        driver::ButtonUp(); // over `to`, where the drag left the pointer
        std::string now;
        double ms = -1;
        while (ms < 0 && Ms(released, Now()) < 10000) {
            now = run.Entry(kLevel);
            if (!now.empty() && now != before)
                ms = Ms(released, Now());
        }
        if (ms < 0)
            Fail("a release did not reach the device within 10 s");
        std::printf("release %d: value %ls on the device after %.1f ms\n", i + 1, shown.c_str(),
                    ms);
        latencies.push_back(ms);
        if (!run.WaitApplied(10000))
            Fail("a device write did not end");
        Pump(100);
    }
    commits = run.Count(kCommitted) - commits;
    applies = run.Count(kStartApply) - applies;
    std::printf("release to device memory, median of %d: %.1f ms (min %.1f, max %.1f)\n", releases,
                Median(latencies), *std::min_element(latencies.begin(), latencies.end()),
                *std::max_element(latencies.begin(), latencies.end()));
    std::printf("  per release: %.1f commits, %.1f device writes\n", double(commits) / releases,
                double(applies) / releases);

    // 2. Continuous drag: held for kDragSeconds, swept across the bar and
    // back once a second, a move every 20 ms (the driver's gap between
    // input events).
    commits = run.Count(kCommitted);
    applies = run.Count(kStartApply);
    const int dropped = run.Count(kDropped);
    const std::wstring firstShown = TextOf(label);
    MoveTo(slider.ThumbCentre());
    const double cpu0 = run.CpuMs();
    const LARGE_INTEGER t0 = Now();
    driver::ButtonDown();
    int moves = 0, labelChanges = 0;
    std::wstring lastShown = firstShown;
    for (double t = 0; t < kDragSeconds * 1000.0; t = Ms(t0, Now())) {
        const double phase = std::fmod(t / 1000.0, 1.0);
        const double tri = phase < 0.5 ? phase * 2 : 2 - phase * 2;
        MoveTo(slider.At(0.1 + 0.8 * tri));
        ++moves;
        const std::wstring shown = TextOf(label);
        if (shown != lastShown) {
            ++labelChanges;
            lastShown = shown;
        }
    }
    driver::Release(slider.At(0.5));
    const double wall = Ms(t0, Now());
    const double cpu = run.CpuMs() - cpu0;
    if (!run.WaitApplied(10000))
        Fail("the drag's device write did not end");
    Pump(500); // late requests show in the log
    if (labelChanges == 0)
        Fail("the drag did not move the thumb");
    std::printf("continuous drag for %.1f s (%d moves, value label changed %d times):\n",
                wall / 1000.0, moves, labelChanges);
    std::printf("  program CPU time %.0f ms: %.1f%% of one core\n", cpu, 100.0 * cpu / wall);
    std::printf("  apply requests: %d commits, %d device writes, %d dropped requests\n",
                run.Count(kCommitted) - commits, run.Count(kStartApply) - applies,
                run.Count(kDropped) - dropped);
    return 0;
}
