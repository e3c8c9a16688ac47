// The Linux hidraw library against a fake tree: which node and collection it
// opens for the program's two requests among realistic sets of devices, what
// its account says, and how its handles behave (reads that deliver only the
// collection's reports and end on a cancel or an unplug, feature reports that
// are padded and bounded in time), up to the device link reading and writing
// a virtual receiver's memory through it.

#include "device/linux/HidrawLibrary.h"
#include "device/linux/NodeHolders.h"

#include "common/FakeHidrawTree.h"
#include "common/RecordingPoster.h"
#include "common/TestUtil.h"
#include "device/USBDriver.h"
#include "settings/Settings.h"
#include "sim/VirtualReceiver.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using fake::Tree;
using fake::UsbPlace;

constexpr uint16_t kVid = 0x25A7, kPid = 0xFA92, kPid2 = 0xFA99, kRelease = 0x0102;
constexpr uint32_t kReadWrite = 0x12019F, kRead = 0x120089, kOverlapped = 0x40000000;
constexpr uint32_t kOperationAborted = 995;

int AcceptCommand(int, int, int, int featureLength) {
    return featureLength == 17;
}
int AcceptNotify(int, int inputLength) {
    return inputLength == 17;
}

HidHandle OpenCommand(HidrawLibrary& lib, const char16_t* pattern = u"VID_25a7&PID_fa92") {
    return lib.OpenHidDevice(0xFF02, 2, pattern, AcceptCommand, nullptr, 0, 0, kReadWrite,
                             kOverlapped, 0);
}
HidHandle OpenNotify(HidrawLibrary& lib, const char16_t* pattern = u"VID_25a7&PID_fa92") {
    return lib.OpenHidDevice(0xFF01, 0, pattern, nullptr, AcceptNotify, 0, 0, kRead, 0, 0);
}

std::string Account(const HidrawLibrary& lib) {
    const std::u16string report = lib.LastSearchReport();
    return std::string(report.begin(), report.end());
}

// What the account says was taken: "hidraw2 (vid_...&col04)", or "".
std::string Taken(const std::string& account) {
    const size_t at = account.find("taken ");
    if (at == std::string::npos)
        return {};
    const size_t slash = account.rfind('/', account.find(' ', at + 6));
    return account.substr(slash + 1, account.find(')', at) - slash);
}

// A receiver on port 2: a keyboard on interface 0, and on interface 1 one node
// with the mouse, the consumer keys and both vendor collections.
void Receiver(Tree& t, int port, int firstNode, uint16_t pid = kPid) {
    t.AddUsbDevice(port, kVid, pid, kRelease);
    t.AddHidraw("hidraw" + std::to_string(firstNode), {port, 0}, kVid, pid, fake::Keyboard());
    t.AddHidraw("hidraw" + std::to_string(firstNode + 1), {port, 1}, kVid, pid,
                fake::ReceiverInterface());
}

TEST(HidrawLibrary, FindsAndPairsTheReceiversInterfaces) {
    const struct {
        const char* name;
        std::function<void(Tree&)> build;
        std::string command, notify;    // what is taken; "" for nothing
        std::vector<std::string> lines; // each somewhere in one of the two accounts
    } rows[] = {
        {"a receiver beside another vendor's keyboard",
         [](Tree& t) {
             t.AddUsbDevice(1, 0x046D, 0xC31C, 0x6400);
             t.AddHidraw("hidraw0", {1, 0}, 0x046D, 0xC31C, fake::Keyboard());
             Receiver(t, 2, 1);
         },
         "hidraw2 (vid_25a7&pid_fa92&mi_01&col04)",
         "hidraw2 (vid_25a7&pid_fa92&mi_01&col03)",
         {"hidraw1 (vid_25a7&pid_fa92&mi_00): usage page 0x1, usage 0x6, input 9 bytes (report "
          "0), feature none: not the interface asked for",
          "hidraw2 (vid_25a7&pid_fa92&mi_01&col01): usage page 0x1, usage 0x2, input 7 bytes "
          "(report 1)"}},
        {"two receivers: both interfaces of the first",
         [](Tree& t) {
             Receiver(t, 2, 0);
             Receiver(t, 3, 2);
         },
         "hidraw1 (vid_25a7&pid_fa92&mi_01&col04)",
         "hidraw1 (vid_25a7&pid_fa92&mi_01&col03)",
         {"tie: ", "hidraw3 (vid_25a7&pid_fa92&mi_01&col03): belongs to another receiver than "}},
        {"the vendor collections on two USB interfaces",
         [](Tree& t) {
             t.AddUsbDevice(2, kVid, kPid, kRelease);
             t.AddHidraw("hidraw0", {2, 0}, kVid, kPid, fake::MouseCollection());
             t.AddHidraw("hidraw1", {2, 1}, kVid, kPid, fake::NotifyCollection());
             t.AddHidraw("hidraw2", {2, 2}, kVid, kPid, fake::CommandCollection());
         },
         "hidraw2 (vid_25a7&pid_fa92&mi_02)",
         "hidraw1 (vid_25a7&pid_fa92&mi_01)",
         {}},
        {"a firmware with 16-byte reports",
         [](Tree& t) {
             t.AddUsbDevice(2, kVid, kPid, kRelease);
             t.AddHidraw("hidraw0", {2, 1}, kVid, kPid,
                         fake::Join({fake::NotifyCollection(15), fake::CommandCollection(15)}));
         },
         "",
         "",
         {"hidraw0 (vid_25a7&pid_fa92&mi_01&col02): usage page 0xff02, usage 0x2, input none, "
          "feature 16 bytes (report 8): not the interface asked for",
          "no interface under VID_25a7&PID_fa92 with usage page 0xff02 was taken"}},
        {"a descriptor cut short",
         [](Tree& t) {
             t.AddUsbDevice(2, kVid, kPid, kRelease);
             const fake::Bytes command = fake::CommandCollection();
             t.AddHidraw("hidraw0", {2, 1}, kVid, kPid,
                         fake::Bytes(command.begin(), command.begin() + 17));
         },
         "",
         "",
         {"hidraw0 (vid_25a7&pid_fa92&mi_01): report descriptor: an item runs past the end at "
          "byte 16",
          "hidraw0 (vid_25a7&pid_fa92&mi_01): its capabilities cannot be read, error 0xd (its "
          "report descriptor cannot be read)"}},
        {"only the product's second id is present",
         [](Tree& t) { Receiver(t, 2, 0, kPid2); },
         "",
         "",
         {"nothing under VID_25a7&PID_fa92 is present; under vid_25a7:", "present: ",
          "hidraw1 (vid_25a7&pid_fa99&mi_01&col04): usage page 0xff02"}},
        {"no hidraw nodes at all",
         [](Tree& t) { fs::remove_all(t.Root() / "sys" / "class" / "hidraw"); },
         "",
         "",
         {"no hidraw nodes: ", "class/hidraw cannot be read (",
          "nothing under vid_25a7 is present either"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::TempDir dir;
        Tree tree(dir.Path() / "tree");
        row.build(tree);
        HidrawLibrary lib({.roots = device::HidrawRoots::Under(tree.Root())});
        ASSERT_TRUE(lib.Load());
        const HidHandle cmd = OpenCommand(lib);
        const std::string cmdAccount = Account(lib);
        const HidHandle notify = OpenNotify(lib);
        const std::string notifyAccount = Account(lib);
        EXPECT_EQ(cmd != nullptr, !row.command.empty()) << cmdAccount;
        EXPECT_EQ(Taken(cmdAccount), row.command) << cmdAccount;
        EXPECT_EQ(notify != nullptr, !row.notify.empty()) << notifyAccount;
        EXPECT_EQ(Taken(notifyAccount), row.notify) << notifyAccount;
        for (const std::string& line : row.lines)
            EXPECT_NE((cmdAccount + notifyAccount).find(line), std::string::npos)
                << "missing: " << line << "\n"
                << cmdAccount << notifyAccount;
        if (!cmd) {
            EXPECT_EQ(lib.LastError(), kHidErrorDeviceNotConnected);
        }
        lib.Close(cmd);
        lib.Close(notify);
    }
}

// What a user reads in the account for the reasons an open fails on Linux.
TEST(HidrawLibrary, ReasonsInTheLinksCodesAndWords) {
    const struct {
        int error;
        uint32_t code;
        const wchar_t* words; // the start of the explanation
    } rows[] = {
        {EACCES, 5,
         L"permission denied: this user may not open the node; install the udev rule "
         L"70-tarvel.rules"},
        {EBUSY, 32, L""},
        {ENODEV, kHidErrorDeviceNotConnected, L"the device is gone"},
        {EIO, kHidErrorDeviceNotConnected, L"the device is gone"},
        {ETIMEDOUT, kHidErrorTimeout, L""},
        {ENOTTY, 1, L"not a hidraw node"},
        {EPIPE, 0x20000000 + EPIPE, L"Broken pipe"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(HidrawLibrary::ErrorFromErrno(row.error), row.code) << row.error;
        EXPECT_EQ(HidrawLibrary::ExplainError(row.code).rfind(row.words, 0), 0u) << row.error;
    }
}

// A receiver whose notification collection sits alone on a FIFO node, so the
// test can feed it reports (one at a time: a FIFO keeps no report borders) and
// pull the receiver out by closing the writing end.
class HidrawIo : public testing::Test {
public:
    void SetUp() override {
        tree = std::make_unique<Tree>(dir.Path() / "tree");
        tree->AddUsbDevice(2, kVid, kPid, kRelease);
        tree->AddHidraw("hidraw1", {2, 1}, kVid, kPid,
                        fake::Join({fake::MouseCollection(), fake::NotifyCollection()}), true);
        tree->AddHidraw("hidraw2", {2, 2}, kVid, kPid, fake::CommandCollection());
        writer = ::open(tree->Node("hidraw1").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(writer, 0);
    }
    void TearDown() override {
        if (writer >= 0)
            ::close(writer);
    }
    // Writes one report and waits until the reader has taken it.
    void Feed(const std::vector<uint8_t>& report) {
        ASSERT_EQ(::write(writer, report.data(), report.size()), ssize_t(report.size()));
        const auto until = Clock::now() + 2s;
        int unread = 1;
        while (::ioctl(writer, FIONREAD, &unread) == 0 && unread > 0 && Clock::now() < until)
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(unread, 0) << "the report was not read";
    }
    void Unplug() {
        ::close(writer);
        writer = -1;
    }
    HidrawLibrary::Options Options() const {
        return {.roots = device::HidrawRoots::Under(tree->Root())};
    }

    testutil::TempDir dir;
    std::unique_ptr<Tree> tree;
    int writer = -1;
};

TEST_F(HidrawIo, ReadsOnlyTheCollectionsReportsUntilCancelledOrUnplugged) {
    HidrawLibrary lib(Options());
    lib.Load();
    const HidHandle notify = OpenNotify(lib);
    ASSERT_NE(notify, nullptr) << Account(lib);

    std::vector<uint8_t> answer(17, 0);
    answer[0] = 9;
    answer[1] = 8;
    answer[16] = 0x3F;
    {
        SCOPED_TRACE("the mouse's report on the same node is passed over");
        auto read = std::async(std::launch::async, [&] {
            std::vector<uint8_t> got(17, 0xEE);
            const bool ok = lib.ReadReport(notify, got.data(), uint32_t(got.size()));
            return ok ? got : std::vector<uint8_t>{};
        });
        Feed({1, 0x01, 0x05, 0x00, 0xFB, 0xFF, 0x00});
        Feed(answer);
        EXPECT_EQ(read.get(), answer);
    }
    {
        SCOPED_TRACE("a cancel from another thread ends a read that waits");
        auto read = std::async(std::launch::async, [&] {
            uint8_t got[17];
            const bool ok = lib.ReadReport(notify, got, sizeof got);
            return std::make_pair(ok, lib.LastError());
        });
        EXPECT_EQ(read.wait_for(100ms), std::future_status::timeout);
        lib.CancelBlockedRead(notify);
        ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
        EXPECT_EQ(read.get(), std::make_pair(false, kOperationAborted));
    }
    {
        SCOPED_TRACE("a cancel before the read ends that read at once");
        lib.CancelBlockedRead(notify);
        uint8_t got[17];
        EXPECT_FALSE(lib.ReadReport(notify, got, sizeof got));
        EXPECT_EQ(lib.LastError(), kOperationAborted);
    }
    {
        SCOPED_TRACE("a receiver pulled out");
        Unplug();
        uint8_t got[17];
        EXPECT_FALSE(lib.ReadReport(notify, got, sizeof got));
        EXPECT_EQ(lib.LastError(), kHidErrorDeviceNotConnected);
    }
    lib.Close(notify);
}

TEST_F(HidrawIo, ClosingAHandleEndsTheReadOnIt) {
    HidrawLibrary lib(Options());
    lib.Load();
    const HidHandle notify = OpenNotify(lib);
    ASSERT_NE(notify, nullptr) << Account(lib);
    auto read = std::async(std::launch::async, [&] {
        uint8_t got[17];
        return lib.ReadReport(notify, got, sizeof got);
    });
    EXPECT_EQ(read.wait_for(100ms), std::future_status::timeout);
    lib.Close(notify);
    ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(read.get());
    uint8_t got[17];
    EXPECT_FALSE(lib.ReadReport(notify, got, sizeof got)) << "a closed handle";
}

TEST_F(HidrawIo, FeatureReportsArePaddedAndBoundedInTime) {
    std::vector<uint8_t> sent;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool stuck = false;
    HidrawLibrary::Options options = Options();
    options.featureTimeoutMs = 100;
    options.sendFeature = [&](int, const uint8_t* report, size_t length) {
        if (stuck)
            released.wait();
        sent.assign(report, report + length);
        return 0;
    };
    HidrawLibrary lib(options);
    lib.Load();
    // Without an accept test, a collection with longer reports is taken too.
    tree->AddHidraw("hidraw3", {2, 3}, kVid, 0xFA93, fake::CommandCollection(32));
    const HidHandle wide =
        lib.OpenHidDevice(0xFF02, 2, u"PID_fa93", nullptr, nullptr, 0, 0, kReadWrite, 0, 0);
    ASSERT_NE(wide, nullptr) << Account(lib);
    const uint8_t report[17] = {8, 2, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x49};
    ASSERT_TRUE(lib.SetFeature(wide, report, sizeof report));
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_TRUE(std::equal(report, report + 17, sent.begin()));
    EXPECT_TRUE(std::all_of(sent.begin() + 17, sent.end(), [](uint8_t b) { return b == 0; }));

    const HidHandle cmd = OpenCommand(lib);
    ASSERT_NE(cmd, nullptr) << Account(lib);
    uint32_t version = 0;
    EXPECT_TRUE(lib.GetVersionNumber(cmd, &version));
    EXPECT_EQ(version, kRelease);

    stuck = true;
    const auto start = Clock::now();
    EXPECT_FALSE(lib.SetFeature(cmd, report, sizeof report));
    EXPECT_EQ(lib.LastError(), kHidErrorTimeout);
    EXPECT_LT(Clock::now() - start, 1s);
    release.set_value();
    lib.Close(cmd);
    lib.Close(wide);
}

// The kernel's own ioctl refuses a node that is not a hidraw node (the fake
// tree's are plain files): the reason names it.
TEST_F(HidrawIo, TheIoctlOnSomethingElseTellsSo) {
    HidrawLibrary lib(Options());
    lib.Load();
    const HidHandle cmd = OpenCommand(lib);
    ASSERT_NE(cmd, nullptr) << Account(lib);
    const uint8_t report[17] = {8, 3};
    EXPECT_FALSE(lib.SetFeature(cmd, report, sizeof report));
    EXPECT_EQ(lib.LastError(), 1u);
    lib.Close(cmd);
}

// The device link over the library: the program's search, the reader, the
// exchanges and a pulled receiver, with a virtual receiver behind the nodes.
TEST_F(HidrawIo, TheDeviceLinkReadsAndWritesThroughIt) {
    settings::g_opt = {};
    settings::g_opt.VID = kVid;
    settings::g_opt.PID = kPid;
    settings::g_opt.Retry = 1;
    auto receiver = std::make_shared<sim::VirtualReceiver>();
    HidrawLibrary::Options options = Options();
    options.sendFeature = [receiver](int, const uint8_t* report, size_t length) {
        return receiver->SendFeature(report, length) ? 0 : EPIPE;
    };
    // The receiver's reports go into the notification node, one at a time.
    struct Pump {
        Pump(HidrawIo* test, std::shared_ptr<sim::VirtualReceiver> r) : receiver(std::move(r)) {
            thread = std::thread([this, test] {
                sim::Report report{};
                while (receiver->ReadReport(report.data(), report.size(), cancel))
                    test->Feed({report.begin(), report.end()});
            });
        }
        ~Pump() { Stop(); }
        void Stop() {
            if (!thread.joinable())
                return;
            receiver->CancelReads(cancel);
            thread.join();
        }
        std::shared_ptr<sim::VirtualReceiver> receiver;
        sim::ReadCancel cancel;
        std::thread thread;
    } pump(this, receiver);

    testutil::RecordingPoster window;
    CUSBDriver driver(std::make_unique<HidrawLibrary>(options), &window);
    ASSERT_TRUE(driver.InitDriver());
    ASSERT_TRUE(driver.OpenDevice());
    uint16_t release = 0;
    EXPECT_TRUE(driver.ReleaseNumber(release));
    EXPECT_EQ(release, kRelease);

    const sim::Memory memory = receiver->ReadMemory();
    uint8_t read[25] = {};
    ASSERT_TRUE(driver.ReadROM(nullptr, read, 0x100, sizeof read));
    EXPECT_TRUE(std::equal(read, read + sizeof read, memory.begin() + 0x100));
    const uint8_t write[3] = {0x11, 0x22, 0x33};
    ASSERT_TRUE(driver.WriteEEPROM(3, 0x200, write));
    EXPECT_EQ(receiver->ReadMemory()[0x201], 0x22);

    pump.Stop();
    Unplug();
    // The reader tells the window once the receiver is gone.
    const auto messages = window.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].msg, WM_DEVICE_LOST);
}

TEST(NodeHolders, OtherProcessesThatHoldTheNodes) {
    testutil::TempDir dir;
    Tree tree(dir.Path() / "tree");
    Receiver(tree, 2, 0);
    const fs::path node = tree.Node("hidraw1");
    tree.Hold(4242, "winedevice.exe", node);
    tree.Hold(4242, "winedevice.exe", node); // a second handle: listed once
    tree.Hold(777, "bash", tree.Node("hidraw0"));
    tree.Hold(100, "tarvelctl", node); // ourselves
    const auto holders =
        device::HoldersOf({node}, device::HidrawRoots::Under(tree.Root()), /*self=*/100);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, 4242);
    EXPECT_EQ(holders[0].name, "winedevice.exe");
    EXPECT_EQ(holders[0].node, node);
}

} // namespace
