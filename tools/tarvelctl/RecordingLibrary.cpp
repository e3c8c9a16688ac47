#include "RecordingLibrary.h"

#include <algorithm>

namespace {
thread_local uint32_t t_lastError = 0;
} // namespace

RecordingLibrary::RecordingLibrary(std::unique_ptr<HidLibrary> inner) : m_inner(std::move(inner)) {}

uint32_t RecordingLibrary::LastError() const {
    return t_lastError;
}

HidHandle RecordingLibrary::OpenHidDevice(uint32_t usagePage, uint32_t usage,
                                          const char16_t* pathPattern, HidAcceptTestA testA,
                                          HidAcceptTestB testB, int reserved1, int debugLevel,
                                          uint32_t access, uint32_t flags, int reserved2) {
    HidHandle h = m_inner->OpenHidDevice(usagePage, usage, pathPattern, testA, testB, reserved1,
                                         debugLevel, access, flags, reserved2);
    t_lastError = h ? 0 : m_inner->LastError();
    return h;
}

bool RecordingLibrary::GetVersionNumber(HidHandle cmd, uint32_t* version) {
    const bool ok = m_inner->GetVersionNumber(cmd, version);
    t_lastError = ok ? 0 : m_inner->LastError();
    return ok;
}

std::vector<device::Report> RecordingLibrary::Sent() const {
    std::lock_guard lock(m_mtx);
    return m_sent;
}

void RecordingLibrary::Forget() {
    std::lock_guard lock(m_mtx);
    m_sent.clear();
}

bool RecordingLibrary::SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) {
    const bool ok = m_inner->SetFeature(cmd, report, length);
    t_lastError = ok ? 0 : m_inner->LastError();
    if (!ok)
        return false;
    device::Report sent{};
    std::copy(report, report + std::min<size_t>(length, sent.size()), sent.begin());
    std::lock_guard lock(m_mtx);
    m_sent.push_back(sent);
    return true;
}

bool RecordingLibrary::ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) {
    const bool ok = m_inner->ReadReport(notify, buffer, length);
    const uint32_t error = ok ? 0 : m_inner->LastError();
    t_lastError = error;
    {
        std::lock_guard lock(m_mtx);
        if (ok) {
            device::Report read{};
            std::copy(buffer, buffer + std::min<size_t>(length, read.size()), read.begin());
            m_read.push_back(read);
        } else if (error == kHidErrorDeviceNotConnected) {
            m_gone = true;
        }
    }
    m_cv.notify_all();
    return ok;
}

std::optional<device::Report>
RecordingLibrary::WaitRead(const std::function<bool(const device::Report&)>& test,
                           std::chrono::milliseconds timeout, bool* gone) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mtx);
    m_read.clear();
    m_gone = false;
    std::optional<device::Report> found;
    m_cv.wait_until(lock, deadline, [&] {
        for (const device::Report& r : m_read)
            if (!found && test(r))
                found = r;
        m_read.clear();
        return found.has_value() || (gone && m_gone);
    });
    if (gone)
        *gone = m_gone;
    return found;
}
