#include "platform/Memory.h"

#include <windows.h>

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

} // namespace

void ReleaseUnusedStack() {
    // Room for this call and the system calls below it, which run on this
    // same stack under the pages being let go.
    constexpr uintptr_t kMargin = 64 * 1024;
    volatile char here = 0;
    MEMORY_BASIC_INFORMATION stack{};
    if (!::VirtualQuery(const_cast<char*>(&here), &stack, sizeof stack))
        return;
    const uintptr_t page = PageSize();
    ResetPages(reinterpret_cast<uintptr_t>(stack.AllocationBase),
               (reinterpret_cast<uintptr_t>(&here) - kMargin) & ~(page - 1));
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
