#pragma once
// The rules of the keys page apart from its windows: the function picker's
// entry list, the key assignment a choice becomes, what AssignKey stores and
// when it refuses, the report-rate slider's values, the battery's look, the
// fire key dialog's fields, the texts of the key buttons, and the macro keys
// that lose their macro. CKeyDlg, the picker and the dialogs only move
// windows by them.

#include "model/KeyInfo.h"
#include "model/ProfileRecord.h"
#include "settings/Settings.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace keys {

// Control ids of the page.
enum KeyId : UINT {
    IDC_KEY_MODE0 = 112, // mode buttons 112..114
    IDC_KEY_RATE = 128,  // report-rate slider
    IDC_KEY_POWER = 129, // battery bar
    IDC_KEY_BTN0 = 192,  // key buttons 192..207
};
// Timers of the page and their periods.
enum KeyTimer : UINT_PTR {
    kTimerMarks = 202,      // key marking
    kTimerFirstPower = 242, // the battery, until a device is there
    kTimerPower = 243,      // the battery after that
};
constexpr UINT kMarksMs = 300, kFirstPowerMs = 2000, kPowerMs = 30000;

// Function codes the page treats apart.
constexpr uint32_t kFunPrimaryClick = 0x1000011;
constexpr uint32_t kFunAllModes = 0x80000AB; // stored in all three modes at once
constexpr uint32_t kFunFireKey = 0x80000A4;
constexpr uint32_t kFunCombo = 0x20000A0;     // keys without a modifier
constexpr uint32_t kFunComboMods = 0x20000A1; // with modifiers
constexpr uint32_t kFunMacro = 0x5000000;
constexpr uint32_t kFunSnipe = 0x80000A6;
constexpr uint32_t kFunCustomKey = 0x80000AD;
constexpr uint32_t kFunExtraKey = 0xB000000;
// Picker entries that open a sub-menu; never chosen themselves.
constexpr uint32_t kFunDpiMenu = 0x8000000;
constexpr uint32_t kFunMediaMenu = 0x4000000;
constexpr int kExtraKeys = 4;

// ------------------------------------------------------------ the picker --

// One entry of the function picker: its parent (kPickerMainList or the
// position of the entry whose sub-menu it is in), the code a choice of it
// returns and its text.
constexpr uint32_t kPickerMainList = 255;
struct PickerEntry {
    uint32_t parent = kPickerMainList;
    uint32_t code = 0;
    std::u16string text;
    bool operator==(const PickerEntry&) const = default;
};

// What the entry list depends on, read each time the picker opens.
struct PickerOptions {
    bool showRgbSwitch = true;                   // ShowRGBSw
    bool showProfileSwitch = true;               // ShowProSw
    int32_t customKeyCode = 0;                   // CustomkeyCode
    int32_t showExtra = 0;                       // ShowEx: byte m for key mode m
    std::array<int32_t, kExtraKeys> extraKeys{}; // ExKey1..ExKey4
    bool hasProfile = false;                     // a current profile exists
    int curMode = 0;                             // its nCurMode
};
PickerOptions PickerOptionsOf(const settings::OptSettings& opt, const ProfileRecord* current);

using TextOf = std::function<std::u16string(const char16_t* key)>;
// The entries in the order the menu shows them: the main list, then the DPI
// and the media sub-menus where their entries come. Extra keys whose ExKey
// value is 0 are left out (their choice could only fail); the extra keys end
// at the first empty text.
std::vector<PickerEntry> PickerEntries(const PickerOptions& options, const TextOf& text);
// How many of the entries are in the main list (the menu's height in items).
int MainListCount(const std::vector<PickerEntry>& entries);

// The rectangle the picker is laid out against: the key button's, widened on
// both sides to `menuWidth` (MenuW) when that is wider.
RECT PickerRect(const RECT& button, int menuWidth);

// --------------------------------------------------- choices and records --

// What a chosen code asks for before it can be stored.
enum class ChoiceKind {
    Macro,     // the macro picker (or the way to the macro page)
    Combo,     // the key-combination capture
    FireKey,   // the fire key dialog
    Snipe,     // a DPI-lock index carried in the code
    CustomKey, // CustomkeyCode
    ExtraKey,  // ExKey1..ExKey4
    Plain,     // the code itself
    None,      // a sub-menu's own entry (chosen only when the sub-menu is empty)
};
ChoiceKind KindOfChoice(uint32_t code);

KeyInfo MacroRecord(uint32_t macroId);
// A captured combination (modifier byte and three virtual keys); none when it
// is empty. Right-hand modifiers are stored as left-hand ones: the mouse only
// knows those, and would otherwise send the keys without the modifier.
std::optional<KeyInfo> ComboRecord(uint8_t mods, const uint8_t (&keys)[3]);
KeyInfo FireKeyRecord(uint8_t speed, uint8_t count);
KeyInfo SnipeRecord(uint32_t code);
KeyInfo CustomKeyRecord(int32_t customKeyCode);
// Extra key `function` (0..3) with its ExKey value; none for another function
// or a value of 0 ("Wrong Ex Key Index").
std::optional<KeyInfo> ExtraKeyRecord(uint32_t function,
                                      const std::array<int32_t, kExtraKeys>& extraKeys);
KeyInfo PlainRecord(uint32_t code);

// ------------------------------------------------------------- AssignKey --

// Whether storing `funId` at `key` of `mode` leaves every mode it reaches
// with a key on the primary click. A function for one mode reaches that mode;
// kFunAllModes reaches every mode the sensor has (`modes`). Only the keys the
// sensor has (`keyCount`) count.
bool KeepsPrimaryClick(const ProfileRecord& profile, int mode, int key, uint32_t funId, int modes,
                       int keyCount);

using KeyDefaults = KeyInfo[kKeyModes][kKeysPerMode];
// Stores `record` for `key` in `mode` as AssignKey does: the key keeps its
// button and matrix slot from the defaults; kFunAllModes goes into all three
// modes; any other function first resets a key that held kFunAllModes to its
// defaults in all three modes. Returns the record as stored in `mode`.
KeyInfo StoreAssignment(ProfileRecord& profile, int mode, int key, KeyInfo record,
                        const KeyDefaults& defaults);

// ------------------------------------------------------------- key texts --

// What a key button shows for an assignment. A function no category knows
// takes the key's default (`useDefault`); a known one whose text the product
// lacks shows its code instead of being replaced.
struct KeyText {
    std::u16string text;
    bool useDefault = false;
};
KeyText KeyButtonText(const KeyInfo& key);

// The mode button a profile's nCurMode selects among the sensor's `modes`.
int ShownMode(int32_t curMode, int modes);
// Which of the three mode buttons a sensor with `modes` modes shows.
std::array<bool, kKeyModes> ModeButtonsShown(int modes);
// Whether key `key` is free to change (its KeyMask bit is clear).
bool KeyEnabled(int32_t keyMask, int key);

// ------------------------------------------------------------ report rate --

// The rate slider's values for a sensor's RATE1..RATE4: every rate up to the
// first 0, or 0x125, 0x250, 0x500, 0x1000 when all four are set. Values that
// are no report rate are left out (`dropped`); with none left the slider
// keeps the usual four.
struct RateValues {
    std::vector<uint32_t> values;
    std::vector<int32_t> dropped;
};
RateValues RateValuesOf(const int32_t (&choices)[4]);
// "1000 Hz" for 0x1000.
std::wstring RateText(uint32_t rate);

// ---------------------------------------------------------------- battery --

struct BatteryLook {
    int image = 1;     // powerbar1.png (5 to 10), 2 (3, 4), 3 (0 to 2)
    int position = 1;  // the bar's position, 1..10
    std::wstring text; // "40 %"
    bool operator==(const BatteryLook&) const = default;
};
// None for a level the mouse cannot report (above 10): nothing changes.
std::optional<BatteryLook> BatteryLookOf(int level);

// --------------------------------------------------------------- fire key --

// The fields a fire key dialog opens with: the key's own speed and count when
// it is a fire key, else 40 and 3.
struct FireKeyFields {
    std::wstring speed, count;
    bool operator==(const FireKeyFields&) const = default;
};
FireKeyFields FireKeyFieldsOf(const KeyInfo& current);
// A whole decimal number: at least one digit and nothing else, at most 40
// characters.
std::optional<uint32_t> WholeNumber(const std::wstring& text);
// The text a field is corrected to while it is typed in ("255" for speed,
// "3" for count), or none when it stands.
std::optional<std::wstring> CorrectSpeedField(const std::wstring& text);
std::optional<std::wstring> CorrectCountField(const std::wstring& text);
// OK: speed (raised to 3) and count, or the message that keeps the dialog open.
struct FireKeyCheck {
    const wchar_t* message = nullptr; // null: valid
    uint8_t speed = 0, count = 0;
};
FireKeyCheck CheckFireKey(const std::wstring& speed, const std::wstring& count);

// ---------------------------------------------------------------- macros --

// Macro keys whose macro is no longer in the library take the key's default
// in that mode; the mouse's own macros (device-only ids) stay. Returns how
// many keys were replaced.
int DropMissingMacroKeys(ProfileRecord& profile, const KeyDefaults& defaults,
                         const std::function<bool(uint32_t id)>& inLibrary);

} // namespace keys
