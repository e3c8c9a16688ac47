// read and apply: the configuration read and the apply, on the profile store
// in --data-dir, through the program's device link to the receiver (the
// virtual one of --virtual, else the real one). A read of a virtual receiver
// that a running program serves takes the memory through that program's
// control pipe.

#include "Commands.h"
#include "DeviceLink.h"
#include "HexText.h"
#include "ProfileJson.h"

#include "device/ReportFrame.h"
#include "device/USBDriver.h"
#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/SystemMouse.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "sim/VirtualReceiver.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "store/ProfileStore.h"
#include "sync/ApplyProfile.h"
#include "sync/DeviceRead.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// The program's start-up as far as a read or an apply needs it: settings and
// texts, the data folder, the macro library, the profiles, and, unless the
// memory comes another way, the receiver opened. Message boxes are collected.
class SyncSession {
public:
    enum class Device { Open, NotNeeded };

    SyncSession(const Options& opts, Device device) {
        if (opts.dataDir.empty())
            throw CommandError("this command needs --data-dir DIR");
        platform::SetMessageBoxSink([this](const std::u16string& t, const std::u16string& c) {
            m_messages.emplace_back(c, t);
        });
        settings::InitData(opts.exeDir);
        settings::LoadTextTable(opts.exeDir + u"text.xml");
        // Start-up creates the data folder; so does this.
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(opts.dataDir), ec);
        SetAppDataDir(opts.dataDir);
        g_ProfileList.SetOwnership(kListOwnsElements);
        g_MacroList.SetOwnership(kListOwnsElements);
        LoadMacroLibrary(&m_tree, settings::g_opt.MacroDir, true);
        InitProfiles();
        const uint32_t curId = LoadCurId();
        ProfileRecord* cur = g_ProfileList.At(0);
        g_ProfileList.ForEach([&cur, curId](ProfileRecord& r) {
            if (curId != 0 && r.dwProfileID == curId)
                cur = &r;
        });
        g_pCurProfile = cur;

        if (device == Device::Open) {
            try {
                m_link = std::make_unique<DeviceLink>(opts);
            } catch (...) {
                // No destructor runs for a session that was not made.
                platform::SetMessageBoxSink({});
                throw;
            }
            m_ctx.pDriver = &m_link->Driver();
        }
        m_ctx.pMacroTree = &m_tree;
        m_start = platform::TickCount();
    }
    ~SyncSession() {
        m_link.reset();
        platform::SetMessageBoxSink({});
    }

    DeviceLink& Link() { return *m_link; }
    CfgReadCtx& Ctx() { return m_ctx; }
    uint32_t Elapsed() const { return platform::TickCount() - m_start; }

    void WriteTail(JsonWriter& json) {
        if (m_link) {
            json.Key("reports").Number(m_link->Reports());
            const std::string failure = m_link->Failure();
            if (!failure.empty())
                json.Key("failure").String(failure);
        }
        json.Key("ms").Number(Elapsed());
        json.Key("messages").BeginArray();
        for (const auto& [caption, text] : m_messages)
            json.BeginObject().Key("caption").String(caption).Key("text").String(text).EndObject();
        json.EndArray();
    }

private:
    std::vector<std::pair<std::u16string, std::u16string>> m_messages;
    HeadlessMacroTree m_tree;
    std::unique_ptr<DeviceLink> m_link;
    CfgReadCtx m_ctx;
    uint32_t m_start = 0;
};

int CmdRead(const Options& opts, const Args& args) {
    if (!args.empty())
        throw CommandError("usage: [--virtual STATE] --data-dir DIR read");
    // Reading leaves the memory as it is: a running program that serves the
    // receiver reads it out through its control pipe.
    const bool throughPipe = !ServedBy(opts).empty();
    SyncSession session(opts,
                        throughPipe ? SyncSession::Device::NotNeeded : SyncSession::Device::Open);
    ProfileRecord profile{};
    if (!CopyProfileOut(0, profile))
        throw CommandError("no profile 0");
    bool ok = false;
    if (throughPipe) {
        ImageMemorySource memory(ReadThroughPipe(opts, 0, sim::kMemorySize));
        ok = ReadDevCfg(profile, session.Ctx(), memory) == 1;
    } else {
        ok = ReadDevCfg(profile, session.Ctx(), session.Link().Driver()) == 1;
    }
    if (ok) {
        g_nResync = 0;
        CopyProfileIn(0, profile);
        SaveProfiles();
        SaveCurId();
    }
    JsonWriter json;
    json.BeginObject().Key("ok").Bool(ok);
    if (throughPipe)
        json.Key("through").String("control pipe");
    json.Key("profile");
    WriteProfileJson(json, profile);
    session.WriteTail(json);
    json.EndObject();
    Print(json);
    return ok ? 0 : 1;
}

int CmdApply(const Options& opts, const Args& args) {
    const char* usage =
        "usage: [--virtual STATE] --data-dir DIR apply [--profile N] [--flag F] [--data D]";
    int64_t index = 0, flag = kApplyFull, data = kApplyAll;
    for (size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            throw CommandError(usage);
        const int64_t value = ParseNumber(args[i + 1]);
        if (args[i] == "--profile")
            index = value;
        else if (args[i] == "--flag")
            flag = value;
        else if (args[i] == "--data")
            data = value;
        else
            throw CommandError(usage);
    }
    if (flag < 0 || flag > 0xFFFF || data < 0 || data > 0xFF)
        throw CommandError("--flag is 0..0xFFFF, --data 0..0xFF");
    SyncSession session(opts, SyncSession::Device::Open);
    ProfileRecord profile{};
    if (index < 0 || index >= kProfileCount || !CopyProfileOut(int(index), profile))
        throw CommandError("no profile " + std::to_string(index));
    // The pointer settings stay in this process; tarvelctl never changes the system's.
    platform::MemorySystemMouse mouse;
    const bool ok = ApplyProfile(nullptr, &session.Link().Driver(), &profile, WM_PROGRESS_SETPOS,
                                 uint32_t(flag), uint32_t(data), &mouse) == 1;
    SaveProfiles();
    SaveCurId();

    JsonWriter json;
    json.BeginObject().Key("ok").Bool(ok).Key("writes").BeginArray();
    for (const device::Report& r : session.Link().Sent()) {
        if (r[1] != CMD_WRITE_EEPROM)
            continue;
        const size_t length = std::min<size_t>(r[5], device::kMaxData);
        json.BeginObject()
            .Key("addr")
            .Number(r[3] << 8 | r[4])
            .Key("data")
            .String(Hex(r.data() + 6, length))
            .EndObject();
    }
    json.EndArray();
    session.WriteTail(json);
    json.EndObject();
    Print(json);
    return ok ? 0 : 1;
}

const CommandRegistration kRead("read", CmdRead, "[--virtual STATE] --data-dir DIR read");
const CommandRegistration kApply("apply", CmdApply,
                                 "[--virtual STATE] --data-dir DIR apply [--profile N] [--flag F] "
                                 "[--data D]");

} // namespace
