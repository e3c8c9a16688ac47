// Which HID interface Vantor.dll (and the Linux hidraw library) opens among
// those a system shows, with which access, and what its account says:
// realistic interface lists in both systems' path forms, each row checking
// the pick, the access used and the lines of the account.

#include "device/InterfaceChoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace {

using device::InterfaceCaps;
using device::InterfaceIdentity;
using device::Kinship;
using device::PresentInterface;

constexpr uint32_t kReadWrite = 0x12019F; // what the program asks for commands
constexpr uint32_t kRead = 0x120089;      // and for the notifications

// The program's accept tests.
int AcceptCommand(int, int, int, int featureLength) {
    return featureLength == 17;
}
int AcceptNotify(int, int inputLength) {
    return inputLength == 17;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

constexpr wchar_t kHidGuid[] = L"{4d1e55b2-f16f-11cf-88cb-001111000030}";
std::wstring HidPath(const std::wstring& hardware, const std::wstring& instance) {
    return L"\\\\?\\hid#" + hardware + L"#" + instance + L"#" + kHidGuid;
}

// One receiver as Windows shows it: a keyboard on USB interface 0, and on
// interface 1 the mouse, consumer control and the two vendor collections.
struct Receiver {
    std::wstring ids;      // "vid_25a7&pid_fa92"
    std::wstring instance; // the instance part's parent, "8&2d3f1a&0"
    std::wstring container;
    std::wstring usb;

    PresentInterface Collection(const std::wstring& where, int number, InterfaceCaps caps) const {
        const std::wstring hardware = ids + L"&" + where;
        const std::wstring inst = instance + L"&000" + std::to_wstring(number);
        return {{HidPath(hardware, inst), container, usb}, 0, std::move(caps)};
    }
    PresentInterface Keyboard() const {
        return Collection(L"mi_00", 0, {0x01, 0x06, 9, 0, {0}, {}});
    }
    PresentInterface Mouse() const {
        return Collection(L"mi_01&col01", 0, {0x01, 0x02, 8, 0, {1}, {}});
    }
    PresentInterface Consumer() const {
        return Collection(L"mi_01&col02", 1, {0x0C, 0x01, 3, 0, {3}, {}});
    }
    PresentInterface Notify() const {
        return Collection(L"mi_01&col03", 2, {0xFF01, 0x01, 17, 0, {9}, {}});
    }
    PresentInterface Command() const {
        return Collection(L"mi_01&col04", 3, {0xFF02, 0x02, 0, 17, {}, {8}});
    }
    std::vector<PresentInterface> All() const {
        return {Keyboard(), Mouse(), Consumer(), Notify(), Command()};
    }
};

const Receiver kA{L"vid_25a7&pid_fa92", L"8&2d3f1a&0", L"{6c1f2d6e-33a1-11ee-9d5b-806e6f6e6963}",
                  L"USB\\VID_25A7&PID_FA92\\5&1A2B3C&0&3"};
// The same model on another port: another container and USB device.
const Receiver kB{L"vid_25a7&pid_fa92", L"8&9e0c44&0", L"{7a0b9e42-33a1-11ee-9d5b-806e6f6e6963}",
                  L"USB\\VID_25A7&PID_FA92\\5&1A2B3C&0&4"};

// The same receivers as Linux shows them: one hidraw node per USB interface,
// whose top-level collections count as the interfaces; the USB device and
// the USB interface (the node's HID device) are known, containers are not.
struct LinuxReceiver {
    std::wstring usb; // the USB device's sysfs folder
    int firstNode;    // its keyboard's node; the receiver's node follows

    PresentInterface Node(int offset, const std::wstring& where, InterfaceCaps caps) const {
        const std::wstring node = L"/dev/hidraw" + std::to_wstring(firstNode + offset);
        return {{node + L" (vid_25a7&pid_fa92&" + where + L")", L"", usb,
                 usb + L"/" + std::to_wstring(offset) + L"/0003:25A7:FA92"},
                0,
                std::move(caps)};
    }
    PresentInterface Keyboard() const { return Node(0, L"mi_00", kA.Keyboard().caps); }
    PresentInterface Mouse() const { return Node(1, L"mi_01&col01", kA.Mouse().caps); }
    PresentInterface Consumer() const { return Node(1, L"mi_01&col02", kA.Consumer().caps); }
    PresentInterface Notify() const { return Node(1, L"mi_01&col03", kA.Notify().caps); }
    PresentInterface Command() const { return Node(1, L"mi_01&col04", kA.Command().caps); }
    std::vector<PresentInterface> All() const {
        return {Keyboard(), Mouse(), Consumer(), Notify(), Command()};
    }
};

const LinuxReceiver kLinuxA{L"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2", 0};
const LinuxReceiver kLinuxB{L"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4", 4};

// A firmware-update collection of the same vendor collection page, with
// 17-byte input reports of its own id: the program's accept test takes it.
PresentInterface FirmwareUpdate() {
    return kA.Collection(L"mi_02", 0, {0xFF01, 0x80, 17, 17, {0x3F}, {0x3F}});
}

// An open that fails with `error` for `path` at `access`.
struct Refusal {
    std::wstring path;
    uint32_t access;
    uint32_t error;
};

struct Row {
    const char* name;
    std::vector<PresentInterface> present;
    bool command; // else the notification interface
    std::wstring pattern = L"VID_25a7&PID_fa92";
    std::optional<PresentInterface> pairedWith = {}; // the command interface already open
    std::vector<Refusal> refusals = {};
    std::wstring pick = {}; // empty: none
    uint32_t access = 0;
    uint32_t error = 0;                   // when none
    std::vector<std::wstring> lines = {}; // each the start of a line of the account
};

void Check(const Row& row) {
    SCOPED_TRACE(row.name);
    device::OpenRequest request;
    request.usagePage = row.command ? 0xFF02 : 0xFF01;
    request.usage = row.command ? 2 : 0;
    request.pathPattern = row.pattern;
    request.acceptTest = row.command ? reinterpret_cast<void*>(&AcceptCommand)
                                     : reinterpret_cast<void*>(&AcceptNotify);
    request.access = row.command ? kReadWrite : kRead;
    std::vector<std::pair<std::wstring, uint32_t>> attempts;
    const device::Choice choice = device::ChooseInterface(
        request, row.present, row.pairedWith ? &row.pairedWith->identity : nullptr,
        [&](const InterfaceIdentity& itf, uint32_t access) -> uint32_t {
            attempts.emplace_back(itf.path, access);
            for (const Refusal& r : row.refusals)
                if (r.path == itf.path && r.access == access)
                    return r.error;
            return 0;
        });
    std::string account;
    for (const std::wstring& line : choice.lines)
        account += Narrow(line) + "\n";
    if (row.pick.empty()) {
        EXPECT_EQ(choice.index, -1) << account;
        EXPECT_EQ(choice.error, row.error) << account;
    } else {
        ASSERT_GE(choice.index, 0) << account;
        EXPECT_EQ(Narrow(row.present[size_t(choice.index)].identity.path), Narrow(row.pick))
            << account;
        EXPECT_EQ(choice.access, row.access) << account;
        // The interface taken is opened last; nothing is opened after it.
        ASSERT_FALSE(attempts.empty());
        EXPECT_EQ(Narrow(attempts.back().first), Narrow(row.pick));
    }
    // Only what was taken, or refused on the way to it, is ever opened: never
    // the keyboard, which the system would refuse for reading and writing.
    for (const auto& [path, access] : attempts) {
        const bool expected =
            path == row.pick || std::any_of(row.refusals.begin(), row.refusals.end(),
                                            [&](const Refusal& r) { return r.path == path; });
        EXPECT_TRUE(expected) << "opened " << Narrow(path) << " with access " << access;
    }
    for (const std::wstring& expected : row.lines) {
        const bool found =
            std::any_of(choice.lines.begin(), choice.lines.end(),
                        [&](const std::wstring& line) { return line.rfind(expected, 0) == 0; });
        EXPECT_TRUE(found) << "missing: " << Narrow(expected) << "\naccount:\n" << account;
    }
}

TEST(InterfaceChoice, PicksTheInterfaceTheAccessAndTellsWhy) {
    const std::wstring aCmd = kA.Command().identity.path;
    const std::wstring aNotify = kA.Notify().identity.path;
    const std::wstring bCmd = kB.Command().identity.path;
    const std::wstring bNotify = kB.Notify().identity.path;
    std::vector<PresentInterface> twoReceivers = kB.All();
    for (const PresentInterface& itf : kA.All())
        twoReceivers.push_back(itf);
    std::vector<PresentInterface> withFirmware = {FirmwareUpdate()};
    for (const PresentInterface& itf : kA.All())
        withFirmware.push_back(itf);
    std::vector<PresentInterface> unreadable = kA.All();
    unreadable.insert(unreadable.begin(), kA.Collection(L"mi_03", 0, {}));
    unreadable.front().capsError = 0x1F;
    // More of the vendor's interfaces than are listed.
    std::vector<PresentInterface> many = twoReceivers;
    for (const PresentInterface& itf : kA.All())
        many.push_back(kA.Collection(L"mi_05", 0, itf.caps));
    const PresentInterface aCommand = kA.Command();
    const PresentInterface bCommand = kB.Command();

    const Row rows[] = {
        {"one receiver: the command collection",
         kA.All(),
         true,
         L"VID_25a7&PID_fa92",
         {},
         {},
         aCmd,
         kReadWrite,
         0,
         {kA.Keyboard().identity.path + L": usage page 0x1, usage 0x6, input 9 bytes (report 0), "
                                        L"feature none: not the interface asked for",
          kA.Consumer().identity.path + L": usage page 0xc, usage 0x1",
          aNotify + L": usage page 0xff01, usage 0x1, input 17 bytes (report 9), feature none: "
                    L"not the interface asked for",
          L"taken " + aCmd +
              L": usage page 0xff02, usage 0x2, input none, feature 17 bytes "
              L"(report 8), container " +
              kA.container + L", USB device " + kA.usb + L", access 0x12019f"}},
        {"one receiver: its notification collection beside the command's",
         kA.All(),
         false,
         L"VID_25a7&PID_fa92",
         aCommand,
         {},
         aNotify,
         kRead,
         0,
         {L"taken " + aNotify + L": usage page 0xff01, usage 0x1, input 17 bytes (report 9)"}},
        {"a firmware-update collection listed first: no report 9",
         withFirmware,
         false,
         L"VID_25a7&PID_fa92",
         aCommand,
         {},
         aNotify,
         kRead,
         0,
         {FirmwareUpdate().identity.path +
          L": usage page 0xff01, usage 0x80, input 17 bytes (report 63), feature 17 bytes "
          L"(report 63): no input report 9"}},
        {"the same model in another container: a tie, the first taken",
         twoReceivers,
         true,
         L"VID_25a7&PID_fa92",
         {},
         {},
         bCmd,
         kReadWrite,
         0,
         {L"tie: " + aCmd + L" qualifies as well as " + bCmd}},
        {"the same model in another container: the notifications of the receiver opened",
         twoReceivers,
         false,
         L"VID_25a7&PID_fa92",
         aCommand,
         {},
         aNotify,
         kRead,
         0,
         {bNotify + L": belongs to another receiver than " + aCmd}},
        {"the command collection held without sharing: opened with access 0",
         kA.All(),
         true,
         L"VID_25a7&PID_fa92",
         {},
         {{aCmd, kReadWrite, device::kErrorSharingViolation}},
         aCmd,
         0,
         0,
         {aCmd + L": cannot open it with access 0x12019f, error 0x20 (another program holds it "
                 L"without sharing); trying access 0",
          L"taken " + aCmd}},
        {"held without sharing, and refused with access 0 too: the next receiver's",
         twoReceivers,
         true,
         L"VID_25a7&PID_fa92",
         {},
         {{bCmd, kReadWrite, device::kErrorSharingViolation},
          {bCmd, 0, device::kErrorAccessDenied}},
         aCmd,
         kReadWrite,
         0,
         {bCmd + L": cannot open it with access 0 either, error 0x5"}},
        {"the notification collection held without sharing: no way out",
         kA.All(),
         false,
         L"VID_25a7&PID_fa92",
         aCommand,
         {{aNotify, kRead, device::kErrorSharingViolation}},
         {},
         0,
         device::kErrorSharingViolation,
         {aNotify + L": cannot open it with access 0x120089, error 0x20 (another program holds "
                    L"it without sharing); its input reports cannot be read"}},
        {"a collection whose capabilities cannot be read",
         unreadable,
         true,
         L"VID_25a7&PID_fa92",
         {},
         {},
         aCmd,
         kReadWrite,
         0,
         {unreadable.front().identity.path + L": its capabilities cannot be read, error 0x1f"}},
        {"a wrong product id: the vendor's interfaces are listed",
         kA.All(),
         true,
         L"VID_25a7&PID_fa99",
         {},
         {},
         {},
         0,
         device::kErrorDeviceNotConnected,
         {L"no interface under VID_25a7&PID_fa99 with usage page 0xff02 was taken",
          L"nothing under VID_25a7&PID_fa99 is present; under vid_25a7:",
          L"present: " + aCmd + L": usage page 0xff02, usage 0x2"}},
        {"a wrong product id, and many interfaces of the vendor",
         many,
         false,
         L"VID_25a7&PID_fa99",
         {},
         {},
         {},
         0,
         device::kErrorDeviceNotConnected,
         {L"present: and 5 more"}},
        {"a wrong vendor id: nothing of it either",
         kA.All(),
         true,
         L"VID_046d&PID_c077",
         {},
         {},
         {},
         0,
         device::kErrorDeviceNotConnected,
         {L"nothing under vid_046d is present either"}},
        {"no receiver at all",
         {},
         false,
         L"VID_25a7&PID_fa92",
         bCommand,
         {},
         {},
         0,
         device::kErrorDeviceNotConnected,
         {L"no interface under VID_25a7&PID_fa92 with usage page 0xff01 was taken"}},
    };
    for (const Row& row : rows)
        Check(row);

    // The vendor listing stops at ten.
    device::OpenRequest request;
    request.usagePage = 0xFF02;
    request.usage = 2;
    request.pathPattern = L"VID_25a7&PID_fa99";
    const device::Choice choice =
        device::ChooseInterface(request, many, nullptr, [](const auto&, uint32_t) { return 0u; });
    EXPECT_EQ(
        std::count_if(choice.lines.begin(), choice.lines.end(),
                      [](const std::wstring& l) { return l.rfind(L"present: \\\\", 0) == 0; }),
        std::ptrdiff_t(device::kMaxVendorListing));
}

// The Linux path form: the pattern finds the collections of the receiver's
// node, the notification collection is the command collection's sibling on
// that node, and another receiver's node is told apart by its USB device.
TEST(InterfaceChoice, LinuxNodesAreChosenAsWindowsInterfaces) {
    std::vector<PresentInterface> two = kLinuxA.All();
    for (const PresentInterface& itf : kLinuxB.All())
        two.push_back(itf);
    // The vendor collections on a USB interface of their own, after another
    // receiver's that is listed first.
    PresentInterface farNotify = kLinuxA.Node(2, L"mi_02", kA.Notify().caps);
    std::vector<PresentInterface> split = {kLinuxB.Notify(), kLinuxA.Keyboard(), farNotify,
                                           kLinuxA.Command()};
    const std::wstring aCmd = kLinuxA.Command().identity.path;
    const Row rows[] = {
        {"the command collection of the receiver's node",
         kLinuxA.All(),
         true,
         L"VID_25a7&PID_fa92",
         {},
         {},
         aCmd,
         kReadWrite,
         0,
         {L"/dev/hidraw0 (vid_25a7&pid_fa92&mi_00): usage page 0x1, usage 0x6",
          L"taken /dev/hidraw1 (vid_25a7&pid_fa92&mi_01&col04): usage page 0xff02, usage 0x2, "
          L"input none, feature 17 bytes (report 8), container unknown, USB device " +
              kLinuxA.usb}},
        {"its notification collection, on the same node",
         two,
         false,
         L"VID_25a7&PID_fa92",
         kLinuxA.Command(),
         {},
         kLinuxA.Notify().identity.path,
         kRead,
         0,
         {kLinuxB.Notify().identity.path + L": belongs to another receiver than " + aCmd}},
        {"the notification collection on another interface of the same device",
         split,
         false,
         L"VID_25a7&PID_fa92",
         kLinuxA.Command(),
         {},
         farNotify.identity.path,
         kRead,
         0,
         {kLinuxB.Notify().identity.path + L": belongs to another receiver than " + aCmd}},
        {"a pattern in capitals finds the lower-case ids",
         kLinuxB.All(),
         true,
         L"VID_25A7&PID_FA92",
         {},
         {},
         kLinuxB.Command().identity.path,
         kReadWrite,
         0,
         {}},
    };
    for (const Row& row : rows)
        Check(row);
}

// How an interface stands to the command interface of the pair, when the
// system tells the container and USB device and when only the path is known.
TEST(InterfaceChoice, KinshipToTheCommandInterface) {
    const InterfaceIdentity command = kA.Command().identity;
    auto bare = [](InterfaceIdentity itf) { // what the path alone tells
        itf.containerId.clear();
        itf.usbDevice.clear();
        return itf;
    };
    auto computer = [](InterfaceIdentity itf) { // built-in: the computer's container
        itf.containerId = L"{00000000-0000-0000-ffff-ffffffffffff}";
        return itf;
    };
    auto onInterface = [](const Receiver& r, const wchar_t* where) {
        return r.Collection(where, 0, {}).identity;
    };
    const InterfaceIdentity upper = [&] {
        InterfaceIdentity itf = kA.Notify().identity;
        itf.containerId = L"{6C1F2D6E-33A1-11EE-9D5B-806E6F6E6963}";
        return itf;
    }();
    const InterfaceIdentity otherInterfaceSameDevice = onInterface(kA, L"mi_02");
    InterfaceIdentity otherUsbSameContainer = otherInterfaceSameDevice;
    otherUsbSameContainer.usbDevice = L"USB\\VID_25A7&PID_FA92\\6&0&1";
    const struct {
        const char* name;
        InterfaceIdentity command, candidate;
        Kinship kinship;
    } rows[] = {
        {"a collection of the same USB interface", command, kA.Notify().identity, Kinship::Sibling},
        {"container ids in other case", command, upper, Kinship::Sibling},
        {"another USB interface of the same device", command, otherInterfaceSameDevice,
         Kinship::SameUsbDevice},
        {"another USB device in the same container", command, otherUsbSameContainer,
         Kinship::SameContainer},
        {"another receiver", command, kB.Notify().identity, Kinship::Different},
        {"the computer's container: told by USB device", computer(command),
         computer(kB.Notify().identity), Kinship::Different},
        {"paths only: collections of one interface", bare(command), bare(kA.Notify().identity),
         Kinship::Sibling},
        {"paths only: another receiver's collection", bare(command), bare(kB.Notify().identity),
         Kinship::Different},
        {"paths only: another USB interface cannot be told", bare(command),
         bare(otherInterfaceSameDevice), Kinship::Unknown},
        {"paths only: another product id", bare(command),
         bare({HidPath(L"vid_25a7&pid_fa99&mi_01&col03", L"8&2d3f1a&0&0002"), L"", L""}),
         Kinship::Different},
        {"an unparsed path, nothing else known", bare({L"\\\\?\\some#other", L"", L""}),
         kA.Notify().identity, Kinship::Unknown},
        {"Linux: another collection of the same node", kLinuxA.Command().identity,
         kLinuxA.Notify().identity, Kinship::Sibling},
        {"Linux: another node of the same USB device", kLinuxA.Command().identity,
         kLinuxA.Node(2, L"mi_02", {}).identity, Kinship::SameUsbDevice},
        {"Linux: another receiver's node", kLinuxA.Command().identity, kLinuxB.Notify().identity,
         Kinship::Different},
    };
    for (const auto& row : rows)
        EXPECT_EQ(device::KinshipTo(row.command, row.candidate), row.kinship) << row.name;
}

// Of two notification collections that cannot be told from another
// receiver's, none is taken; of a sibling and a farther one, the sibling.
TEST(InterfaceChoice, TheClosestPartnerOrNone) {
    auto bare = [](PresentInterface itf) {
        itf.identity.containerId.clear();
        itf.identity.usbDevice.clear();
        return itf;
    };
    PresentInterface farther = kA.Collection(L"mi_02", 0, kA.Notify().caps);
    PresentInterface farther2 = kA.Collection(L"mi_03", 0, kA.Notify().caps);
    device::OpenRequest request;
    request.usagePage = 0xFF01;
    request.pathPattern = L"VID_25a7&PID_fa92";
    auto pick = [&](const std::vector<PresentInterface>& present, const PresentInterface& cmd) {
        const device::Choice c = device::ChooseInterface(request, present, &cmd.identity,
                                                         [](const auto&, uint32_t) { return 0u; });
        return c.index;
    };
    EXPECT_EQ(pick({farther, kA.Notify()}, kA.Command()), 1);
    EXPECT_EQ(pick({bare(farther)}, bare(kA.Command())), 0) << "the only one";
    EXPECT_EQ(pick({bare(farther), bare(farther2)}, bare(kA.Command())), -1);
    EXPECT_EQ(pick({bare(farther), bare(kA.Notify()), bare(farther2)}, bare(kA.Command())), 1);
}

} // namespace
