// Apply a profile to the virtual receiver, read the device back into a fresh
// macro library and another profile: every field the device holds comes back
// as it was, for every kind of key function.

#include "model/MemoryMap.h"
#include "store/MacroList.h"
#include "sync/ApplyProfile.h"
#include "sync/DeviceRead.h"
#include "sync/SyncFixture.h"

namespace {

struct KeyCase {
    uint32_t dwFunID;
    uint32_t param;    // dwParameter, or stCombo for keyboard keys
    uint32_t readBack; // dwFunID after the read
    uint32_t readParam;
};

// Function kinds of the key table; macros are set up by the test.
constexpr uint32_t kMacro = 0x5000000;
const KeyCase kKeysA[16] = {
    {0x1000011, 0, 0x1000011, 0},           // left
    {0x1000013, 0, 0x1000013, 0},           // right
    {0x1000012, 0, 0x1000012, 0},           // middle
    {0x1000015, 0, 0x1000015, 0},           // back
    {0x1000014, 0, 0x1000014, 0},           // forward
    {0x1000016, 0, 0x80000A4, 0x3202},      // double click reads as a repeated click
    {0x1000017, 0, 0x1000017, 0},           // three clicks
    {0x80000A4, 0x1E05, 0x80000A4, 0x1E05}, // fire
    {0x20000A1, 0x4303, 0x2000000, 0x4303}, // left Ctrl + left Shift + C
    {0x3000031, 0, 0x3000031, 0},           // calculator
    {0x4000028, 0, 0x4000028, 0},           // mute
    {kMacro, 0, kMacro, 0},                 // macro, repeated 3 times
    {kMacro, 1, kMacro, 0},                 // macro, while held
    {kMacro, 2, kMacro, 0},                 // macro, toggled
    {0x80000AA, 0, 0x80000AA, 0},           // DPI cycle
    {0x80000A2, 0, 0x80000A2, 0},           // off
};
const KeyCase kKeysB[16] = {
    {0x80000A8, 0, 0x80000A8, 0},               // DPI up
    {0x80000A9, 0, 0x80000A9, 0},               // DPI down
    {0x80000AC, 0, 0x80000AC, 0},               // report rate switch
    {0x80000A7, 0, 0x80000A7, 0},               // light switch
    {0x80000B0, 0, 0x80000B0, 0},               // profile switch
    {0x20000A0, 0x5A3900, 0x2000000, 0x5A3900}, // 9 + Z
    {0x3000035, 0, 0x3000035, 0},               // browser back
    {0x4000022, 0, 0x4000022, 0},               // play / pause
    {0x1000011, 0, 0x1000011, 0},
    {0x1000011, 0, 0x1000011, 0},
    {0x1000011, 0, 0x1000011, 0},
    {0x1000011, 0, 0x1000011, 0},
    {0x1000011, 0, 0x1000011, 0},
    {0x1000011, 0, 0x1000011, 0},
    {0x1000011, 0, 0x1000011, 0},
    {0x80000A2, 0, 0x80000A2, 0},
};

class SyncRoundTripTest : public testutil::SyncTest {
protected:
    // A macro in the library: repeat mode `mode` (count 3 for mode 0).
    static uint32_t AddMacro(int mode) {
        std::u16string name = u"round";
        name += char16_t(u'0' + mode);
        StMacro m = NewMacroRecord(name);
        m.nRepeatMode = mode;
        m.wRepeatCount = mode == 0 ? 3 : 1;
        const MacroStep steps[] = {{0xA0, 1, 10}, {0x41, 1, 50}, {0x41, 0, 20},
                                   {0xF0, 1, 7},  {0xF0, 0, 4},  {0xA0, 0, 0}};
        std::copy(std::begin(steps), std::end(steps), m.Steps);
        auto lock = g_MacroList.Lock();
        return AppendMacro(m)->dwID;
    }

    void RoundTrip(const KeyCase (&keys)[16]) {
        ProfileRecord out = Profile(0);
        out.nCurMode = 0;
        for (int i = 0; i < 16; ++i) {
            KeyInfo& k = out.Key[0][i];
            k = {};
            k.nMatrixIndex = i + 1;
            k.dwFunID = keys[i].dwFunID;
            if (keys[i].dwFunID == kMacro)
                k.dwMacroID = AddMacro(int(keys[i].param));
            else if (KeyCategoryOf(keys[i].dwFunID) == kCatKeyboard)
                k.stCombo = keys[i].param;
            else
                k.dwParameter = keys[i].param;
        }
        out.dwReportRate[0] = 0x250;
        const int32_t dpi[] = {3200, 800, 2400, 1600};
        for (int i = 0; i < 6; ++i) {
            out.DpiLevel[i].bDisabled = i >= 4;
            if (i < 4)
                out.DpiLevel[i] = {dpi[i], dpi[i], 0x102030u * uint32_t(i + 1), 0};
        }
        out.MainLight = {2, 4, 7, 0x00C08040, {}};
        out.LogoLight = {2, 3, 5, 0x00112233, {}};
        out.DpiLight = {1, 2, 8, {}};
        out.nLOD = 2;
        ASSERT_EQ(Apply(out, kApplyFull | APPLY_LOD, kApplyAll), 1);

        // Another store: a new library, a profile that knows only the key slots.
        std::vector<StMacro> applied;
        g_MacroList.ForEach([&applied](const StMacro& m) { applied.push_back(m); });
        g_MacroList.RemoveAll();
        tree.Clear();
        ProfileRecord in = Profile(1);
        for (int i = 0; i < 16; ++i)
            in.Key[0][i] = KeyInfo{0, {}, i + 1, 0, 0, 0, 0};
        ASSERT_EQ(ReadDevCfg(in, ctx, *driver), 1);

        EXPECT_EQ(in.dwReportRate[0], out.dwReportRate[0]);
        EXPECT_EQ(in.nLOD, out.nLOD);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(in.DpiLevel[i].bDisabled, out.DpiLevel[i].bDisabled) << i;
            if (i < 4) {
                EXPECT_EQ(in.DpiLevel[i].nDpiX, out.DpiLevel[i].nDpiX) << i;
                EXPECT_EQ(in.DpiLevel[i].nDpiY, out.DpiLevel[i].nDpiY) << i;
                EXPECT_EQ(in.DpiLevel[i].crColor, out.DpiLevel[i].crColor) << i;
            }
        }
        for (auto [a, b] :
             {std::pair{in.MainLight, out.MainLight}, {in.LogoLight, out.LogoLight}}) {
            EXPECT_EQ(a.nMode, b.nMode);
            EXPECT_EQ(a.nSpeed, b.nSpeed);
            EXPECT_EQ(a.nBright, b.nBright);
            EXPECT_EQ(a.crColor, b.crColor);
        }
        EXPECT_EQ(in.DpiLight.nMode, out.DpiLight.nMode);
        EXPECT_EQ(in.DpiLight.nSpeed, out.DpiLight.nSpeed);
        EXPECT_EQ(in.DpiLight.nBright, out.DpiLight.nBright);

        for (int i = 0; i < 16; ++i) {
            const KeyInfo& k = in.Key[0][i];
            EXPECT_EQ(k.dwFunID, keys[i].readBack) << "key " << i;
            if (KeyCategoryOf(k.dwFunID) == kCatKeyboard) {
                EXPECT_EQ(k.stCombo, keys[i].readParam) << "key " << i;
            } else if (k.dwFunID == kMacro) {
                StMacro got, sent;
                ASSERT_TRUE(CopyMacroById(k.dwMacroID, got)) << "key " << i;
                for (const StMacro& m : applied)
                    if (m.dwID == out.Key[0][i].dwMacroID)
                        sent = m;
                EXPECT_EQ(MacroName(got), MacroName(sent)) << "key " << i;
                EXPECT_EQ(got.nRepeatMode, sent.nRepeatMode) << "key " << i;
                EXPECT_EQ(got.wRepeatCount, sent.wRepeatCount) << "key " << i;
                EXPECT_EQ(0, std::memcmp(got.Steps, sent.Steps, 7 * sizeof(MacroStep)))
                    << "key " << i;
            } else {
                EXPECT_EQ(k.dwParameter, keys[i].readParam) << "key " << i;
            }
        }
    }
};

TEST_F(SyncRoundTripTest, MouseKeyboardMediaAndMacroKeys) {
    RoundTrip(kKeysA);
}

TEST_F(SyncRoundTripTest, DpiSwitchAndMoreKeyboardKeys) {
    RoundTrip(kKeysB);
}

// The mouse holds one key mode: the profile's current one. Its keys and its
// report rate go out and come back in that mode; the other modes are never
// touched by either direction.
TEST_F(SyncRoundTripTest, TheCurrentModeGoesOutAndComesBack) {
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        ProfileRecord out = Profile(0);
        out.nCurMode = mode;
        const uint32_t rates[kKeyModes] = {0x1000, 0x250, 0x500};
        std::copy(std::begin(rates), std::end(rates), out.dwReportRate);
        for (int m = 0; m < kKeyModes; ++m)
            out.Key[m][2].dwFunID = m == mode ? 0x80000A9u : 0x1000012u;
        ASSERT_EQ(Apply(out, APPLY_KEYS | APPLY_RATE, kApplyAll), 1);
        EXPECT_EQ(Memory(0x00, 1)[0], memmap::ReportRateToCode(rates[mode]));

        ProfileRecord in = out;
        in.dwReportRate[mode] = 0;
        in.Key[mode][2].dwFunID = 0;
        ASSERT_EQ(ReadDevCfg(in, ctx, *driver), 1);
        EXPECT_EQ(in.dwReportRate[mode], rates[mode]);
        EXPECT_EQ(in.Key[mode][2].dwFunID, 0x80000A9u);
        for (int m = 0; m < kKeyModes; ++m) {
            if (m == mode)
                continue;
            EXPECT_EQ(in.dwReportRate[m], out.dwReportRate[m]) << m;
            EXPECT_EQ(std::memcmp(in.Key[m], out.Key[m], sizeof in.Key[m]), 0) << m;
        }
    }
}

} // namespace
