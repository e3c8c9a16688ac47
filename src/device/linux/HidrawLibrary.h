#pragma once
// The Linux HidLibrary: the receiver reached through the kernel's hidraw
// nodes. Linux gives one node per HID interface of a USB device; each
// top-level collection of the node's report descriptor counts as one of the
// interfaces Windows would show, and the choice among them is the one
// Vantor.dll makes (InterfaceChoice): the usage page and usage asked for, the
// caller's accept test, the protocol's report, and a notification interface
// of the same receiver as the command interface opened last.
//
// A handle is one open node, as the collection it was opened for:
// - SetFeature pads the report to the collection's feature length and sends
//   it with HIDIOCSFEATURE, giving up after a second (ERROR_TIMEOUT) on a
//   receiver that does not take it;
// - ReadReport delivers the collection's own input reports (another
//   collection's, which the node also carries, are passed over), and a
//   CancelBlockedRead from another thread ends it (ERROR_OPERATION_ABORTED);
//   once the receiver is gone it fails with ERROR_DEVICE_NOT_CONNECTED;
// - GetVersionNumber gives the USB device's bcdDevice.
// Reasons are given in the Win32 codes the link acts on (HidLibrary.h).

#include "device/HidLibrary.h"
#include "device/linux/HidrawTree.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class HidrawLibrary final : public HidLibrary {
public:
    // Sends one feature report on an open node: 0, or the errno.
    using FeatureSend = std::function<int(int fd, const uint8_t* report, size_t length)>;
    struct Options {
        device::HidrawRoots roots;
        uint32_t featureTimeoutMs = 1000;
        FeatureSend sendFeature{}; // empty: the HIDIOCSFEATURE ioctl
    };

    HidrawLibrary();
    explicit HidrawLibrary(Options options);
    ~HidrawLibrary() override;
    HidrawLibrary(const HidrawLibrary&) = delete;
    HidrawLibrary& operator=(const HidrawLibrary&) = delete;

    // Nothing to load: the kernel's interface is always there.
    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override;

    HidHandle OpenHidDevice(uint32_t usagePage, uint32_t usage, const char16_t* pathPattern,
                            HidAcceptTestA testA, HidAcceptTestB testB, int reserved1,
                            int debugLevel, uint32_t access, uint32_t flags,
                            int reserved2) override;
    bool SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) override;
    bool GetVersionNumber(HidHandle cmd, uint32_t* version) override;
    bool ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) override;
    void CancelBlockedRead(HidHandle notify) override;
    void Close(HidHandle handle) override;
    uint32_t LastError() const override;
    std::u16string LastSearchReport() const override;

    // The device nodes of the handles open now.
    std::vector<std::filesystem::path> OpenNodes() const;

    // An errno as the reason the link knows it by; one without a Win32
    // counterpart is 0x20000000 + errno.
    static uint32_t ErrorFromErrno(int error);
    // What a reason means on Linux, for the account; empty when the code
    // says enough.
    static std::wstring ExplainError(uint32_t error);

private:
    struct Handle;
    std::shared_ptr<Handle> Find(HidHandle handle) const;
    // The command handle opened last under `pattern` and still open.
    std::shared_ptr<Handle> LastCommand(const std::wstring& pattern) const;
    uint32_t ReadOne(Handle& h, uint8_t* buffer, uint32_t length);
    static void Cancel(Handle& h);

    Options m_options;
    bool m_loaded = false;
    mutable std::mutex m_mtx; // guards m_handles, m_order and m_report
    std::map<HidHandle, std::shared_ptr<Handle>> m_handles;
    unsigned long long m_order = 0;
    std::wstring m_report; // the account of the last search
};
