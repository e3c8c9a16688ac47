#pragma once
// The receiver a device command talks to: the virtual receiver kept in the
// --virtual state file, or, without --virtual, the real one: through
// Vantor.dll beside tarvelctl.exe on Windows, through the hidraw nodes on
// Linux. Either way the program's own device link (CUSBDriver, OpenReceiver)
// finds, pairs and speaks to it, so the tool sees the receiver as the
// program does.

#include "Commands.h"
#include "RecordingLibrary.h"

#include "device/USBDriver.h"

#include <memory>
#include <string>
#include <vector>

namespace sim {
class VirtualReceiver;
}

class DeviceLink {
public:
    // Opens the receiver with the product's settings (LoadProduct first).
    // CommandError when another program talks to it, NoReceiverError when
    // there is none.
    explicit DeviceLink(const Options& opts);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    CUSBDriver& Driver() { return *m_driver; }
    RecordingLibrary& Library() { return *m_library; }
    // The virtual receiver of --virtual; null for the real one.
    sim::VirtualReceiver* Virtual() { return m_receiver.get(); }
    // Feature reports sent since the receiver was opened.
    std::vector<device::Report> Sent() const { return m_library->Sent(); }
    int Reports() const { return int(m_library->Sent().size()); }
    // The first exchange that failed, in words; empty when none did.
    std::string Failure() const;

private:
    std::shared_ptr<sim::VirtualReceiver> m_receiver;
    RecordingLibrary* m_library = nullptr; // owned by m_driver
    std::unique_ptr<CUSBDriver> m_driver;
};

// Reads cfg.ini and text.xml of --exe-dir, as the program does at start-up;
// CommandError when the settings are not usable.
void LoadProduct(const Options& opts);

// "memory read of 10 bytes at 0x0100 (command 8): no answer ...".
std::string DescribeFailure(const CUSBDriver::FailedExchange& failure, int tries);

// The real receiver's HID library on this system, and what may stand in the
// way of talking to it (RealReceiver_win.cpp, RealReceiver_linux.cpp).
std::unique_ptr<HidLibrary> MakeRealLibrary(const Options& opts);
// Before the search: CommandError when the program runs on this system and
// so talks to the receiver.
void RefuseBesideTheProgram(const Options& opts);
// After the search: CommandError when another process holds the receiver's
// interfaces that `library` opened.
void RefuseIfHeld(HidLibrary& library);
// What the user can do when no receiver is found, after "no receiver found; ".
std::string NoReceiverHint();
// Why the HID library did not load, and what to do.
std::string LibraryLoadFailure();
