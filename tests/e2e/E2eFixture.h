#pragma once
// The real Tarvel.exe under Wine, started from a private copy of the stage
// folder against a fresh virtual receiver, and driven from outside the way
// the system and the user would: window messages, real input through the
// test driver (driver/WinDriver.h, whose functions are in reach as e2e::),
// the receiver's control pipe, the log, the stores on disk and screenshots.
//
// A page test reads like the user's steps:
//
//   TarvelRun run("adv-lod", {{"ApplyNow", "1"}});
//   ASSERT_TRUE(run.Start() && run.WaitReady());
//   ASSERT_TRUE(run.ShowPage(1, IDC_ADV_LOD2)); // the DPI page
//   ClickCentre(run.Ctl(IDC_ADV_LOD2));         // a real click
//   EXPECT_TRUE(WaitUntil([&] { return run.Peek(addr, 1)[0] == 2; }));

#include "driver/WinDriver.h"
#include "model/ProfileRecord.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using namespace driver;

// Settings of section OPT to change in the copy's cfg.ini (key, value).
using OptEdits = std::vector<std::pair<std::string, std::string>>;

// The main window's title in the default product.
constexpr wchar_t kTitle[] = L"Tarvel";

class TarvelRun {
public:
    // A copy of the stage folder under the build folder's e2e/<name>, with
    // its data folder beside the program (MacPath 1), the log on (Debug 2)
    // and `edits` applied to cfg.ini.
    explicit TarvelRun(const std::string& name, const OptEdits& edits = {});
    // Ends a program still running (tray Exit, then terminate) and closes
    // what was opened.
    ~TarvelRun();
    TarvelRun(const TarvelRun&) = delete;
    TarvelRun& operator=(const TarvelRun&) = delete;

    // Starts Tarvel.exe; `extraEnv` is added to its environment. Once it has
    // ended it can be started again, with the same files and receiver.
    bool Start(const OptEdits& extraEnv = {});
    // Before Start: the receiver starts unplugged (the program finds none).
    void UnplugBeforeStart();
    // Waits for the visible main window and for the start-up read to end.
    bool WaitReady(int ms = 20000);
    // The main window (a top-level window with the title), or null.
    HWND Main() const;
    // The process's exit code once it ended within `ms`, else STILL_ACTIVE.
    DWORD WaitExit(int ms);
    bool Running() const;
    // The program's process (for its resource counts), or null before Start.
    HANDLE Process() const { return m_pi.hProcess; }
    // Ends the program through the tray menu's Exit; true when it ended.
    bool Exit(int ms = 10000);

    // The log written since Start.
    std::string Log() const;
    bool WaitLog(const std::string& needle, int ms);
    // How often `needle` occurs in the log since Start.
    int LogCount(const std::string& needle) const;
    // Waits until `needle` occurs at least `count` times.
    bool WaitLogCount(const std::string& needle, int count, int ms);

    // The receiver's control pipe (see VirtualControl.h).
    bool Control(const std::string& command, std::string* reply = nullptr);
    // `count` bytes of device memory at `addr`; empty when they cannot be read.
    std::vector<uint8_t> Peek(uint32_t addr, uint32_t count);

    // A click on the main window's button with `controlId`, given as button
    // messages (no real input: it works whatever lies over the button).
    bool Click(int controlId);
    // The visible control with `controlId` anywhere in the main window.
    HWND Ctl(int controlId) const;
    // Clicks navigation button `slot` (0 keys, 1 DPI, 2 macros, 3 lighting)
    // and waits until the page's control `controlId` (one no other page
    // shows) is visible; the page window that holds it, or null.
    HWND ShowPage(int slot, int controlId, int ms = 5000);
    // Clicks profile button `index` and waits until the window made that
    // profile the current one.
    bool SelectProfile(int index, int ms = 5000);
    // A top-level window of the program other than the main and notification
    // windows whose title or class matches, waited for up to `ms`.
    HWND WaitWindow(const wchar_t* title, const wchar_t* cls, int ms);
    bool WaitGone(HWND hwnd, int ms);
    // The program's skinned message window, waited for; null when none shows.
    HWND WaitMessage(int ms = 5000);
    // Presses `button` (IDOK, IDCANCEL) of a message window with a real click
    // and waits until the window has closed.
    bool Answer(HWND message, int button = IDOK, int ms = 5000);
    // Answers the system's file dialog the program opened with `path`; true
    // once it has closed. With a `shot` name, a screenshot first, once the
    // dialog is on the screen (`before`: the screen before it opened).
    bool AnswerFileDialog(const std::wstring& path, const std::string& shot = "",
                          const ScreenPixels& before = {});

    // The store files of the data folder.
    std::filesystem::path DataDir() const;
    std::vector<ProfileRecord> StoredProfiles() const;
    uint32_t StoredCurId() const;

    const std::filesystem::path& Dir() const { return m_dir; }
    // The Windows path of a file in the copy.
    std::wstring WinPath(const std::string& name) const;

private:
    std::filesystem::path m_dir;
    std::u16string m_state; // the receiver's state file as the program gets it
    PROCESS_INFORMATION m_pi{};
    uintmax_t m_logStart = 0;
};

// The window and its shown descendants that still wait to be painted once
// the program's window thread has finished what it was doing ("" when none):
// a message sent to it is taken before any paint message, so what waits then
// was left for later.
std::string WaitingToBePainted(HWND window);

// Saves the whole virtual screen as shots/<name>.png in the build folder.
bool Screenshot(const std::string& name);
// Saves the part of the screen `window` covers as a PNG file.
bool SaveWindowShot(HWND window, const std::filesystem::path& file);
// The shots folder in the build folder.
std::filesystem::path ShotsDir();

// The profile the program would read from `image` (device memory from 0),
// starting from `base`, with the settings of the stage folder.
ProfileRecord DecodeDevice(const std::vector<uint8_t>& image, const ProfileRecord& base);

// `read` with the DPI levels beyond the sensor's count (which the device does
// not hold) taken from `expected`, so the two compare on what the device keeps.
ProfileRecord OnDeviceLevels(ProfileRecord read, const ProfileRecord& expected);

// Offsets where two records differ (at most `limit`), for failure messages.
std::string Differences(const ProfileRecord& a, const ProfileRecord& b, int limit = 8);

// The text of the first child window of `parent` with `controlId`.
std::wstring ItemText(HWND parent, int controlId);

} // namespace e2e
