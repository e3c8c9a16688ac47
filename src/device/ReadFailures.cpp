#include "device/ReadFailures.h"

#include "device/HidLibrary.h"

namespace device {

ReadFailureWatch::Verdict ReadFailureWatch::OnFailure(uint32_t error) {
    Verdict verdict;
    verdict.logIt = m_logged.insert(error).second;
    ++m_run;
    // The interfaces are gone: no need to wait for the run.
    const bool lost = error == kHidErrorDeviceNotConnected || m_run >= kFailedReadsForLoss;
    if (lost && !m_reported) {
        m_reported = true;
        verdict.linkLost = true;
    }
    return verdict;
}

} // namespace device
