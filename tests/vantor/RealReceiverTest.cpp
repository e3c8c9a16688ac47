// The parts of the real-receiver path that run without a receiver: which HID
// interfaces make one pair, the bound on a request the device never
// completes, where the program loads Vantor.dll from, and the account of a
// search that found nothing.

#include "BoundedIo.h"
#include "InterfaceMatch.h"
#include "device/win32/VantorLibrary.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using vantor::InterfaceIdentity;
using vantor::Lowered;

// Realistic paths: the receiver's vendor collections sit on interface 1 as
// col01 and col02, its keyboard on interface 0. The instance part starts with
// a value the system derives from the USB interface above the collection.
constexpr wchar_t kHidGuid[] = L"{4d1e55b2-f16f-11cf-88cb-001111000030}";
std::wstring HidPath(const wchar_t* hardware, const wchar_t* instance) {
    return std::wstring(L"\\\\?\\hid#") + hardware + L"#" + instance + L"#" + kHidGuid;
}

constexpr wchar_t kContainerA[] = L"{6c1f2d6e-33a1-11ee-9d5b-806e6f6e6963}";
constexpr wchar_t kContainerB[] = L"{7a0b9e42-33a1-11ee-9d5b-806e6f6e6963}";
constexpr wchar_t kComputer[] = L"{00000000-0000-0000-ffff-ffffffffffff}";
constexpr wchar_t kUsbA[] = L"USB\\VID_25A7&PID_FA92\\5&1A2B3C&0&3";
constexpr wchar_t kUsbB[] = L"USB\\VID_25A7&PID_FA92\\5&1A2B3C&0&4";

TEST(InterfacePairing, TheNotificationInterfaceComesFromTheCommandInterfacesReceiver) {
    // The command interface of receiver A, as the program opened it.
    const InterfaceIdentity command{HidPath(L"vid_25a7&pid_fa92&mi_01&col02", L"8&2d3f1a&0&0001"),
                                    kContainerA, kUsbA};
    const InterfaceIdentity aCol01{HidPath(L"vid_25a7&pid_fa92&mi_01&col01", L"8&2d3f1a&0&0000"),
                                   kContainerA, kUsbA};
    const InterfaceIdentity bCol01{HidPath(L"vid_25a7&pid_fa92&mi_01&col01", L"8&9e0c44&0&0000"),
                                   kContainerB, kUsbB};
    auto bare = [](InterfaceIdentity itf) { // what the path alone tells
        itf.containerId.clear();
        itf.usbDevice.clear();
        return itf;
    };
    auto usbOnly = [](InterfaceIdentity itf) {
        itf.containerId = kComputer; // built-in devices share the computer's container
        return itf;
    };
    // B's notification interface on another USB interface (mi_00), path only.
    const InterfaceIdentity bMi00 =
        bare({HidPath(L"vid_25a7&pid_fa92&mi_00&col03", L"8&55aa11&0&0002"), L"", L""});
    const InterfaceIdentity otherProduct =
        bare({HidPath(L"vid_25a7&pid_fa99&mi_01&col01", L"8&2d3f1a&0&0000"), L"", L""});

    struct Case {
        const char* name;
        InterfaceIdentity anchor;
        std::vector<InterfaceIdentity> candidates;
        int pick;
    } cases[] = {
        {"one receiver", command, {aCol01}, 0},
        {"two receivers, the other listed first", command, {bCol01, aCol01}, 1},
        {"only the other receiver's", command, {bCol01}, -1},
        {"container ids in other case",
         command,
         {bCol01,
          [&] {
              InterfaceIdentity a = aCol01;
              a.containerId = L"{6C1F2D6E-33A1-11EE-9D5B-"
                              L"806E6F6E6963}";
              return a;
          }()},
         1},
        {"the computer's container: by USB device",
         usbOnly(command),
         {usbOnly(bCol01), usbOnly(aCol01)},
         1},
        {"paths only: collections of one interface",
         bare(command),
         {bare(bCol01), bare(aCol01)},
         1},
        {"paths only: the other receiver's collection", bare(command), {bare(bCol01)}, -1},
        {"paths only: another USB interface cannot be told, but is the only one",
         bare(command),
         {bMi00},
         0},
        {"paths only: two that cannot be told", bare(command), {bMi00, bMi00}, -1},
        {"paths only: another product id", bare(command), {otherProduct}, -1},
        {"unparsed path, nothing else known", bare({L"\\\\?\\some#other", L"", L""}), {aCol01}, 0},
        {"nothing to pick from", command, {}, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vantor::PickPartner(c.anchor, c.candidates), c.pick) << c.name;
}

// A request that the other end never completes is cut off after the bound;
// one that completes or fails at once is told as it ended.
TEST(BoundedIo, GivesUpOnARequestThatNeverCompletes) {
    const std::wstring name =
        L"\\\\.\\pipe\\tarvel-bounded-io-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    auto read = [server](OVERLAPPED* io, BYTE* data, DWORD size) {
        return ReadFile(server, data, size, nullptr, io);
    };
    using Clock = std::chrono::steady_clock;

    {
        SCOPED_TRACE("nothing ever arrives");
        const auto start = Clock::now();
        SetLastError(0);
        EXPECT_FALSE(vantor::CompleteWithin(server, 200, std::vector<BYTE>(4), read));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
        const auto waited = Clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(190));
        EXPECT_LT(waited, std::chrono::milliseconds(1500));
    }
    {
        SCOPED_TRACE("the data is there");
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(client, "abcd", 4, &written, nullptr));
        EXPECT_TRUE(vantor::CompleteWithin(server, 1000, std::vector<BYTE>(4), read));
    }
    {
        SCOPED_TRACE("the request fails at once");
        auto refuse = [](OVERLAPPED*, BYTE*, DWORD) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        };
        EXPECT_FALSE(vantor::CompleteWithin(server, 1000, std::vector<BYTE>(4), refuse));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FUNCTION));
    }
    CloseHandle(client);
    CloseHandle(server);
}

// The test program has Vantor.dll beside it, as Tarvel.exe does.
TEST(VantorLoading, TakesTheLibraryFromTheExecutablesFolderOnly) {
    const std::wstring exeFolder = VantorLibrary::ExeFolder();
    ASSERT_FALSE(exeFolder.empty());
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring empty =
        std::wstring(temp) + L"tarvel-no-vantor-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(empty.c_str(), nullptr);
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);

    {
        SCOPED_TRACE("started from another folder");
        ASSERT_TRUE(SetCurrentDirectoryW(empty.c_str()));
        VantorLibrary lib;
        EXPECT_TRUE(lib.Load());
        EXPECT_EQ(Lowered(lib.ModulePath()), Lowered(exeFolder + L"\\Vantor.dll"));
    }
    {
        SCOPED_TRACE("a folder without the library, though the current folder has one");
        ASSERT_TRUE(SetCurrentDirectoryW(exeFolder.c_str()));
        VantorLibrary lib(empty);
        EXPECT_FALSE(lib.Load());
        EXPECT_TRUE(lib.ModulePath().empty());
    }
    SetCurrentDirectoryW(before);
    RemoveDirectoryW(empty.c_str());
}

// With no receiver present, the library says what it looked for; the program
// writes that account to its log. The account is cut to the caller's buffer
// and its full length returned.
TEST(VantorLoading, TheSearchReportReachesTheCaller) {
    SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", nullptr);
    VantorLibrary lib;
    ASSERT_TRUE(lib.Load());
    EXPECT_EQ(lib.OpenHidDevice(0xFF02, 2, u"VID_25a7&PID_fa92", nullptr, nullptr, 0, 0, 0x12019F,
                                0x40000000, 0),
              nullptr);
    const std::u16string report = lib.LastSearchReport();
    EXPECT_NE(report.find(u"no interface under VID_25a7&PID_fa92 with usage page 0xff02"),
              std::u16string::npos)
        << std::string(report.begin(), report.end());

    auto get = reinterpret_cast<VantorGetSearchReportFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"Vantor.dll"), "GetSearchReport")));
    ASSERT_NE(get, nullptr);
    wchar_t small[6] = {L'x', L'x', L'x', L'x', L'x', L'x'};
    EXPECT_EQ(get(small, 6), DWORD(report.size()));
    EXPECT_EQ(std::wstring(small), std::wstring(report.begin(), report.begin() + 5));
    EXPECT_EQ(get(nullptr, 0), DWORD(report.size()));
}

} // namespace
