#include "model/KeyCodes.h"

#include "model/DevMacroNames.h"
#include "model/KeyNames.h"
#include "model/MacroLookup.h"
#include "settings/Log.h"
#include "settings/TextTable.h"

#include <cstring>
#include <iterator>
#include <string_view>

namespace {

// Hardware codes (low byte = kind).
constexpr uint32_t kHwDisabled = 0x000000;
constexpr uint32_t kHwRepeatClick = 0x04;
constexpr uint32_t kFunRepeatClick = 0x80000A4;
constexpr uint32_t kFunKeyboardRead = 0x2000000;
constexpr uint32_t kFunMacro = 0x5000000;
constexpr uint32_t kFunCustomKey = 0x80000AD;
constexpr uint32_t kFunDoubleClick = 0x1000016;

// A combination event of a consumer (media) usage.
constexpr uint8_t kEvConsumer = 2;
constexpr size_t kComboEventBytes = 3;

struct FunctionCode {
    uint32_t funId;
    uint32_t hwCode;
};
// Categories 1 and 8 with a fixed code.
constexpr FunctionCode kFixedCodes[] = {
    {0x1000011, 0x000101}, {0x1000012, 0x000401},    {0x1000013, 0x000201},
    {0x1000014, 0x001001}, {0x1000015, 0x000801},    {kFunDoubleClick, 0x023204},
    {0x1000017, 0x033204}, {0x80000A2, kHwDisabled}, {0x80000A7, 0x000008},
    {0x80000A8, 0x000202}, {0x80000A9, 0x000302},    {0x80000AA, 0x000102},
    {0x80000AC, 0x000007}, {0x80000B0, 0x000009},
};

// Codes read back from the matrix.
constexpr FunctionCode kReadBack[] = {
    {0x80000A2, 0x000000}, {0x80000AC, 0x000007}, {0x80000A7, 0x000008}, {0x80000B0, 0x000009},
    {0x1000011, 0x000101}, {0x80000AA, 0x000102}, {0x1000013, 0x000201}, {0x80000A8, 0x000202},
    {0x80000A9, 0x000302}, {0x1000012, 0x000401}, {0x1000015, 0x000801}, {0x1000014, 0x001001},
    {0x1000017, 0x033204},
};

struct ConsumerKey {
    uint8_t function;
    uint16_t usage;
    uint32_t readBack;
    const char16_t* text;
    const char16_t* fallback; // shown when `text` is empty
};
constexpr ConsumerKey kConsumerKeys[] = {
    {0x21, 0x0183, 0x4000021, u"tc_kbmedia_msel", nullptr},
    {0x22, 0x00CD, 0x4000022, u"tc_PL", nullptr},
    {0x23, 0x00B7, 0x4000023, u"tc_stop", nullptr},
    {0x24, 0x00B6, 0x4000024, u"tc_pre_media", nullptr},
    {0x25, 0x00B5, 0x4000025, u"tc_next_media", nullptr},
    {0x26, 0x00E9, 0x4000026, u"tc_vol_up", nullptr},
    {0x27, 0x00EA, 0x4000027, u"tc_vol_dw", nullptr},
    {0x28, 0x00E2, 0x4000028, u"tc_mute", nullptr},
    {0x30, 0x018A, 0x3000030, u"tc_kbmedia_mail", nullptr},
    {0x31, 0x0192, 0x3000031, u"tc_kbmedia_cal", nullptr},
    {0x32, 0x0194, 0x3000032, u"tc_kbmedia_explore", nullptr},
    {0x33, 0x0221, 0x3000033, u"tc_kbmedia_search", nullptr},
    {0x34, 0x0223, 0x3000034, u"tc_kbmedia_main", nullptr},
    {0x35, 0x0224, 0x3000035, u"tc_kbmedia_back", u"tc_back"},
    {0x36, 0x0225, 0x3000036, u"tc_kbmedia_forward", u"tc_forward"},
    {0x37, 0x0226, 0x3000037, u"tc_kbmedia_stop", nullptr},
    {0x38, 0x0227, 0x3000038, u"tc_kbmedia_refresh", nullptr},
    {0x39, 0x022A, 0x3000039, u"tc_kbmedia_favor", nullptr},
};

struct FunctionText {
    uint32_t function; // low 24 bits
    const char16_t* text;
};
constexpr FunctionText kFunctionTexts[] = {
    {0x11, u"tc_click"},   {0x12, u"tc_middle"},   {0x13, u"tc_menu"},      {0x14, u"tc_forward"},
    {0x15, u"tc_back"},    {0x16, u"tc_dbclick"},  {0x17, u"tc_three"},     {0x18, u"tc_rdbclick"},
    {0xA2, u"tc_key_off"}, {0xA3, u"tc_shift"},    {0xA4, u"tc_fire"},      {0xA6, u"tc_snipe"},
    {0xA7, u"tc_rgb"},     {0xA8, u"tc_dpiadd"},   {0xA9, u"tc_dpisub"},    {0xAA, u"tc_dpiloop"},
    {0xAB, u"tc_msg31"},   {0xAC, u"tc_reportsw"}, {0xAD, u"tc_customkey"}, {0xAE, u"tc_rgbsw"},
    {0xB0, u"tc_prosw"},
};
// Texts of the extra keys, by function.
constexpr const char16_t* kExtraKeyTexts[] = {u"tc_ex1", u"tc_ex2", u"tc_ex3", u"tc_ex4",
                                              u"tc_ex5"};

const FunctionText* FindFunctionText(uint32_t function) {
    for (const FunctionText& f : kFunctionTexts)
        if (f.function == function)
            return &f;
    return nullptr;
}

struct UsagePair {
    uint8_t usage;
    uint8_t vk;
};
// 104 pairs; searching by either side takes the first match.
constexpr UsagePair kUsageVk[] = {
    {0x29, 0x1B}, {0x3A, 0x70}, {0x3B, 0x71}, {0x3C, 0x72}, {0x3D, 0x73}, {0x3E, 0x74},
    {0x3F, 0x75}, {0x40, 0x76}, {0x41, 0x77}, {0x42, 0x78}, {0x43, 0x79}, {0x44, 0x7A},
    {0x45, 0x7B}, {0x04, 0x41}, {0x05, 0x42}, {0x06, 0x43}, {0x07, 0x44}, {0x08, 0x45},
    {0x09, 0x46}, {0x0A, 0x47}, {0x0B, 0x48}, {0x0C, 0x49}, {0x0D, 0x4A}, {0x0E, 0x4B},
    {0x0F, 0x4C}, {0x10, 0x4D}, {0x11, 0x4E}, {0x12, 0x4F}, {0x13, 0x50}, {0x14, 0x51},
    {0x15, 0x52}, {0x16, 0x53}, {0x17, 0x54}, {0x18, 0x55}, {0x19, 0x56}, {0x1A, 0x57},
    {0x1B, 0x58}, {0x1C, 0x59}, {0x1D, 0x5A}, {0x1E, 0x31}, {0x1F, 0x32}, {0x20, 0x33},
    {0x21, 0x34}, {0x22, 0x35}, {0x23, 0x36}, {0x24, 0x37}, {0x25, 0x38}, {0x26, 0x39},
    {0x27, 0x30}, {0x2B, 0x09}, {0x39, 0x14}, {0x28, 0x0D}, {0x2A, 0x08}, {0x2C, 0x20},
    {0x2F, 0xDB}, {0x30, 0xDD}, {0x31, 0xDC}, {0x33, 0xBA}, {0x34, 0xDE}, {0x36, 0xBC},
    {0x37, 0xBE}, {0x38, 0xBF}, {0x35, 0xC0}, {0x2E, 0xBB}, {0x2D, 0xBD}, {0x46, 0x2C},
    {0x47, 0x91}, {0x48, 0x13}, {0x49, 0x2D}, {0x4A, 0x24}, {0x4B, 0x21}, {0x4C, 0x2E},
    {0x4D, 0x23}, {0x4E, 0x22}, {0x52, 0x26}, {0x51, 0x28}, {0x50, 0x25}, {0x4F, 0x27},
    {0x59, 0x61}, {0x5A, 0x62}, {0x5B, 0x63}, {0x5C, 0x64}, {0x5D, 0x65}, {0x5E, 0x66},
    {0x5F, 0x67}, {0x60, 0x68}, {0x61, 0x69}, {0x62, 0x60}, {0x57, 0x6B}, {0x56, 0x6D},
    {0x55, 0x6A}, {0x54, 0x6F}, {0x53, 0x90}, {0x58, 0x0D}, {0x63, 0x6E}, {0xE0, 0xA2},
    {0xE1, 0xA0}, {0xE2, 0xA4}, {0xE3, 0x5B}, {0xE4, 0xA3}, {0xE5, 0xA1}, {0xE6, 0xA5},
    {0xE7, 0x5C}, {0x65, 0x5D},
};
static_assert(std::size(kUsageVk) == 104);

const ConsumerKey* FindConsumerByFunction(uint32_t function) {
    for (const ConsumerKey& c : kConsumerKeys)
        if (c.function == (function & 0xFF))
            return &c;
    return nullptr;
}

const ConsumerKey* FindConsumerByUsage(uint16_t usage) {
    for (const ConsumerKey& c : kConsumerKeys)
        if (c.usage == usage)
            return &c;
    return nullptr;
}

std::u16string TextOr(const char16_t* key, const char16_t* fallback) {
    const std::u16string& t = settings::Text(key);
    if (t.empty() && fallback)
        return settings::Text(fallback);
    return t;
}

uint8_t ComboByte(uint32_t combo, int i) {
    return uint8_t(combo >> (8 * i));
}

std::u16string MacroText(const KeyInfo& key) {
    const std::u16string& label = settings::Text(u"tc_msg25");
    if (IsDeviceMacroId(key.dwMacroID))
        return label + u" - " + DevMacroName(int(key.dwMacroID & 0xFF));
    MacroFacts m;
    if (!LookUpMacro(key.dwMacroID, m))
        return settings::Text(u"tc_msg11");
    return label + u" - " + m.name;
}

int32_t RepeatClickCode(uint32_t parameter) {
    return int32_t((parameter & 0xFF) << 16 | ((parameter >> 8) & 0xFF) << 8 | kHwRepeatClick);
}

int32_t MacroCode(uint32_t macroId) {
    MacroFacts m;
    if (!LookUpMacro(macroId, m)) {
        settings::WriteLog("keyinfo_to_hardware_code can't find macro id 0x%x", unsigned(macroId));
        return -1;
    }
    const int32_t mode = m.nRepeatMode;
    const uint32_t count = m.wRepeatCount;
    switch (mode) {
    case 0:
        return int32_t((count & 0xFF) << 16 | kHwMacro);
    case 1:
        return int32_t(0xFF0000 | kHwMacro);
    case 2:
        return int32_t(0xFE0000 | kHwMacro);
    default:
        return int32_t(kHwMacro);
    }
}

void PutEvent(uint8_t* out, size_t& pos, uint8_t event, uint8_t code, uint8_t third) {
    out[pos++] = event;
    out[pos++] = code;
    out[pos++] = third;
}

} // namespace

namespace {

// The modifier kinds in the order a combination text shows them; each kind has
// a left-hand and a right-hand bit in the modifier byte.
struct ModifierKind {
    uint8_t left;
    uint8_t right;
    const char16_t* name;
};
constexpr ModifierKind kModifierKinds[] = {
    {kModLCtrl, kModRCtrl, u"Ctrl"},
    {kModLAlt, kModRAlt, u"Alt"},
    {kModLShift, kModRShift, u"Shift"},
    {kModLWin, kModRWin, u"Win"},
};

} // namespace

uint8_t ModifierKindBits(uint8_t bit) {
    for (const ModifierKind& k : kModifierKinds)
        if (bit & (k.left | k.right))
            return uint8_t(k.left | k.right);
    return 0;
}

int ModifierKindCount(uint8_t mods) {
    int count = 0;
    for (const ModifierKind& k : kModifierKinds)
        count += (mods & (k.left | k.right)) ? 1 : 0;
    return count;
}

std::u16string ComboText(uint8_t mods, const uint8_t (&keys)[3], ModifierNaming naming) {
    std::u16string out;
    auto add = [&out](std::u16string_view part) {
        if (!out.empty())
            out += u" + ";
        out += part;
    };
    if (naming == ModifierNaming::Generic) {
        for (const ModifierKind& k : kModifierKinds)
            if (mods & (k.left | k.right))
                add(k.name);
    } else {
        for (const ModifierKind& k : kModifierKinds)
            if (mods & k.left)
                add(u"L-" + std::u16string(k.name));
        for (const ModifierKind& k : kModifierKinds)
            if (mods & k.right)
                add(u"R-" + std::u16string(k.name));
    }
    for (uint8_t key : keys)
        if (key != 0)
            add(KeyName(key));
    return out;
}

uint16_t ConsumerUsage(uint32_t function) {
    const ConsumerKey* c = FindConsumerByFunction(function);
    return c ? c->usage : 0xFFFF;
}

uint8_t HidToVk(uint8_t usage) {
    for (const UsagePair& p : kUsageVk)
        if (p.usage == usage)
            return p.vk;
    return 0;
}

uint8_t VkToHid(uint8_t vk) {
    for (const UsagePair& p : kUsageVk)
        if (p.vk == vk)
            return p.usage;
    return 0;
}

int32_t keyinfo_to_hardware_code(const KeyInfo& key) {
    switch (KeyCategoryOf(key.dwFunID)) {
    case kCatMouse:
    case kCatSpecial:
        if (key.dwFunID == kFunRepeatClick)
            return RepeatClickCode(key.dwParameter);
        if (key.dwFunID == kFunCustomKey)
            return int32_t(key.dwParameter);
        for (const FunctionCode& f : kFixedCodes)
            if (f.funId == key.dwFunID)
                return int32_t(f.hwCode);
        return -1;
    case kCatKeyboard:
    case kCatApplication:
    case kCatMedia:
        return int32_t(kHwCombo);
    case kCatExtra:
        return int32_t(key.dwParameter);
    case kCatMacro:
        return MacroCode(key.dwMacroID);
    default:
        return -1;
    }
}

int HardwareCode_To_KeyInfo(uint32_t code, const uint8_t* combo, size_t comboLength, KeyInfo& key) {
    code &= 0xFFFFFF;
    KeyInfo r;
    std::memset(&r, 0, sizeof r);
    bool decoded = false;
    for (const FunctionCode& f : kReadBack) {
        if (f.hwCode == code) {
            r.dwFunID = f.funId;
            decoded = true;
            break;
        }
    }
    if (decoded) {
    } else if (code == kHwCombo) {
        if (!ComboFromDevice(combo, comboLength, r))
            return 0;
    } else if ((code & 0xFF) == kHwMacro) {
        // The key's macro sits in the macro block of its own matrix slot.
        if (!HasDeviceSlot(key)) {
            settings::WriteLog("HardwareCode_To_KeyInfo: macro code 0x%x for nMatrixIndex=%d",
                               unsigned(code), key.nMatrixIndex);
            return 0;
        }
        const int slot = key.nMatrixIndex - 1;
        r.dwFunID = kFunMacro;
        const std::u16string name = DevMacroName(slot);
        MacroFacts m;
        const bool inLibrary = !name.empty() && LookUpMacroByName(name, m);
        r.dwMacroID = inLibrary ? m.id : kDeviceMacroIdBase | uint32_t(slot);
    } else if ((code & 0xFF) == kHwRepeatClick) {
        r.dwFunID = kFunRepeatClick;
        r.dwParameter = ((code >> 8) & 0xFF) << 8 | ((code >> 16) & 0xFF);
    } else {
        return 0;
    }
    key.dwFunID = r.dwFunID;
    key.dwMacroID = r.dwMacroID;
    key.stCombo = r.stCombo;
    key.dwParameter = r.dwParameter;
    key.dwReserved = 0;
    return 1;
}

size_t ComboToDevice(const KeyInfo& key, uint8_t out[kComboDataMax]) {
    std::memset(out, 0, kComboDataMax);
    size_t pos = 1;
    switch (KeyCategoryOf(key.dwFunID)) {
    case kCatKeyboard: {
        static constexpr uint8_t kModBits[] = {kModLCtrl, kModLShift, kModLAlt, kModLWin};
        const uint8_t mods = ComboByte(key.stCombo, 0);
        uint8_t pressMods[4];
        uint8_t keys[3];
        size_t nMods = 0, nKeys = 0;
        for (uint8_t bit : kModBits)
            if (mods & bit)
                pressMods[nMods++] = bit;
        for (int i = 1; i <= 3; ++i)
            if (ComboByte(key.stCombo, i) != 0)
                keys[nKeys++] = ComboByte(key.stCombo, i);
        // Four modifiers and three keys would be 14 events, more than the
        // 32-byte slot holds: the data would run into the next key's slot.
        // Keys are dropped from the last, then modifiers, until it fits.
        const size_t maxParts = (kComboDataMax - 1) / (2 * kComboEventBytes);
        if (nMods + nKeys > maxParts) {
            settings::WriteLog("ComboToDevice: stCombo=0x%x has too many parts, %d sent",
                               unsigned(key.stCombo), int(maxParts));
            while (nMods + nKeys > maxParts)
                (nKeys > 0 ? nKeys : nMods)--;
        }
        for (size_t i = 0; i < nMods; ++i)
            PutEvent(out, pos, kEvPress | kEvModifier, pressMods[i], 0);
        for (size_t i = 0; i < nKeys; ++i)
            PutEvent(out, pos, kEvPress | kEvKey, VkToHid(keys[i]), 0);
        for (size_t i = 0; i < nMods; ++i)
            PutEvent(out, pos, kEvRelease | kEvModifier, pressMods[i], 0);
        for (size_t i = nKeys; i-- > 0;)
            PutEvent(out, pos, kEvRelease | kEvKey, VkToHid(keys[i]), 0);
        out[0] = uint8_t(2 * (nMods + nKeys));
        return pos;
    }
    case kCatApplication:
    case kCatMedia: {
        const uint16_t usage = ConsumerUsage(key.dwFunID);
        PutEvent(out, pos, kEvPress | kEvConsumer, uint8_t(usage), uint8_t(usage >> 8));
        PutEvent(out, pos, kEvRelease | kEvConsumer, uint8_t(usage), uint8_t(usage >> 8));
        out[0] = 2;
        return pos;
    }
    default:
        return 0;
    }
}

int ComboFromDevice(const uint8_t* data, size_t length, KeyInfo& key) {
    if (!data || length < 1 + kComboEventBytes || data[0] == 0)
        return 0;
    // Only the events that lie wholly inside what was read are looked at.
    const size_t held = (length - 1) / kComboEventBytes;
    const size_t n = std::min<size_t>(data[0], held);
    const uint8_t type = data[1] & 0x0F;
    if (type == kEvConsumer) {
        const ConsumerKey* c = FindConsumerByUsage(uint16_t(data[2] | data[3] << 8));
        if (!c)
            return 0;
        key.dwFunID = c->readBack;
        key.stCombo = 0;
        return 1;
    }
    if (type != kEvModifier && type != kEvKey)
        return 0;
    uint8_t bytes[4] = {};
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* e = data + 1 + kComboEventBytes * i;
        const uint8_t direction = e[0] >> 6;
        if (direction == 1)
            break;
        if (direction != 2)
            continue;
        if ((e[0] & 0x0F) == kEvModifier) {
            bytes[0] |= e[1] & 0x0F;
        } else if ((e[0] & 0x0F) == kEvKey) {
            for (int k = 1; k <= 3; ++k) {
                if (bytes[k] == 0) {
                    bytes[k] = HidToVk(e[1]);
                    break;
                }
            }
        }
    }
    key.dwFunID = kFunKeyboardRead;
    std::memcpy(&key.stCombo, bytes, 4);
    return 1;
}

std::u16string KeyInfoText(const KeyInfo& key) {
    const uint32_t category = KeyCategoryOf(key.dwFunID);
    const uint32_t function = key.dwFunID & 0xFFFFFF;
    if (category == kCatMacro)
        return MacroText(key);
    if (category == kCatKeyboard) {
        const uint8_t keys[3] = {ComboByte(key.stCombo, 1), ComboByte(key.stCombo, 2),
                                 ComboByte(key.stCombo, 3)};
        return ComboText(ComboByte(key.stCombo, 0), keys, ModifierNaming::Generic);
    }
    if (function == 0xA4)
        return settings::Text(u"tc_fire");
    if (category == kCatExtra)
        return function < std::size(kExtraKeyTexts) ? settings::Text(kExtraKeyTexts[function])
                                                     : std::u16string();
    if (const FunctionText* f = FindFunctionText(function))
        return settings::Text(f->text);
    for (const ConsumerKey& c : kConsumerKeys)
        if (c.function == function)
            return TextOr(c.text, c.fallback);
    return {};
}

bool IsKnownKeyFunction(const KeyInfo& key) {
    const uint32_t function = key.dwFunID & 0xFFFFFF;
    switch (KeyCategoryOf(key.dwFunID)) {
    case kCatKeyboard:
    case kCatMacro:
        return true;
    case kCatApplication:
    case kCatMedia:
        return FindConsumerByFunction(key.dwFunID) != nullptr;
    case kCatMouse:
    case kCatSpecial:
        return FindFunctionText(function) != nullptr;
    case kCatExtra:
        return function < std::size(kExtraKeyTexts);
    default:
        return false;
    }
}
