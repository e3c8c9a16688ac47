// Arbitrary HID report descriptors (what a device, or a file in sysfs, hands
// the hidraw library) through the reader and into the account of an
// interface: a broken one yields nothing, every collection it yields is
// consistent.

#include "device/InterfaceMatch.h"
#include "device/ReportDescriptor.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const device::DescriptorCollections parsed = device::ParseReportDescriptor(data, size);
    if (!parsed.problem.empty() && !parsed.collections.empty())
        std::abort();
    for (const device::InterfaceCaps& caps : parsed.collections) {
        // A kind of report is there exactly when it has an id, and then its
        // length counts at least the id byte.
        if ((caps.inputLength == 0) != caps.inputIds.empty() ||
            (caps.featureLength == 0) != caps.featureIds.empty())
            std::abort();
        (void)device::DescribeCaps(caps);
    }
    return 0;
}
