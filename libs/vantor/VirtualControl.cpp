// Client of the virtual receiver's control pipe. Only Windows has the pipe;
// elsewhere the function reports that no program can be reached.

#include "VirtualControl.h"

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The path as the hash sees it: absolute where the system can tell, with one
// separator and one case for ASCII letters, so that "C:/x/State.bin" and
// "c:\x\state.bin" name the same pipe.
std::u16string NormalisedPath(const std::u16string& stateFile) {
    std::u16string path = stateFile;
#ifdef _WIN32
    const auto* in = reinterpret_cast<const wchar_t*>(stateFile.c_str());
    DWORD needed = GetFullPathNameW(in, 0, nullptr, nullptr);
    if (needed > 0) {
        std::wstring full(needed, L'\0');
        DWORD got = GetFullPathNameW(in, needed, full.data(), nullptr);
        if (got > 0 && got < needed) {
            full.resize(got);
            path.assign(reinterpret_cast<const char16_t*>(full.data()), full.size());
        }
    }
#endif
    for (char16_t& c : path) {
        if (c == u'/')
            c = u'\\';
        else if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    }
    return path;
}

} // namespace

std::u16string VirtualControlPipeName(const std::u16string& stateFile) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char16_t c : NormalisedPath(stateFile)) {
        hash ^= uint16_t(c);
        hash *= 0x100000001b3ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    std::u16string name = u"\\\\.\\pipe\\tarvel-virtual-";
    for (const char* p = digits; *p; ++p)
        name += char16_t(*p);
    return name;
}

#ifdef _WIN32

bool SendVirtualControl(const std::u16string& stateFile, const std::string& command,
                        std::string* reply) {
    std::string answer;
    auto fail = [&](const std::string& reason) {
        if (reply)
            *reply = reason;
        return false;
    };
    const std::u16string name = VirtualControlPipeName(stateFile);
    const auto* wname = reinterpret_cast<const wchar_t*>(name.c_str());

    // The server makes a new pipe instance for each client, so between two
    // clients the name is briefly missing or busy: wait for it a short while.
    HANDLE pipe = INVALID_HANDLE_VALUE;
    const DWORD start = GetTickCount();
    for (;;) {
        pipe =
            CreateFileW(wname, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            break;
        const DWORD error = GetLastError();
        if (GetTickCount() - start > 2000)
            return fail("error no program serves this state file (" + std::to_string(error) + ")");
        if (error == ERROR_PIPE_BUSY)
            WaitNamedPipeW(wname, 100);
        else
            Sleep(20);
    }

    const std::string line = command + "\n";
    DWORD written = 0;
    if (!WriteFile(pipe, line.data(), DWORD(line.size()), &written, nullptr) ||
        written != line.size()) {
        CloseHandle(pipe);
        return fail("error cannot send the command");
    }
    char c = 0;
    DWORD got = 0;
    while (ReadFile(pipe, &c, 1, &got, nullptr) && got == 1 && c != '\n')
        answer += c;
    CloseHandle(pipe);
    if (c != '\n')
        return fail("error no answer");
    if (reply)
        *reply = answer;
    return answer == "ok" || answer.rfind("ok ", 0) == 0;
}

#else

bool SendVirtualControl(const std::u16string&, const std::string&, std::string* reply) {
    if (reply)
        *reply = "error the virtual receiver's control pipe exists only on Windows";
    return false;
}

#endif
