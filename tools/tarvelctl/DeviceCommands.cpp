// frame, decode, mem and mouse: the report format and device memory from the
// command line. mem goes through a real CUSBDriver against the virtual
// receiver kept in the --virtual state file; mouse acts on that receiver the
// way the user does on the mouse.

#include "Commands.h"

#include "HexText.h"
#include "VirtualControl.h"

#include "device/DeviceEvents.h"
#include "device/ReportFrame.h"
#include "device/USBDriver.h"
#include "model/InitData.h"
#include "model/MemoryMap.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sim/StateClaim.h"
#include "sim/VirtualHidLibrary.h"
#include "sim/VirtualReceiver.h"
#include "sync/OpenReceiver.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace {

std::vector<uint8_t> ParseSized(const std::string& hex, size_t size, const char* what) {
    std::vector<uint8_t> bytes = ParseHex(hex);
    if (bytes.size() != size)
        throw CommandError(std::string(what) + " must be " + std::to_string(size) + " bytes");
    return bytes;
}

void WriteMessages(JsonWriter& json, const std::vector<device::DeviceMessage>& messages) {
    json.Key("messages").BeginArray();
    for (const device::DeviceMessage& m : messages) {
        const int64_t pair[2] = {m.wParam, m.lParam};
        json.NumberArray(pair, 2);
    }
    json.EndArray();
}

int CmdFrame(const Options&, const Args& args) {
    if (args.size() != 1)
        throw CommandError("usage: frame HEX (16-byte command record)");
    const std::vector<uint8_t> bytes = ParseSized(args[0], device::kRecordSize, "the record");
    device::CommandRecord record{};
    std::copy(bytes.begin(), bytes.end(), record.begin());
    const device::Report report = device::FrameCommand(record);
    JsonWriter json;
    json.BeginObject().Key("report").String(Hex(report.data(), report.size())).EndObject();
    Print(json);
    return 0;
}

int CmdDecode(const Options&, const Args& args) {
    if (args.size() != 1)
        throw CommandError("usage: decode HEX (17-byte report)");
    const std::vector<uint8_t> report = ParseSized(args[0], device::kReportSize, "the report");
    const bool event = device::ClassifyReport(report.data()) == device::ReportKind::Event;
    JsonWriter json;
    json.BeginObject()
        .Key("kind")
        .String(event ? "event" : "answer")
        .Key("command")
        .Number(report[1])
        .Key("result")
        .Number(report[2]);
    WriteMessages(json, event ? device::DecodeEvent(report.data())
                              : std::vector<device::DeviceMessage>{});
    json.EndObject();
    Print(json);
    return 0;
}

// A driver with the product's settings, opened on the virtual receiver.
class VirtualLink {
public:
    explicit VirtualLink(const Options& opts) : m_receiver(OpenLocalReceiver(opts)) {
        // Start-up's message boxes have no one to show them to here.
        platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
        const bool settingsOk = settings::InitData(opts.exeDir);
        platform::SetMessageBoxSink({});
        if (!settingsOk)
            throw CommandError("the settings in --exe-dir are not usable");
        m_driver =
            std::make_unique<CUSBDriver>(std::make_unique<sim::VirtualHidLibrary>(m_receiver));
        if (!m_driver->InitDriver() || !OpenReceiver(*m_driver))
            throw CommandError("no receiver found");
        m_receiver->ResetCounters();
    }
    CUSBDriver& Driver() { return *m_driver; }
    int Reports() const { return m_receiver->ReportsReceived(); }

private:
    std::shared_ptr<sim::VirtualReceiver> m_receiver;
    std::unique_ptr<CUSBDriver> m_driver;
};

void CheckRange(int64_t address, int64_t length) {
    if (address < 0 || length < 1 || address + length > int64_t(sim::kMemorySize))
        throw CommandError("address range outside device memory");
}

int CmdMem(const Options& opts, const Args& args) {
    const char* usage = "usage: mem read ADDR LEN | mem write ADDR HEX";
    if (args.size() != 3)
        throw CommandError(usage);
    const int64_t address = ParseNumber(args[1]);
    if (args[0] == "read") {
        const int64_t length = ParseNumber(args[2]);
        CheckRange(address, length);
        VirtualLink link(opts);
        std::vector<uint8_t> data(size_t(length), 0);
        if (!link.Driver().ReadROM(nullptr, data.data(), uint32_t(address), int(length)))
            throw CommandError("read failed");
        JsonWriter json;
        json.BeginObject()
            .Key("data")
            .String(Hex(data.data(), data.size()))
            .Key("reports")
            .Number(link.Reports())
            .EndObject();
        Print(json);
        return 0;
    }
    if (args[0] == "write") {
        const std::vector<uint8_t> data = ParseHex(args[2]);
        CheckRange(address, int64_t(data.size()));
        VirtualLink link(opts);
        const bool ok =
            link.Driver().WriteEEPROM(int(data.size()), uint32_t(address), data.data(), 10);
        JsonWriter json;
        json.BeginObject().Key("ok").Bool(ok).Key("reports").Number(link.Reports()).EndObject();
        Print(json);
        return ok ? 0 : 1;
    }
    throw CommandError(usage);
}

// The control-pipe line for a mouse action ("light 0x20 on" -> "light 0x20 1").
std::string ControlCommand(const Args& args) {
    std::string line = args[0];
    for (size_t i = 1; i < args.size(); ++i)
        line += " " + (args[i] == "on"    ? std::string("1")
                       : args[i] == "off" ? std::string("0")
                                          : args[i]);
    if (args[0] == "light" && args.size() == 2)
        line += " 0";
    return line;
}

// The mouse's actions: each leaves one event report on the notification side,
// which is taken back here and shown with the messages it becomes.
int CmdMouse(const Options& opts, const Args& args) {
    const char* usage = "usage: mouse dpi | rate | light FLAG [on|off] | config | unplug | plug";
    if (args.empty())
        throw CommandError(usage);
    const std::string& action = args[0];
    JsonWriter json;
    json.BeginObject().Key("action").String(action);
    // A running program that serves this state file takes the action itself,
    // so its window sees the event.
    std::string reply;
    if (!opts.virtualState.empty() &&
        SendVirtualControl(opts.virtualState, ControlCommand(args), &reply)) {
        json.Key("running").Bool(true).Key("reply").String(reply).EndObject();
        Print(json);
        return 0;
    }
    std::shared_ptr<sim::VirtualReceiver> receiver = OpenLocalReceiver(opts);
    if (action == "unplug" || action == "plug") {
        if (args.size() != 1)
            throw CommandError(usage);
        receiver->SetUnplugged(action == "unplug");
        json.Key("plugged").Bool(receiver->Open()).EndObject();
        Print(json);
        return 0;
    }
    if (!receiver->Open())
        throw CommandError("the receiver is unplugged");
    receiver->SetLatency(std::chrono::milliseconds(0));
    if (action == "dpi" && args.size() == 1) {
        receiver->PressDpiButton();
    } else if (action == "rate" && args.size() == 1) {
        receiver->PressRateButton();
    } else if (action == "config" && args.size() == 1) {
        receiver->ConfigChanged();
    } else if (action == "light" && (args.size() == 2 || args.size() == 3)) {
        const int64_t flag = ParseNumber(args[1]);
        if (flag != 0x20 && flag != 0x40 && flag != 0x80)
            throw CommandError("FLAG is 0x20 (DPI light), 0x40 (logo) or 0x80 (main)");
        bool on = false;
        if (args.size() == 3) {
            if (args[2] != "on" && args[2] != "off")
                throw CommandError(usage);
            on = args[2] == "on";
        }
        receiver->SwitchLight(uint8_t(flag), on);
    } else {
        throw CommandError(usage);
    }
    sim::Report event{};
    if (!receiver->ReadReport(event.data(), event.size()))
        throw CommandError("no event report");
    const sim::Memory memory = receiver->ReadMemory();
    json.Key("event").String(Hex(event.data(), event.size()));
    WriteMessages(json, device::DecodeEvent(event.data()));
    json.Key("dpiLevel")
        .Number(memory[memmap::kAddrCurDpiLevel])
        .Key("rateCode")
        .Number(memory[memmap::kAddrReportRate]);
    json.EndObject();
    Print(json);
    return 0;
}

} // namespace

namespace {
// The claim on the state file lives as long as the receiver does.
struct ClaimedReceiver {
    explicit ClaimedReceiver(const std::u16string& stateFile) : claim(stateFile, "tarvelctl") {}
    sim::StateClaim claim;
    std::optional<sim::VirtualReceiver> receiver;
};
} // namespace

// A running program keeps the receiver's memory and writes all of it back on
// every change, so an edit made here behind its back would be lost or would
// undo the program's own writes; the receiver is only taken when no program
// serves its state file.
std::shared_ptr<sim::VirtualReceiver> OpenLocalReceiver(const Options& opts) {
    if (opts.virtualState.empty())
        throw CommandError("this command needs --virtual STATE");
    auto claimed = std::make_shared<ClaimedReceiver>(opts.virtualState);
    if (!claimed->claim.Held())
        throw CommandError("the virtual receiver in " + text::ToUtf8(opts.virtualState) +
                           " is in use: " + claimed->claim.Reason() +
                           "; its control pipe cannot be reached from here, and the state file "
                           "is left as it is. Run the command where that program runs, or end "
                           "the program first.");
    claimed->receiver.emplace(opts.virtualState);
    return std::shared_ptr<sim::VirtualReceiver>(claimed, &*claimed->receiver);
}

namespace {

const CommandRegistration kFrame("frame", CmdFrame, "frame HEX");
const CommandRegistration kDecode("decode", CmdDecode, "decode HEX");
const CommandRegistration kMem("mem", CmdMem,
                               "--virtual STATE mem (read ADDR LEN | write ADDR HEX)");
const CommandRegistration kMouse("mouse", CmdMouse,
                                 "--virtual STATE mouse (dpi | rate | light FLAG [on|off] | "
                                 "config | unplug | plug)");

} // namespace
