#pragma once
// Overlapped requests with a bound on how long the caller waits for them.

#include <windows.h>

#include <functional>
#include <vector>

namespace vantor {

// Starts one overlapped request on `device` (opened with FILE_FLAG_OVERLAPPED)
// through `start`, which gets the OVERLAPPED record and a private copy of
// `data`, and waits at most `timeoutMs` for it to end. A request still pending
// then is cancelled and the call fails with ERROR_TIMEOUT; one that fails
// fails with its own error; one that completes, even late, succeeds.
BOOL CompleteWithin(HANDLE device, DWORD timeoutMs, const std::vector<BYTE>& data,
                    const std::function<BOOL(OVERLAPPED*, BYTE*, DWORD)>& start);

} // namespace vantor
