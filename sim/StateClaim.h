#pragma once
// Who serves a virtual receiver's state file. A program that serves the
// receiver (Vantor.dll's virtual backend, a tarvelctl command) holds a lock on
// STATE.served for as long as it runs, with a line naming itself in the file.
// The lock belongs to the process: it goes when the process ends, however it
// ends, so a program that crashed leaves a marker that blocks nobody. A tool
// that finds the lock held must not edit the state file: the running program
// keeps the receiver's memory and would write over the change, or lose it.
//
// Under Wine the Windows lock is held by the Wine server as a POSIX record
// lock on the same byte, so a native tool sees a program running under Wine.

#include <string>

namespace sim {

class StateClaim {
public:
    // Tries once to take the claim on `stateFile` for this process; `who`
    // is written to the marker for the message others get.
    StateClaim(const std::u16string& stateFile, const std::string& who);
    ~StateClaim();
    StateClaim(const StateClaim&) = delete;
    StateClaim& operator=(const StateClaim&) = delete;

    // True when this process holds the claim.
    bool Held() const { return m_held; }
    // When not held: why, with what the holder wrote about itself.
    const std::string& Reason() const { return m_reason; }

    static std::u16string MarkerFile(const std::u16string& stateFile);

private:
    bool m_held = false;
    std::string m_reason;
#ifdef _WIN32
    void* m_file = nullptr;
#else
    int m_fd = -1;
#endif
};

} // namespace sim
