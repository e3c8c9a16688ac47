#include "pages/KeyRules.h"

#include "model/KeyCodes.h"
#include "model/MemoryMap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace keys {

// ------------------------------------------------------------ the picker --

PickerOptions PickerOptionsOf(const settings::OptSettings& opt, const ProfileRecord* current) {
    PickerOptions o;
    o.showRgbSwitch = opt.ShowRGBSw != 0;
    o.showProfileSwitch = opt.ShowProSw != 0;
    o.customKeyCode = opt.CustomkeyCode;
    o.showExtra = opt.ShowEx;
    o.extraKeys = {opt.ExKey1, opt.ExKey2, opt.ExKey3, opt.ExKey4};
    o.hasProfile = current != nullptr;
    o.curMode = current ? current->nCurMode : 0;
    return o;
}

namespace {

struct Listed {
    const char16_t* text;
    uint32_t code;
};

constexpr Listed kDpiMenu[] = {
    {u"tc_dpiadd", 0x80000A8},
    {u"tc_dpisub", 0x80000A9},
    {u"tc_dpiloop", 0x80000AA},
};

// The media sub-menu; a second text stands in when the first is empty, and an
// entry without any text is left out.
struct MediaEntry {
    const char16_t* text;
    const char16_t* fallback;
    uint32_t code;
};
constexpr MediaEntry kMediaMenu[] = {
    {u"tc_kbmedia_msel", nullptr, 0x4000021},
    {u"tc_PL", nullptr, 0x4000022},
    {u"tc_next_media", nullptr, 0x4000025},
    {u"tc_pre_media", nullptr, 0x4000024},
    {u"tc_stop", nullptr, 0x4000023},
    {u"tc_mute", nullptr, 0x4000028},
    {u"tc_vol_up", nullptr, 0x4000026},
    {u"tc_vol_dw", nullptr, 0x4000027},
    {u"tc_kbmedia_mail", nullptr, 0x3000030},
    {u"tc_kbmedia_cal", nullptr, 0x3000031},
    {u"tc_kbmedia_explore", nullptr, 0x3000032},
    {u"tc_kbmedia_main", nullptr, 0x3000034},
    {u"tc_kbmedia_search", nullptr, 0x3000033},
    {u"tc_kbmedia_forward", u"tc_forward", 0x3000036},
    {u"tc_kbmedia_back", u"tc_back", 0x3000035},
    {u"tc_kbmedia_stop", nullptr, 0x3000037},
    {u"tc_kbmedia_refresh", nullptr, 0x3000038},
    {u"tc_kbmedia_favor", nullptr, 0x3000039},
};

constexpr const char16_t* kExtraTexts[kExtraKeys] = {u"tc_ex1", u"tc_ex2", u"tc_ex3", u"tc_ex4"};

bool ExtrasShown(const PickerOptions& o) {
    if (!o.hasProfile || o.curMode < 0 || o.curMode >= kKeyModes)
        return false;
    return ((uint32_t(o.showExtra) >> (8 * o.curMode)) & 0xFF) != 0;
}

} // namespace

std::vector<PickerEntry> PickerEntries(const PickerOptions& o, const TextOf& text) {
    std::vector<PickerEntry> list;
    auto add = [&](const char16_t* key, uint32_t code) {
        list.push_back({kPickerMainList, code, text(key)});
    };
    add(u"tc_click", 0x1000011);
    add(u"tc_menu", 0x1000013);
    add(u"tc_middle", 0x1000012);
    add(u"tc_forward", 0x1000014);
    add(u"tc_back", 0x1000015);
    add(u"tc_three", 0x1000017);
    if (o.showRgbSwitch)
        add(u"tc_rgb", 0x80000A7);
    add(u"tc_reportsw", 0x80000AC);
    if (o.showProfileSwitch)
        add(u"tc_prosw", 0x80000B0);
    add(u"tc_fire", kFunFireKey);
    add(u"tc_combokey", kFunComboMods);
    if (o.customKeyCode != 0)
        add(u"tc_customkey", kFunCustomKey);
    add(u"tc_key_off", 0x80000A2);
    add(u"tc_mac_def", kFunMacro);
    const uint32_t dpi = uint32_t(list.size());
    add(u"tc_dpi", kFunDpiMenu);
    const uint32_t media = uint32_t(list.size());
    add(u"tc_media", kFunMediaMenu);
    if (ExtrasShown(o)) {
        for (int i = 0; i < kExtraKeys; ++i) {
            std::u16string name = text(kExtraTexts[i]);
            if (name.empty())
                break;
            if (o.extraKeys[size_t(i)] != 0)
                list.push_back({kPickerMainList, kFunExtraKey + uint32_t(i), std::move(name)});
        }
    }
    for (const Listed& e : kDpiMenu)
        list.push_back({dpi, e.code, text(e.text)});
    for (const MediaEntry& e : kMediaMenu) {
        std::u16string name = text(e.text);
        if (name.empty() && e.fallback)
            name = text(e.fallback);
        if (!name.empty())
            list.push_back({media, e.code, std::move(name)});
    }
    return list;
}

int MainListCount(const std::vector<PickerEntry>& entries) {
    return int(std::count_if(entries.begin(), entries.end(),
                             [](const PickerEntry& e) { return e.parent == kPickerMainList; }));
}

RECT PickerRect(const RECT& button, int menuWidth) {
    RECT rc = button;
    const int width = button.right - button.left;
    if (menuWidth > width) {
        const int grow = menuWidth - width;
        rc.left -= grow / 2;
        rc.right = rc.left + menuWidth;
    }
    return rc;
}

// --------------------------------------------------- choices and records --

ChoiceKind KindOfChoice(uint32_t code) {
    if (code == kFunDpiMenu || code == kFunMediaMenu)
        return ChoiceKind::None;
    const uint32_t category = KeyCategoryOf(code);
    const uint32_t function = code & 0xFFFFFF;
    if (category == kCatMacro)
        return ChoiceKind::Macro;
    if (category == kCatKeyboard)
        return ChoiceKind::Combo;
    if (function == 0xA4)
        return ChoiceKind::FireKey;
    if (category == kCatSpecial && (code & 0xFF) == 0xA6)
        return ChoiceKind::Snipe;
    if (category == kCatSpecial && function == 0xAD)
        return ChoiceKind::CustomKey;
    if (category == kCatExtra)
        return ChoiceKind::ExtraKey;
    return ChoiceKind::Plain;
}

namespace {
KeyInfo Record(uint32_t funId) {
    KeyInfo k{};
    k.dwFunID = funId;
    return k;
}
} // namespace

KeyInfo MacroRecord(uint32_t macroId) {
    KeyInfo k = Record(kFunMacro);
    k.dwMacroID = macroId;
    return k;
}

std::optional<KeyInfo> ComboRecord(uint8_t mods, const uint8_t (&keys)[3]) {
    const uint8_t folded = uint8_t((mods | mods >> 4) & 0x0F);
    if (folded == 0 && keys[0] == 0 && keys[1] == 0 && keys[2] == 0)
        return std::nullopt;
    KeyInfo k = Record(folded ? kFunComboMods : kFunCombo);
    k.stCombo = uint32_t(folded) | uint32_t(keys[0]) << 8 | uint32_t(keys[1]) << 16 |
                uint32_t(keys[2]) << 24;
    return k;
}

KeyInfo FireKeyRecord(uint8_t speed, uint8_t count) {
    KeyInfo k = Record(kFunFireKey);
    k.dwParameter = uint32_t(speed) << 8 | count;
    return k;
}

KeyInfo SnipeRecord(uint32_t code) {
    KeyInfo k = Record(kFunSnipe);
    k.dwParameter = ((code >> 8) & 0xFF) + 1;
    return k;
}

KeyInfo CustomKeyRecord(int32_t customKeyCode) {
    KeyInfo k = Record(kFunCustomKey);
    k.dwParameter = uint32_t(customKeyCode);
    return k;
}

std::optional<KeyInfo> ExtraKeyRecord(uint32_t function,
                                      const std::array<int32_t, kExtraKeys>& extraKeys) {
    if (function >= uint32_t(kExtraKeys) || extraKeys[function] == 0)
        return std::nullopt;
    KeyInfo k = Record(kFunExtraKey + function);
    k.dwParameter = uint32_t(extraKeys[function]);
    return k;
}

KeyInfo PlainRecord(uint32_t code) {
    return Record(code);
}

// ------------------------------------------------------------- AssignKey --

namespace {
bool OtherPrimaryClick(const ProfileRecord& p, int mode, int key, int keyCount) {
    for (int i = 0; i < keyCount; ++i)
        if (i != key && p.Key[mode][i].dwFunID == kFunPrimaryClick)
            return true;
    return false;
}
} // namespace

bool KeepsPrimaryClick(const ProfileRecord& p, int mode, int key, uint32_t funId, int modes,
                       int keyCount) {
    if (funId == kFunPrimaryClick)
        return true;
    keyCount = std::clamp(keyCount, 0, kKeysPerMode);
    if (funId != kFunAllModes)
        return mode < 0 || mode >= kKeyModes || OtherPrimaryClick(p, mode, key, keyCount);
    // Stored in every mode: each mode the mouse has must keep one.
    for (int m = 0; m < std::clamp(modes, 1, kKeyModes); ++m)
        if (!OtherPrimaryClick(p, m, key, keyCount))
            return false;
    return true;
}

KeyInfo StoreAssignment(ProfileRecord& p, int mode, int key, KeyInfo record,
                        const KeyDefaults& defaults) {
    record.nMatrixIndex = defaults[0][key].nMatrixIndex;
    record.rcHot = defaults[0][key].rcHot;
    if (record.dwFunID == kFunAllModes) {
        for (auto& keysOfMode : p.Key)
            keysOfMode[key] = record;
        return record;
    }
    const bool wasAllModes = std::any_of(std::begin(p.Key), std::end(p.Key), [&](const auto& m) {
        return m[key].dwFunID == kFunAllModes;
    });
    if (wasAllModes)
        for (int m = 0; m < kKeyModes; ++m)
            p.Key[m][key] = defaults[m][key];
    p.Key[mode][key] = record;
    return record;
}

// ------------------------------------------------------------- key texts --

KeyText KeyButtonText(const KeyInfo& key) {
    KeyText shown{KeyInfoText(key), false};
    if (!shown.text.empty())
        return shown;
    if (!IsKnownKeyFunction(key)) {
        shown.useDefault = true;
        return shown;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", unsigned(key.dwFunID));
    shown.text.assign(buf, buf + std::strlen(buf));
    return shown;
}

int ShownMode(int32_t curMode, int modes) {
    return std::clamp(int(curMode), 0, std::clamp(modes, 1, kKeyModes) - 1);
}

std::array<bool, kKeyModes> ModeButtonsShown(int modes) {
    // One mode needs no choice: no button at all.
    if (modes <= 1)
        return {false, false, false};
    return {true, true, modes >= 3};
}

bool KeyEnabled(int32_t keyMask, int key) {
    return key < 0 || key >= 32 || ((uint32_t(keyMask) >> key) & 1) == 0;
}

// ------------------------------------------------------------ report rate --

RateValues RateValuesOf(const int32_t (&choices)[4]) {
    static const uint32_t kUsual[4] = {0x125, 0x250, 0x500, 0x1000};
    RateValues r;
    const bool allSet =
        std::all_of(std::begin(choices), std::end(choices), [](int32_t c) { return c != 0; });
    if (allSet) {
        r.values.assign(std::begin(kUsual), std::end(kUsual));
        return r;
    }
    for (int32_t c : choices) {
        if (c == 0)
            break;
        if (memmap::ReportRateToCode(uint32_t(c)) == 0)
            r.dropped.push_back(c);
        else
            r.values.push_back(uint32_t(c));
    }
    if (r.values.empty())
        r.values.assign(std::begin(kUsual), std::end(kUsual));
    return r;
}

std::wstring RateText(uint32_t rate) {
    wchar_t buf[32];
    std::swprintf(buf, std::size(buf), L"%x Hz", unsigned(rate));
    return buf;
}

// ---------------------------------------------------------------- battery --

std::optional<BatteryLook> BatteryLookOf(int level) {
    if (level < 0 || level > 10)
        return std::nullopt;
    BatteryLook look;
    look.image = level >= 5 ? 1 : level >= 3 ? 2 : 3;
    look.position = std::max(level, 1);
    wchar_t buf[16];
    std::swprintf(buf, std::size(buf), L"%d %%", level * 10);
    look.text = buf;
    return look;
}

// --------------------------------------------------------------- fire key --

FireKeyFields FireKeyFieldsOf(const KeyInfo& current) {
    if (KeyCategoryOf(current.dwFunID) != kCatSpecial || (current.dwFunID & 0xFFFFFF) != 0xA4)
        return {L"40", L"3"};
    return {std::to_wstring((current.dwParameter >> 8) & 0xFF),
            std::to_wstring(current.dwParameter & 0xFF)};
}

std::optional<uint32_t> WholeNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 40)
        return std::nullopt;
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = std::min<uint64_t>(value * 10 + uint64_t(c - L'0'), 0xFFFFFFFFu);
    }
    return uint32_t(value);
}

namespace {
std::optional<std::wstring> CorrectField(const std::wstring& text, uint32_t maximum) {
    const std::optional<uint32_t> n = WholeNumber(text);
    if (n && *n <= maximum)
        return std::nullopt;
    return std::to_wstring(maximum);
}
} // namespace

std::optional<std::wstring> CorrectSpeedField(const std::wstring& text) {
    return CorrectField(text, 255);
}

std::optional<std::wstring> CorrectCountField(const std::wstring& text) {
    return CorrectField(text, 3);
}

FireKeyCheck CheckFireKey(const std::wstring& speedText, const std::wstring& countText) {
    FireKeyCheck check;
    const std::optional<uint32_t> speed = WholeNumber(speedText);
    if (!speed || *speed > 255) {
        check.message = L"The value of speed is invalid";
        return check;
    }
    const std::optional<uint32_t> count = WholeNumber(countText);
    if (!count || *count > 255) {
        check.message = L"The value of count is invalid";
        return check;
    }
    check.speed = uint8_t(std::max<uint32_t>(*speed, 3));
    check.count = uint8_t(*count);
    return check;
}

// ---------------------------------------------------------------- macros --

int DropMissingMacroKeys(ProfileRecord& p, const KeyDefaults& defaults,
                         const std::function<bool(uint32_t id)>& inLibrary) {
    int dropped = 0;
    for (int m = 0; m < kKeyModes; ++m) {
        for (int k = 0; k < kKeysPerMode; ++k) {
            KeyInfo& key = p.Key[m][k];
            if (KeyCategoryOf(key.dwFunID) != kCatMacro || IsDeviceMacroId(key.dwMacroID) ||
                inLibrary(key.dwMacroID))
                continue;
            key = defaults[m][k];
            ++dropped;
        }
    }
    return dropped;
}

} // namespace keys
