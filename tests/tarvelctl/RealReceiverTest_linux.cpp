// tarvelctl on the real-receiver path on Linux, against fake hidraw trees
// (TARVEL_HIDRAW_ROOT): without a receiver it ends with status 2 and says why
// each interface it saw was passed over; a receiver another program holds is
// refused by name; a receiver whose reports cannot be sent fails at once,
// naming the exchange; the mouse's own events are waited for, and reported.

#include "RunTool.h"

#include "common/FakeHidrawTree.h"
#include "common/TestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fake::Tree;
using tooltest::Result;

constexpr uint16_t kVid = 0x25A7, kPid = 0xFA92, kRelease = 0x0102;

std::string Env(const Tree& tree) {
    return "TARVEL_HIDRAW_ROOT=" + tree.Root().string();
}

void Receiver(Tree& t, int port, uint16_t pid, const fake::Bytes& vendorInterface,
              bool fifo = false) {
    t.AddUsbDevice(port, kVid, pid, kRelease);
    t.AddHidraw("hidraw" + std::to_string(port * 2), {port, 0}, kVid, pid, fake::Keyboard());
    t.AddHidraw("hidraw" + std::to_string(port * 2 + 1), {port, 1}, kVid, pid, vendorInterface,
                fifo);
}

TEST(TarvelctlReal, NoReceiverEndsWithStatus2AndTheReasons) {
    const struct {
        const char* name;
        std::function<void(Tree&)> build;
        std::vector<std::string> reasons; // each somewhere in "search"
    } rows[] = {
        {"no HID devices at all",
         [](Tree& t) { fs::remove_all(t.Root() / "sys" / "class" / "hidraw"); },
         {"no hidraw nodes: ", "nothing under vid_25a7 is present either"}},
        {"another vendor's keyboard and mouse",
         [](Tree& t) {
             t.AddUsbDevice(1, 0x046D, 0xC52B, 0x1211);
             t.AddHidraw("hidraw0", {1, 0}, 0x046D, 0xC52B, fake::Keyboard());
             t.AddHidraw("hidraw1", {1, 1}, 0x046D, 0xC52B, fake::MouseCollection());
         },
         {"looking for VID_25a7&PID_fa92", "looking for VID_25a7&PID_fa99",
          "nothing under vid_25a7 is present either"}},
        {"the vendor's receiver of another product",
         [](Tree& t) { Receiver(t, 2, 0xFA00, fake::ReceiverInterface()); },
         {"nothing under VID_25a7&PID_fa92 is present; under vid_25a7:",
          "/dev/hidraw5 (vid_25a7&pid_fa00&mi_01&col04): usage page 0xff02"}},
        {"the receiver with reports one byte short",
         [](Tree& t) {
             Receiver(t, 2, kPid,
                      fake::Join({fake::NotifyCollection(15), fake::CommandCollection(15)}));
         },
         {"(vid_25a7&pid_fa92&mi_01&col02): usage page 0xff02, usage 0x2, input none, feature "
          "16 bytes (report 8): not the interface asked for",
          "no interface under VID_25a7&PID_fa92 with usage page 0xff02 was taken"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::TempDir dir;
        Tree tree(dir.Path() / "tree");
        row.build(tree);
        for (const char* command : {"mem read 0 4", "mouse dpi --wait 1"}) {
            SCOPED_TRACE(command);
            const Result r = tooltest::RunTool(command, Env(tree));
            EXPECT_EQ(r.status, 2) << r.output;
            EXPECT_EQ(r.output.rfind("{\"error\": \"no receiver found; is it plugged in?", 0), 0u)
                << r.output;
            for (const std::string& reason : row.reasons)
                EXPECT_NE(r.output.find(reason), std::string::npos) << "missing: " << reason << "\n"
                                                                    << r.output;
        }
        const Result read =
            tooltest::RunTool("--data-dir " + (dir.Path() / "data").string() + " read", Env(tree));
        EXPECT_EQ(read.status, 2) << read.output;
    }
}

TEST(TarvelctlReal, AReceiverAnotherProgramHoldsIsLeftAlone) {
    testutil::TempDir dir;
    Tree tree(dir.Path() / "tree");
    Receiver(tree, 2, kPid, fake::ReceiverInterface());
    tree.Hold(4242, "winedevice.exe", tree.Node("hidraw5"));
    const Result r = tooltest::RunTool("mem write 0x300 01", Env(tree));
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("the receiver is in use: winedevice.exe (process 4242) has " +
                            tree.Node("hidraw5").string() + " open"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("End that program"), std::string::npos) << r.output;
}

// The fake tree's nodes are plain files, which refuse the feature-report
// ioctl: the first exchange fails and the command ends at once, saying which.
TEST(TarvelctlReal, AnExchangeThatFailsIsNamedAtOnce) {
    testutil::TempDir dir;
    Tree tree(dir.Path() / "tree");
    Receiver(tree, 2, kPid, fake::ReceiverInterface());
    const auto start = std::chrono::steady_clock::now();
    const Result mem = tooltest::RunTool("mem read 0x100 4", Env(tree));
    EXPECT_EQ(mem.status, 1) << mem.output;
    EXPECT_NE(mem.output.find("read failed: memory read of 4 bytes at 0x0100 (command 8): the "
                              "report could not be sent, error 0x1"),
              std::string::npos)
        << mem.output;
    const Result read =
        tooltest::RunTool("--data-dir " + (dir.Path() / "data").string() + " read", Env(tree));
    EXPECT_EQ(read.status, 1) << read.output;
    EXPECT_NE(read.output.find("\"failure\": \"memory read of 10 bytes at 0x0000 (command 8)"),
              std::string::npos)
        << read.output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

// The user presses the DPI button; the mouse's event report arrives on the
// notification node and is shown with the messages it becomes.
TEST(TarvelctlReal, TheMousesOwnEventIsWaitedForAndShown) {
    testutil::TempDir dir;
    Tree tree(dir.Path() / "tree");
    Receiver(tree, 2, kPid, fake::ReceiverInterface(), /*fifo=*/true);
    const fs::path node = tree.Node("hidraw5");

    auto run = std::async(std::launch::async,
                          [&] { return tooltest::RunTool("mouse dpi --wait 10", Env(tree)); });
    // The FIFO opens for writing once the tool reads it.
    int writer = -1;
    for (int i = 0; i < 500 && writer < 0; ++i) {
        writer = ::open(node.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer < 0)
            std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(writer, 0);
    // A report of the mouse collection, then the DPI event: level 2, 500 Hz,
    // all lights on.
    const uint8_t motion[7] = {1, 0, 3, 0, 0xFD, 0xFF, 0};
    ASSERT_EQ(::write(writer, motion, sizeof motion), ssize_t(sizeof motion));
    std::this_thread::sleep_for(200ms);
    const uint8_t event[17] = {9, 0x0A, 0, 0, 0, 0, 0x01, 2, 0xE2, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(::write(writer, event, sizeof event), ssize_t(sizeof event));
    const Result r = run.get();
    ::close(writer);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "{\"action\": \"dpi\", \"event\": "
                        "\"090a0000000001"
                        "02e20000000000000000\", \"messages\": [[2, 1]], "
                        "\"dpiLevel\": 2, \"rateCode\": 2}\n");

    const Result none = tooltest::RunTool("mouse rate --wait 1", Env(tree));
    EXPECT_EQ(none.status, 1) << none.output;
    EXPECT_NE(none.output.find("the mouse reported no such event within 1 s"), std::string::npos)
        << none.output;
}

} // namespace
