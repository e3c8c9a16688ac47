#pragma once
// What CUSBDriver needs from the HID access library (Vantor.dll): its six
// entry points, plus the blocking read of the notification handle. On Windows
// the implementation loads Vantor.dll; native tests bind the virtual receiver
// directly.

#include <cstdint>
#include <string>

// An open HID interface handle; null when none.
using HidHandle = void*;

// Reasons LastError gives that the link acts on (the Win32 codes, on every
// platform): the interface is gone, or a report was not taken in time.
constexpr uint32_t kHidErrorDeviceNotConnected = 1167; // ERROR_DEVICE_NOT_CONNECTED
constexpr uint32_t kHidErrorTimeout = 1460;            // ERROR_TIMEOUT

// The caller's accept tests: Vantor.dll asks them with the capabilities of each
// matching interface. Test A gets (usage page, usage, input report length,
// feature report length); test B gets (usage page, input report length).
using HidAcceptTestA = int (*)(int usagePage, int usage, int inputLength, int featureLength);
using HidAcceptTestB = int (*)(int usagePage, int inputLength);

class HidLibrary {
public:
    virtual ~HidLibrary() = default;

    // Loads the library and resolves its entry points. True when OpenHidDevice,
    // SetFeature, GetProductString and GetVersionNumber are all present.
    virtual bool Load() = 0;
    virtual void Unload() = 0;
    virtual bool IsLoaded() const = 0;

    // The ten arguments the program passes (see CUSBDriver::FindDev); one of
    // the two accept tests is given, the other is null.
    virtual HidHandle OpenHidDevice(uint32_t usagePage, uint32_t usage, const char16_t* pathPattern,
                                    HidAcceptTestA testA, HidAcceptTestB testB, int reserved1,
                                    int debugLevel, uint32_t access, uint32_t flags,
                                    int reserved2) = 0;
    // Sends one 17-byte feature report; false on failure (LastError says why).
    virtual bool SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) = 0;
    // The device release number (bcdDevice) in the low 16 bits.
    virtual bool GetVersionNumber(HidHandle cmd, uint32_t* version) = 0;

    // Blocking read of one input report from the notification handle (ReadFile).
    virtual bool ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) = 0;
    // Wakes a ReadReport on `notify` that blocks in another thread, so that
    // thread can see its stop flag and be joined (CancelSynchronousIo on Windows).
    virtual void CancelBlockedRead(HidHandle notify) = 0;
    virtual void Close(HidHandle handle) = 0;

    // The reason for the last failure (GetLastError on Windows).
    virtual uint32_t LastError() const = 0;

    // What the last OpenHidDevice of this process looked at and why each
    // interface was passed over, one line per interface; empty when the
    // library does not tell. The library keeps one account for the process,
    // so the caller asks right after its own search.
    virtual std::u16string LastSearchReport() const { return {}; }
};
