// A caller that must not wait long (the command line) asks the link to give
// up once the receiver has let an exchange go unanswered: a write of many
// chunks then ends after the first chunk's time-out instead of one time-out
// per chunk, and the link tells which exchange failed and how. Without the
// request, the link keeps trying as the program always has.

#include "DriverFixture.h"

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testutil::DriverTest;

class SilentReceiver : public DriverTest {};

TEST_F(SilentReceiver, AWriteEndsAfterTheFirstUnansweredChunk) {
    Open();
    driver->SetGiveUpWhenSilent(true);
    receiver->DropNextAnswers(1000);
    const std::vector<uint8_t> data(50, 0x5A);
    const auto start = Clock::now();
    EXPECT_FALSE(driver->WriteEEPROM(int(data.size()), 0x300, data.data()));
    EXPECT_LT(Clock::now() - start, 2500ms);
    EXPECT_EQ(receiver->ReportsReceived(), 1) << "one chunk sent, the other four not";

    const auto failure = driver->FirstFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->command, CMD_WRITE_EEPROM);
    EXPECT_EQ(failure->address, 0x300u);
    EXPECT_EQ(failure->length, 10);
    EXPECT_TRUE(failure->sent);
    EXPECT_FALSE(failure->answered);
    EXPECT_TRUE(log.Has("Exchange: the receiver stopped answering; command 0x7 not sent"));

    // Opening the receiver again starts afresh.
    receiver->DropNextAnswers(0);
    ASSERT_TRUE(driver->OpenDevice());
    EXPECT_FALSE(driver->FirstFailure());
    uint8_t byte = 0;
    EXPECT_TRUE(driver->ReadEEPROM(0x300, &byte, 1));
}

TEST_F(SilentReceiver, FailuresAreToldByKind) {
    Open();
    const struct {
        const char* name;
        std::function<void()> fault;
        bool sent, answered;
        uint8_t result;
    } rows[] = {
        {"a refused answer", [this] { receiver->SetResultCode(3); }, true, true, 3},
        {"no answer", [this] { receiver->DropNextAnswers(1); }, true, false, 0},
        {"a report that cannot be sent", [this] { receiver->SetSendsFail(true); }, false, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        receiver->SetResultCode(0);
        receiver->SetSendsFail(false);
        ASSERT_TRUE(driver->OpenDevice());
        row.fault();
        uint8_t bytes[4] = {};
        EXPECT_FALSE(driver->ReadEEPROM(0x10, bytes, 4));
        const auto failure = driver->FirstFailure();
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->command, CMD_READ_EEPROM);
        EXPECT_EQ(failure->address, 0x10u);
        EXPECT_EQ(failure->length, 4);
        EXPECT_EQ(failure->sent, row.sent);
        EXPECT_EQ(failure->answered, row.answered);
        EXPECT_EQ(failure->result, row.result);
    }
    // Without the request the link goes on: every chunk is tried.
    receiver->SetSendsFail(false);
    ASSERT_TRUE(driver->OpenDevice());
    receiver->ResetCounters();
    receiver->DropNextAnswers(2);
    const std::vector<uint8_t> data(30, 1);
    EXPECT_FALSE(driver->WriteEEPROM(int(data.size()), 0x300, data.data()));
    EXPECT_EQ(receiver->ReportsReceived(), 3);
}

} // namespace
