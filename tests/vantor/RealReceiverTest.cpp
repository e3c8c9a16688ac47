// The parts of the real-receiver path that run without a receiver: the bound
// on a request the device never completes, where the program loads
// Vantor.dll from, and the account of a search that found nothing.

#include "BoundedIo.h"
#include "device/InterfaceMatch.h"
#include "device/win32/VantorLibrary.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using device::Lowered;

// Ids no device has (vendor id 0 is never assigned): the real backend finds
// nothing under them on any machine, a receiver plugged in or not.
constexpr char16_t kNoDevice[] = u"VID_0000&PID_0000";

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
    EXPECT_EQ(
        lib.OpenHidDevice(0xFF02, 2, kNoDevice, nullptr, nullptr, 0, 0, 0x12019F, 0x40000000, 0),
        nullptr);
    const std::u16string report = lib.LastSearchReport();
    for (const char16_t* line : {u"no interface under VID_0000&PID_0000 with usage page 0xff02",
                                 u"nothing under vid_0000 is present either"})
        EXPECT_NE(report.find(line), std::u16string::npos)
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
