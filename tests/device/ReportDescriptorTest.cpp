// What a report descriptor says of each top-level collection, counted as
// Windows counts it, so that the hidraw library's interfaces pass the same
// accept tests as Vantor.dll's: realistic descriptors, and the broken ones a
// device (or a file in sysfs) can give.

#include "device/ReportDescriptor.h"

#include "common/HidDescriptors.h"

#include <gtest/gtest.h>

namespace {

using device::InterfaceCaps;
using fake::Bytes;

std::string Describe(const std::vector<InterfaceCaps>& collections) {
    std::string text;
    for (const InterfaceCaps& caps : collections) {
        const std::wstring line = device::DescribeCaps(caps);
        text += std::string(line.begin(), line.end()) + "\n";
    }
    return text;
}

TEST(ReportDescriptor, CollectionsUsagesLengthsAndIds) {
    const struct {
        const char* name;
        Bytes descriptor;
        std::string collections; // DescribeCaps of each, one per line
    } rows[] = {
        {"the receiver's vendor collections on one interface",
         fake::Join({fake::NotifyCollection(), fake::CommandCollection()}),
         "usage page 0xff01, usage 0x1, input 17 bytes (report 9), feature none\n"
         "usage page 0xff02, usage 0x2, input none, feature 17 bytes (report 8)\n"},
        {"mouse, consumer keys and vendor collections together: the nested physical "
         "collection belongs to the mouse",
         fake::ReceiverInterface(),
         "usage page 0x1, usage 0x2, input 7 bytes (report 1), feature none\n"
         "usage page 0xc, usage 0x1, input 3 bytes (report 3), feature none\n"
         "usage page 0xff01, usage 0x1, input 17 bytes (report 9), feature none\n"
         "usage page 0xff02, usage 0x2, input none, feature 17 bytes (report 8)\n"},
        {"a keyboard without report ids: the id byte counts all the same (report 0)",
         fake::Keyboard(), "usage page 0x1, usage 0x6, input 9 bytes (report 0), feature none\n"},
        {"a firmware with one data byte less: 16-byte reports",
         fake::Join({fake::NotifyCollection(15), fake::CommandCollection(15)}),
         "usage page 0xff01, usage 0x1, input 16 bytes (report 9), feature none\n"
         "usage page 0xff02, usage 0x2, input none, feature 16 bytes (report 8)\n"},
        {"a four-byte usage names its own page",
         {0x0B, 0x02, 0x00, 0x02, 0xFF, 0xA1, 0x01, 0x85, 0x08, 0x75, 0x08, 0x95, 0x10, 0xB1, 0x02,
          0xC0},
         "usage page 0xff02, usage 0x2, input none, feature 17 bytes (report 8)\n"},
        {"two reports of one kind: the longer counts, both ids are told",
         {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x85, 0x04,
          0x95, 0x02, 0x81, 0x02, 0x85, 0x09, 0x95, 0x10, 0x81, 0x02, 0xC0},
         "usage page 0xff01, usage 0x1, input 17 bytes (reports 4, 9), feature none\n"},
        {"push and pop restore the page and sizes for the next collection",
         {0x06, 0x02, 0xFF, 0x75, 0x08, 0x95, 0x10, 0xA4, 0x05, 0x01, 0x95,
          0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x81, 0x02, 0xC0, 0xB4,
          0x09, 0x02, 0xA1, 0x01, 0x85, 0x08, 0xB1, 0x02, 0xC0},
         "usage page 0x1, usage 0x2, input 2 bytes (report 1), feature none\n"
         "usage page 0xff02, usage 0x2, input none, feature 17 bytes (report 8)\n"},
        {"a long item is stepped over",
         fake::Join({{0xFE, 0x02, 0x10, 0xAA, 0xBB}, fake::CommandCollection()}),
         "usage page 0xff02, usage 0x2, input none, feature 17 bytes (report 8)\n"},
        {"fields outside every collection belong to none",
         fake::Join({{0x75, 0x08, 0x95, 0x04, 0x81, 0x02}, fake::NotifyCollection()}),
         "usage page 0xff01, usage 0x1, input 17 bytes (report 9), feature none\n"},
        {"a field of absurd size is counted as the longest a length holds",
         {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF,
          0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0xC0},
         "usage page 0xff01, usage 0x1, input 65535 bytes (report 0), feature none\n"},
        {"nothing at all", {}, ""},
    };
    for (const auto& row : rows) {
        const device::DescriptorCollections parsed =
            device::ParseReportDescriptor(row.descriptor.data(), row.descriptor.size());
        EXPECT_EQ(parsed.problem, "") << row.name;
        EXPECT_EQ(Describe(parsed.collections), row.collections) << row.name;
    }
}

// A broken descriptor gives no collections and says where it broke: the
// choice then passes the node over with that reason instead of guessing.
TEST(ReportDescriptor, BrokenDescriptorsAreRefusedWithTheirPlace) {
    const Bytes command = fake::CommandCollection();
    const struct {
        const char* name;
        Bytes descriptor;
        std::string problem;
    } rows[] = {
        {"cut in the middle of an item", Bytes(command.begin(), command.begin() + 17),
         "an item runs past the end at byte 16"},
        {"a long item cut short",
         {0xFE, 0x05, 0x10, 0x01},
         "a long item runs past the end at byte 0"},
        {"an end of collection too many", fake::Join({command, {0xC0}}),
         "an end of collection without a collection at byte 23"},
        {"a collection left open", Bytes(command.begin(), command.end() - 1),
         "a collection is not closed at the end"},
        {"report id 0", {0x85, 0x00}, "a report id outside 1..255 at byte 0"},
        {"a pop without a push", {0xB4}, "a pop without a push at byte 0"},
        {"pushes without end", Bytes(40, 0xA4), "too many pushes at byte 32"},
    };
    for (const auto& row : rows) {
        const device::DescriptorCollections parsed =
            device::ParseReportDescriptor(row.descriptor.data(), row.descriptor.size());
        EXPECT_EQ(parsed.problem, row.problem) << row.name;
        EXPECT_TRUE(parsed.collections.empty()) << row.name;
    }
}

} // namespace
