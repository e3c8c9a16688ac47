// settings, texts and dpi: what start-up reads, as tarvelctl shows it.

#include "Commands.h"

#include "model/InitData.h"
#include "model/SensorCatalogue.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"

#include <cstring>

namespace {

using settings::OptKind;

// Records every message box instead of showing it.
class MessageLog {
public:
    MessageLog() {
        platform::SetMessageBoxSink([this](const std::u16string& t, const std::u16string& c) {
            m_messages.emplace_back(c, t);
        });
    }
    ~MessageLog() { platform::SetMessageBoxSink({}); }
    void Write(JsonWriter& json) const {
        json.Key("messages").BeginArray();
        for (const auto& [caption, text] : m_messages)
            json.BeginObject().Key("caption").String(caption).Key("text").String(text).EndObject();
        json.EndArray();
    }

private:
    std::vector<std::pair<std::u16string, std::u16string>> m_messages;
};

void WriteRect(JsonWriter& json, const settings::Rect& r) {
    const int32_t v[4] = {r.left, r.top, r.right, r.bottom};
    json.NumberArray(v, 4);
}

template <typename T> T ReadAt(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void WriteOptValue(JsonWriter& json, const settings::OptKeyInfo& k) {
    const char* field = reinterpret_cast<const char*>(&settings::g_opt) + k.offset;
    auto read = [field](auto value) { return ReadAt<decltype(value)>(field); };
    switch (k.kind) {
    case OptKind::Int32:
        json.Number(read(int32_t{}));
        break;
    case OptKind::Int16:
        json.Number(read(uint16_t{}));
        break;
    case OptKind::Text:
        json.String(text::FromField(reinterpret_cast<const char16_t*>(field), size_t(k.count)));
        break;
    case OptKind::List:
        json.BeginArray();
        for (int i = 0; i < k.count; ++i) {
            const char* e = field + i * k.width;
            json.Number(k.width == 1   ? int64_t(ReadAt<uint8_t>(e))
                        : k.width == 2 ? int64_t(ReadAt<uint16_t>(e))
                                       : int64_t(ReadAt<int32_t>(e)));
        }
        json.EndArray();
        break;
    case OptKind::Rect:
    case OptKind::RectSize:
        WriteRect(json, read(settings::Rect{}));
        break;
    case OptKind::Point: {
        auto p = read(settings::Point{});
        const int32_t v[2] = {p.x, p.y};
        json.NumberArray(v, 2);
        break;
    }
    case OptKind::Colour:
        json.Number(read(settings::Colour{}));
        break;
    case OptKind::LedOption: {
        auto rec = read(settings::LedOption{});
        json.BeginObject().Key("present").Number(rec.present);
        json.Key("values").NumberArray(rec.values, 5);
        json.Key("colours").NumberArray(rec.colours, 7).EndObject();
        break;
    }
    }
}

void WriteKey(JsonWriter& json, const KeyInfo& k) {
    json.BeginObject()
        .Key("dwFunID")
        .Number(k.dwFunID)
        .Key("nMatrixIndex")
        .Number(k.nMatrixIndex)
        .Key("dwMacroID")
        .Number(k.dwMacroID)
        .Key("stCombo")
        .Number(k.stCombo)
        .Key("dwParameter")
        .Number(k.dwParameter)
        .EndObject();
}

void WriteSensor(JsonWriter& json, int slot, const SensorCfg& s) {
    json.BeginObject().Key("slot").Number(slot).Key("Sensor").Number(s.nSensor);
    json.Key("DEFLEVEL").Number(s.nDefLevel).Key("DM").Number(s.nLevels);
    json.Key("DPI").NumberArray(s.nDpi, kDpiLevels).Key("DC").NumberArray(s.crColor, kDpiLevels);
    json.Key("DPIH").Number(s.nDpiRowH).Key("modes").Number(s.nModes).Key("keys").Number(s.nKeys);
    json.Key("KEYH").Number(s.nKeyH).Key("KEYY").Number(s.nKeyY);
    json.Key("DR").Number(s.nRate[0]).Key("DR_2").Number(s.nRate[1]).Key("DR_3").Number(s.nRate[2]);
    json.Key("RATE").NumberArray(s.nRateChoice, 4).Key("ShowLOD").Number(s.bShowLOD);
    json.Key("Mark").BeginArray();
    for (const auto& r : s.rcMark)
        WriteRect(json, r);
    json.EndArray().Key("K").BeginArray();
    for (const auto& mode : s.keys) {
        json.BeginArray();
        for (const KeyInfo& k : mode)
            WriteKey(json, k);
        json.EndArray();
    }
    json.EndArray().EndObject();
}

int CmdSettings(const Options& opts, const Args& args) {
    if (!args.empty())
        throw CommandError("settings takes no arguments");
    MessageLog messages;
    const bool ok = settings::InitData(opts.exeDir);

    JsonWriter json;
    json.BeginObject().Key("ok").Bool(ok);
    messages.Write(json);
    json.Key("OPT").BeginObject();
    size_t count = 0;
    const settings::OptKeyInfo* keys = settings::OptKeys(&count);
    for (size_t i = 0; i < count; ++i) {
        json.Key(keys[i].name);
        WriteOptValue(json, keys[i]);
    }
    json.EndObject();
    json.Key("g_nCurSensor").Number(g_nCurSensor);
    json.Key("sensors").BeginArray();
    for (int slot = 0; slot < kSensorSlots; ++slot)
        if (g_SensorCfg[slot].nSensor != 0)
            WriteSensor(json, slot, g_SensorCfg[slot]);
    json.EndArray().Key("dpiTables").BeginArray();
    for (int slot = 0; slot < kSensorSlots; ++slot) {
        const SensorDpiTable& t = g_SensorDpiTable[slot];
        if (t.nSensor == 0)
            continue;
        json.BeginObject().Key("slot").Number(slot).Key("sensor").Number(t.nSensor);
        json.Key("count").Number(t.nSteps);
        json.Key("dpi").NumberArray(t.dpi, t.nSteps).Key("code").NumberArray(t.code, t.nSteps);
        json.EndObject();
    }
    json.EndArray().Key("keyRects").BeginArray();
    for (const KeyInfo& k : settings::g_KeyTable[0])
        WriteRect(json, k.rcHot);
    const settings::MacroLimits& limits = settings::g_macroLimits;
    json.EndArray().Key("macroLimits").BeginObject();
    json.Key("nMinDelay").Number(limits.nMinDelay).Key("nMaxDelay").Number(limits.nMaxDelay);
    json.Key("nMaxSteps").Number(limits.nMaxSteps).Key("nMaxBytes").Number(limits.nMaxBytes);
    json.EndObject().EndObject();
    Print(json);
    return 0;
}

int CmdTexts(const Options& opts, const Args& args) {
    if (args.size() > 1)
        throw CommandError("texts takes at most one FILE");
    std::u16string path = args.empty() ? opts.exeDir + u"text.xml" : text::FromUtf8(args[0]);
    settings::LoadTextTable(path);
    JsonWriter json;
    json.BeginObject();
    for (size_t i = 0; i < settings::TextKeyCount(); ++i) {
        std::u16string_view key = settings::TextKeyAt(i);
        json.Key(text::ToUtf8(key)).String(settings::Text(key));
    }
    json.EndObject();
    Print(json);
    return 0;
}

int CmdDpi(const Options& opts, const Args& args) {
    if (args.size() < 4 || args[0] != "--sensor")
        throw CommandError("usage: dpi --sensor ID (to-hw DPI | from-hw CODE FLAG)");
    const uint32_t sensor = uint32_t(ParseNumber(args[1]));
    MessageLog quiet; // the conversions need the catalogue, not its messages
    settings::InitData(opts.exeDir);
    set_cur_sensor(sensor);
    JsonWriter json;
    if (args[2] == "to-hw" && args.size() == 4) {
        int32_t flag = 0;
        uint8_t code = Dpi_To_HwDpi(sensor, int32_t(ParseNumber(args[3])), &flag);
        json.BeginObject().Key("code").Number(code).Key("flag").Number(flag).EndObject();
    } else if (args[2] == "from-hw" && args.size() == 5) {
        int64_t code = ParseNumber(args[3]);
        if (code < 0 || code > 255)
            throw CommandError("CODE must be a byte");
        int32_t dpi = HwDpi_To_Dpi(int32_t(ParseNumber(args[4])), uint8_t(code));
        json.BeginObject().Key("dpi").Number(dpi).EndObject();
    } else {
        throw CommandError("usage: dpi --sensor ID (to-hw DPI | from-hw CODE FLAG)");
    }
    Print(json);
    return 0;
}

const CommandRegistration kSettings("settings", CmdSettings, "settings");
const CommandRegistration kTexts("texts", CmdTexts, "texts [FILE]");
const CommandRegistration kDpi("dpi", CmdDpi, "dpi --sensor ID (to-hw DPI | from-hw CODE FLAG)");

} // namespace
