#pragma once
// The setup program and what it leaves on a machine, seen from the user's
// side: the install folder, the data folder, the Start-menu shortcut, the
// user's registry entries, and the installed Tarvel.exe running against a
// virtual receiver.
//
// These tests run in a Wine prefix made anew for each run (RunInFreshPrefix.sh),
// so the first setup meets a machine that never saw Tarvel; each test starts
// from that state again (CleanSlate).

#include "driver/WinDriver.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace install {

using namespace driver;
namespace fs = std::filesystem;

// The setup programs: this build's, and an older build of the same program
// that also shipped a file this build no longer does (kRetiredFile) and
// waits only 3 s for a running copy to end.
fs::path SetupExe();
fs::path OlderSetupExe();
constexpr wchar_t kOlderVersion[] = L"0.9.0";
constexpr wchar_t kRetiredFile[] = L"retired.txt";
// The release folder both the setup and the archive are made from.
fs::path ReleaseFolder();

// Where the setup puts things for this user.
fs::path InstallDir();    // %LOCALAPPDATA%\Programs\Tarvel
fs::path DataDir();       // %LOCALAPPDATA%\Tarvel, the program's data folder
fs::path StartMenuLink(); // the Start-menu shortcut
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvel";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A value of the user's registry; empty when the key or value is missing.
std::wstring UserRegString(const wchar_t* key, const wchar_t* name);
bool UserKeyExists(const wchar_t* key);
// The target and working folder of a shell link; empty when it cannot be read.
struct LinkTarget {
    fs::path target;
    fs::path workingDir;
};
LinkTarget ReadLink(const fs::path& link);
// The file version (major, minor, patch) of an executable, as "x.y.z".
std::wstring FileVersion(const fs::path& exe);

// Every file under `dir` with its bytes, keyed by the path relative to it.
using Tree = std::map<std::wstring, std::string>;
Tree ReadTree(const fs::path& dir);
// Names in which two trees differ, for failure messages.
std::string TreeDifferences(const Tree& a, const Tree& b);

// Removes whatever an earlier test installed or wrote: the install and data
// folders, the shortcut, the uninstall entry and the Run entry.
void CleanSlate();

// A visible top-level window whose title starts with `title` (the setup's
// pages add to it), other than `exclude`, waited for.
HWND WaitTitled(const wchar_t* title, HWND exclude, int ms);

// Waits until another process's window has painted: what the screen shows
// of it stays the same across two looks in a row (a screenshot of a window
// of this process waits with WaitPainted instead).
bool WaitStill(HWND hwnd, int ms = kWaitMs);

// A process started from a command line.
class Process {
public:
    Process() = default;
    // `cmd` is the whole command line (the program quoted where needed).
    explicit Process(const std::wstring& cmd);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return m_pi.hProcess != nullptr; }
    DWORD Id() const { return m_pi.dwProcessId; }
    bool Running() const;
    // The exit code once it ended within `ms`, else STILL_ACTIVE.
    DWORD WaitExit(int ms);

private:
    PROCESS_INFORMATION m_pi{};
};

// Runs a setup program or an uninstaller with `args` and waits for it; its
// exit code (STILL_ACTIVE when it did not end in time).
DWORD RunAndWait(const fs::path& exe, const std::wstring& args, int ms = 60000);
// The uninstall command the user's installed-programs list would run, with
// the registry's quiet command for /S.
std::wstring UninstallCommand(bool silent);

// The installed Tarvel.exe, started against a virtual receiver with its log
// on (Debug=2 in the installed cfg.ini: the only change made to the install).
class InstalledRun {
public:
    // `receiver` names the receiver's state file in the test's build folder.
    explicit InstalledRun(const std::string& receiver);
    // Ends a program still running through its tray Exit.
    ~InstalledRun();

    bool Start();
    // The visible main window, and the start-up read ended.
    bool WaitReady(int ms = 30000);
    HWND Main() const;
    bool Running() const { return m_process && m_process->Running(); }
    DWORD WaitExit(int ms) { return m_process ? m_process->WaitExit(ms) : DWORD(-1); }
    // Ends the program through its tray menu's Exit; true when it ended.
    bool Exit(int ms = 15000);
    // The log written since Start.
    std::string Log() const;

private:
    std::wstring m_state;
    std::unique_ptr<Process> m_process;
    uintmax_t m_logStart = 0;
};

} // namespace install
