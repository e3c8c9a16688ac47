// Profile export and import through the menu button's choices and the file
// dialogs, with the real program.

#include "E2eFixture.h"

#include "app/resource.h"
#include "store/ProfileFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include <fstream>
#include <sstream>

using namespace e2e;

namespace {

constexpr UINT WM_MENU_CHOICE = 1143;
constexpr uint32_t kMemoryBytes = 0x2000;

std::string ReadFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(ProfileFile, ExportThenImportOfAChangedFileReachesTheDevice) {
    TarvelRun run("hvk");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    HWND main = run.Main();

    const std::wstring exported = run.WinPath("onboard.hvk");
    // The window before either file dialog opened, for their pictures.
    const ScreenPixels screen = ReadScreen();
    ::PostMessageW(main, WM_MENU_CHOICE, 1, 0);
    ASSERT_TRUE(run.AnswerFileDialog(exported, "dialog-export", screen));
    std::string file;
    for (int i = 0; i < 100 && file.size() != kProfileFileBytes; ++i) {
        Pump(50);
        file = ReadFile(exported);
    }
    ASSERT_EQ(file.size(), kProfileFileBytes);

    // The first DPI level of the file becomes the third one's resolution.
    ProfileRecord record;
    std::memcpy(&record, file.data(), sizeof record);
    const int32_t dpi = record.DpiLevel[2].nDpiX;
    ASSERT_NE(record.DpiLevel[0].nDpiX, dpi);
    record.DpiLevel[0].nDpiX = record.DpiLevel[0].nDpiY = dpi;
    std::memcpy(file.data(), &record, sizeof record);
    const std::wstring changed = run.WinPath("changed.hvk");
    std::ofstream(std::filesystem::path(changed), std::ios::binary) << file;

    ::PostMessageW(main, WM_MENU_CHOICE, 2, 0);
    ASSERT_TRUE(run.AnswerFileDialog(changed, "dialog-import", screen));
    // The import asks for a full apply of the profile.
    ProfileRecord read{};
    const DWORD end = ::GetTickCount() + 15000;
    do {
        Pump(300);
        const std::vector<uint8_t> memory = run.Peek(0, kMemoryBytes);
        ASSERT_EQ(memory.size(), kMemoryBytes);
        read = DecodeDevice(memory, record);
    } while (read.DpiLevel[0].nDpiX != dpi && int(::GetTickCount() - end) < 0);
    EXPECT_EQ(read.DpiLevel[0].nDpiX, dpi);
    WaitPainted(main);
    EXPECT_TRUE(Screenshot("main-after-import"));

    ASSERT_TRUE(run.Exit());
    const std::vector<ProfileRecord> stored = run.StoredProfiles();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[0].DpiLevel[0].nDpiX, dpi);
    EXPECT_EQ(stored[0].dwProfileID, record.dwProfileID);
}
