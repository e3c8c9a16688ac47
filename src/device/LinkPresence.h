#pragma once
// What the main window makes of a sign that the receiver may have come or
// gone. Windows announces a receiver's USB device and each of its HID
// interfaces separately, a blocked read fails when the receiver is pulled
// (often before any notice), and a receiver whose mouse is asleep still
// answers. These rules decide, from the sign, whether a pair is open and what
// the open pair answered, between doing nothing, reopening, and treating the
// receiver as removed. The window runs one decision at a time.

#include <cstdint>

namespace device {

// What set the check off.
enum class LinkTrigger {
    UsbArrival, // the receiver's USB device interface arrived
    UsbRemoval, // ... was removed
    HidArrival, // one of the receiver's HID interfaces arrived
    HidRemoval, // ... was removed
    LinkLost,   // a read or a send on the open pair found it gone
    WaitOver,   // the wait for late HID interfaces has run out
};

// What a state command (3) on the open pair came to. An answer counts
// whatever state it reports: a receiver whose mouse is asleep, off or out of
// range answers with another state than ready.
enum class LinkProbe {
    NotSent,  // the report could not be sent
    NoAnswer, // sent, but no answer came within the tries
    Answered, // the receiver answered
};

enum class LinkAction {
    Nothing,
    Reopen,  // the tries to open the receiver, as for an arrival
    Removal, // the tries to open it again, as for a removal; the program ends
             // when none succeeds
    GiveUp,  // no receiver is left: the program ends
};

// True when the decision depends on what the open pair answers.
bool ProbeNeeded(LinkTrigger trigger, bool pairOpen);

// The decision; `probe` counts only when ProbeNeeded says so.
LinkAction DecideLinkAction(LinkTrigger trigger, bool pairOpen, LinkProbe probe);

// After reopen tries that left no pair open.
enum class AfterFailedTries {
    GiveUp,            // the program ends
    TryQueuedArrival,  // an arrival came meanwhile: its reopen runs first
    WaitForHidArrival, // the USB device is there: wait a while for its HID
                       // interfaces, which a new port's driver set-up delays
};

// `handled` is the trigger whose tries failed; `arrivalQueued` tells whether
// an arrival notice of the receiver is waiting its turn.
AfterFailedTries DecideAfterFailedTries(LinkTrigger handled, bool arrivalQueued);

// True for the triggers that announce an arrival.
bool IsArrival(LinkTrigger trigger);

// Short names for the log ("USB arrival", "read or send failure", ...).
const char* TriggerName(LinkTrigger trigger);
const char* ProbeName(LinkProbe probe);

} // namespace device
