// The real receiver on Linux: the kernel's hidraw nodes, through the hidraw
// library, which finds and pairs the receiver's interfaces as Vantor.dll does.

#include "DeviceLink.h"

#include "device/linux/HidrawLibrary.h"
#include "device/linux/NodeHolders.h"

#include <unistd.h>

#include <cstdlib>

namespace {

// TARVEL_HIDRAW_ROOT names a folder laid out as /sys, /dev and /proc that
// stands in for the system's (tests).
device::HidrawRoots Roots() {
    const char* root = std::getenv("TARVEL_HIDRAW_ROOT");
    return root && *root ? device::HidrawRoots::Under(root) : device::HidrawRoots{};
}

} // namespace

std::unique_ptr<HidLibrary> MakeRealLibrary(const Options&) {
    HidrawLibrary::Options options;
    options.roots = Roots();
    return std::make_unique<HidrawLibrary>(std::move(options));
}

// The program itself runs only on Windows; under Wine on this system it
// reaches the receiver through the same nodes, which RefuseIfHeld sees.
void RefuseBesideTheProgram(const Options&) {}

void RefuseIfHeld(HidLibrary& library) {
    auto* hidraw = dynamic_cast<HidrawLibrary*>(&library);
    if (!hidraw)
        return;
    const std::vector<device::NodeHolder> holders =
        device::HoldersOf(hidraw->OpenNodes(), Roots(), int(::getpid()));
    if (holders.empty())
        return;
    std::string who;
    for (const device::NodeHolder& h : holders)
        who += (who.empty() ? "" : ", ") + h.name + " (process " + std::to_string(h.pid) +
               ") has " + h.node.string() + " open";
    throw CommandError("the receiver is in use: " + who +
                       ". A program that talks to the receiver (Tarvel under Wine reaches it "
                       "through winedevice.exe) and this one would take each other's answers. "
                       "End that program (Tarvel: Exit in its menu; all of Wine: wineserver -k) "
                       "and run this again.");
}

std::string NoReceiverHint() {
    return "is it plugged in? \"search\" lists each interface looked at and why it was passed "
           "over; one this user may not open needs the udev rule 70-tarvel.rules (README, "
           "\"tarvelctl on Linux\")";
}

std::string LibraryLoadFailure() {
    return "the hidraw interface cannot be used";
}
