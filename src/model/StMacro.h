#pragma once
// The 834-byte stored macro record: element of the macro list, content of a
// .mck file, slot of a profile export file, input and output of the device
// macro conversion.

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "records are little-endian images");

constexpr uint32_t kMacroMagic = 0xFAFB88A0;
constexpr int kMacroNameChars = 40; // with the terminator: at most 39 characters
constexpr int kMacroStepSlots = 91;
// Steps a macro uses at most (the device's event limit).
constexpr int kMacroMaxSteps = 70;
constexpr int kMaxMacros = 2000;

// Change bits of dwFlags.
constexpr uint32_t kMacroStepsChanged = 0x80000000;
constexpr uint32_t kMacroSettingsChanged = 0x40000000;

// Virtual-key codes of this program for the mouse buttons in macro steps.
enum MacroMouseVk : uint16_t {
    kVkMacroLeft = 0xF0,
    kVkMacroRight = 0xF1,
    kVkMacroMiddle = 0xF2,
    kVkMacroButton5 = 0xF3,
    kVkMacroButton4 = 0xF4,
};

#pragma pack(push, 1)
struct MacroStep {
    uint16_t wVk;
    uint16_t wPress;  // 1 press, 0 release
    uint32_t dwDelay; // ms after this step
};

struct StMacro {
    uint32_t dwMagicNumber;
    uint32_t dwID; // 24-bit, from MakeProfileId
    uint32_t dwFlags;
    int32_t bAutoDelay;
    int32_t nRepeatMode; // 0 count, 1 and 2 continuous
    char16_t szName[kMacroNameChars];
    uint32_t dwReserved;
    uint16_t wRepeatCount; // 1..250 for mode 0
    MacroStep Steps[kMacroStepSlots];
};
#pragma pack(pop)

static_assert(sizeof(MacroStep) == 8);
static_assert(sizeof(StMacro) == 834);
static_assert(offsetof(StMacro, dwMagicNumber) == 0);
static_assert(offsetof(StMacro, dwID) == 4);
static_assert(offsetof(StMacro, dwFlags) == 8);
static_assert(offsetof(StMacro, bAutoDelay) == 12);
static_assert(offsetof(StMacro, nRepeatMode) == 16);
static_assert(offsetof(StMacro, szName) == 20);
static_assert(offsetof(StMacro, dwReserved) == 100);
static_assert(offsetof(StMacro, wRepeatCount) == 104);
static_assert(offsetof(StMacro, Steps) == 106);
static_assert(offsetof(MacroStep, wPress) == 2);
static_assert(offsetof(MacroStep, dwDelay) == 4);

// A step with code 0 and delay 0 ends the step list.
constexpr bool IsEndStep(const MacroStep& s) {
    return s.wVk == 0 && s.dwDelay == 0;
}
