#include "platform/Memory.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>

namespace platform {
namespace {

uintptr_t PageSize() {
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    return system.dwPageSize;
}

// Tells the system the pages in [from, to) hold nothing of interest; only
// committed read-write pages are touched (guard pages, reserved ranges and
// anything else stay as they are).
void ResetPages(uintptr_t from, uintptr_t to) {
    for (uintptr_t at = from; at < to;) {
        MEMORY_BASIC_INFORMATION region{};
        if (!::VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region))
            return;
        const uintptr_t regionEnd =
            std::min(to, reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize);
        if (regionEnd <= at)
            return;
        if (region.State == MEM_COMMIT && region.Protect == PAGE_READWRITE)
            ::VirtualAlloc(reinterpret_cast<void*>(at), regionEnd - at, MEM_RESET, PAGE_READWRITE);
        at = regionEnd;
    }
}

void ResetFreeBlocks(HANDLE heap, uintptr_t page) {
    // The heap's own bookkeeping lies at both ends of a free block: only the
    // whole pages well inside one are let go. The lock keeps every other
    // thread from taking a block meanwhile.
    constexpr uintptr_t kEdge = 64;
    if (!heap || !::HeapLock(heap))
        return;
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heap, &entry)) {
        if (entry.wFlags != 0 || entry.cbData < 2 * page)
            continue; // in use, a region or uncommitted range, or too small
        const auto start = reinterpret_cast<uintptr_t>(entry.lpData);
        const uintptr_t from = (start + kEdge + page - 1) & ~(page - 1);
        const uintptr_t to = (start + entry.cbData - kEdge) & ~(page - 1);
        if (from < to)
            ResetPages(from, to);
    }
    ::HeapUnlock(heap);
}

// Room below a thread's deepest frame for what it calls next.
constexpr uintptr_t kStackMargin = 64 * 1024;

// The pages of the stack that holds `top` below it, less the margin.
void ResetStackBelow(uintptr_t top, uintptr_t page) {
    MEMORY_BASIC_INFORMATION stack{};
    if (top <= kStackMargin || !::VirtualQuery(reinterpret_cast<void*>(top), &stack, sizeof stack))
        return;
    ResetPages(reinterpret_cast<uintptr_t>(stack.AllocationBase),
               (top - kStackMargin) & ~(page - 1));
}

void ResetThreadStack(DWORD id, uintptr_t page) {
    const HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, id);
    if (!thread)
        return;
    // Held still, the thread cannot grow its stack into the pages being let
    // go; only system calls that take no lock of the program's run meanwhile.
    if (::SuspendThread(thread) != DWORD(-1)) {
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        if (::GetThreadContext(thread, &context))
            ResetStackBelow(uintptr_t(context.Rsp), page);
        ::ResumeThread(thread);
    }
    ::CloseHandle(thread);
}

} // namespace

void ReleaseUnusedStack() {
    // The margin is room for this call and the system calls below it, which
    // run on this same stack under the pages being let go.
    volatile char here = 0;
    ResetStackBelow(reinterpret_cast<uintptr_t>(&here), PageSize());
}

void ReleaseOtherThreadsStacks() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    const DWORD process = ::GetCurrentProcessId(), self = ::GetCurrentThreadId();
    const uintptr_t page = PageSize();
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == process && entry.th32ThreadID != self)
            ResetThreadStack(entry.th32ThreadID, page);
    }
    ::CloseHandle(snapshot);
}

void ReleaseFreeHeapMemory() {
    const uintptr_t page = PageSize();
    ResetFreeBlocks(::GetProcessHeap(), page);
    // The C runtimes loaded here (ours, and the newer one the system's image
    // decoders use) each keep a heap of their own.
    for (const wchar_t* runtime : {L"msvcrt.dll", L"ucrtbase.dll"}) {
        const HMODULE module = ::GetModuleHandleW(runtime);
        const auto heapOf = module ? reinterpret_cast<intptr_t (*)()>(reinterpret_cast<void*>(
                                         ::GetProcAddress(module, "_get_heap_handle")))
                                   : nullptr;
        const auto heap = heapOf ? reinterpret_cast<HANDLE>(heapOf()) : nullptr;
        if (heap && heap != ::GetProcessHeap())
            ResetFreeBlocks(heap, page);
    }
}

} // namespace platform
