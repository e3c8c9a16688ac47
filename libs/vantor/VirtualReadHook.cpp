#include "VirtualReadHook.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

namespace vantor {

namespace {

using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);

std::mutex g_mutex; // guards g_handles and the routing
std::set<HANDLE> g_handles;
std::atomic<ReadFileFn> g_readFile{nullptr}; // the system's, once routed

bool Registered(HANDLE handle) {
    std::lock_guard lock(g_mutex);
    return g_handles.count(handle) != 0;
}

BOOL WINAPI ReadFileAsHid(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD read,
                          LPOVERLAPPED overlapped) {
    const BOOL ok = g_readFile.load()(file, buffer, bytes, read, overlapped);
    if (!ok && GetLastError() == ERROR_BROKEN_PIPE && Registered(file))
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return ok;
}

// Points the module's import of kernel32's ReadFile at ReadFileAsHid, after
// keeping the previous target where ReadFileAsHid finds it. The import is
// found by name in the import lookup table, which the linker keeps beside
// the address table.
bool RouteReadFile(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return false;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), "kernel32.dll") != 0 ||
            !desc->OriginalFirstThunk)
            continue;
        auto* lookup = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* address = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; lookup->u1.AddressOfData; ++lookup, ++address) {
            if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "ReadFile") != 0)
                continue;
            DWORD protect = 0;
            if (!VirtualProtect(&address->u1.Function, sizeof address->u1.Function, PAGE_READWRITE,
                                &protect))
                return false;
            g_readFile = reinterpret_cast<ReadFileFn>(address->u1.Function);
            address->u1.Function = reinterpret_cast<ULONG_PTR>(&ReadFileAsHid);
            VirtualProtect(&address->u1.Function, sizeof address->u1.Function, protect, &protect);
            return true;
        }
    }
    return false;
}

} // namespace

bool ReadAsHidInterface(HANDLE readEnd) {
    std::lock_guard lock(g_mutex);
    if (!g_readFile && !RouteReadFile(GetModuleHandleW(nullptr))) {
        OutputDebugStringW(L"Vantor: the program's ReadFile cannot be routed; an unplugged "
                           L"virtual receiver fails reads with ERROR_BROKEN_PIPE\n");
        return false;
    }
    // Handles closed since are dropped; a value given out again is the new one.
    for (auto it = g_handles.begin(); it != g_handles.end();) {
        DWORD info = 0;
        it = GetHandleInformation(*it, &info) ? std::next(it) : g_handles.erase(it);
    }
    g_handles.insert(readEnd);
    return true;
}

} // namespace vantor
