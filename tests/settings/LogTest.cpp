#include "settings/Log.h"

#include "common/TestUtil.h"
#include "platform/Text.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

using settings::g_opt;

namespace {

// Points the desktop at a temporary folder so Log.txt lands there.
class LogFileTest : public testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the desktop folder is the system's under Windows";
#else
        setenv("XDG_DESKTOP_DIR", dir.Path().string().c_str(), 1);
#endif
        g_opt = {};
    }
    void TearDown() override {
        settings::ResetLog();
        g_opt = {};
#ifndef _WIN32
        unsetenv("XDG_DESKTOP_DIR");
#endif
    }
    std::string LogFile() const {
        return testutil::ReadFileBytes(dir.Path() / "Log.txt");
    }
    // The entries of the file without their time stamps.
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        std::string content = LogFile();
        std::regex stamp("\n[0-9]{2}:[0-9]{2}\\.[0-9]{3}   ");
        std::sregex_token_iterator it(content.begin(), content.end(), stamp, -1), end;
        if (it != end)
            ++it; // nothing comes before the first stamp
        for (; it != end; ++it)
            out.push_back(*it);
        return out;
    }
    testutil::TempDir dir;
};

TEST_F(LogFileTest, NothingIsWrittenBeforeInitOrWithDebugZero) {
    g_opt.Debug = 2;
    settings::WriteLog("early");
    g_opt.Debug = 0;
    settings::InitLog();
    settings::WriteLog("off");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Log.txt"));
}

TEST_F(LogFileTest, EntriesStartOnANewLineWithTheTime) {
    g_opt.Debug = 2;
    settings::InitLog();
    settings::WriteLog("set_cur_sensor = 0x%x", 0x3325);
    settings::WriteLog("Mk AppData=%s", settings::LogText(u"C:\\data\\").c_str());
    std::string content = LogFile();
    EXPECT_TRUE(std::regex_match(
        content, std::regex("\n[0-9]{2}:[0-9]{2}\\.[0-9]{3}   set_cur_sensor = 0x3325"
                            "\n[0-9]{2}:[0-9]{2}\\.[0-9]{3}   Mk AppData=C:\\\\data\\\\")))
        << content;
}

TEST_F(LogFileTest, LargeLogIsEmptiedAtStart) {
    for (auto [size, kept] : {std::pair{600000, false}, std::pair{400000, true}}) {
        {
            std::ofstream(dir.Path() / "Log.txt", std::ios::binary)
                << std::string(size_t(size), 'x');
        }
        g_opt.Debug = 2;
        settings::InitLog();
        settings::WriteLog("next");
        EXPECT_EQ(LogFile().size() > size_t(size), kept) << size;
        settings::ResetLog();
    }
}

TEST_F(LogFileTest, HexLinesHaveTheirShapes) {
    g_opt.Debug = 2;
    settings::InitLog();
    uint8_t report[17];
    for (int i = 0; i < 17; ++i)
        report[i] = uint8_t(i * 16 + 1);
    settings::LogHex(report, 17, 0, "Read: ");
    uint8_t block[64] = {};
    settings::LogHex(block, 64, 32, nullptr);
    settings::LogHex(report, 3, 2, "Pre");
    settings::LogHex(report, 0, 0, "Empty");

    std::string zeros32;
    for (int i = 0; i < 32; ++i)
        zeros32 += "00 ";
    std::vector<std::string> expected = {
        "Read:  01 11 21 31 41 51 61 71 81 91 a1 b1 c1 d1 e1 f1 01 ",
        zeros32,
        zeros32,
        "",
        "\nPre 01 11 ",
        "Pre 21 ", // the first line of a prefixed dump starts with a break
    };
    EXPECT_EQ(Entries(), expected);
}

TEST_F(LogFileTest, ConcurrentWritersNeverInterleave) {
    g_opt.Debug = 2;
    settings::InitLog();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                settings::WriteLog("thread %d entry %d %s", t, i,
                                   std::string(200, char('a' + t)).c_str());
        });
    for (auto& th : threads)
        th.join();
    std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 200u);
    std::regex whole("thread ([0-3]) entry [0-9]+ ([a-d]){200}");
    for (const std::string& e : entries)
        EXPECT_TRUE(std::regex_match(e, whole)) << e;
}

TEST_F(LogFileTest, DebuggerWriterPrefixesAndCuts) {
    g_opt.Debug = 1;
    settings::InitLog();
    testing::internal::CaptureStderr();
    settings::WriteLog("x=%d", 5);
    settings::WriteLog("%s", std::string(600, 'y').c_str());
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "BY: x=5\nBY: " + std::string(507, 'y') + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Log.txt"));
}

TEST(LogPathTest, LogTxtOnTheDesktop) {
    g_opt = {};
    g_opt.Debug = 1;
    settings::InitLog();
    std::u16string path = settings::LogPath();
    EXPECT_EQ(path.substr(path.size() - 8), std::u16string(1, path[path.size() - 8]) + u"Log.txt");
    settings::ResetLog();
    g_opt = {};
}

} // namespace
