// The virtual receiver behind Vantor.dll's entry points. One receiver runs per
// state file for the life of the process: the program closes and reopens its
// handles on every device arrival or removal, and the receiver (its memory,
// its faults, its plugged state) must outlive those handles as a real one
// does. Each receiver has three threads of its own: the pump that copies its
// input reports into the notification pipes, the control pipe server, and the
// one that tells the process's windows when the receiver comes or goes.

#include "VirtualBackend.h"

#include "SearchReport.h"
#include "Vantor.h"
#include "VirtualControl.h"
#include "VirtualReadHook.h"
#include "device/InterfaceChoice.h"
#include "platform/Memory.h"
#include "sim/StateClaim.h"
#include "sim/VirtualReceiver.h"

#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantor {

namespace {

// Room for a few thousand reports, so the pump never waits for a program
// that is busy elsewhere.
constexpr DWORD kNotifyPipeBytes = 64 * 1024;
constexpr DWORD kControlBufferBytes = 4096;
// Longest command line taken from the control pipe.
constexpr size_t kMaxControlLine = 256;
// Most memory bytes one `peek` returns.
constexpr unsigned long kMaxPeek = 256;

const wchar_t kProductString[] = L"Tarvel Virtual Receiver";

// The device interface classes of the USB device and of its HID interfaces,
// whose arrival and removal notices windows register for, and the instance
// parts of our receiver's interface paths (where a real receiver has its
// serial number or port location).
constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr GUID kHidInterface = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr wchar_t kUsbInterfaceTail[] = L"#TARVEL0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr wchar_t kHidInterfaceTail[] = L"#tarvel-virtual#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr wchar_t kContainerId[] = L"{7a3e5c10-2b4d-4f61-9e8a-5441525645cc}";
// How long after the USB device's arrival Windows has its HID interfaces
// set up and announces them, unless the plug command says otherwise.
constexpr unsigned long kHidArrivalDelayMs = 300;
// The longest delay the control commands take for a notice.
constexpr unsigned long kMaxNoticeDelayMs = 120000;
// A window's handler of a device notice may take its time (the program tries
// to reopen the receiver for several seconds); one that never answers is
// given up after this.
constexpr UINT kNoticeTimeoutMs = 60000;
// A tool may hold the state file for the moment of its edit.
constexpr int kClaimTries = 20;
constexpr DWORD kClaimRetryMs = 100;

// The receiver's two interfaces, as a real one presents them: a command
// collection that takes 17-byte feature reports (id 8) and a notification
// collection that delivers 17-byte input reports (id 9).
struct VirtualInterface {
    const wchar_t* collection;
    InterfaceCaps caps;
    bool notify;
};
const std::vector<VirtualInterface>& Interfaces() {
    static const std::vector<VirtualInterface> interfaces = {
        {L"Col01", {0xFF01, 0x01, sim::kReportSize, 0, {kNotifyReportId}, {}}, true},
        {L"Col02", {0xFF02, 0x02, 0, sim::kReportSize, {}, {kCommandReportId}}, false},
    };
    return interfaces;
}

std::u16string ToU16(const std::wstring& s) {
    return {s.begin(), s.end()};
}
std::wstring ToWide(const std::u16string& s) {
    return {s.begin(), s.end()};
}

// The write end of one notification pipe. Closed when its last owner lets go:
// the device's list, or the pump while it is writing into it.
struct NotifyPipe {
    explicit NotifyPipe(HANDLE handle) : write(handle) {}
    ~NotifyPipe() { CloseHandle(write); }
    NotifyPipe(const NotifyPipe&) = delete;
    NotifyPipe& operator=(const NotifyPipe&) = delete;
    HANDLE write;
};

// Decimal, or hexadecimal after 0x; nothing else, and at most `max`.
bool ParseNumber(const std::string& text, unsigned long max, unsigned long* value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (text.size() == start || text.size() - start > 8)
        return false;
    unsigned long result = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        result = result * (hex ? 16 : 10) + digit;
    }
    if (result > max)
        return false;
    *value = result;
    return true;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line + " ") {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

BOOL CALLBACK CollectOwnWindow(HWND hwnd, LPARAM lParam) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

// What the system does when a USB device comes or goes: every top-level
// window gets WM_DEVICECHANGE with a device interface's name, sent (the
// lParam points at the notice) and in order, for the USB device and for each
// of its HID interfaces, which the system sets up after the USB device and
// takes down before it. Only this process's windows are
// told: the receiver is virtual to this process alone. The notices go out
// from a thread of their own, so the control pipe answers at once while a
// window's handler takes its seconds. There is one such thread for the
// process, whatever the number of receivers: windows hear of every receiver's
// comings and goings in the order they happened.
class DeviceNotices {
public:
    using Clock = std::chrono::steady_clock;
    struct Notice {
        WPARAM event;
        GUID interfaceClass;
        std::wstring name;
        Clock::time_point due; // not sent before
    };

    // The process's notices; never destroyed, as its thread runs to the end.
    static DeviceNotices& OfProcess() {
        static DeviceNotices* notices = new DeviceNotices;
        return *notices;
    }

    void Post(Notice notice) {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(notice));
        }
        m_cv.notify_one();
    }

    // Notices posted and not yet delivered to every window (the one being
    // sent counts): 0 once the windows have been told all there is.
    size_t Pending() {
        std::lock_guard lock(m_mutex);
        return m_queue.size() + (m_sending ? 1 : 0);
    }

private:
    DeviceNotices() {
        std::thread([this] { Run(); }).detach();
    }

    // In order: a notice that is not due yet holds back the ones after it.
    void Run() {
        platform::ReleaseUnusedStack(); // it waits for notices most of the time
        for (;;) {
            Notice notice;
            {
                std::unique_lock lock(m_mutex);
                m_sending = false;
                m_cv.wait(lock, [this] { return !m_queue.empty(); });
                m_sending = true;
                while (Clock::now() < m_queue.front().due)
                    m_cv.wait_until(lock, m_queue.front().due);
                notice = std::move(m_queue.front());
                m_queue.pop_front();
            }
            Send(notice);
        }
    }

    static void Send(const Notice& notice) {
        std::vector<uint8_t> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) +
                                    notice.name.size() * sizeof(wchar_t));
        auto* di = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
        di->dbcc_size = DWORD(buffer.size());
        di->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        di->dbcc_classguid = notice.interfaceClass;
        std::copy(notice.name.begin(), notice.name.end(), di->dbcc_name);
        di->dbcc_name[notice.name.size()] = L'\0';
        std::vector<HWND> windows;
        ::EnumWindows(CollectOwnWindow, reinterpret_cast<LPARAM>(&windows));
        for (HWND hwnd : windows) {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(hwnd, WM_DEVICECHANGE, notice.event, reinterpret_cast<LPARAM>(di),
                                  SMTO_NORMAL, kNoticeTimeoutMs, &result);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Notice> m_queue;
    bool m_sending = false;
};

// The claim on the state file for this process (see StateClaim.h); a tool
// holds it only for the moment of an edit, so a busy claim is tried again
// briefly. Without it the receiver still serves, and says why.
std::unique_ptr<sim::StateClaim> ClaimStateFile(const std::wstring& stateFile) {
    for (int i = 0;; ++i) {
        auto claim = std::make_unique<sim::StateClaim>(ToU16(stateFile), "Tarvel.exe");
        if (claim->Held() || i + 1 == kClaimTries) {
            if (!claim->Held())
                ::OutputDebugStringA(
                    ("virtual receiver: state file " + claim->Reason() + "\n").c_str());
            return claim;
        }
        Sleep(kClaimRetryMs);
    }
}

WORD VirtualProductId();

class VirtualDevice {
public:
    using Clock = std::chrono::steady_clock;

    explicit VirtualDevice(const std::wstring& stateFile)
        : m_claim(ClaimStateFile(stateFile)), m_receiver(ToU16(stateFile)),
          m_controlPipe(ToWide(VirtualControlPipeName(ToU16(stateFile)))),
          m_hidUpAt(m_receiver.Open() ? Clock::time_point::min() : Clock::time_point::max()) {
        std::thread([this] { Pump(); }).detach();
        std::thread([this] { ServeControl(); }).detach();
    }

    // The product id the receiver enumerates with: the one the control pipe
    // gave it, else the environment's.
    WORD ProductId() {
        std::lock_guard lock(m_mutex);
        return m_productId != 0 ? m_productId : VirtualProductId();
    }

    // The name a real receiver's USB device interface has.
    std::wstring UsbInterfaceName() {
        wchar_t ids[40];
        swprintf(ids, 40, L"\\\\?\\USB#VID_%04X&PID_%04X", kVantorVirtualVendorId, ProductId());
        return ids + std::wstring(kUsbInterfaceTail);
    }

    // The path of one of its HID interfaces, as the system names it.
    std::wstring HidInterfacePath(const VirtualInterface& face) {
        wchar_t ids[48];
        swprintf(ids, 48, L"\\\\?\\HID#VID_%04X&PID_%04X&", kVantorVirtualVendorId, ProductId());
        return ids + std::wstring(face.collection) + kHidInterfaceTail;
    }

    // The instance id of the USB device, as the HID interfaces' parent.
    std::wstring UsbInstanceId() {
        wchar_t id[48];
        swprintf(id, 48, L"USB\\VID_%04X&PID_%04X\\TARVEL0001", kVantorVirtualVendorId,
                 ProductId());
        return id;
    }

    // False while the receiver is unplugged, and in the moments after a plug
    // before the system has set its HID interfaces up.
    bool InterfacesUp() {
        std::lock_guard lock(m_mutex);
        return HidUpLocked();
    }

    // A command handle: an event nobody waits on, which the program can close
    // like any handle; SetFeature finds its device by the handle's value.
    HANDLE OpenCommand(unsigned* generation) {
        std::lock_guard lock(m_mutex);
        if (!HidUpLocked()) {
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return nullptr;
        }
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        *generation = m_generation;
        return event;
    }

    // A notification handle: the read end of a pipe the pump writes into.
    // Once the receiver is unplugged, its write end closes, and the read
    // fails as a HID interface's does (VirtualReadHook.h).
    HANDLE OpenNotify() {
        std::lock_guard lock(m_mutex);
        if (!HidUpLocked()) {
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return nullptr;
        }
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        if (!CreatePipe(&read, &write, nullptr, kNotifyPipeBytes))
            return nullptr;
        m_pipes.push_back(std::make_shared<NotifyPipe>(write));
        ReadAsHidInterface(read);
        return read;
    }

    // False for handles opened before the receiver was last unplugged: like a
    // real device's, they stay dead after it comes back.
    bool Alive(unsigned generation) {
        std::lock_guard lock(m_mutex);
        return generation == m_generation;
    }

    sim::VirtualReceiver& Receiver() { return m_receiver; }

private:
    // With m_mutex held.
    bool HidUpLocked() { return m_receiver.Open() && Clock::now() >= m_hidUpAt; }

    void Pump() {
        platform::ReleaseUnusedStack(); // it waits for reports most of the time
        sim::Report report{};
        for (;;) {
            if (!m_receiver.ReadReport(report.data(), report.size())) {
                // Unplugged: the receiver has nothing to say until it is back.
                Sleep(20);
                continue;
            }
            std::vector<std::shared_ptr<NotifyPipe>> pipes;
            {
                std::lock_guard lock(m_mutex);
                pipes = m_pipes;
            }
            // Every open notification handle gets every report, as every
            // handle of a HID interface does.
            for (const auto& pipe : pipes) {
                DWORD written = 0;
                if (!WriteFile(pipe->write, report.data(), DWORD(report.size()), &written,
                               nullptr)) {
                    // The program closed its end.
                    std::lock_guard lock(m_mutex);
                    std::erase(m_pipes, pipe);
                }
            }
        }
    }

    // A notice of the USB device (`face` null) or of one HID interface.
    DeviceNotices::Notice NoticeOf(WPARAM event, const VirtualInterface* face,
                                   Clock::time_point due) {
        if (!face)
            return {event, kUsbDeviceInterface, UsbInterfaceName(), due};
        return {event, kHidInterface, HidInterfacePath(*face), due};
    }

    // The receiver pulled out: its handles die at once (a blocked read fails),
    // and the system's notices, the HID interfaces' first, follow after
    // `noticeDelayMs` (a busy system is seconds late with them).
    void Unplug(unsigned long noticeDelayMs) {
        const bool wasPlugged = m_receiver.Open();
        m_receiver.SetUnplugged(true);
        std::vector<std::shared_ptr<NotifyPipe>> gone;
        {
            std::lock_guard lock(m_mutex);
            ++m_generation;
            m_hidUpAt = Clock::time_point::max();
            gone.swap(m_pipes);
        }
        // Letting go of the pipes closes their write ends, so a read blocked
        // on a notification handle fails as it does when a receiver is pulled.
        gone.clear();
        if (!wasPlugged)
            return;
        const auto due = DeviceNotices::Clock::now() + std::chrono::milliseconds(noticeDelayMs);
        for (const VirtualInterface& face : Interfaces())
            DeviceNotices::OfProcess().Post(NoticeOf(DBT_DEVICEREMOVECOMPLETE, &face, due));
        DeviceNotices::OfProcess().Post(NoticeOf(DBT_DEVICEREMOVECOMPLETE, nullptr, due));
    }

    // The receiver plugged in: the USB device is announced at once, its HID
    // interfaces exist and are announced `hidDelayMs` later (a new port's
    // driver set-up can take seconds).
    void Plug(unsigned long hidDelayMs) {
        if (m_receiver.Open())
            return;
        const auto now = Clock::now();
        const auto due = now + std::chrono::milliseconds(hidDelayMs);
        {
            // The interfaces come up whether or not the windows have taken
            // the notices yet: a busy window does not hold the system back.
            std::lock_guard lock(m_mutex);
            m_hidUpAt = due;
        }
        m_receiver.SetUnplugged(false);
        DeviceNotices::OfProcess().Post(NoticeOf(DBT_DEVICEARRIVAL, nullptr, now));
        for (const VirtualInterface& face : Interfaces())
            DeviceNotices::OfProcess().Post(NoticeOf(DBT_DEVICEARRIVAL, &face, due));
    }

    // Another receiver, told apart by its product id, is only plugged in
    // where the present one was pulled out.
    std::string SetProductId(unsigned long pid) {
        if (m_receiver.Open())
            return "error unplug the receiver first";
        std::lock_guard lock(m_mutex);
        m_productId = WORD(pid);
        return "ok";
    }

    // One client after another; each may send several lines and is served
    // until it closes its end.
    void ServeControl() {
        platform::ReleaseUnusedStack(); // it waits for a client most of the time
        for (;;) {
            HANDLE pipe = CreateNamedPipeW(
                m_controlPipe.c_str(), PIPE_ACCESS_DUPLEX,
                PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                PIPE_UNLIMITED_INSTANCES, kControlBufferBytes, kControlBufferBytes, 0, nullptr);
            if (pipe == INVALID_HANDLE_VALUE) {
                Sleep(500);
                continue;
            }
            if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED)
                ServeClient(pipe);
            DisconnectNamedPipe(pipe);
            CloseHandle(pipe);
        }
    }

    void ServeClient(HANDLE pipe) {
        std::string line;
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            for (DWORD i = 0; i < got; ++i) {
                if (buffer[i] != '\n') {
                    if (line.size() < kMaxControlLine)
                        line += buffer[i];
                    continue;
                }
                const std::string reply = Execute(line) + "\n";
                line.clear();
                DWORD written = 0;
                if (!WriteFile(pipe, reply.data(), DWORD(reply.size()), &written, nullptr))
                    return;
            }
        }
    }

    std::string Execute(const std::string& line);

    std::unique_ptr<sim::StateClaim> m_claim;
    sim::VirtualReceiver m_receiver;
    const std::wstring m_controlPipe;
    std::mutex m_mutex;
    unsigned m_generation = 0;
    // When the HID interfaces exist (they never do while unplugged).
    Clock::time_point m_hidUpAt;
    WORD m_productId = 0; // 0: from the environment
    std::vector<std::shared_ptr<NotifyPipe>> m_pipes;
};

std::string VirtualDevice::Execute(const std::string& line) {
    const std::vector<std::string> words = Words(line);
    if (words.empty())
        return "error empty command";
    using Args = std::vector<unsigned long>;
    using Run = std::function<std::string(const Args&)>;
    struct Command {
        const char* name;
        const char* usage;
        Args max; // the upper bound of each argument
        Run run;
        // An option "--name N" the command may end with; its value (or the
        // default) comes after the arguments.
        const char* option = nullptr;
        unsigned long optionDefault = 0;
    };
    // Most commands answer a plain "ok".
    auto ok = [](std::function<void(const Args&)> action) -> Run {
        return [action](const Args& a) {
            action(a);
            return std::string("ok");
        };
    };
    sim::VirtualReceiver& r = m_receiver;
    const Command commands[] = {
        {"dpi", "dpi", {}, ok([&](const Args&) { r.PressDpiButton(); })},
        {"rate", "rate", {}, ok([&](const Args&) { r.PressRateButton(); })},
        {"light",
         "light <0x20|0x40|0x80> <0|1>",
         {0x80, 1},
         [&](const Args& a) {
             if (a[0] != 0x20 && a[0] != 0x40 && a[0] != 0x80)
                 return std::string("error usage: light <0x20|0x40|0x80> <0|1>");
             r.SwitchLight(uint8_t(a[0]), a[1] != 0);
             return std::string("ok");
         }},
        {"config", "config", {}, ok([&](const Args&) { r.ConfigChanged(); })},
        {"event", "event <flags>", {0xFF}, ok([&](const Args& a) { r.SendEvent(uint8_t(a[0])); })},
        {"unplug",
         "unplug [--notice-delay-ms <ms>]",
         {},
         ok([&](const Args& a) { Unplug(a[0]); }),
         "--notice-delay-ms",
         0},
        {"plug",
         "plug [--hid-delay-ms <ms>]",
         {},
         ok([&](const Args& a) { Plug(a[0]); }),
         "--hid-delay-ms",
         kHidArrivalDelayMs},
        {"asleep", "asleep <0|1>", {1}, ok([&](const Args& a) {
             r.SetDeviceState(a[0] ? sim::kAsleepState : sim::kFactoryState);
         })},
        {"pid",
         "pid <id>",
         {0xFFFF},
         [&](const Args& a) {
             if (a[0] == 0)
                 return std::string("error usage: pid <id>");
             return SetProductId(a[0]);
         }},
        {"release", "release <bcd>", {0xFFFF}, ok([&](const Args& a) {
             r.SetReleaseNumber(uint16_t(a[0]));
         })},
        {"power", "power <level>", {0xFF}, ok([&](const Args& a) {
             r.SetPowerLevel(uint8_t(a[0]));
         })},
        {"latency", "latency <ms>", {60000}, ok([&](const Args& a) {
             r.SetLatency(std::chrono::milliseconds(a[0]));
         })},
        {"drop", "drop <n>", {1000000}, ok([&](const Args& a) { r.DropNextAnswers(int(a[0])); })},
        {"result", "result <code>", {0xFF}, ok([&](const Args& a) {
             r.SetResultCode(uint8_t(a[0]));
         })},
        {"sendfail", "sendfail <0|1>", {1}, ok([&](const Args& a) { r.SetSendsFail(a[0] != 0); })},
        {"notices",
         "notices",
         {},
         [&](const Args&) { return "ok " + std::to_string(DeviceNotices::OfProcess().Pending()); }},
        {"reports",
         "reports",
         {},
         [&](const Args&) { return "ok " + std::to_string(r.ReportsReceived()); }},
        {"poke", "poke <addr> <byte>", {sim::kMemorySize - 1, 0xFF}, ok([&](const Args& a) {
             r.WriteMemory(uint16_t(a[0]), {uint8_t(a[1])});
         })},
        {"peek",
         "peek <addr> <n>",
         {sim::kMemorySize - 1, kMaxPeek},
         [&](const Args& a) {
             if (a[1] == 0 || a[0] + a[1] > sim::kMemorySize)
                 return std::string("error peek past the end of memory");
             const sim::Memory memory = r.ReadMemory();
             static const char digits[] = "0123456789abcdef";
             std::string hex = "ok ";
             for (unsigned long i = a[0]; i < a[0] + a[1]; ++i) {
                 hex += digits[memory[i] >> 4];
                 hex += digits[memory[i] & 15];
             }
             return hex;
         }},
    };
    for (const Command& command : commands) {
        if (words[0] != command.name)
            continue;
        std::vector<std::string> given(words.begin() + 1, words.end());
        unsigned long optionValue = command.optionDefault;
        bool good = true;
        if (command.option && given.size() >= 2 && given[given.size() - 2] == command.option) {
            good = ParseNumber(given.back(), kMaxNoticeDelayMs, &optionValue);
            given.resize(given.size() - 2);
        }
        Args args(command.max.size());
        good = good && given.size() == command.max.size();
        for (size_t i = 0; good && i < args.size(); ++i)
            good = ParseNumber(given[i], command.max[i], &args[i]);
        if (!good)
            return std::string("error usage: ") + command.usage;
        if (command.option)
            args.push_back(optionValue);
        return command.run(args);
    }
    return "error unknown command " + words[0];
}

struct CommandSession {
    VirtualDevice* device;
    unsigned generation;
};

class VirtualRegistry {
public:
    // Receivers are never destroyed: their threads run until the process
    // ends, so the library pins itself in memory before starting the first.
    VirtualDevice* Device(const std::wstring& stateFile) {
        const std::wstring key = ToWide(VirtualControlPipeName(ToU16(stateFile)));
        std::lock_guard lock(m_mutex);
        auto it = m_devices.find(key);
        if (it != m_devices.end())
            return it->second;
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&VirtualOpen), &self);
        return m_devices[key] = new VirtualDevice(stateFile);
    }

    void AddCommand(HANDLE handle, CommandSession session) {
        std::lock_guard lock(m_mutex);
        // Handles the program has closed since are forgotten as we go; a
        // handle value given out again belongs to its new session.
        std::erase_if(m_commands, [](const auto& entry) {
            DWORD info = 0;
            return !GetHandleInformation(entry.first, &info);
        });
        m_commands[handle] = session;
    }

    void ForgetCommand(HANDLE handle) {
        std::lock_guard lock(m_mutex);
        m_commands.erase(handle);
    }

    bool FindCommand(HANDLE handle, CommandSession* session) {
        std::lock_guard lock(m_mutex);
        auto it = m_commands.find(handle);
        if (it == m_commands.end())
            return false;
        *session = it->second;
        return true;
    }

private:
    std::mutex m_mutex;
    std::map<std::wstring, VirtualDevice*> m_devices; // by control pipe name
    std::map<HANDLE, CommandSession> m_commands;
};

VirtualRegistry& Registry() {
    static VirtualRegistry* registry = new VirtualRegistry;
    return *registry;
}

std::wstring Variable(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring value(needed, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(got < needed ? got : 0);
    return value;
}

WORD VirtualProductId() {
    std::wstring text = Variable(kVantorVirtualPidVariable);
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
        text.erase(0, 2);
    if (text.empty() || text.size() > 4)
        return kVantorVirtualProductId;
    wchar_t* end = nullptr;
    const unsigned long pid = wcstoul(text.c_str(), &end, 16);
    return *end == L'\0' ? WORD(pid) : kVantorVirtualProductId;
}

// A command handle of a live session; otherwise GetLastError is set.
VirtualDevice* LiveDevice(HANDLE handle) {
    CommandSession session{};
    if (!Registry().FindCommand(handle, &session)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!session.device->Alive(session.generation)) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return nullptr;
    }
    return session.device;
}

} // namespace

bool VirtualStateFile(std::wstring* stateFile) {
    *stateFile = Variable(kVantorVirtualReceiverVariable);
    return !stateFile->empty();
}

// The receiver's interfaces go through the same choice as a real receiver's,
// and its account into the same report.
HANDLE VirtualOpen(const std::wstring& stateFile, const OpenRequest& request) {
    VirtualDevice* device = Registry().Device(stateFile);
    std::vector<PresentInterface> present;
    std::vector<const VirtualInterface*> faces;
    if (device->InterfacesUp()) {
        for (const VirtualInterface& face : Interfaces()) {
            present.push_back(
                {{device->HidInterfacePath(face), kContainerId, device->UsbInstanceId()},
                 0,
                 face.caps});
            faces.push_back(&face);
        }
    }
    HANDLE handle = nullptr;
    const Choice choice = ChooseInterface(
        request, present, nullptr, [&](const InterfaceIdentity& itf, uint32_t) -> uint32_t {
            for (size_t i = 0; i < present.size(); ++i) {
                if (present[i].identity.path != itf.path)
                    continue;
                if (faces[i]->notify) {
                    handle = device->OpenNotify();
                } else {
                    unsigned generation = 0;
                    handle = device->OpenCommand(&generation);
                    if (handle)
                        Registry().AddCommand(handle, {device, generation});
                }
            }
            const DWORD error = handle ? 0 : GetLastError();
            return handle ? 0 : error ? error : kErrorDeviceNotConnected;
        });
    for (const std::wstring& line : choice.lines)
        ReportLine(request.debugLevel, line);
    if (choice.index < 0) {
        SetLastError(choice.error);
        return nullptr;
    }
    return handle;
}

bool IsVirtualHandle(HANDLE device) {
    CommandSession session{};
    return Registry().FindCommand(device, &session);
}

void ForgetVirtualHandle(HANDLE device) {
    Registry().ForgetCommand(device);
}

BOOL VirtualSetFeature(HANDLE handle, const BYTE* report, DWORD length) {
    if (!report || length == 0 || length > sim::kReportSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    VirtualDevice* device = LiveDevice(handle);
    if (!device)
        return FALSE;
    sim::Report padded{};
    std::copy(report, report + length, padded.begin());
    if (device->Receiver().SendFeature(padded.data(), padded.size()))
        return TRUE;
    // What the HID driver reports when the device does not take a report.
    SetLastError(device->Receiver().Open() ? ERROR_GEN_FAILURE : ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
}

BOOL VirtualGetProductString(HANDLE handle, wchar_t* text, DWORD chars) {
    if (!text || chars == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!LiveDevice(handle))
        return FALSE;
    wcsncpy(text, kProductString, chars);
    text[chars - 1] = L'\0';
    return TRUE;
}

BOOL VirtualGetVersionNumber(HANDLE handle, DWORD* version) {
    if (!version) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    VirtualDevice* device = LiveDevice(handle);
    if (!device)
        return FALSE;
    *version = device->Receiver().ReleaseNumber();
    return TRUE;
}

} // namespace vantor
