#include "platform/Memory.h"

namespace platform {

// Threads here start with only the stack they touch resident, and the C
// library gives large freed blocks back by itself.
void ReleaseUnusedStack() {}
void ReleaseFreeHeapMemory() {}
void ReleaseOtherThreadsStacks() {}

} // namespace platform
