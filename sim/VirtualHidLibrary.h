#pragma once
// A HidLibrary bound directly to a virtual receiver, for native tests,
// tarvelctl and benchmarks: no DLL, no pipe. The receiver enumerates as two
// HID interfaces under the path "\\?\hid#vid_XXXX&pid_YYYY&mi_0N#...": the
// command interface (usage page 0xFF02, usage 2, 17-byte feature reports) and
// the notification interface (usage page 0xFF01, 17-byte input reports).

#include "device/HidLibrary.h"
#include "sim/VirtualReceiver.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace sim {

class VirtualHidLibrary : public HidLibrary {
public:
    explicit VirtualHidLibrary(std::shared_ptr<VirtualReceiver> receiver);
    ~VirtualHidLibrary() override;

    // Tests: a library that cannot be loaded, as when Vantor.dll is missing.
    void SetLoadable(bool loadable) { m_loadable = loadable; }
    // Handles open now (both interfaces count).
    size_t OpenHandles() const;

    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override { return m_loaded; }
    HidHandle OpenHidDevice(uint32_t usagePage, uint32_t usage, const char16_t* pathPattern,
                            HidAcceptTestA testA, HidAcceptTestB testB, int reserved1,
                            int debugLevel, uint32_t access, uint32_t flags,
                            int reserved2) override;
    bool SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) override;
    bool GetVersionNumber(HidHandle cmd, uint32_t* version) override;
    bool ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) override;
    void CancelBlockedRead(HidHandle notify) override;
    void Close(HidHandle handle) override;
    uint32_t LastError() const override { return m_lastError; }

    // The interface path the receiver enumerates with.
    static std::u16string InterfacePath(uint16_t vid, uint16_t pid, int interfaceNumber);

private:
    enum class Kind { Command, Notify };
    struct Handle {
        Kind kind;
        // The cancels of reads on a notification handle; shared with a read
        // in progress, which may outlive the handle by a moment.
        std::shared_ptr<ReadCancel> cancel = std::make_shared<ReadCancel>();
    };
    bool IsHandle(HidHandle h, Kind kind) const;
    // The cancels of a notification handle; null for anything else.
    std::shared_ptr<ReadCancel> CancelOf(HidHandle h) const;

    std::shared_ptr<VirtualReceiver> m_receiver;
    bool m_loadable = true;
    bool m_loaded = false;
    mutable std::mutex m_mtx; // guards m_handles
    std::set<Handle*> m_handles;
    std::atomic<uint32_t> m_lastError{0};
};

} // namespace sim
