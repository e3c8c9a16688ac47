#pragma once
// Giving memory the program no longer uses back to the system. Under Wine a
// new thread starts with about 1 MiB of its stack resident, and a heap keeps
// every page it ever used resident even after the blocks in it are freed:
// the images decoded at start-up would otherwise stay as a cost for as long
// as the program waits in the tray. The pages stay usable; what they held is
// gone, which in both places is nothing anyone reads.

namespace platform {

// The calling thread's stack pages below the frames it uses now (with a
// margin). For threads that wait most of their life, or have done their work.
void ReleaseUnusedStack();

// The whole pages inside the free blocks of the process heap and the C
// runtime's heap.
void ReleaseFreeHeapMemory();

// The stack pages of the process's other threads below the frames each uses
// now (with a margin), taken while that thread is held still. For threads the
// system starts on the program's behalf (device notifications), which wait
// all their life and on which no code of ours ever runs.
void ReleaseOtherThreadsStacks();

} // namespace platform
