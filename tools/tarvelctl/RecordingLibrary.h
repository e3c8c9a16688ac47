#pragma once
// A HidLibrary in front of another that keeps what went over the wire: every
// feature report sent and every input report read, so that a command can
// list the writes it made, count its reports and wait for the mouse's own
// event reports, whichever receiver is behind it.

#include "device/HidLibrary.h"
#include "device/ReportFrame.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class RecordingLibrary final : public HidLibrary {
public:
    explicit RecordingLibrary(std::unique_ptr<HidLibrary> inner);

    HidLibrary& Inner() { return *m_inner; }
    // Feature reports sent (and taken) since the last Forget.
    std::vector<device::Report> Sent() const;
    void Forget();
    // Waits until an input report read from now on passes `test`, or, when
    // `gone` is given, until a read finds the receiver gone (`*gone` is then
    // set). The report; none when the time ran out or the receiver went.
    std::optional<device::Report> WaitRead(const std::function<bool(const device::Report&)>& test,
                                           std::chrono::milliseconds timeout, bool* gone);

    bool Load() override { return m_inner->Load(); }
    void Unload() override { m_inner->Unload(); }
    bool IsLoaded() const override { return m_inner->IsLoaded(); }
    HidHandle OpenHidDevice(uint32_t usagePage, uint32_t usage, const char16_t* pathPattern,
                            HidAcceptTestA testA, HidAcceptTestB testB, int reserved1,
                            int debugLevel, uint32_t access, uint32_t flags,
                            int reserved2) override;
    bool SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) override;
    bool GetVersionNumber(HidHandle cmd, uint32_t* version) override;
    bool ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) override;
    void CancelBlockedRead(HidHandle notify) override { m_inner->CancelBlockedRead(notify); }
    void Close(HidHandle handle) override { m_inner->Close(handle); }
    // The reason of this thread's last failed call, taken at once: the
    // locks taken after it may replace the system's own value.
    uint32_t LastError() const override;
    std::u16string LastSearchReport() const override { return m_inner->LastSearchReport(); }

private:
    std::unique_ptr<HidLibrary> m_inner;
    mutable std::mutex m_mtx;
    std::condition_variable m_cv;
    std::vector<device::Report> m_sent;
    std::vector<device::Report> m_read; // since the last WaitRead began
    bool m_gone = false;                // a read failed: the receiver is gone
};
