#include "device/ReportFrame.h"
#include "device/DeviceEvents.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::string Hex(const uint8_t* data, size_t length) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02x" : "%02x", data[i]);
        out += buf;
    }
    return out;
}

struct FrameCase {
    const char* name;
    uint8_t command;
    uint32_t address;
    std::vector<uint8_t> data;
    size_t length; // length asked for; data may be shorter (a read)
    const char* report;
};

const FrameCase kFrames[] = {
    {"driver status 1",
     CMD_DRV_STATUS,
     0,
     {1},
     1,
     "08 02 00 00 00 01 01 00 00 00 00 00 00 00 00 00 49"},
    {"read 2 bytes at 4",
     CMD_READ_EEPROM,
     4,
     {},
     2,
     "08 08 00 00 04 02 00 00 00 00 00 00 00 00 00 00 3f"},
    {"write of 10 bytes fills bytes 6..15",
     CMD_WRITE_EEPROM,
     0x0300,
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
     10,
     "08 07 00 03 00 0a 01 02 03 04 05 06 07 08 09 0a 02"},
    {"more than 10 bytes: only 10 are carried",
     CMD_WRITE_EEPROM,
     0x10,
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
     12,
     "08 07 00 00 10 0a 01 02 03 04 05 06 07 08 09 0a f5"},
    {"address keeps its low 16 bits",
     CMD_READ_EEPROM,
     0x12345,
     {},
     1,
     "08 08 00 23 45 01 00 00 00 00 00 00 00 00 00 00 dc"},
    {"no data", CMD_GET_STATE, 0, {}, 0, "08 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 4a"},
};

TEST(ReportFrame, FramesCommandRecords) {
    for (const FrameCase& c : kFrames) {
        SCOPED_TRACE(c.name);
        device::CommandRecord record = device::MakeCommandRecord(
            c.command, c.address, c.data.empty() ? nullptr : c.data.data(),
            c.data.empty() ? 0 : c.length);
        if (c.data.empty())
            record[4] = uint8_t(c.length);
        const device::Report report = device::FrameCommand(record);
        EXPECT_EQ(Hex(report.data(), report.size()), c.report);
        EXPECT_EQ(uint8_t(std::accumulate(report.begin(), report.end(), 0)), 0x55);
    }
}

TEST(ReportFrame, RecordsLastByteGivesWayToTheCheckByte) {
    device::CommandRecord record{};
    record.fill(0xEE);
    const device::Report report = device::FrameCommand(record);
    EXPECT_EQ(report[15], 0xEE);
    EXPECT_EQ(uint8_t(std::accumulate(report.begin(), report.end(), 0)), 0x55);
}

struct EventCase {
    const char* name;
    uint8_t flags, level, state;
    std::vector<device::DeviceMessage> messages;
};

const EventCase kEvents[] = {
    {"DPI level and rate, light flag not set", 0x03, 2, 0x21, {{2, 1}, {1, 2}}},
    {"flags 0x08 and 0x10 give nothing", 0x18, 5, 0xFF, {}},
    {"configuration changed", 0x04, 3, 0x01, {{0, 3}}},
    {"lights in flag order", 0xE0, 0, 0xA4, {{1, 4}, {0, 5}, {1, 6}}},
    {"rate code is the low four bits", 0x02, 0, 0xF8, {{8, 2}}},
    {"every flag", 0xFF, 7, 0xE2, {{7, 1}, {2, 2}, {0, 3}, {1, 4}, {1, 5}, {1, 6}}},
};

TEST(DeviceEvents, DecodesFlagsInOrder) {
    for (const EventCase& c : kEvents) {
        SCOPED_TRACE(c.name);
        uint8_t report[17] = {0x09, REPORT_EVENT};
        report[6] = c.flags;
        report[7] = c.level;
        report[8] = c.state;
        EXPECT_EQ(device::ClassifyReport(report), device::ReportKind::Event);
        EXPECT_EQ(device::DecodeEvent(report), c.messages);
    }
}

TEST(DeviceEvents, ClassifiesByByteOne) {
    for (uint8_t code : {0x00, 0x02, 0x07, 0x08, 0x09, 0x0B, 0xFF}) {
        uint8_t report[17] = {0x09, code};
        EXPECT_EQ(device::ClassifyReport(report), device::ReportKind::Answer) << int(code);
    }
}

// Only the notification report id carries answers and events; byte 1 of any
// other report means nothing.
TEST(DeviceEvents, OtherReportIdsAreForeign) {
    for (uint8_t id : {0x00, 0x01, 0x08, 0x0A, 0xFF})
        for (uint8_t code : {uint8_t(0x03), REPORT_EVENT}) {
            uint8_t report[17] = {id, code};
            EXPECT_EQ(device::ClassifyReport(report), device::ReportKind::Foreign)
                << int(id) << " " << int(code);
        }
}

} // namespace
