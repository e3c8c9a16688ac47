// The decisions the main window takes on signs that the receiver came or
// went, and the reader's verdict on failed reads.

#include "device/LinkPresence.h"
#include "device/HidLibrary.h"
#include "device/ReadFailures.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using device::LinkAction;
using device::LinkProbe;
using device::LinkTrigger;

std::string Describe(LinkTrigger trigger, bool pairOpen, std::optional<LinkProbe> probe) {
    return std::string(device::TriggerName(trigger)) + (pairOpen ? ", pair open" : ", no pair") +
           (probe ? std::string(", ") + device::ProbeName(*probe) : std::string());
}

// Every trigger with and without an open pair. A row without a probe result
// is decided without asking the receiver; a row with one is decided by it.
TEST(LinkPresence, LinkResultTimesTriggerTimesPairOpen) {
    constexpr auto kNot = LinkProbe::NotSent;
    constexpr auto kNone = LinkProbe::NoAnswer;
    constexpr auto kAns = LinkProbe::Answered;
    struct Row {
        LinkTrigger trigger;
        bool pairOpen;
        std::optional<LinkProbe> probe; // none: not asked
        LinkAction action;
    } rows[] = {
        // An arrival of the USB device reopens whatever is open.
        {LinkTrigger::UsbArrival, false, {}, LinkAction::Reopen},
        {LinkTrigger::UsbArrival, true, {}, LinkAction::Reopen},
        // HID interfaces arriving matter only when nothing could be opened.
        {LinkTrigger::HidArrival, false, {}, LinkAction::Reopen},
        {LinkTrigger::HidArrival, true, {}, LinkAction::Nothing},
        // Signs of a removal: only a pair that no longer answers is removed;
        // a mouse asleep answers too. Without a pair it was handled before.
        {LinkTrigger::UsbRemoval, false, {}, LinkAction::Nothing},
        {LinkTrigger::UsbRemoval, true, kNot, LinkAction::Removal},
        {LinkTrigger::UsbRemoval, true, kNone, LinkAction::Removal},
        {LinkTrigger::UsbRemoval, true, kAns, LinkAction::Nothing},
        {LinkTrigger::HidRemoval, false, {}, LinkAction::Nothing},
        {LinkTrigger::HidRemoval, true, kNot, LinkAction::Removal},
        {LinkTrigger::HidRemoval, true, kNone, LinkAction::Removal},
        {LinkTrigger::HidRemoval, true, kAns, LinkAction::Nothing},
        {LinkTrigger::LinkLost, false, {}, LinkAction::Nothing},
        {LinkTrigger::LinkLost, true, kNot, LinkAction::Removal},
        {LinkTrigger::LinkLost, true, kNone, LinkAction::Removal},
        {LinkTrigger::LinkLost, true, kAns, LinkAction::Nothing},
        // The wait for late HID interfaces ends the program only without a pair.
        {LinkTrigger::WaitOver, false, {}, LinkAction::GiveUp},
        {LinkTrigger::WaitOver, true, {}, LinkAction::Nothing},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Describe(r.trigger, r.pairOpen, r.probe));
        EXPECT_EQ(device::ProbeNeeded(r.trigger, r.pairOpen), r.probe.has_value());
        if (r.probe) {
            EXPECT_EQ(device::DecideLinkAction(r.trigger, r.pairOpen, *r.probe), r.action);
            continue;
        }
        // What the receiver would have said makes no difference.
        for (LinkProbe any : {kNot, kNone, kAns})
            EXPECT_EQ(device::DecideLinkAction(r.trigger, r.pairOpen, any), r.action)
                << device::ProbeName(any);
    }
}

TEST(LinkPresence, AfterTriesThatOpenedNothing) {
    using device::AfterFailedTries;
    struct Row {
        LinkTrigger handled;
        bool arrivalQueued;
        AfterFailedTries next;
    } rows[] = {
        // An unplugged receiver ends the program, unless it was plugged in
        // again meanwhile (into a port whose driver is still setting up).
        {LinkTrigger::UsbRemoval, false, AfterFailedTries::GiveUp},
        {LinkTrigger::HidRemoval, false, AfterFailedTries::GiveUp},
        {LinkTrigger::LinkLost, false, AfterFailedTries::GiveUp},
        {LinkTrigger::LinkLost, true, AfterFailedTries::TryQueuedArrival},
        // A USB device that arrived has HID interfaces to come.
        {LinkTrigger::UsbArrival, false, AfterFailedTries::WaitForHidArrival},
        {LinkTrigger::UsbArrival, true, AfterFailedTries::TryQueuedArrival},
        // The HID arrival was the last chance.
        {LinkTrigger::HidArrival, false, AfterFailedTries::GiveUp},
        {LinkTrigger::HidArrival, true, AfterFailedTries::TryQueuedArrival},
    };
    for (const Row& r : rows)
        EXPECT_EQ(device::DecideAfterFailedTries(r.handled, r.arrivalQueued), r.next)
            << Describe(r.handled, false, {}) << (r.arrivalQueued ? ", arrival queued" : "");
}

// Each reason is logged once per pair; the link is reported lost at once
// when the interfaces are gone, after a run of other failures otherwise, and
// only once.
TEST(ReadFailureWatch, LogsEachReasonOnceAndReportsTheLinkLostOnce) {
    constexpr uint32_t kAborted = 995, kGenFailure = 31;
    {
        SCOPED_TRACE("interfaces gone");
        device::ReadFailureWatch watch;
        const auto first = watch.OnFailure(kHidErrorDeviceNotConnected);
        EXPECT_TRUE(first.logIt);
        EXPECT_TRUE(first.linkLost);
        const auto again = watch.OnFailure(kHidErrorDeviceNotConnected);
        EXPECT_FALSE(again.logIt);
        EXPECT_FALSE(again.linkLost);
    }
    {
        SCOPED_TRACE("a run of other failures");
        device::ReadFailureWatch watch;
        for (int i = 1; i < device::kFailedReadsForLoss; ++i) {
            const auto v = watch.OnFailure(i % 2 ? kAborted : kGenFailure);
            EXPECT_EQ(v.logIt, i <= 2) << i;
            EXPECT_FALSE(v.linkLost) << i;
        }
        EXPECT_TRUE(watch.OnFailure(kAborted).linkLost);
        EXPECT_FALSE(watch.OnFailure(kAborted).linkLost);
    }
    {
        SCOPED_TRACE("a report between failures starts the run again");
        device::ReadFailureWatch watch;
        for (int i = 1; i < device::kFailedReadsForLoss; ++i)
            watch.OnFailure(kGenFailure);
        watch.OnSuccess();
        EXPECT_EQ(watch.Run(), 0);
        for (int i = 1; i < device::kFailedReadsForLoss; ++i)
            EXPECT_FALSE(watch.OnFailure(kGenFailure).linkLost) << i;
        EXPECT_TRUE(watch.OnFailure(kGenFailure).linkLost);
    }
}

} // namespace
