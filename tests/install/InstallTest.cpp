// The setup program as a user meets it: its first page, a silent install,
// starting with Windows, an upgrade over an older build, and uninstalls
// while the program runs or with the data removed on request.

#include "InstallFixture.h"

#include "../e2e/E2eFixture.h"
#include "model/ProfileRecord.h"

#include "TarvelVersion.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace install;

namespace {

class Setup : public testing::Test {
protected:
    void SetUp() override { CleanSlate(); }
};

// The files of the release folder, as the install folder must hold them.
Tree Installed() {
    Tree want = ReadTree(ReleaseFolder());
    want[L"Uninstall.exe"] = ReadTree(InstallDir())[L"Uninstall.exe"];
    return want;
}

std::wstring Quoted(const fs::path& p) {
    return L"\"" + p.wstring() + L"\"";
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// A store as the program writes it: whole profile records.
bool HoldsProfiles(const fs::path& proDct) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(proDct, ec);
    return !ec && size > 0 && size % sizeof(ProfileRecord) == 0;
}

} // namespace

TEST_F(Setup, FirstPageShowsAndCancelInstallsNothing) {
    Process setup(Quoted(SetupExe()));
    ASSERT_TRUE(setup.Started());
    HWND page = WaitTopWindow({nullptr, nullptr, setup.Id()}, 30000);
    ASSERT_TRUE(page);
    ASSERT_TRUE(WaitControl(page, IDOK, 10000)); // Next
    EXPECT_TRUE(WaitStill(page));
    EXPECT_TRUE(e2e::Screenshot("installer-first-page"));

    ASSERT_TRUE(ClickControl(page, IDCANCEL));
    EXPECT_NE(setup.WaitExit(15000), DWORD(STILL_ACTIVE));
    EXPECT_FALSE(Exists(InstallDir()));
    EXPECT_FALSE(UserKeyExists(kUninstallKey));
    EXPECT_FALSE(Exists(StartMenuLink()));
}

TEST_F(Setup, SilentInstallPutsTheProgramShortcutAndUninstallEntryInPlaceAndTheProgramStarts) {
    ASSERT_EQ(RunAndWait(SetupExe(), L"/S"), 0u);

    const Tree want = Installed();
    EXPECT_EQ(TreeDifferences(ReadTree(InstallDir()), want), "none");
    const fs::path exe = InstallDir() / L"Tarvel.exe";

    // Listed in the user's installed programs, with one version throughout.
    EXPECT_EQ(UserRegString(kUninstallKey, L"DisplayName"), L"Tarvel");
    EXPECT_EQ(UserRegString(kUninstallKey, L"DisplayVersion"), TARVEL_VERSION_WTEXT);
    EXPECT_EQ(FileVersion(exe), TARVEL_VERSION_WTEXT);
    EXPECT_EQ(UserRegString(kUninstallKey, L"InstallLocation"), InstallDir().wstring());
    EXPECT_EQ(UserRegString(kUninstallKey, L"DisplayIcon"), exe.wstring());
    EXPECT_EQ(UninstallCommand(false), Quoted(InstallDir() / L"Uninstall.exe"));
    EXPECT_EQ(UninstallCommand(true), Quoted(InstallDir() / L"Uninstall.exe") + L" /S");

    const LinkTarget link = ReadLink(StartMenuLink());
    EXPECT_EQ(link.target, exe);
    EXPECT_EQ(link.workingDir, InstallDir());
    // Starting with Windows is asked for, not assumed.
    EXPECT_EQ(UserRegString(kRunKey, L"Tarvel"), L"");

    {
        InstalledRun run("first-install");
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        EXPECT_TRUE(e2e::Screenshot("installed-program"));
        ASSERT_TRUE(run.Exit());
    }
    // The profiles went to the data folder; the install folder holds what
    // the setup put there and nothing else (cfg.ini has the log turned on).
    EXPECT_TRUE(HoldsProfiles(DataDir() / L"pro.dct"));
    EXPECT_TRUE(Exists(DataDir() / L"curid.dct"));
    Tree installed = ReadTree(InstallDir());
    installed.erase(L"cfg.ini");
    Tree shipped = want;
    shipped.erase(L"cfg.ini");
    EXPECT_EQ(TreeDifferences(installed, shipped), "none");
}

TEST_F(Setup, StartWithWindowsIsTheUsersRunEntryKeptOnReinstallAndGoneWithTheUninstall) {
    const std::wstring command = Quoted(InstallDir() / L"Tarvel.exe");
    ASSERT_EQ(RunAndWait(SetupExe(), L"/S /AUTOSTART"), 0u);
    EXPECT_EQ(UserRegString(kRunKey, L"Tarvel"), command);

    // Installing again without the option keeps the user's choice.
    ASSERT_EQ(RunAndWait(SetupExe(), L"/S"), 0u);
    EXPECT_EQ(UserRegString(kRunKey, L"Tarvel"), command);

    Process uninstall(UninstallCommand(true));
    ASSERT_TRUE(uninstall.Started());
    EXPECT_TRUE(WaitUntil([] { return !UserKeyExists(kUninstallKey); }, 30000));
    EXPECT_EQ(UserRegString(kRunKey, L"Tarvel"), L"");
}

TEST_F(Setup, InstallOverAnOlderBuildWhileItRunsKeepsTheStore) {
    ASSERT_EQ(RunAndWait(OlderSetupExe(), L"/S"), 0u);
    ASSERT_EQ(UserRegString(kUninstallKey, L"DisplayVersion"), kOlderVersion);
    ASSERT_TRUE(Exists(InstallDir() / kRetiredFile));

    // The older program saves its profiles; a macro lies in the library.
    {
        InstalledRun run("upgrade");
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitReady()) << run.Log();
        ASSERT_TRUE(run.Exit());
    }
    fs::create_directories(DataDir() / L"Mac" / L"Games");
    std::ofstream(DataDir() / L"Mac" / L"Games" / L"burst.mck", std::ios::binary)
        << std::string(834, '\x5a');
    const Tree store = ReadTree(DataDir());
    ASSERT_TRUE(HoldsProfiles(DataDir() / L"pro.dct"));

    // The setup ends the running older program through its Exit first.
    InstalledRun running("upgrade");
    ASSERT_TRUE(running.Start());
    ASSERT_TRUE(running.WaitReady()) << running.Log();
    ASSERT_EQ(RunAndWait(SetupExe(), L"/S"), 0u);
    EXPECT_NE(running.WaitExit(5000), DWORD(STILL_ACTIVE));
    EXPECT_NE(running.Log().find("OnExit"), std::string::npos) << running.Log();

    EXPECT_EQ(TreeDifferences(ReadTree(DataDir()), store), "none");
    EXPECT_EQ(TreeDifferences(ReadTree(InstallDir()), Installed()), "none");
    EXPECT_FALSE(Exists(InstallDir() / kRetiredFile));
    EXPECT_EQ(UserRegString(kUninstallKey, L"DisplayVersion"), TARVEL_VERSION_WTEXT);
}

TEST_F(Setup, SilentUninstallWhileTheProgramRunsSavesTheStoreEndsItAndKeepsTheData) {
    ASSERT_EQ(RunAndWait(SetupExe(), L"/S"), 0u);
    InstalledRun run("uninstall");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    // Whatever is on disk now goes, so the store found afterwards is the one
    // the program wrote on its way out.
    std::error_code ec;
    fs::remove(DataDir() / L"pro.dct", ec);
    fs::remove(DataDir() / L"curid.dct", ec);

    // As the installed-programs list runs it; the uninstaller goes on from a
    // copy of itself, so its state is waited for.
    Process uninstall(UninstallCommand(true));
    ASSERT_TRUE(uninstall.Started());
    EXPECT_NE(run.WaitExit(30000), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallDir()); }, 30000));
    EXPECT_NE(run.Log().find("OnExit"), std::string::npos) << run.Log();
    EXPECT_TRUE(HoldsProfiles(DataDir() / L"pro.dct"));
    EXPECT_TRUE(Exists(DataDir() / L"curid.dct"));
    EXPECT_FALSE(UserKeyExists(kUninstallKey));
    EXPECT_FALSE(Exists(StartMenuLink()));
}

TEST_F(Setup, UninstallAsksAboutTheDataAndOnNoRemovesOnlyTheStores) {
    ASSERT_EQ(RunAndWait(SetupExe(), L"/S"), 0u);
    fs::create_directories(DataDir() / L"Mac" / L"Games");
    for (const wchar_t* store : {L"pro.dct", L"curid.dct", L"mac.dct", L"Mac\\Games\\burst.mck"})
        std::ofstream(DataDir() / store, std::ios::binary) << "store";
    std::ofstream(DataDir() / L"notes.txt") << "the user's own file";

    Process uninstall(UninstallCommand(false));
    ASSERT_TRUE(uninstall.Started());
    // The uninstaller goes on from a copy of itself: its windows are found
    // by their title.
    HWND wizard = WaitTitled(L"Tarvel Uninstall", nullptr, 30000);
    ASSERT_TRUE(wizard);
    ASSERT_TRUE(WaitControl(wizard, IDOK, 10000)); // Uninstall
    ParkPointer();
    ASSERT_TRUE(ClickControl(wizard, IDOK));

    HWND question = WaitTitled(L"Tarvel Uninstall", wizard, 30000);
    ASSERT_TRUE(question);
    ASSERT_TRUE(WaitControl(question, IDNO));
    EXPECT_TRUE(WaitStill(question));
    EXPECT_TRUE(e2e::Screenshot("uninstaller-keep-data-question"));
    ASSERT_TRUE(ClickControl(question, IDNO));

    // The uninstaller has finished when it offers to close.
    HWND close = FindControl(wizard, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(close) != FALSE; }, 30000));
    EXPECT_FALSE(Exists(InstallDir()));
    const Tree left = ReadTree(DataDir());
    EXPECT_EQ(left.size(), 1u);
    EXPECT_TRUE(left.count(L"notes.txt"));
    EXPECT_FALSE(Exists(DataDir() / L"Mac"));

    ClickCentre(close);
    EXPECT_TRUE(WaitGone(wizard, 15000));
}

TEST_F(Setup, UninstallStopsAndTouchesNothingWhileACopyDoesNotEnd) {
    ASSERT_EQ(RunAndWait(OlderSetupExe(), L"/S"), 0u);
    const Tree before = ReadTree(InstallDir());
    // A copy still starting: it holds the product's mutex but has no window
    // yet to take the Exit command.
    std::unique_ptr<void, decltype(&::CloseHandle)> copy(
        ::CreateMutexW(nullptr, FALSE, L"TARVEL_WIRELESS_MUTEX"), &::CloseHandle);
    ASSERT_TRUE(copy);
    // In place (_?=), so the uninstaller's own exit code is seen.
    const fs::path uninstaller = InstallDir() / L"Uninstall.exe";
    EXPECT_EQ(RunAndWait(uninstaller, L"/S _?=" + InstallDir().wstring()), 2u); // aborted
    EXPECT_EQ(TreeDifferences(ReadTree(InstallDir()), before), "none");
    EXPECT_TRUE(UserKeyExists(kUninstallKey));
    EXPECT_TRUE(Exists(StartMenuLink()));
}
