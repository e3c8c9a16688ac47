#pragma once
// The rules of the macro page apart from its windows: the step list as the
// page edits it, how a list becomes the steps of a stored macro and back,
// recording, where inserted steps go, the repeat count field, and which
// commands the context menus offer where. CMacroDlg only shows and routes.

#include "model/StMacro.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mac {

// One item of the step list: a key released or pressed (`value` the virtual
// key), or a pause (`value` milliseconds).
enum StepKind : int { kRelease = 0, kPress = 1, kDelay = 2 };
struct StepItem {
    int kind = kPress;
    uint32_t value = 0;
    bool operator==(const StepItem&) const = default;
};
using Steps = std::vector<StepItem>;

inline bool IsKey(const StepItem& item) {
    return item.kind != kDelay;
}
int KeyItemCount(const Steps& items);

// The most key steps a macro may hold, from the settings' most-steps value:
// that value, or 90 when it is 0 or above 89.
int StepLimit(int mostSteps);
// Delays: at least `minDelay` (never below 0) and at most 65535 ms.
constexpr uint32_t kMaxDelay = 65535;
uint32_t ClampDelay(int64_t ms, int minDelay);

// The list a stored macro shows: for each step up to the end step (at most
// `limit`), its key when it has one, then its delay when it has one.
Steps ItemsOfMacro(const StMacro& macro, int limit);

// Before storing: leading items up to the first key press go; two adjacent
// delays become one (at most 65535 ms); of two adjacent key items of the same
// kind and key the second goes.
void TidySteps(Steps& items);

// Writes the list into the macro's steps (all 91 cleared first, at most 90
// written): each key item is a step whose delay is the delay item after it,
// if any. True when a key item had code 0.
bool StoreSteps(const Steps& items, StMacro& macro);

// What the recorder keeps between the key events the main window hands over.
struct Recorder {
    uint32_t prevVk = 0;
    bool prevUp = false;
    uint32_t prevTick = 0;
    bool hasPrev = false;
    std::vector<uint32_t> held; // keys pressed and not released, oldest first
};
enum class Recorded { Ignored, Taken, Full };
// One key event while recording (`up` for a release, `tick` its time in ms).
// An auto-repeat (same key and direction as the event before) is ignored.
// With `withDelays` and a list that is not empty, the time since the event
// before (clamped as ClampDelay) goes in first. A press is taken only while
// the releases of every key held after it still fit in `limit`: otherwise
// nothing is added and the answer is Full (recording has to stop).
Recorded RecordKey(Recorder& recorder, Steps& items, uint32_t vk, bool up, uint32_t tick,
                   bool withDelays, int minDelay, int limit);
// Recording ends: releases for the keys still held, newest first, so the
// mouse never plays a key left down.
void FinishRecording(Recorder& recorder, Steps& items);

// The items one insert command adds, in the order they are inserted.
// A click of mouse button `vk` (0xF0..0xF4): press, a 50 ms pause with the
// macro's delays on, release.
Steps ClickItems(uint32_t vk, bool withDelays);
// A captured key: a 50 ms pause first when a step is selected, then the key.
Steps KeyItems(uint32_t vk, bool press, bool stepSelected);
constexpr uint32_t kInsertedDelay = 50;
// The key a single-key capture gives: its key, else the first modifier of
// the boxes (Ctrl, Shift, Alt, Win as their left keys); 0 for nothing.
uint32_t CapturedKey(uint8_t mods, uint8_t firstKey);
// Whether `added` still fits with the key items of the list.
bool RoomFor(const Steps& items, const Steps& added, int limit);
// Inserts `added` one by one next to the selected step: each directly before
// it when `before` (so they keep their order), each directly after it
// otherwise (so they stand in reverse order); at the end without a selected
// step. The selected step's new position.
std::optional<size_t> InsertItems(Steps& items, std::optional<size_t> selected, bool before,
                                  const Steps& added);

// The repeat count field: 1..250. The text that replaces what was typed (a
// number above 250 or of 0 or less), or none when it stands.
constexpr int kMaxRepeat = 250;
std::optional<std::wstring> CorrectCount(const std::wstring& text);
// The count the field stores (1 when it reads 0 or nothing).
uint16_t CountOfField(const std::wstring& text);

// Repeat radios in their order on the page: count, while held, until pressed
// again; the macro's nRepeatMode of each.
constexpr int kRepeatModes[3] = {0, 2, 1};
std::optional<int> RadioOfMode(int32_t mode);

// Commands of the context menus and the operation buttons.
enum Command : uint32_t {
    kCmdNew = 1,
    kCmdDelete = 4,
    kCmdExport = 8,
    kCmdImport = 16,
    kCmdRename = 32,
    kCmdEditStep = 64,
    kCmdDeleteStep = 1024,
};
// Insert entries carry what they insert in bits 16..23 of their code: a
// mouse button 0xF0..0xF4, or 0xF7 key press, 0xF8 key release, 0xF9 delay.
constexpr uint32_t kInsertTag = 0x80;
constexpr uint32_t InsertCode(uint32_t what) {
    return what << 16 | kInsertTag;
}
enum InsertWhat : uint32_t { kInsertPress = 0xF7, kInsertRelease = 0xF8, kInsertDelay = 0xF9 };
// What an insert code inserts (its bits 16..23), or none for another code.
std::optional<uint32_t> InsertOf(uint32_t code);
// Mouse buttons a macro step may click (0xF0 bit 0 .. 0xF4 bit 4).
constexpr uint32_t kMouseKeyMask = 0x1F;

// Where a context menu opens.
enum class MenuPlace { TreeBackground, Folder, Macro, StepBackground, Step };
// One entry: its parent (-1 for the main list, else an entry's position),
// its code and the text key of its text.
struct MenuEntry {
    int parent = -1;
    uint32_t code = 0;
    const char16_t* key = nullptr;
};
std::vector<MenuEntry> MenuEntries(MenuPlace place, uint32_t mouseMask = kMouseKeyMask);
// The text key of a mouse button's entry and step (0xF0..0xF4), else null.
const char16_t* MouseKeyText(uint32_t vk);
// What the step list shows for an item: the key's name (a mouse button's
// text; "0x%02X" for a key without a name), or "%d ms".
std::u16string StepText(const StepItem& item);

// New macros: the most characters of a typed name, and of the library.
constexpr int kNameChars = 15;

} // namespace mac
