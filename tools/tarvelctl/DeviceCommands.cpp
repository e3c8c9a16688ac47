// frame, decode, mem and mouse: the report format and device memory from the
// command line. mem goes through the program's device link to the receiver
// (DeviceLink: the virtual one of --virtual, else the real one); mouse acts on
// the virtual receiver the way the user does on the mouse, or, on the real
// one, waits for the user to do it and shows what the mouse reported.

#include "Commands.h"

#include "DeviceLink.h"
#include "HexText.h"
#include "VirtualControl.h"

#include "device/DeviceEvents.h"
#include "device/ReportFrame.h"
#include "model/MemoryMap.h"
#include "platform/Platform.h"
#include "sim/VirtualReceiver.h"

#include <chrono>
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
        LoadProduct(opts);
        JsonWriter json;
        // Reading leaves the memory as it is: a running program that serves
        // the receiver reads it out through its control pipe.
        if (!ServedBy(opts).empty()) {
            const std::vector<uint8_t> data =
                ReadThroughPipe(opts, uint32_t(address), size_t(length));
            json.BeginObject()
                .Key("data")
                .String(Hex(data.data(), data.size()))
                .Key("through")
                .String("control pipe")
                .EndObject();
            Print(json);
            return 0;
        }
        DeviceLink link(opts);
        std::vector<uint8_t> data(size_t(length), 0);
        if (!link.Driver().ReadROM(nullptr, data.data(), uint32_t(address), int(length)))
            throw CommandError("read failed: " + link.Failure());
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
        LoadProduct(opts);
        DeviceLink link(opts);
        const bool ok =
            link.Driver().WriteEEPROM(int(data.size()), uint32_t(address), data.data(), 10);
        JsonWriter json;
        json.BeginObject().Key("ok").Bool(ok).Key("reports").Number(link.Reports());
        if (!ok)
            json.Key("failure").String(link.Failure());
        json.EndObject();
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

const char kMouseUsage[] =
    "usage: mouse dpi | rate | light FLAG [on|off] | config | unplug | plug [--wait SECONDS]";

// One of the mouse's actions, as asked for on the command line.
struct MouseAction {
    std::string name;
    uint8_t flag = 0; // the event flag it raises; 0 for unplug and plug
    int lightOn = -1; // light: the state asked for, -1 when not said
    int waitSeconds = 30;
};

MouseAction ParseMouseAction(Args args) {
    MouseAction a;
    if (args.size() >= 2 && args[args.size() - 2] == "--wait") {
        a.waitSeconds = int(ParseNumber(args.back()));
        if (a.waitSeconds < 1 || a.waitSeconds > 3600)
            throw CommandError("--wait takes 1 to 3600 seconds");
        args.resize(args.size() - 2);
    }
    if (args.empty())
        throw CommandError(kMouseUsage);
    a.name = args[0];
    if (a.name == "dpi" || a.name == "rate" || a.name == "config" || a.name == "unplug" ||
        a.name == "plug") {
        if (args.size() != 1)
            throw CommandError(kMouseUsage);
        a.flag = a.name == "dpi" ? 0x01 : a.name == "rate" ? 0x02 : a.name == "config" ? 0x04 : 0;
        return a;
    }
    if (a.name != "light" || args.size() < 2 || args.size() > 3)
        throw CommandError(kMouseUsage);
    const int64_t flag = ParseNumber(args[1]);
    if (flag != 0x20 && flag != 0x40 && flag != 0x80)
        throw CommandError("FLAG is 0x20 (DPI light), 0x40 (logo) or 0x80 (main)");
    a.flag = uint8_t(flag);
    if (args.size() == 3) {
        if (args[2] != "on" && args[2] != "off")
            throw CommandError(kMouseUsage);
        a.lightOn = args[2] == "on" ? 1 : 0;
    }
    return a;
}

void WriteEvent(JsonWriter& json, const uint8_t* event, int dpiLevel, int rateCode) {
    json.Key("event").String(Hex(event, device::kReportSize));
    WriteMessages(json, device::DecodeEvent(event));
    json.Key("dpiLevel").Number(dpiLevel).Key("rateCode").Number(rateCode);
}

// The virtual receiver does what the user would do on the mouse. Its event
// report is taken back from the notification side and shown with the
// messages it becomes.
void MouseOnVirtual(const Options& opts, const MouseAction& a, const Args& args, JsonWriter& json) {
    // A running program that serves this state file takes the action itself,
    // so its window sees the event.
    std::string reply;
    if (SendVirtualControl(opts.virtualState, ControlCommand(args), &reply)) {
        json.Key("running").Bool(true).Key("reply").String(reply);
        return;
    }
    std::shared_ptr<sim::VirtualReceiver> receiver = OpenLocalReceiver(opts);
    if (a.flag == 0) {
        receiver->SetUnplugged(a.name == "unplug");
        json.Key("plugged").Bool(receiver->Open());
        return;
    }
    if (!receiver->Open())
        throw CommandError("the receiver is unplugged");
    receiver->SetLatency(std::chrono::milliseconds(0));
    if (a.name == "dpi")
        receiver->PressDpiButton();
    else if (a.name == "rate")
        receiver->PressRateButton();
    else if (a.name == "config")
        receiver->ConfigChanged();
    else
        receiver->SwitchLight(a.flag, a.lightOn == 1);
    sim::Report event{};
    if (!receiver->ReadReport(event.data(), event.size()))
        throw CommandError("no event report");
    const sim::Memory memory = receiver->ReadMemory();
    WriteEvent(json, event.data(), memory[memmap::kAddrCurDpiLevel],
               memory[memmap::kAddrReportRate]);
}

void Ask(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::fflush(stderr);
}

// On the real receiver the user does it: the tool waits, bounded, for the
// event report the mouse sends (or for the receiver to go or come) and shows
// it as the virtual receiver's is shown.
void MouseOnReal(const Options& opts, const MouseAction& a, JsonWriter& json) {
    LoadProduct(opts);
    const auto wait = std::chrono::seconds(a.waitSeconds);
    const std::string within = " within " + std::to_string(a.waitSeconds) + " s";
    if (a.name == "plug") {
        Ask("Plug the receiver in.");
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            try {
                DeviceLink link(opts);
                break;
            } catch (const NoReceiverError& e) {
                if (std::chrono::steady_clock::now() >= deadline)
                    throw NoReceiverError(
                        "no receiver was plugged in" + within + "; " + NoReceiverHint(), e.search);
                platform::SleepMs(500);
            }
        }
        json.Key("plugged").Bool(true);
        return;
    }
    std::unique_ptr<DeviceLink> link;
    try {
        link = std::make_unique<DeviceLink>(opts);
    } catch (const NoReceiverError&) {
        if (a.name != "unplug")
            throw;
        json.Key("plugged").Bool(false); // nothing to pull out
        return;
    }
    if (a.name == "unplug") {
        Ask("Pull the receiver out.");
        bool gone = false;
        link->Library().WaitRead([](const device::Report&) { return false; }, wait, &gone);
        if (!gone)
            throw CommandError("the receiver was not pulled out" + within);
        json.Key("plugged").Bool(false);
        return;
    }
    const char* asked = a.name == "dpi"      ? "Press the DPI button on the mouse."
                        : a.name == "rate"   ? "Press the report-rate button on the mouse."
                        : a.name == "config" ? "Change the configuration on the mouse."
                                             : "Switch the light on the mouse.";
    Ask(asked);
    const std::optional<device::Report> event = link->Library().WaitRead(
        [&a](const device::Report& r) {
            if (device::ClassifyReport(r.data()) != device::ReportKind::Event || !(r[6] & a.flag))
                return false;
            return a.lightOn < 0 || ((r[8] & a.flag) != 0) == (a.lightOn == 1);
        },
        wait, nullptr);
    if (!event)
        throw CommandError("the mouse reported no such event" + within + " (\"" + asked +
                           "\"); is it awake and in range?");
    WriteEvent(json, event->data(), (*event)[7], (*event)[8] & 0x0F);
}

int CmdMouse(const Options& opts, const Args& args) {
    const MouseAction action = ParseMouseAction(args);
    JsonWriter json;
    json.BeginObject().Key("action").String(action.name);
    if (!opts.virtualState.empty())
        MouseOnVirtual(opts, action, args, json);
    else
        MouseOnReal(opts, action, json);
    json.EndObject();
    Print(json);
    return 0;
}

} // namespace

namespace {

const CommandRegistration kFrame("frame", CmdFrame, "frame HEX");
const CommandRegistration kDecode("decode", CmdDecode, "decode HEX");
const CommandRegistration kMem("mem", CmdMem,
                               "[--virtual STATE] mem (read ADDR LEN | write ADDR HEX)");
const CommandRegistration kMouse("mouse", CmdMouse,
                                 "[--virtual STATE] mouse (dpi | rate | light FLAG [on|off] | "
                                 "config | unplug | plug) [--wait SECONDS]");

} // namespace
