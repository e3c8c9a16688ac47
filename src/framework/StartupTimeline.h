#pragma once
// The start-up timeline: with the environment variable TARVEL_STARTUP_TIMELINE
// set (to anything but 0), the log gets the time of each start-up step since
// the process was created and the process's resident memory after it, and
// what decoding images and building regions cost in total, so the cost of a
// start is seen rather than guessed. Off, every call here costs one test of a
// flag. The log itself needs Debug 1 or 2.

namespace fw {

bool StartupTimelineOn();

// The step that just ended. Steps before the settings are read (the log is
// not open yet) are kept and written with the first step after.
void StartupStep(const char* step);
// The same, with a name made at run time (a page's title).
void StartupStep(const char* step, const char* detail);

// Adds the time of its scope to a running total of start-up work of one kind
// (the kind is a literal: "image files decoded"), reported at the end.
class StartupCost {
public:
    explicit StartupCost(const char* kind);
    ~StartupCost();
    StartupCost(const StartupCost&) = delete;
    StartupCost& operator=(const StartupCost&) = delete;

private:
    const char* m_kind;
    long long m_start = 0;
};

// The step the user waits for (the main window's first paint, or the end of
// a start that stays in the tray): logs it and the totals up to it. The steps
// of the work that was left until after it are still recorded.
void EndStartupTimeline(const char* lastStep);
// The last step of start-up: logs it and, after EndStartupTimeline, the
// totals of the work done since; nothing is recorded afterwards.
void EndStartupWork(const char* lastStep);

} // namespace fw
