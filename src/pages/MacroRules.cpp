#include "pages/MacroRules.h"

#include "model/KeyNames.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/TextTable.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>

namespace mac {

namespace {

// Step slots written at most: the record's last slot stays an end step.
constexpr int kMaxStoredSteps = kMacroStepSlots - 1;

} // namespace

int KeyItemCount(const Steps& items) {
    return int(std::count_if(items.begin(), items.end(), IsKey));
}

int StepLimit(int mostSteps) {
    return mostSteps <= 0 || mostSteps > 89 ? 90 : mostSteps;
}

uint32_t ClampDelay(int64_t ms, int minDelay) {
    const int64_t low = std::clamp<int64_t>(minDelay, 0, kMaxDelay);
    return uint32_t(std::clamp<int64_t>(ms, low, kMaxDelay));
}

Steps ItemsOfMacro(const StMacro& macro, int limit) {
    Steps items;
    const int n = std::min(limit, kMacroStepSlots);
    for (int i = 0; i < n; ++i) {
        const MacroStep& step = macro.Steps[i];
        if (IsEndStep(step))
            break;
        if (step.wVk != 0)
            items.push_back({step.wPress ? kPress : kRelease, step.wVk});
        if (step.dwDelay != 0)
            items.push_back({kDelay, step.dwDelay});
    }
    return items;
}

void TidySteps(Steps& items) {
    const auto firstPress = std::find_if(items.begin(), items.end(),
                                         [](const StepItem& i) { return i.kind == kPress; });
    items.erase(items.begin(), firstPress);
    for (size_t i = 0; i + 1 < items.size();) {
        StepItem& a = items[i];
        const StepItem& b = items[i + 1];
        if (a.kind == kDelay && b.kind == kDelay) {
            // The device holds 16 bits of delay: a longer pause would wrap.
            a.value = uint32_t(std::min<uint64_t>(uint64_t(a.value) + b.value, kMaxDelay));
            items.erase(items.begin() + std::ptrdiff_t(i + 1));
        } else if (IsKey(a) && a == b) {
            items.erase(items.begin() + std::ptrdiff_t(i + 1));
        } else {
            ++i;
        }
    }
}

bool StoreSteps(const Steps& items, StMacro& macro) {
    std::fill(std::begin(macro.Steps), std::end(macro.Steps), MacroStep{});
    bool zeroCode = false;
    int n = 0;
    for (size_t i = 0; i < items.size() && n < kMaxStoredSteps; ++i) {
        const StepItem& item = items[i];
        if (!IsKey(item))
            continue;
        MacroStep& step = macro.Steps[n++];
        step.wVk = uint16_t(item.value & 0xFF);
        step.wPress = uint16_t(item.kind);
        if (i + 1 < items.size() && items[i + 1].kind == kDelay)
            step.dwDelay = items[++i].value;
        if (step.wVk == 0) {
            settings::WriteLog("Capture keycode=0");
            zeroCode = true;
        }
    }
    return zeroCode;
}

Recorded RecordKey(Recorder& recorder, Steps& items, uint32_t vk, bool up, uint32_t tick,
                   bool withDelays, int minDelay, int limit) {
    if (recorder.hasPrev && recorder.prevVk == vk && recorder.prevUp == up)
        return Recorded::Ignored;
    std::vector<uint32_t> held = recorder.held;
    if (up) {
        if (const auto it = std::find(held.begin(), held.end(), vk); it != held.end())
            held.erase(it);
    } else if (std::find(held.begin(), held.end(), vk) == held.end()) {
        held.push_back(vk);
    }
    // Room for this key and for the releases of everything then held.
    if (KeyItemCount(items) + 1 + int(held.size()) > limit)
        return Recorded::Full;
    if (withDelays && !items.empty())
        items.push_back(
            {kDelay, ClampDelay(int64_t(uint32_t(tick - recorder.prevTick)), minDelay)});
    items.push_back({up ? kRelease : kPress, vk});
    recorder.held = std::move(held);
    recorder.prevVk = vk;
    recorder.prevUp = up;
    recorder.prevTick = tick;
    recorder.hasPrev = true;
    return Recorded::Taken;
}

void FinishRecording(Recorder& recorder, Steps& items) {
    for (auto it = recorder.held.rbegin(); it != recorder.held.rend(); ++it)
        items.push_back({kRelease, *it});
    recorder.held.clear();
}

Steps ClickItems(uint32_t vk, bool withDelays) {
    Steps items{{kPress, vk}};
    if (withDelays)
        items.push_back({kDelay, kInsertedDelay});
    items.push_back({kRelease, vk});
    return items;
}

Steps KeyItems(uint32_t vk, bool press, bool stepSelected) {
    Steps items;
    if (stepSelected)
        items.push_back({kDelay, kInsertedDelay});
    items.push_back({press ? kPress : kRelease, vk});
    return items;
}

uint32_t CapturedKey(uint8_t mods, uint8_t firstKey) {
    if (firstKey != 0)
        return firstKey;
    const struct {
        uint8_t bit;
        uint32_t vk;
    } modifiers[] = {{0x01, 0xA2}, {0x02, 0xA0}, {0x04, 0xA4}, {0x08, 0x5B}};
    for (const auto& m : modifiers)
        if (mods & m.bit)
            return m.vk;
    return 0;
}

bool RoomFor(const Steps& items, const Steps& added, int limit) {
    return KeyItemCount(items) + KeyItemCount(added) <= limit;
}

std::optional<size_t> InsertItems(Steps& items, std::optional<size_t> selected, bool before,
                                  const Steps& added) {
    if (!selected || *selected >= items.size()) {
        items.insert(items.end(), added.begin(), added.end());
        return std::nullopt;
    }
    size_t anchor = *selected;
    for (const StepItem& item : added) {
        if (before) {
            items.insert(items.begin() + std::ptrdiff_t(anchor), item);
            ++anchor;
        } else {
            items.insert(items.begin() + std::ptrdiff_t(anchor + 1), item);
        }
    }
    return anchor;
}

std::optional<std::wstring> CorrectCount(const std::wstring& text) {
    if (text.empty())
        return std::nullopt;
    long long number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        if (number <= kMaxRepeat) // no overflow on a long paste
            number = number * 10 + (c - L'0');
    }
    if (number > kMaxRepeat)
        return std::to_wstring(kMaxRepeat);
    if (number <= 0)
        return std::wstring(L"1");
    return std::nullopt;
}

uint16_t CountOfField(const std::wstring& text) {
    long long number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            break;
        if (number <= kMaxRepeat)
            number = number * 10 + (c - L'0');
    }
    return uint16_t(std::clamp<long long>(number, 1, kMaxRepeat));
}

std::optional<int> RadioOfMode(int32_t mode) {
    for (int i = 0; i < 3; ++i)
        if (kRepeatModes[i] == mode)
            return i;
    return std::nullopt;
}

std::optional<uint32_t> InsertOf(uint32_t code) {
    if ((code & 0xFF00FFFF) != kInsertTag)
        return std::nullopt;
    const uint32_t what = code >> 16 & 0xFF;
    if ((what >= kVkMacroLeft && what <= kVkMacroButton4) || what == kInsertPress ||
        what == kInsertRelease || what == kInsertDelay)
        return what;
    return std::nullopt;
}

const char16_t* MouseKeyText(uint32_t vk) {
    static const char16_t* const kTexts[] = {u"tc_click", u"tc_menu", u"tc_middle", u"tc_forward",
                                             u"tc_back"};
    if (vk < kVkMacroLeft || vk > kVkMacroButton4)
        return nullptr;
    return kTexts[vk - kVkMacroLeft];
}

std::vector<MenuEntry> MenuEntries(MenuPlace place, uint32_t mouseMask) {
    std::vector<MenuEntry> entries;
    auto addInsertMenu = [&] {
        const int parent = int(entries.size());
        entries.push_back({-1, 0, u"tc_macro_loop"});
        entries.push_back({parent, InsertCode(kInsertPress), u"tc_macro_msg14"});
        entries.push_back({parent, InsertCode(kInsertRelease), u"tc_macro_msg15"});
        entries.push_back({parent, InsertCode(kInsertDelay), u"tc_macro_msg16"});
        for (uint32_t vk = kVkMacroLeft; vk <= kVkMacroButton4; ++vk)
            if (mouseMask & (1u << (vk - kVkMacroLeft)))
                entries.push_back({parent, InsertCode(vk), MouseKeyText(vk)});
    };
    switch (place) {
    case MenuPlace::TreeBackground:
        entries = {{-1, kCmdNew, u"tc_macro_msg5"}, {-1, kCmdImport, u"tc_macro_msg3"}};
        break;
    case MenuPlace::Folder:
        entries = {{-1, kCmdNew, u"tc_macro_msg5"},
                   {-1, kCmdDelete, u"tc_macro_msg10"},
                   {-1, kCmdImport, u"tc_macro_msg3"},
                   {-1, kCmdRename, u"tc_macro_msg20"}};
        break;
    case MenuPlace::Macro:
        entries = {{-1, kCmdDelete, u"tc_macro_msg10"},
                   {-1, kCmdExport, u"tc_macro_msg4"},
                   {-1, kCmdRename, u"tc_macro_msg20"}};
        break;
    case MenuPlace::StepBackground:
        addInsertMenu();
        break;
    case MenuPlace::Step:
        entries = {{-1, kCmdEditStep, u"tc_macro_msg7"}, {-1, kCmdDeleteStep, u"tc_macro_msg10"}};
        // Inserting next to a step is what a user right-clicks a step for.
        addInsertMenu();
        break;
    }
    return entries;
}

std::u16string StepText(const StepItem& item) {
    if (item.kind == kDelay) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%u ms", unsigned(item.value));
        return text::Widen(buf);
    }
    if (const char16_t* key = MouseKeyText(item.value)) {
        const std::u16string& t = settings::Text(key);
        if (!t.empty())
            return t;
    }
    std::u16string name = KeyName(item.value);
    if (name.empty()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%02X", unsigned(item.value));
        name = text::Widen(buf);
    }
    return name;
}

} // namespace mac
