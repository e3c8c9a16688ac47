#include "device/linux/HidrawLibrary.h"

#include "device/BoundedCaller.h"
#include "device/InterfaceChoice.h"
#include "device/ReportDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using device::InterfaceIdentity;
using device::PresentInterface;

namespace {

// The reasons the link acts on, and the others a user may meet here, in the
// Win32 codes HidLibrary speaks.
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorInvalidData = 13; // an unreadable report descriptor
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrnoBase = 0x20000000; // the customer bit: an errno of our own

// Windows' access bits the program passes, read as open(2) modes.
constexpr uint32_t kReadAccess = 0x80000000u | 0x1;        // GENERIC_READ, FILE_READ_DATA
constexpr uint32_t kWriteAccess = 0x40000000u | 0x2 | 0x4; // GENERIC_WRITE, FILE_WRITE_DATA, append

// A cancel waits this long for the read it ends to leave the handle.
constexpr auto kCloseWait = std::chrono::seconds(2);

thread_local uint32_t t_lastError = 0;

void SetError(uint32_t error) {
    t_lastError = error;
}

int OpenMode(uint32_t access) {
    const bool read = access & kReadAccess;
    const bool write = access & kWriteAccess;
    if (read && write)
        return O_RDWR;
    if (read)
        return O_RDONLY;
    // Write access, or none at all: feature reports need only an open node.
    return O_WRONLY;
}

int SendWithIoctl(int fd, const uint8_t* report, size_t length) {
    std::vector<uint8_t> buffer(report, report + length);
    return ioctl(fd, HIDIOCSFEATURE(length), buffer.data()) < 0 ? errno : 0;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// "/dev/hidraw3 (vid_25a7&pid_fa92&mi_01&col02)": the node, then what
// Windows' path would say of the collection, so that the program's path
// pattern matches it as it matches a Windows path.
std::wstring CollectionPath(const device::HidrawNode& node, size_t index, size_t count) {
    char ids[64];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", unsigned(node.vendor),
                  unsigned(node.product));
    std::string path = node.node.string() + " (" + ids;
    if (node.interfaceNumber >= 0) {
        char mi[16];
        std::snprintf(mi, sizeof mi, "&mi_%02x", unsigned(node.interfaceNumber));
        path += mi;
    }
    if (count > 1) {
        char col[16];
        std::snprintf(col, sizeof col, "&col%02u", unsigned(index + 1));
        path += col;
    }
    return Wide(path + ")");
}

} // namespace

struct HidrawLibrary::Handle {
    int fd = -1;
    int wake[2] = {-1, -1}; // a byte in wake[1] ends a read blocked in poll
    fs::path node;
    device::InterfaceCaps caps;
    InterfaceIdentity identity;
    std::wstring pattern; // lower case
    bool command = false;
    bool releaseKnown = false;
    uint16_t release = 0;
    unsigned long long order = 0;

    std::mutex mtx; // guards reading and cancelled
    std::condition_variable cv;
    bool reading = false;
    bool cancelled = false; // a cancel this or the next read must honour

    std::once_flag senderMade;
    std::unique_ptr<BoundedCaller> sender;

    ~Handle() {
        sender.reset(); // waits for a report still being sent on fd
        for (int f : {fd, wake[0], wake[1]})
            if (f >= 0)
                ::close(f);
    }
    void DrainWake() {
        char bytes[16];
        while (::read(wake[0], bytes, sizeof bytes) > 0) {
        }
    }
};

HidrawLibrary::HidrawLibrary() : HidrawLibrary(Options{}) {}

HidrawLibrary::HidrawLibrary(Options options) : m_options(std::move(options)) {
    if (!m_options.sendFeature)
        m_options.sendFeature = SendWithIoctl;
}

HidrawLibrary::~HidrawLibrary() {
    std::map<HidHandle, std::shared_ptr<Handle>> handles;
    {
        std::lock_guard lock(m_mtx);
        handles.swap(m_handles);
    }
    for (auto& [value, h] : handles)
        Cancel(*h);
}

bool HidrawLibrary::Load() {
    m_loaded = true;
    return true;
}

void HidrawLibrary::Unload() {
    m_loaded = false;
}

bool HidrawLibrary::IsLoaded() const {
    return m_loaded;
}

uint32_t HidrawLibrary::ErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return 0;
    case EACCES:
    case EPERM:
        return device::kErrorAccessDenied;
    case EBUSY:
        return device::kErrorSharingViolation;
    // A node or device that is gone; hidraw fails reads with EIO then.
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ESHUTDOWN:
    case EIO:
        return kHidErrorDeviceNotConnected;
    case ETIMEDOUT:
        return kHidErrorTimeout;
    case ENOTTY:
        return kErrorInvalidFunction;
    case EBADF:
        return kErrorInvalidHandle;
    case EINVAL:
        return kErrorInvalidParameter;
    case ECANCELED:
        return kErrorOperationAborted;
    default:
        return kErrnoBase + uint32_t(error);
    }
}

std::wstring HidrawLibrary::ExplainError(uint32_t error) {
    switch (error) {
    case device::kErrorAccessDenied:
        return L"permission denied: this user may not open the node; install the udev rule "
               L"70-tarvel.rules and plug the receiver in again";
    case kHidErrorDeviceNotConnected:
        return L"the device is gone";
    case kErrorInvalidFunction:
        return L"not a hidraw node";
    case kErrorInvalidData:
        return L"its report descriptor cannot be read";
    default:
        break;
    }
    if (error > kErrnoBase && error < kErrnoBase + 4096)
        return Wide(std::strerror(int(error - kErrnoBase)));
    return {};
}

std::shared_ptr<HidrawLibrary::Handle> HidrawLibrary::Find(HidHandle handle) const {
    std::lock_guard lock(m_mtx);
    auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : it->second;
}

std::shared_ptr<HidrawLibrary::Handle>
HidrawLibrary::LastCommand(const std::wstring& pattern) const {
    std::lock_guard lock(m_mtx);
    std::shared_ptr<Handle> best;
    for (const auto& [value, h] : m_handles)
        if (h->command && h->pattern == pattern && (!best || h->order > best->order))
            best = h;
    return best;
}

// Lists every collection of the nodes under the pattern and of its vendor,
// lets ChooseInterface pick one and keeps its account. A notification
// interface (usage 0) is paired with the command interface opened last under
// the same pattern, so that the two handles never belong to two receivers.
HidHandle HidrawLibrary::OpenHidDevice(uint32_t usagePage, uint32_t usage,
                                       const char16_t* pathPattern, HidAcceptTestA testA,
                                       HidAcceptTestB testB, int, int debugLevel, uint32_t access,
                                       uint32_t flags, int) {
    device::OpenRequest request;
    request.usagePage = usagePage;
    request.usage = usage;
    for (const char16_t* p = pathPattern; p && *p; ++p)
        request.pathPattern += wchar_t(*p);
    request.acceptTest = testA ? reinterpret_cast<void*>(testA) : reinterpret_cast<void*>(testB);
    request.debugLevel = debugLevel;
    request.access = access;
    request.flags = flags;

    std::vector<std::wstring> lines;
    std::string listProblem;
    const std::vector<device::HidrawNode> nodes =
        device::ListHidrawNodes(m_options.roots, &listProblem);
    if (!listProblem.empty())
        lines.push_back(Wide(listProblem));

    const std::wstring vendor = device::VendorPart(request.pathPattern);
    auto wanted = [&](const std::wstring& path) {
        return device::PathMatches(path, request.pathPattern) ||
               (!vendor.empty() && device::PathMatches(path, vendor));
    };
    std::vector<PresentInterface> present;
    std::vector<const device::HidrawNode*> nodeOf;
    for (const device::HidrawNode& node : nodes) {
        if (node.descriptor.empty() && node.vendor == 0 && node.product == 0)
            continue; // nothing tells whose it is
        const device::DescriptorCollections parsed =
            device::ParseReportDescriptor(node.descriptor.data(), node.descriptor.size());
        const size_t count = std::max<size_t>(parsed.collections.size(), 1);
        for (size_t i = 0; i < count; ++i) {
            PresentInterface itf;
            itf.identity.path = CollectionPath(node, i, count);
            if (!wanted(itf.identity.path))
                break;
            itf.identity.usbDevice = Wide(node.device.string());
            itf.identity.usbInterface = Wide(node.hid.string());
            if (i < parsed.collections.size()) {
                itf.caps = parsed.collections[i];
            } else {
                itf.capsError = kErrorInvalidData;
                const std::string why = !node.problem.empty() ? node.problem
                                        : !parsed.problem.empty()
                                            ? "report descriptor: " + parsed.problem
                                            : "its report descriptor "
                                              "declares no collection";
                lines.push_back(itf.identity.path + L": " + Wide(why));
            }
            present.push_back(std::move(itf));
            nodeOf.push_back(&node);
        }
    }

    std::wstring pattern = device::Lowered(request.pathPattern);
    const std::shared_ptr<Handle> command = request.ForCommands() ? nullptr : LastCommand(pattern);
    int opened = -1;
    const device::Choice choice = device::ChooseInterface(
        request, present, command ? &command->identity : nullptr,
        [&](const InterfaceIdentity& itf, uint32_t wantedAccess) -> uint32_t {
            size_t i = 0;
            while (i < present.size() && present[i].identity.path != itf.path)
                ++i;
            if (i == present.size())
                return kHidErrorDeviceNotConnected;
            const int fd =
                ::open(nodeOf[i]->node.c_str(), OpenMode(wantedAccess) | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0)
                return ErrorFromErrno(errno);
            opened = fd;
            return 0;
        },
        ExplainError);
    lines.insert(lines.end(), choice.lines.begin(), choice.lines.end());
    std::wstring report;
    for (const std::wstring& line : lines)
        report += line + L"\n";
    {
        std::lock_guard lock(m_mtx);
        m_report = report;
    }
    if (choice.index < 0) {
        SetError(choice.error ? choice.error : kHidErrorDeviceNotConnected);
        return nullptr;
    }

    auto h = std::make_shared<Handle>();
    h->fd = opened;
    if (::pipe2(h->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        SetError(ErrorFromErrno(errno));
        return nullptr; // the handle closes the node
    }
    const device::HidrawNode& node = *nodeOf[size_t(choice.index)];
    h->node = node.node;
    h->caps = present[size_t(choice.index)].caps;
    h->identity = present[size_t(choice.index)].identity;
    h->pattern = std::move(pattern);
    h->command = request.ForCommands();
    h->releaseKnown = node.releaseKnown;
    h->release = node.release;
    HidHandle value = h.get();
    {
        std::lock_guard lock(m_mtx);
        h->order = ++m_order;
        m_handles[value] = std::move(h);
    }
    SetError(0);
    return value;
}

bool HidrawLibrary::SetFeature(HidHandle cmd, const uint8_t* report, uint32_t length) {
    const std::shared_ptr<Handle> h = Find(cmd);
    if (!h || !report || length == 0) {
        SetError(h ? kErrorInvalidParameter : kErrorInvalidHandle);
        return false;
    }
    // The receiver takes reports of its declared length.
    std::vector<uint8_t> padded(std::max<size_t>(length, h->caps.featureLength), 0);
    std::copy(report, report + length, padded.begin());
    std::call_once(h->senderMade, [&h] { h->sender = std::make_unique<BoundedCaller>(); });
    // The node stays open while the call runs: the handle's destructor waits
    // for its sender before it closes the node.
    const std::optional<int> result = h->sender->Call(
        [fd = h->fd, padded, send = m_options.sendFeature] {
            return send(fd, padded.data(), padded.size());
        },
        std::chrono::milliseconds(m_options.featureTimeoutMs));
    SetError(result ? ErrorFromErrno(*result) : kHidErrorTimeout);
    return result && *result == 0;
}

bool HidrawLibrary::GetVersionNumber(HidHandle cmd, uint32_t* version) {
    const std::shared_ptr<Handle> h = Find(cmd);
    if (!h || !version) {
        SetError(h ? kErrorInvalidParameter : kErrorInvalidHandle);
        return false;
    }
    if (!h->releaseKnown) {
        SetError(kErrorNotSupported); // not a USB device
        return false;
    }
    *version = h->release;
    SetError(0);
    return true;
}

bool HidrawLibrary::ReadReport(HidHandle notify, uint8_t* buffer, uint32_t length) {
    const std::shared_ptr<Handle> h = Find(notify);
    if (!h || !buffer || length == 0) {
        SetError(h ? kErrorInvalidParameter : kErrorInvalidHandle);
        return false;
    }
    {
        std::lock_guard lock(h->mtx);
        if (h->cancelled) {
            h->cancelled = false;
            SetError(kErrorOperationAborted);
            return false;
        }
        h->reading = true;
    }
    const uint32_t error = ReadOne(*h, buffer, length);
    {
        std::lock_guard lock(h->mtx);
        h->reading = false;
        // A cancel that came during this read was meant for it.
        h->cancelled = false;
        h->DrainWake();
    }
    h->cv.notify_all();
    SetError(error);
    return error == 0;
}

// One input report of the collection: waits until the node has one or a
// cancel comes. The node delivers every collection's reports, each led by
// its report id; those of other collections are passed over.
uint32_t HidrawLibrary::ReadOne(Handle& h, uint8_t* buffer, uint32_t length) {
    const bool numbered =
        !(h.caps.inputIds.size() == 1 && h.caps.inputIds.front() == 0) && !h.caps.inputIds.empty();
    std::vector<uint8_t> report(std::max<size_t>(length, h.caps.inputLength) + 1);
    for (;;) {
        pollfd fds[2] = {{h.fd, POLLIN, 0}, {h.wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return ErrorFromErrno(errno);
        }
        if (fds[1].revents)
            return kErrorOperationAborted;
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[0].revents & POLLIN))
            return kHidErrorDeviceNotConnected;
        // Without report ids the node gives the data alone; Windows puts a 0
        // in front, and so does this.
        uint8_t* into = numbered ? report.data() : report.data() + 1;
        const ssize_t got = ::read(h.fd, into, report.size() - 1);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return ErrorFromErrno(errno);
        }
        if (got == 0)
            return kHidErrorDeviceNotConnected;
        size_t size = size_t(got);
        if (!numbered) {
            report[0] = 0;
            ++size;
        } else if (std::find(h.caps.inputIds.begin(), h.caps.inputIds.end(), report[0]) ==
                   h.caps.inputIds.end()) {
            continue;
        }
        const size_t n = std::min<size_t>(size, length);
        std::copy(report.begin(), report.begin() + long(n), buffer);
        std::fill(buffer + n, buffer + length, 0);
        return 0;
    }
}

void HidrawLibrary::CancelBlockedRead(HidHandle notify) {
    if (const std::shared_ptr<Handle> h = Find(notify))
        Cancel(*h);
}

void HidrawLibrary::Cancel(Handle& h) {
    std::lock_guard lock(h.mtx);
    h.cancelled = true;
    if (h.reading) {
        const char byte = 1;
        if (::write(h.wake[1], &byte, 1) < 0) {
            // The pipe is full of wakes already; the read ends either way.
        }
    }
}

// A node is closed only once no read is in progress on it.
void HidrawLibrary::Close(HidHandle handle) {
    const std::shared_ptr<Handle> h = Find(handle);
    if (!h)
        return;
    Cancel(*h);
    {
        std::unique_lock lock(h->mtx);
        h->cv.wait_for(lock, kCloseWait, [&h] { return !h->reading; });
        h->cancelled = false;
    }
    std::lock_guard lock(m_mtx);
    m_handles.erase(handle);
}

uint32_t HidrawLibrary::LastError() const {
    return t_lastError;
}

std::u16string HidrawLibrary::LastSearchReport() const {
    std::lock_guard lock(m_mtx);
    std::u16string report;
    for (wchar_t c : m_report)
        report += c < 0x10000 ? char16_t(c) : u'?';
    return report;
}

std::vector<fs::path> HidrawLibrary::OpenNodes() const {
    std::lock_guard lock(m_mtx);
    std::vector<fs::path> nodes;
    for (const auto& [value, h] : m_handles)
        if (std::find(nodes.begin(), nodes.end(), h->node) == nodes.end())
            nodes.push_back(h->node);
    return nodes;
}
