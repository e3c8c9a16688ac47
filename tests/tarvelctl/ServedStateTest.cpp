// tarvelctl and a state file that a running program serves: the tool cannot
// reach that program's control pipe, so it must refuse and leave the file
// alone; once the program is gone, even without cleaning up, the file is
// free again.

#include "RunTool.h"

#include "sim/StateClaim.h"
#include "sim/VirtualReceiver.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tooltest::Result;
using tooltest::RunTool;

namespace {

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Another process that serves the state file, as Tarvel.exe does through
// Vantor.dll, until it is killed.
class Holder {
public:
    explicit Holder(const fs::path& state) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            const std::string path = state.string();
            sim::StateClaim claim(std::u16string(path.begin(), path.end()), "Tarvel.exe");
            const char held = claim.Held() ? 1 : 0;
            if (::write(ready[1], &held, 1) != 1)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char held = 0;
        m_held = ::read(ready[0], &held, 1) == 1 && held == 1;
        ::close(ready[0]);
    }
    ~Holder() { Kill(); }
    bool Held() const { return m_held; }
    // As a crash would: nothing is cleaned up.
    void Kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_held = false;
};

} // namespace

TEST(ServedState, ToolsRefuseWhileAProgramServesTheFileAndNotAfterItIsGone) {
    const fs::path dir = fs::path(TEST_WORK_DIR) / "served-state";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path state = dir / "receiver.state";
    const std::string virt =
        "--virtual " + state.string() + " --data-dir " + (dir / "data").string();
    {
        // The program made the file on its start.
        const std::string path = state.string();
        sim::VirtualReceiver made(std::u16string(path.begin(), path.end()));
    }
    const std::string before = ReadAll(state);
    ASSERT_EQ(before.size(), sim::kMemorySize);

    const char* commands[] = {"mouse dpi", "mouse unplug", "mem write 0 04fb", "apply",
                              "mem read 0 2"};
    Holder holder(state);
    ASSERT_TRUE(holder.Held());
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        const Result r = RunTool(virt + " " + command);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find("is in use: served by Tarvel.exe (process "), std::string::npos)
            << r.output;
        EXPECT_EQ(ReadAll(state), before);
        EXPECT_FALSE(fs::exists(dir / "receiver.state.unplugged"));
    }

    // A program that crashed leaves its marker behind; it blocks nobody.
    holder.Kill();
    ASSERT_TRUE(fs::exists(dir / "receiver.state.served"));
    for (const char* command : {"mouse dpi", "mem write 0 04fb"}) {
        SCOPED_TRACE(command);
        const Result r = RunTool(virt + " " + command);
        EXPECT_EQ(r.status, 0) << r.output;
    }
    EXPECT_NE(ReadAll(state), before);
}
