#include "sim/VirtualHidLibrary.h"

#include "platform/Text.h"

#include <cstdio>

namespace sim {
namespace {

// The reasons Windows gives for the same failures.
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorDeviceNotConnected = 1167;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorOperationAborted = 995;

struct InterfaceInfo {
    int number; // mi_0N
    uint32_t usagePage;
    uint32_t usage;
    int inputLength;
    int featureLength;
};
constexpr InterfaceInfo kCommandInterface{1, 0xFF02, 2, 0, int(kReportSize)};
constexpr InterfaceInfo kNotifyInterface{2, 0xFF01, 1, int(kReportSize), 0};

bool ContainsIgnoreCase(const std::u16string& text, const std::u16string& part) {
    if (part.size() > text.size())
        return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (text::EqualsIgnoreAsciiCase(std::u16string_view(text).substr(i, part.size()), part))
            return true;
    return false;
}

} // namespace

VirtualHidLibrary::VirtualHidLibrary(std::shared_ptr<VirtualReceiver> receiver)
    : m_receiver(std::move(receiver)) {}

VirtualHidLibrary::~VirtualHidLibrary() {
    std::lock_guard lock(m_mtx);
    for (Handle* h : m_handles)
        delete h;
}

std::u16string VirtualHidLibrary::InterfacePath(uint16_t vid, uint16_t pid, int interfaceNumber) {
    char buf[96];
    std::snprintf(buf, sizeof buf,
                  "\\\\?\\hid#vid_%04x&pid_%04x&mi_%02d#7&1a2b3c4d&0&0000#"
                  "{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  unsigned(vid), unsigned(pid), interfaceNumber);
    return text::Widen(buf);
}

bool VirtualHidLibrary::Load() {
    m_loaded = m_loadable;
    return m_loaded;
}

void VirtualHidLibrary::Unload() {
    m_loaded = false;
}

size_t VirtualHidLibrary::OpenHandles() const {
    std::lock_guard lock(m_mtx);
    return m_handles.size();
}

// Picks the interface by usage page, then lets the caller's accept test look
// at its report lengths, as the real library does.
HidHandle VirtualHidLibrary::OpenHidDevice(uint32_t usagePage, uint32_t,
                                           const char16_t* pathPattern, HidAcceptTestA testA,
                                           HidAcceptTestB testB, int, int, uint32_t, uint32_t,
                                           int) {
    if (!m_loaded || !pathPattern || !m_receiver->Open()) {
        m_lastError = kErrorDeviceNotConnected;
        return nullptr;
    }
    for (const InterfaceInfo& itf : {kCommandInterface, kNotifyInterface}) {
        if (itf.usagePage != usagePage)
            continue;
        const std::u16string path =
            InterfacePath(m_receiver->VendorId(), m_receiver->ProductId(), itf.number);
        if (!ContainsIgnoreCase(path, pathPattern))
            continue;
        const bool accepted = testA   ? testA(int(itf.usagePage), int(itf.usage), itf.inputLength,
                                              itf.featureLength) != 0
                              : testB ? testB(int(itf.usagePage), itf.inputLength) != 0
                                      : true;
        if (!accepted)
            continue;
        auto* h = new Handle{itf.number == kCommandInterface.number ? Kind::Command : Kind::Notify};
        std::lock_guard lock(m_mtx);
        m_handles.insert(h);
        return h;
    }
    m_lastError = kErrorDeviceNotConnected;
    return nullptr;
}

bool VirtualHidLibrary::IsHandle(HidHandle h, Kind kind) const {
    std::lock_guard lock(m_mtx);
    auto it = m_handles.find(static_cast<Handle*>(h));
    return it != m_handles.end() && (*it)->kind == kind;
}

bool VirtualHidLibrary::SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) {
    if (!IsHandle(cmd, Kind::Command)) {
        m_lastError = kErrorInvalidHandle;
        return false;
    }
    if (!m_receiver->SendFeature(report, length)) {
        m_lastError = m_receiver->Open() ? kErrorGenFailure : kErrorDeviceNotConnected;
        return false;
    }
    return true;
}

bool VirtualHidLibrary::GetVersionNumber(HidHandle cmd, uint32_t* version) {
    if (!version || !IsHandle(cmd, Kind::Command) || !m_receiver->Open()) {
        m_lastError = kErrorDeviceNotConnected;
        return false;
    }
    *version = m_receiver->ReleaseNumber();
    return true;
}

std::shared_ptr<ReadCancel> VirtualHidLibrary::CancelOf(HidHandle h) const {
    std::lock_guard lock(m_mtx);
    auto it = m_handles.find(static_cast<Handle*>(h));
    if (it == m_handles.end() || (*it)->kind != Kind::Notify)
        return nullptr;
    return (*it)->cancel;
}

bool VirtualHidLibrary::ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) {
    const std::shared_ptr<ReadCancel> cancel = CancelOf(notify);
    if (!cancel) {
        m_lastError = kErrorInvalidHandle;
        return false;
    }
    if (!m_receiver->ReadReport(buffer, length, *cancel)) {
        m_lastError = m_receiver->Open() ? kErrorOperationAborted : kErrorDeviceNotConnected;
        return false;
    }
    return true;
}

// Like the real library's: ends the read in progress on this handle, or the
// next one when its reader has not reached it yet. Other handles' reads go on.
void VirtualHidLibrary::CancelBlockedRead(HidHandle notify) {
    if (const std::shared_ptr<ReadCancel> cancel = CancelOf(notify))
        m_receiver->CancelReads(*cancel);
}

// Closing a notification handle ends a read still blocked on it.
void VirtualHidLibrary::Close(HidHandle handle) {
    std::shared_ptr<ReadCancel> cancel;
    {
        std::lock_guard lock(m_mtx);
        auto it = m_handles.find(static_cast<Handle*>(handle));
        if (it == m_handles.end())
            return;
        if ((*it)->kind == Kind::Notify)
            cancel = (*it)->cancel;
        delete *it;
        m_handles.erase(it);
    }
    if (cancel)
        m_receiver->CancelReads(*cancel);
}

} // namespace sim
