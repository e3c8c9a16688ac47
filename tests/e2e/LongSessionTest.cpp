// A long session with the real program: every page, the menus and the
// dialogs opened and closed, and a profile applied, round after round. What
// the program holds afterwards (GDI and USER objects, windows, private
// memory) must come back to where it was after the first round.

#include "E2eFixture.h"

#include "app/resource.h"
#include "pages/KeyRules.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstdio>
#include <string>

using namespace e2e;

namespace {

constexpr int kRounds = 50;
// Pages by navigation slot, each with a control only it shows (the macro
// page is told by the others' controls going away).
constexpr int kKeysPage = 0, kDpiPage = 1, kMacroPage = 2, kLightingPage = 3;
constexpr int kLevelSlider = 144, kLightingRed = 257;
constexpr int kPickerEntryH = 20, kFireKeyEntry = 9, kPickedKey = 2;
constexpr int kAboutEntry = 2;
constexpr UINT WM_TRAYICON = 1132;

// What may stay above the first round's figures: caches that fill once and
// the heap's own slack, nothing that grows with each round.
constexpr long kGuiObjectMargin = 8;
constexpr long kWindowMargin = 1;
constexpr long long kPrivateMargin = 3ll << 20;

struct Held {
    long gdi = -1, user = -1; // -1: the system does not count them (Wine)
    long windows = 0;
    // Private memory; where the system does not tell it of another process
    // (Wine), the resident memory, which grows with it.
    long long privateBytes = 0;
};

// Wine on a display without a window manager waits two seconds whenever a
// managed top-level window hides, for the manager's word that never comes:
// with four dialogs a round, that would be most of the test's time. The
// program's windows are made unmanaged for the test's length (a setting of
// Wine for Tarvel.exe alone; Windows ignores it).
class UnmanagedWindows {
public:
    UnmanagedWindows() {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &m_key, nullptr) != ERROR_SUCCESS)
            return;
        ::RegSetValueExW(m_key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"),
                         2 * sizeof(wchar_t));
    }
    ~UnmanagedWindows() {
        if (!m_key)
            return;
        ::RegDeleteValueW(m_key, L"Managed");
        ::RegCloseKey(m_key);
    }
    UnmanagedWindows(const UnmanagedWindows&) = delete;
    UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

private:
    static constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\Tarvel.exe\\X11 Driver";
    HKEY m_key = nullptr;
};

BOOL CALLBACK CountChildren(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK CountTopWindows(HWND hwnd, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == c->pid) {
        ++c->count;
        ::EnumChildWindows(hwnd, CountChildren, LPARAM(&c->count));
    }
    return TRUE;
}

Held Measure(HANDLE process) {
    Held h;
    ::SetLastError(0);
    const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
    if (gdi != 0 || ::GetLastError() == 0) {
        h.gdi = long(gdi);
        h.user = long(::GetGuiResources(process, GR_USEROBJECTS));
    }
    WindowCount windows{::GetProcessId(process), 0};
    ::EnumWindows(CountTopWindows, LPARAM(&windows));
    h.windows = windows.count;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                               sizeof memory))
        h.privateBytes =
            (long long)(memory.PrivateUsage ? memory.PrivateUsage : memory.WorkingSetSize);
    return h;
}

void Print(const char* when, const Held& h) {
    std::printf("%s: GDI %ld, USER %ld, windows %ld, private %.1f MiB\n", when, h.gdi, h.user,
                h.windows, double(h.privateBytes) / (1024.0 * 1024.0));
}

// One round of what a user does in a long session; each step waits until
// the program has done it. False (with a failure) when a step did not come.
bool Round(TarvelRun& run, int round) {
    HWND main = run.Main();
    // The pages, the keys page last.
    if (!run.ShowPage(kDpiPage, kLevelSlider) || !run.ShowPage(kLightingPage, kLightingRed))
        return false;
    if (!ClickControl(main, IDC_MAIN_NAVI1 + kMacroPage) ||
        !WaitUntil([&] { return !run.Ctl(kLightingRed) && !run.Ctl(keys::IDC_KEY_BTN0); }))
        return false;
    if (!run.ShowPage(kKeysPage, keys::IDC_KEY_BTN0))
        return false;

    // The function picker, its fire key dialog, cancelled.
    std::vector<HWND> before = OpenMenus();
    ClickCentre(run.Ctl(int(keys::IDC_KEY_BTN0) + kPickedKey));
    HWND picker = WaitNewMenu(before);
    if (!picker || !PickMenuEntry(picker, kFireKeyEntry, kPickerEntryH))
        return false;
    HWND fire = run.WaitWindow(L"Fire key", nullptr, 5000);
    if (!fire || !WaitVisible(fire) || !run.Answer(fire, IDCANCEL))
        return false;

    // The menu button's menu and its about window.
    before = OpenMenus();
    if (!ClickControl(main, IDC_MAIN_MENU))
        return false;
    HWND menu = WaitNewMenu(before);
    if (!menu || !PickMenuEntry(menu, kAboutEntry))
        return false;
    HWND about = run.WaitWindow(nullptr, L"#32770", 5000);
    if (!about)
        return false;
    ::PostMessageW(about, WM_CLOSE, 0, 0);
    if (!run.WaitGone(about, 5000))
        return false;

    // The tray menu, closed again.
    ::PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONUP);
    HWND tray = run.WaitWindow(nullptr, L"#32768", 5000);
    if (!tray)
        return false;
    ::PostMessageW(tray, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!run.WaitGone(tray, 5000))
        return false;

    // The restore question, answered No.
    if (!run.Click(IDC_MAIN_RESTORE))
        return false;
    HWND question = run.WaitMessage();
    if (!question || !run.Answer(question, IDCANCEL) ||
        !run.WaitLogCount("OnRestore: nothing restored", round, 5000))
        return false;

    // Apply, with its progress dialog.
    if (!run.Click(IDC_MAIN_APPLY))
        return false;
    HWND progress = run.WaitWindow(L"MyProgressDlg..", nullptr, 5000);
    return progress && run.WaitGone(progress, 20000) &&
           run.WaitLogCount("Apply Success", round, 5000);
}

} // namespace

TEST(LongSession, FiftyRoundsOfPagesDialogsMenusAndApplyHoldNoMore) {
    const UnmanagedWindows unmanaged;
    TarvelRun run("long-session");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ::SetForegroundWindow(run.Main());

    Held first;
    for (int round = 1; round <= kRounds; ++round) {
        ASSERT_TRUE(Round(run, round)) << "round " << round << "\n" << run.Log();
        if (round == 1) {
            first = Measure(run.Process());
            Print("after round 1", first);
        } else if (round % 10 == 0) {
            Print(("after round " + std::to_string(round)).c_str(), Measure(run.Process()));
        }
    }
    const Held last = Measure(run.Process());
    Print("after the last round", last);

    if (first.gdi >= 0) {
        EXPECT_LE(last.gdi, first.gdi + kGuiObjectMargin);
        EXPECT_LE(last.user, first.user + kGuiObjectMargin);
    }
    EXPECT_LE(last.windows, first.windows + kWindowMargin);
    EXPECT_LE(last.privateBytes, first.privateBytes + kPrivateMargin);
    EXPECT_TRUE(run.Exit());
}
