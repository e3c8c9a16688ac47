#include "BoundedIo.h"

#include <memory>

namespace vantor {

namespace {

// How long a cancelled request may take to end. A driver that ignores the
// cancel keeps the record and the buffer it was given: they are left to it
// rather than freed under it.
constexpr DWORD kCancelWaitMs = 1000;

// What the system may still use while the request is pending.
struct PendingIo {
    OVERLAPPED overlapped{};
    std::vector<BYTE> buffer;
    ~PendingIo() {
        if (overlapped.hEvent)
            CloseHandle(overlapped.hEvent);
    }
};

} // namespace

BOOL CompleteWithin(HANDLE device, DWORD timeoutMs, const std::vector<BYTE>& data,
                    const std::function<BOOL(OVERLAPPED*, BYTE*, DWORD)>& start) {
    auto io = std::make_unique<PendingIo>();
    io->buffer = data;
    io->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!io->overlapped.hEvent)
        return FALSE;
    if (!start(&io->overlapped, io->buffer.data(), DWORD(io->buffer.size()))) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            io.reset();
            SetLastError(error);
            return FALSE;
        }
    }
    DWORD transferred = 0;
    if (WaitForSingleObject(io->overlapped.hEvent, timeoutMs) == WAIT_OBJECT_0) {
        const BOOL ok = GetOverlappedResult(device, &io->overlapped, &transferred, FALSE);
        const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        io.reset();
        SetLastError(error);
        return ok;
    }
    CancelIoEx(device, &io->overlapped);
    if (WaitForSingleObject(io->overlapped.hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
        (void)io.release(); // still in the driver's hands
        SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    // The request may have completed between the wait and the cancel.
    if (GetOverlappedResult(device, &io->overlapped, &transferred, FALSE))
        return TRUE;
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
}

} // namespace vantor
