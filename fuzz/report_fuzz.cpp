// Arbitrary 17-byte notification reports through the classifier, the event
// decoder and the reader's handling (CUSBDriver::OnNotifyReport).

#include "device/DeviceEvents.h"
#include "device/ReportFrame.h"
#include "device/USBDriver.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class CountingPoster : public EventPoster {
public:
    bool IsWindow() const override { return true; }
    void Post(uint32_t msg, uintptr_t, intptr_t lParam) override {
        if (msg != WM_DEVICE_BEHAVIOR || lParam < DEV_EVT_DPI_LEVEL || lParam > DEV_EVT_MAIN_LIGHT)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CountingPoster poster;
    // No library: the driver only handles reports here, it never opens anything.
    static auto driver = std::make_unique<CUSBDriver>(nullptr, &poster);

    uint8_t report[device::kReportSize] = {};
    std::memcpy(report, data, size < sizeof report ? size : sizeof report);

    const std::vector<device::DeviceMessage> messages = device::DecodeEvent(report);
    // At most one message per event kind, in rising code order.
    for (size_t i = 1; i < messages.size(); ++i)
        if (messages[i].lParam <= messages[i - 1].lParam)
            std::abort();
    if (messages.size() > 6)
        std::abort();

    const size_t before = driver->QueuedAnswers();
    driver->OnNotifyReport(report);
    const bool answer = device::ClassifyReport(report) == device::ReportKind::Answer;
    if (driver->QueuedAnswers() != before + (answer ? 1 : 0))
        std::abort();
    // Keep the queue small; a fresh driver starts empty.
    if (driver->QueuedAnswers() > 4096)
        driver = std::make_unique<CUSBDriver>(nullptr, &poster);
    return 0;
}
