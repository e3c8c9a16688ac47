#include "DeviceLink.h"

#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "sim/VirtualHidLibrary.h"
#include "sim/VirtualReceiver.h"
#include "sync/OpenReceiver.h"

#include <cstdio>

namespace {

const char* CommandName(uint8_t command) {
    switch (command) {
    case CMD_DRV_STATUS:
        return "driver status";
    case CMD_GET_STATE:
        return "device state";
    case CMD_GET_POWER:
        return "battery level";
    case CMD_WRITE_EEPROM:
        return "memory write";
    case CMD_READ_EEPROM:
        return "memory read";
    case CMD_RESTORE:
        return "restore";
    default:
        return "command";
    }
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", unsigned(value));
    return text;
}

} // namespace

void LoadProduct(const Options& opts) {
    // Start-up's message boxes have no one to show them to here.
    platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
    const bool ok = settings::InitData(opts.exeDir);
    platform::SetMessageBoxSink({});
    if (!ok)
        throw CommandError("the settings in --exe-dir are not usable");
    settings::LoadTextTable(opts.exeDir + u"text.xml");
}

std::string DescribeFailure(const CUSBDriver::FailedExchange& f, int tries) {
    char what[96];
    if (f.command == CMD_READ_EEPROM || f.command == CMD_WRITE_EEPROM)
        std::snprintf(what, sizeof what, "%s of %u bytes at 0x%04x (command %u)",
                      CommandName(f.command), unsigned(f.length), unsigned(f.address),
                      unsigned(f.command));
    else
        std::snprintf(what, sizeof what, "%s (command %u)", CommandName(f.command),
                      unsigned(f.command));
    if (f.skipped)
        return std::string(what) + ": not sent, the receiver had stopped answering";
    if (!f.sent) {
        std::string text =
            std::string(what) + ": the report could not be sent, error " + Hex(f.error);
        if (f.error == kHidErrorTimeout)
            text += " (the receiver did not take it within a second)";
        else if (f.error == kHidErrorDeviceNotConnected)
            text += " (the receiver is gone)";
        return text;
    }
    if (f.answered)
        return std::string(what) + ": answered with result code " + Hex(f.result) +
               (tries > 1 ? " on every one of " + std::to_string(tries) + " tries" : "");
    return std::string(what) + ": no answer within a second" +
           (tries > 1 ? " on any of " + std::to_string(tries) + " tries" : "") +
           "; the receiver stopped answering";
}

DeviceLink::DeviceLink(const Options& opts) {
    std::unique_ptr<HidLibrary> inner;
    if (!opts.virtualState.empty()) {
        m_receiver = OpenLocalReceiver(opts);
        inner = std::make_unique<sim::VirtualHidLibrary>(m_receiver);
    } else {
        RefuseBesideTheProgram(opts);
        inner = MakeRealLibrary(opts);
    }
    auto library = std::make_unique<RecordingLibrary>(std::move(inner));
    m_library = library.get();
    m_driver = std::make_unique<CUSBDriver>(std::move(library));
    // A command must end: once the receiver has let one exchange go without
    // any answer, the rest fail at once.
    m_driver->SetGiveUpWhenSilent(true);
    if (!m_driver->InitDriver())
        throw NoReceiverError(LibraryLoadFailure(), {});
    if (!OpenReceiver(*m_driver))
        throw NoReceiverError(m_receiver ? "no receiver found: the virtual receiver in " +
                                               text::ToUtf8(opts.virtualState) +
                                               " is unplugged; `mouse plug` plugs it in again"
                                         : "no receiver found; " + NoReceiverHint(),
                              m_driver->SearchAccount());
    if (!m_receiver)
        RefuseIfHeld(m_library->Inner());
    m_library->Forget();
}

DeviceLink::~DeviceLink() {
    m_driver.reset();
}

std::string DeviceLink::Failure() const {
    const std::optional<CUSBDriver::FailedExchange> failure = m_driver->FirstFailure();
    return failure ? DescribeFailure(*failure, m_driver->Retry()) : std::string();
}
