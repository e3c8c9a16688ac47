// profile, profiles, key and macro: the profile record, the profile store, the
// key codes and the macro file as tarvelctl shows them.

#include "Commands.h"
#include "HexText.h"
#include "LibraryCommands.h"
#include "ProfileJson.h"

#include "model/InitData.h"
#include "model/KeyCodes.h"
#include "model/MacroEncoding.h"
#include "model/MemoryMap.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/TextTable.h"
#include "store/AppDataDir.h"
#include "store/MacroFile.h"
#include "store/MacroList.h"
#include "store/ProfileStore.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// A profile export file: the profile record, then ten stored macros.
constexpr size_t kExportFileBytes = sizeof(ProfileRecord) + 10 * sizeof(StMacro);
static_assert(kExportFileBytes == 11332);

// "--name value" options after the positional arguments.
class OptionArgs {
public:
    OptionArgs(const Args& args, size_t first, std::vector<std::string> names) {
        for (size_t i = first; i < args.size(); i += 2) {
            bool known = false;
            for (const std::string& n : names)
                known = known || args[i] == n;
            if (!known || i + 1 >= args.size())
                throw CommandError("unexpected argument " + args[i]);
            m_values.emplace_back(args[i], args[i + 1]);
        }
    }
    const std::string* Get(const std::string& name) const {
        for (const auto& [n, v] : m_values)
            if (n == name)
                return &v;
        return nullptr;
    }

private:
    std::vector<std::pair<std::string, std::string>> m_values;
};

std::string ReadFile(const std::string& path) {
    auto bytes = platform::ReadWholeFile(text::FromUtf8(path));
    if (!bytes)
        throw CommandError("cannot read " + path);
    return *bytes;
}

void LoadTexts(const Options& opts) {
    settings::LoadTextTable(opts.exeDir + u"text.xml");
}

StMacro ReadMacro(const std::string& path) {
    StMacro m;
    if (!DecodeMacroFile(ReadFile(path), m))
        throw CommandError("not a macro file: " + path);
    return m;
}

int CmdProfileShow(const Options& opts, const Args& args) {
    if (args.size() < 2 || args[0] != "show")
        throw CommandError("usage: profile show FILE [--slot N]");
    const OptionArgs options(args, 2, {"--slot"});
    const std::string bytes = ReadFile(args[1]);
    int64_t slot = 0;
    if (const std::string* s = options.Get("--slot"))
        slot = ParseNumber(*s);
    size_t offset = 0;
    if (bytes.size() == kProfileStoreBytes) {
        if (slot < 0 || slot >= kProfileCount)
            throw CommandError("--slot must be 0..4");
        offset = size_t(slot) * sizeof(ProfileRecord);
    } else if (slot != 0) {
        throw CommandError("--slot applies to a profile store (pro.dct) only");
    } else if (bytes.size() < sizeof(ProfileRecord)) {
        throw CommandError("too short for a profile record: " + std::to_string(bytes.size()) +
                           " bytes");
    }
    ProfileRecord r;
    std::memcpy(&r, bytes.data() + offset, sizeof r);
    LoadTexts(opts);
    JsonWriter json;
    WriteProfileJson(json, r);
    Print(json);
    return 0;
}

int CmdProfiles(const Options& opts, const Args& args) {
    if (args.empty() || args[0] != "init" || args.size() > 2 ||
        (args.size() == 2 && args[1] != "--save"))
        throw CommandError("usage: --data-dir DIR profiles init [--save]");
    if (opts.dataDir.empty())
        throw CommandError("profiles init needs --data-dir");
    std::vector<std::pair<std::u16string, std::u16string>> messages;
    platform::SetMessageBoxSink([&messages](const std::u16string& t, const std::u16string& c) {
        messages.emplace_back(c, t);
    });
    settings::InitData(opts.exeDir);
    LoadTexts(opts);
    SetAppDataDir(opts.dataDir);
    g_ProfileList.SetOwnership(kListOwnsElements);
    g_MacroList.SetOwnership(kListOwnsElements);
    InitProfiles();
    if (args.size() == 2) {
        g_pCurProfile = g_ProfileList.At(0);
        SaveProfiles();
        SaveCurId();
    }
    platform::SetMessageBoxSink({});

    JsonWriter json;
    json.BeginObject().Key("profiles").BeginArray();
    g_ProfileList.ForEach([&json](const ProfileRecord& r) {
        json.BeginObject()
            .Key("szName")
            .String(text::FromField(r.szName, kProfileNameChars))
            .Key("dwProfileID")
            .Number(r.dwProfileID)
            .EndObject();
    });
    json.EndArray().Key("curId").Number(LoadCurId());
    json.Key("messages").BeginArray();
    for (const auto& [caption, text] : messages)
        json.BeginObject().Key("caption").String(caption).Key("text").String(text).EndObject();
    json.EndArray().EndObject();
    Print(json);
    return 0;
}

int CmdKey(const Options& opts, const Args& args) {
    if (args.size() < 2 || (args[0] != "encode" && args[0] != "decode"))
        throw CommandError("usage: key encode FUNID [--param P] [--combo C] [--macro-file F] | "
                           "key decode CODE [--combo HEX] [--index N]");
    LoadTexts(opts);
    g_MacroList.SetOwnership(kListOwnsElements);
    JsonWriter json;
    if (args[0] == "encode") {
        const OptionArgs options(args, 2, {"--param", "--combo", "--macro-file"});
        KeyInfo k{};
        k.dwFunID = uint32_t(ParseNumber(args[1]));
        if (const std::string* p = options.Get("--param"))
            k.dwParameter = uint32_t(ParseNumber(*p));
        if (const std::string* c = options.Get("--combo"))
            k.stCombo = uint32_t(ParseNumber(*c));
        if (const std::string* f = options.Get("--macro-file")) {
            const StMacro* m = AppendMacro(ReadMacro(*f));
            if (!m)
                throw CommandError("cannot add the macro");
            k.dwMacroID = m->dwID;
        }
        uint8_t combo[kComboDataMax + 1];
        size_t n = ComboToDevice(k, combo);
        if (n > 0) {
            combo[n] = memmap::BlockCheck(combo, n);
            ++n;
        }
        json.BeginObject().Key("code").Number(keyinfo_to_hardware_code(k));
        json.Key("combo").String(Hex(combo, n)).Key("text").String(KeyInfoText(k)).EndObject();
    } else {
        const OptionArgs options(args, 2, {"--combo", "--index"});
        const uint32_t code = uint32_t(ParseNumber(args[1]));
        std::vector<uint8_t> combo;
        if (const std::string* c = options.Get("--combo"))
            combo = ParseHex(*c);
        KeyInfo k{};
        k.nMatrixIndex = 1;
        if (const std::string* i = options.Get("--index"))
            k.nMatrixIndex = int32_t(ParseNumber(*i));
        if (!HardwareCode_To_KeyInfo(code, combo.data(), combo.size(), k))
            throw CommandError("not a key code the program decodes");
        WriteKeyInfoJson(json, k);
    }
    Print(json);
    return 0;
}

int CmdMacro(const Options& opts, const Args& args) {
    if (!args.empty() && (args[0] == "import" || args[0] == "export"))
        return CmdMacroFile(opts, args);
    if (args.size() != 2 || (args[0] != "show" && args[0] != "block"))
        throw CommandError("usage: macro (show | block) FILE.mck");
    const StMacro m = ReadMacro(args[1]);
    JsonWriter json;
    if (args[0] == "show") {
        json.BeginObject()
            .Key("dwID")
            .Number(m.dwID)
            .Key("dwFlags")
            .Number(m.dwFlags)
            .Key("bAutoDelay")
            .Number(m.bAutoDelay)
            .Key("nRepeatMode")
            .Number(m.nRepeatMode)
            .Key("szName")
            .String(MacroName(m))
            .Key("wRepeatCount")
            .Number(m.wRepeatCount);
        json.Key("Steps").BeginArray();
        for (const MacroStep& s : m.Steps) {
            if (IsEndStep(s))
                break;
            json.BeginArray().Number(s.wVk).Number(s.wPress).Number(s.dwDelay).EndArray();
        }
        json.EndArray().EndObject();
    } else {
        uint8_t events[memmap::kMacroBlockBytes];
        const size_t n = StMacro_To_HdMacro(&m, events);
        uint8_t block[memmap::kMacroBlockBytes];
        const size_t length = memmap::BuildMacroBlock(MacroName(m), events, n, block);
        json.BeginObject().Key("block").String(Hex(block, length)).EndObject();
    }
    Print(json);
    return 0;
}

const CommandRegistration kProfile("profile", CmdProfileShow, "profile show FILE [--slot N]");
const CommandRegistration kProfiles("profiles", CmdProfiles,
                                    "--data-dir DIR profiles init [--save]");
const CommandRegistration kKey("key", CmdKey,
                               "key encode FUNID [--param P] [--combo C] [--macro-file F.mck] | "
                               "key decode CODE [--combo HEX] [--index N]");
const CommandRegistration
    kMacro("macro", CmdMacro,
           "macro (show | block) FILE.mck | --data-dir DIR macro import FILE.mck | "
           "--data-dir DIR macro export NAME FILE.mck");

} // namespace

void WriteKeyInfoJson(JsonWriter& json, const KeyInfo& k) {
    const int32_t hot[4] = {k.rcHot.left, k.rcHot.top, k.rcHot.right, k.rcHot.bottom};
    json.BeginObject().Key("dwFunID").Number(k.dwFunID);
    json.Key("rcHot").NumberArray(hot, 4);
    json.Key("nMatrixIndex").Number(k.nMatrixIndex).Key("dwMacroID").Number(k.dwMacroID);
    json.Key("stCombo").Number(k.stCombo).Key("dwParameter").Number(k.dwParameter);
    json.Key("text").String(KeyInfoText(k)).EndObject();
}

void WriteProfileJson(JsonWriter& json, const ProfileRecord& r) {
    auto light = [&json](const char* name, const LightRecord& l) {
        json.Key(name).BeginObject().Key("nMode").Number(l.nMode).Key("nSpeed").Number(l.nSpeed);
        json.Key("nBright").Number(l.nBright).Key("crColor").Number(l.crColor).EndObject();
    };
    json.BeginObject().Key("dwMagicNumber").Number(r.dwMagicNumber);
    json.Key("dwProfileID").Number(r.dwProfileID);
    json.Key("szName").String(text::FromField(r.szName, kProfileNameChars));
    json.Key("nCurMode").Number(r.nCurMode);
    json.Key("Key").BeginArray();
    for (const auto& mode : r.Key) {
        json.BeginArray();
        for (const KeyInfo& k : mode)
            WriteKeyInfoJson(json, k);
        json.EndArray();
    }
    json.EndArray();
    const uint32_t rates[kKeyModes] = {r.dwReportRate[0], r.dwReportRate[1], r.dwReportRate[2]};
    json.Key("dwReportRate").NumberArray(rates, kKeyModes);
    json.Key("nWheelLines").Number(r.nWheelLines).Key("nDblClickTime").Number(r.nDblClickTime);
    json.Key("nPointerSpeed").Number(r.nPointerSpeed);
    json.Key("bEnhancePrecision").Number(r.bEnhancePrecision);
    json.Key("nMouseTrails").Number(r.nMouseTrails).Key("bXYSeparate").Number(r.bXYSeparate);
    json.Key("DpiLevel").BeginArray();
    for (const DpiLevelRecord& l : r.DpiLevel) {
        json.BeginObject().Key("nDpiX").Number(l.nDpiX).Key("nDpiY").Number(l.nDpiY);
        json.Key("crColor").Number(l.crColor).Key("bDisabled").Number(l.bDisabled).EndObject();
    }
    json.EndArray();
    light("MainLight", r.MainLight);
    light("LogoLight", r.LogoLight);
    json.Key("DpiLight").BeginObject().Key("nMode").Number(r.DpiLight.nMode);
    json.Key("nSpeed").Number(r.DpiLight.nSpeed).Key("nBright").Number(r.DpiLight.nBright);
    json.EndObject();
    json.Key("nSensor").Number(r.nSensor).Key("nLOD").Number(r.nLOD).EndObject();
}
