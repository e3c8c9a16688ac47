#pragma once
// A HID report descriptor read into what the choice of interface needs of each
// of its top-level collections: usage page and usage, the input and feature
// report lengths and the report ids that carry them. Windows' HID driver hands
// these out itself; Linux gives the raw descriptor of the whole USB interface,
// whose collections then count as the interfaces Windows would show.
//
// Lengths are counted as Windows counts them: the longest report of the kind
// in the collection, in whole bytes, plus one byte for the report id, which a
// descriptor without report ids also gets (its reports then have id 0).

#include "device/InterfaceMatch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace device {

struct DescriptorCollections {
    std::vector<InterfaceCaps> collections; // in descriptor order
    // Why the descriptor cannot be used; empty when it was read to its end.
    // A descriptor with a problem gives no collections.
    std::string problem;
};

DescriptorCollections ParseReportDescriptor(const uint8_t* data, size_t size);

} // namespace device
