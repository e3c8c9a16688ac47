#include "device/ReportFrame.h"

#include "device/CheckByte.h"

#include <algorithm>
#include <cstring>

namespace device {

CommandRecord MakeCommandRecord(uint8_t command, uint32_t address, const uint8_t* data,
                                size_t length) {
    CommandRecord record{};
    record[0] = command;
    record[2] = uint8_t(address >> 8);
    record[3] = uint8_t(address);
    length = std::min(length, kMaxData);
    record[4] = uint8_t(length);
    if (data && length)
        std::memcpy(&record[5], data, length);
    return record;
}

Report FrameCommand(const CommandRecord& record) {
    Report report{};
    report[0] = REPORT_ID_CMD;
    // The record's last byte gives way to the check byte.
    std::memcpy(&report[1], record.data(), kRecordSize - 1);
    report[16] = CheckByte(report.data(), kReportSize - 1);
    return report;
}

ReportKind ClassifyReport(const uint8_t* report) {
    if (report[0] != REPORT_ID_NOTIFY)
        return ReportKind::Foreign;
    return report[1] == REPORT_EVENT ? ReportKind::Event : ReportKind::Answer;
}

} // namespace device
