#include "framework/StartupTimeline.h"

#include "settings/Log.h"
#include "settings/Settings.h"

#include <windows.h>

#include <psapi.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace fw {
namespace {

struct Step {
    std::string name;
    double atMs, tookMs;
    double residentMiB; // the process's resident memory when the step ended
};

struct Total {
    const char* kind;
    int count;
    double ms;
};

struct Timeline {
    std::mutex mtx;
    bool ended = false;  // the first paint (or a hidden start) has been logged
    bool closed = false; // start-up is over: nothing more is recorded
    long long lastTicks = 0;
    double lastMs = 0;
    std::vector<Step> unwritten; // steps made before the log was open
    std::vector<Total> totals;
};

Timeline& State() {
    static Timeline timeline;
    return timeline;
}

long long Ticks() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double TicksToMs(long long ticks) {
    static const double perMs = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    return double(ticks) / perMs;
}

// Milliseconds from the process's creation to now: the loader's and the
// runtime's share before our first line runs counts too.
double SinceProcessCreated() {
    FILETIME created, exited, kernel, user, now;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    ::GetSystemTimeAsFileTime(&now);
    auto value = [](const FILETIME& t) {
        return (long long)(ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime);
    };
    const double ms = double(value(now) - value(created)) / 10000.0;
    return ms >= 0 && ms < 600000 ? ms : 0;
}

double ResidentMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return double(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

void Write(const Step& s) {
    settings::WriteLog("Startup: %8.1f ms %+8.1f ms %6.1f MiB  %s", s.atMs, s.tookMs, s.residentMiB,
                       s.name.c_str());
}

void Record(Timeline& t, std::string name) {
    const long long now = Ticks();
    double atMs;
    if (t.lastTicks == 0) {
        atMs = SinceProcessCreated();
    } else {
        atMs = t.lastMs + TicksToMs(now - t.lastTicks);
    }
    Step step{std::move(name), atMs, atMs - t.lastMs, ResidentMiB()};
    t.lastTicks = now;
    t.lastMs = atMs;
    t.unwritten.push_back(std::move(step));
    if (settings::g_opt.Debug == 0)
        return;
    for (const Step& s : t.unwritten)
        Write(s);
    t.unwritten.clear();
}

} // namespace

bool StartupTimelineOn() {
    static const bool on = [] {
        const char* value = std::getenv("TARVEL_STARTUP_TIMELINE");
        return value && *value && std::string(value) != "0";
    }();
    return on;
}

void StartupStep(const char* step) {
    if (!StartupTimelineOn())
        return;
    Timeline& t = State();
    std::lock_guard lock(t.mtx);
    if (!t.closed)
        Record(t, step);
}

void StartupStep(const char* step, const char* detail) {
    if (!StartupTimelineOn())
        return;
    StartupStep((std::string(step) + " " + detail).c_str());
}

StartupCost::StartupCost(const char* kind) : m_kind(kind) {
    if (StartupTimelineOn())
        m_start = Ticks();
}

StartupCost::~StartupCost() {
    if (m_start == 0)
        return;
    const double ms = TicksToMs(Ticks() - m_start);
    Timeline& t = State();
    std::lock_guard lock(t.mtx);
    if (t.closed)
        return;
    for (Total& total : t.totals) {
        if (std::strcmp(total.kind, m_kind) == 0) {
            ++total.count;
            total.ms += ms;
            return;
        }
    }
    t.totals.push_back({m_kind, 1, ms});
}

static void WriteTotals(Timeline& t, const char* prefix) {
    for (const Total& total : t.totals)
        settings::WriteLog("Startup: %sof which %s: %d in %.1f ms", prefix, total.kind, total.count,
                           total.ms);
    t.totals.clear();
}

void EndStartupTimeline(const char* lastStep) {
    if (!StartupTimelineOn())
        return;
    Timeline& t = State();
    std::lock_guard lock(t.mtx);
    if (t.ended || t.closed)
        return;
    Record(t, lastStep);
    WriteTotals(t, "");
    t.ended = true;
}

void EndStartupWork(const char* lastStep) {
    if (!StartupTimelineOn())
        return;
    Timeline& t = State();
    std::lock_guard lock(t.mtx);
    if (t.closed)
        return;
    Record(t, lastStep);
    WriteTotals(t, t.ended ? "since then, " : "");
    t.closed = true;
}

} // namespace fw
