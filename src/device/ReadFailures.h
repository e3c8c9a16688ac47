#pragma once
// What the notification reader makes of its failed reads. A pulled receiver
// fails reads with ERROR_DEVICE_NOT_CONNECTED; a receiver being reset or
// pulled on some systems fails them with other reasons (operation aborted,
// general failure, invalid parameter, access denied) that need not mean the
// link is gone, but that go on for ever when it is. Each pair of handles gets
// a fresh watch.

#include <cstdint>
#include <set>

namespace device {

// Failed reads in a row, none of them our own cancel, after which the link is
// reported lost: about a second at the reader's pace of one read per 50 ms.
constexpr int kFailedReadsForLoss = 20;

class ReadFailureWatch {
public:
    struct Verdict {
        bool logIt = false;    // the first failure with this reason on the pair
        bool linkLost = false; // report the link lost now (once per pair)
    };

    // One failed read that was not our own cancel.
    Verdict OnFailure(uint32_t error);
    // A report arrived: a run of failures is over.
    void OnSuccess() { m_run = 0; }
    // Failed reads in the current run.
    int Run() const { return m_run; }

private:
    std::set<uint32_t> m_logged;
    int m_run = 0;
    bool m_reported = false;
};

} // namespace device
