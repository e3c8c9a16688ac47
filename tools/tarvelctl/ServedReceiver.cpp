// The virtual receiver of --virtual and the program that may serve it. A
// running program keeps the receiver's memory and writes all of it back on
// every change, so an edit made here behind its back would be lost or would
// undo the program's own writes: the receiver is only taken when no program
// serves its state file. What can safely go through that program's control
// pipe (reading the memory, the mouse's actions) goes there instead.

#include "Commands.h"

#include "HexText.h"
#include "VirtualControl.h"

#include "platform/Text.h"
#include "sim/StateClaim.h"
#include "sim/VirtualReceiver.h"

#include <algorithm>
#include <optional>

namespace {

// Most bytes one "peek" of the control pipe returns.
constexpr size_t kPeekBytes = 256;

// The claim on the state file lives as long as the receiver does.
struct ClaimedReceiver {
    explicit ClaimedReceiver(const std::u16string& stateFile) : claim(stateFile, "tarvelctl") {}
    sim::StateClaim claim;
    std::optional<sim::VirtualReceiver> receiver;
};

// What is in the way, and what to do instead.
std::string InUse(const Options& opts, const std::string& reason) {
    std::string text =
        "the virtual receiver in " + text::ToUtf8(opts.virtualState) + " is in use: " + reason;
#ifdef _WIN32
    text += "; that program keeps the receiver's memory and writes all of it back, so a change "
            "made here would be lost or undo its own. Use the program itself, or exit it and "
            "run this again; mem read, read and mouse go through its control pipe.";
#else
    text += "; its control pipe lives in the Windows (Wine) session of that program and cannot "
            "be reached from here, and the state file is left as it is. Run tarvelctl.exe in "
            "the same Wine prefix (it reads the memory and moves the mouse through the pipe), "
            "or exit the program and run this again.";
#endif
    return text;
}

} // namespace

std::shared_ptr<sim::VirtualReceiver> OpenLocalReceiver(const Options& opts) {
    if (opts.virtualState.empty())
        throw CommandError("this command needs --virtual STATE");
    auto claimed = std::make_shared<ClaimedReceiver>(opts.virtualState);
    if (!claimed->claim.Held())
        throw CommandError(InUse(opts, claimed->claim.Reason()));
    claimed->receiver.emplace(opts.virtualState);
    return std::shared_ptr<sim::VirtualReceiver>(claimed, &*claimed->receiver);
}

std::string ServedBy(const Options& opts) {
    if (opts.virtualState.empty())
        return {};
    sim::StateClaim claim(opts.virtualState, "tarvelctl");
    return claim.Held() ? std::string() : claim.Reason();
}

std::vector<uint8_t> ReadThroughPipe(const Options& opts, uint32_t address, size_t length) {
    std::vector<uint8_t> data;
    while (data.size() < length) {
        const size_t n = std::min(kPeekBytes, length - data.size());
        const uint32_t at = address + uint32_t(data.size());
        std::string reply;
        if (!SendVirtualControl(opts.virtualState,
                                "peek " + std::to_string(at) + " " + std::to_string(n), &reply))
            throw CommandError(InUse(opts, ServedBy(opts)) + " (control pipe: " + reply + ")");
        const std::vector<uint8_t> piece =
            reply.rfind("ok ", 0) == 0 ? ParseHex(reply.substr(3)) : std::vector<uint8_t>{};
        if (piece.size() != n)
            throw CommandError("the control pipe answered \"" + reply + "\" to a peek of " +
                               std::to_string(n) + " bytes at " + std::to_string(at));
        data.insert(data.end(), piece.begin(), piece.end());
    }
    return data;
}
