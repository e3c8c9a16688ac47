#include "device/LinkPresence.h"

namespace device {

namespace {

// Signs that the open pair may be gone. A removal of an interface we do not
// use, or a late notice for a pair already replaced, leaves the open pair
// answering; only a pair that no longer answers is taken as removed.
bool SaysGone(LinkTrigger trigger) {
    return trigger == LinkTrigger::UsbRemoval || trigger == LinkTrigger::HidRemoval ||
           trigger == LinkTrigger::LinkLost;
}

} // namespace

bool ProbeNeeded(LinkTrigger trigger, bool pairOpen) {
    return pairOpen && SaysGone(trigger);
}

LinkAction DecideLinkAction(LinkTrigger trigger, bool pairOpen, LinkProbe probe) {
    switch (trigger) {
    case LinkTrigger::UsbArrival:
        // Another receiver of the product may have come, or ours came back
        // while the removal's tries were still running: open again either way.
        return LinkAction::Reopen;
    case LinkTrigger::HidArrival:
        // The USB arrival does the opening; the HID interfaces' own notices
        // matter only when it could not (their driver was slow to set up).
        return pairOpen ? LinkAction::Nothing : LinkAction::Reopen;
    case LinkTrigger::UsbRemoval:
    case LinkTrigger::HidRemoval:
    case LinkTrigger::LinkLost:
        // Without an open pair the removal has been handled already.
        if (!pairOpen || probe == LinkProbe::Answered)
            return LinkAction::Nothing;
        return LinkAction::Removal;
    case LinkTrigger::WaitOver:
        return pairOpen ? LinkAction::Nothing : LinkAction::GiveUp;
    }
    return LinkAction::Nothing;
}

AfterFailedTries DecideAfterFailedTries(LinkTrigger handled, bool arrivalQueued) {
    if (arrivalQueued)
        return AfterFailedTries::TryQueuedArrival;
    if (handled == LinkTrigger::UsbArrival)
        return AfterFailedTries::WaitForHidArrival;
    return AfterFailedTries::GiveUp;
}

bool IsArrival(LinkTrigger trigger) {
    return trigger == LinkTrigger::UsbArrival || trigger == LinkTrigger::HidArrival;
}

const char* TriggerName(LinkTrigger trigger) {
    switch (trigger) {
    case LinkTrigger::UsbArrival:
        return "USB arrival";
    case LinkTrigger::UsbRemoval:
        return "USB removal";
    case LinkTrigger::HidArrival:
        return "HID arrival";
    case LinkTrigger::HidRemoval:
        return "HID removal";
    case LinkTrigger::LinkLost:
        return "read or send failure";
    case LinkTrigger::WaitOver:
        return "end of the wait for HID interfaces";
    }
    return "?";
}

const char* ProbeName(LinkProbe probe) {
    switch (probe) {
    case LinkProbe::NotSent:
        return "not sent";
    case LinkProbe::NoAnswer:
        return "no answer";
    case LinkProbe::Answered:
        return "answered";
    }
    return "?";
}

} // namespace device
