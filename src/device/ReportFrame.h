#pragma once
// The 17-byte reports of the receiver: command reports the host sends as
// feature reports (id 8) and the answer and event reports it reads from the
// notification interface (id 9). Pure functions over byte buffers.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr uint8_t REPORT_ID_CMD = 0x08;
constexpr uint8_t REPORT_ID_NOTIFY = 0x09;
// Byte 1 of a notification report that carries events instead of an answer.
constexpr uint8_t REPORT_EVENT = 0x0A;

// Command codes; no others are ever sent.
enum : uint8_t {
    CMD_DRV_STATUS = 2,
    CMD_GET_STATE = 3,
    CMD_GET_POWER = 4,
    CMD_WRITE_EEPROM = 7,
    CMD_READ_EEPROM = 8,
    CMD_RESTORE = 9,
};

namespace device {

constexpr size_t kReportSize = 17;
constexpr size_t kRecordSize = 16;
// Data bytes one command record carries.
constexpr size_t kMaxData = 10;

// The command record: bytes 1..16 of the report. Byte 0 the command code,
// bytes 2..3 the address (high, low), byte 4 the length, bytes 5..14 the data;
// byte 15 becomes the check byte when framed.
using CommandRecord = std::array<uint8_t, kRecordSize>;
using Report = std::array<uint8_t, kReportSize>;

// A zero-filled record; `address` keeps its low 16 bits, at most kMaxData
// bytes of `data` are taken (length byte included).
CommandRecord MakeCommandRecord(uint8_t command, uint32_t address = 0,
                                const uint8_t* data = nullptr, size_t length = 0);

// Report id 8, record bytes 0..14, then the check byte over bytes 0..15.
Report FrameCommand(const CommandRecord& record);

enum class ReportKind { Event, Answer, Foreign };
// Foreign when byte 0 is not the notification report id (another report of
// the same interface); else an event report when byte 1 is 0x0A, otherwise an
// answer to the command in byte 1. The check byte is not looked at.
ReportKind ClassifyReport(const uint8_t* report);

} // namespace device
