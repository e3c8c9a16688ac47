// tarvelctl.exe as it ships, beside Tarvel.exe and Vantor.dll, under Wine:
// with no receiver it ends with status 2 and the search report; while the
// program runs it leaves the receiver to it and says so; the virtual receiver
// the program serves is read through its control pipe and never written
// behind its back.

#include "e2e/E2eFixture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using e2e::TarvelRun;

struct ToolRun {
    DWORD status = DWORD(-1);
    std::string output;
};

// Runs tarvelctl.exe of `run`'s folder with `args`; its standard output.
ToolRun Tool(const TarvelRun& run, const std::wstring& args) {
    ToolRun result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::wstring exe = run.WinPath("tarvelctl.exe");
    std::wstring command = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return result;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        result.output.append(buffer, got);
    CloseHandle(readEnd);
    // Standard output is in text mode: each line ends in CR LF.
    std::erase(result.output, '\r');
    // Every path of the tool ends within seconds; the pipe closes with it.
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &result.status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

bool Has(const ToolRun& r, const std::string& text) {
    return r.output.find(text) != std::string::npos;
}

TEST(TarvelctlExe, NoReceiverEndsWithStatus2AndTheSearchReport) {
    // The real receiver: no virtual one is asked for.
    SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", nullptr);
    TarvelRun run("tarvelctl-no-receiver");
    const std::wstring data = L" --data-dir \"" + run.WinPath("data") + L"\" ";
    for (const wchar_t* command : {L"read", L"mem read 0 4", L"apply"}) {
        SCOPED_TRACE(std::string(command, command + wcslen(command)));
        const ToolRun r = Tool(run, data + command);
        EXPECT_EQ(r.status, 2u) << r.output;
        EXPECT_EQ(r.output.rfind("{\"error\": \"no receiver found; is it plugged in?", 0), 0u)
            << r.output;
        for (const char* line :
             {"\"search\": [\"looking for VID_25a7&PID_fa92\"",
              "\"no interface under VID_25a7&PID_fa92 with usage page 0xff02 was taken\"",
              "\"no interface under VID_25a7&PID_fa92 with usage page 0xff01 was taken\"",
              "\"looking for VID_25a7&PID_fa99\"", "\"nothing under vid_25a7 is present either\""})
            EXPECT_TRUE(Has(r, line)) << "missing: " << line << "\n" << r.output;
    }

    // Without its library beside it the tool says where it looked.
    ASSERT_TRUE(DeleteFileW(run.WinPath("Vantor.dll").c_str()));
    const ToolRun r = Tool(run, L"mem read 0 4");
    EXPECT_EQ(r.status, 2u) << r.output;
    EXPECT_TRUE(Has(r, "Vantor.dll cannot be loaded from ")) << r.output;
    EXPECT_TRUE(Has(r, ": it belongs beside tarvelctl.exe")) << r.output;
}

TEST(TarvelctlExe, BesideTheRunningProgram) {
    TarvelRun run("tarvelctl-beside");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady());
    const std::wstring state = L" --virtual \"" + run.WinPath("receiver.state") + L"\" ";
    const std::wstring data = L" --data-dir \"" + run.WinPath("tool-data") + L"\" ";

    // The program talks to the receiver; the tool does not talk over it.
    SetEnvironmentVariableW(L"TARVEL_VIRTUAL_RECEIVER", nullptr);
    for (const wchar_t* command : {L"read", L"mem read 0 4", L"mouse dpi --wait 1"}) {
        SCOPED_TRACE(std::string(command, command + wcslen(command)));
        const ToolRun r = Tool(run, data + command);
        EXPECT_EQ(r.status, 1u) << r.output;
        EXPECT_TRUE(Has(r, "Tarvel is running (its window \\\"Tarvel\\\" is open, process "))
            << r.output;
        EXPECT_TRUE(Has(r, "Exit it (Exit in its menu or tray menu) and run this again."))
            << r.output;
    }

    // Its virtual receiver: reading goes through the control pipe.
    const std::vector<uint8_t> memory = run.Peek(0, 4);
    ASSERT_EQ(memory.size(), 4u);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", memory[0], memory[1], memory[2], memory[3]);
    const ToolRun mem = Tool(run, state + L"mem read 0 4");
    EXPECT_EQ(mem.status, 0u) << mem.output;
    EXPECT_EQ(mem.output,
              std::string("{\"data\": \"") + hex + "\", \"through\": \"control pipe\"}\n");
    const ToolRun read = Tool(run, state + data + L"read");
    EXPECT_EQ(read.status, 0u) << read.output;
    EXPECT_EQ(read.output.rfind("{\"ok\": true, \"through\": \"control pipe\", \"profile\": ", 0),
              0u)
        << read.output;

    // Writing would be undone by the program: refused, with what to do.
    for (const wchar_t* command : {L"mem write 0 04fb", L"apply"}) {
        SCOPED_TRACE(std::string(command, command + wcslen(command)));
        const ToolRun r = Tool(run, state + data + command);
        EXPECT_EQ(r.status, 1u) << r.output;
        EXPECT_TRUE(Has(r, "is in use: served by Tarvel.exe (process ")) << r.output;
        EXPECT_TRUE(Has(r, "mem read, read and mouse go through its control pipe.")) << r.output;
    }
    EXPECT_EQ(run.Peek(0, 4), memory);
}

} // namespace
