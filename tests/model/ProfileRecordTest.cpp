// Creating and resetting profile records, and the id generator.

#include "model/ProfileRecord.h"

#include "model/ApplyRequest.h"
#include "model/CoreFixture.h"
#include "model/KeyTable.h"
#include "platform/Platform.h"
#include "store/ProfileDefaults.h"

#include <cstring>
#include <set>

namespace {

using testutil::ProductTest;

class ProfileRecordTest : public ProductTest {};

TEST_F(ProfileRecordTest, NewRecordCarriesTheDefaults) {
    ProfileRecord r;
    std::memset(&r, 0xCD, sizeof r);
    NewProfileRecord(r);
    EXPECT_EQ(r.dwMagicNumber, kProfileMagic);
    EXPECT_NE(r.dwProfileID, 0u);
    EXPECT_LE(r.dwProfileID, 0xFFFFFFu);
    EXPECT_EQ(text::FromField(r.szName, kProfileNameChars), u"");
    EXPECT_EQ(r.nCurMode, 0);
    EXPECT_EQ(std::memcmp(r.Key, settings::g_KeyTable, sizeof r.Key), 0);
    for (int m = 0; m < kKeyModes; ++m)
        EXPECT_EQ(r.dwReportRate[m], uint32_t(pSensorCfg->nRate[m]));
    EXPECT_EQ(r.nWheelLines, 3);
    EXPECT_EQ(r.nDblClickTime, 550);
    EXPECT_EQ(r.nPointerSpeed, 10);
    EXPECT_EQ(r.bEnhancePrecision, settings::g_opt.EnhancePrecision);
    EXPECT_EQ(r.nMouseTrails, 0);
    EXPECT_EQ(r.bXYSeparate, 0);
    EXPECT_EQ(r.nLOD, 1);
    EXPECT_EQ(r.nSensor, g_nCurSensor);
    for (int i = 0; i < kDpiLevels; ++i) {
        EXPECT_EQ(r.DpiLevel[i].nDpiX, pSensorCfg->nDpi[i]) << i;
        EXPECT_EQ(r.DpiLevel[i].nDpiY, pSensorCfg->nDpi[i]) << i;
        EXPECT_EQ(r.DpiLevel[i].crColor, pSensorCfg->crColor[i]) << i;
        EXPECT_EQ(r.DpiLevel[i].bDisabled, 0) << i;
    }
    // MainRGB=3,6,10,0,190,255 and LogoRGB=3,3,10,... DpiRGB=2,3,10 in the product.
    EXPECT_EQ(r.MainLight.nMode, 3);
    EXPECT_EQ(r.MainLight.nSpeed, 6);
    EXPECT_EQ(r.MainLight.nBright, 10);
    EXPECT_EQ(r.MainLight.crColor, settings::Rgb(0, 190, 255));
    EXPECT_EQ(r.LogoLight.nSpeed, 3);
    EXPECT_EQ(r.DpiLight.nMode, 2);
    EXPECT_EQ(r.DpiLight.nBright, 10);
    // Every reserved area is zero.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&r);
    const std::pair<size_t, size_t> reserved[] = {
        {8, 528}, {568, 608}, {2868, 2912}, {2916, 2992}, {2712, 2752}, {2768, 2808}, {2820, 2864}};
    for (auto [from, to] : reserved)
        for (size_t i = from; i < to; ++i)
            ASSERT_EQ(bytes[i], 0) << "offset " << i;
}

TEST_F(ProfileRecordTest, ResetNamesAListElementByItsPosition) {
    for (int i = 0; i < 3; ++i) {
        auto* r = new ProfileRecord;
        NewProfileRecord(*r);
        text::CopyToField(r->szName, kProfileNameChars, u"mine");
        r->nCurMode = 2;
        r->nLOD = 2;
        ASSERT_EQ(g_ProfileList.AddTail(r), 1);
    }
    ResetProfileDefaults(*g_ProfileList.At(0));
    ResetProfileDefaults(*g_ProfileList.At(2));
    EXPECT_EQ(text::FromField(g_ProfileList.At(0)->szName, 20), u"Onboard profile");
    EXPECT_EQ(text::FromField(g_ProfileList.At(1)->szName, 20), u"mine");
    EXPECT_EQ(text::FromField(g_ProfileList.At(2)->szName, 20), u"Profile 2");
    EXPECT_EQ(g_ProfileList.At(2)->nCurMode, 0);
    EXPECT_EQ(g_ProfileList.At(2)->nLOD, 1);

    // Outside the list the name stays.
    ProfileRecord loose = *g_ProfileList.At(1);
    ResetProfileDefaults(loose);
    EXPECT_EQ(text::FromField(loose.szName, 20), u"mine");
}

TEST_F(ProfileRecordTest, ResetWithoutASensorConfigurationLeavesTheLevelsZero) {
    g_nCurSensor = 0x9999; // in no configuration slot
    ProfileRecord r;
    NewProfileRecord(r);
    EXPECT_EQ(r.nSensor, 0u);
    for (const DpiLevelRecord& l : r.DpiLevel) {
        EXPECT_EQ(l.nDpiX, 0);
        EXPECT_EQ(l.nDpiY, 0);
        EXPECT_EQ(l.crColor, 0u);
    }
}

TEST_F(ProfileRecordTest, RebaseResetsKeysLevelsAndRatesOnly) {
    auto* r = new ProfileRecord;
    NewProfileRecord(*r);
    text::CopyToField(r->szName, kProfileNameChars, u"kept");
    r->nCurMode = 1;
    r->Key[1][3].dwFunID = 0x80000A2;
    r->DpiLevel[0].nDpiX = 12345;
    r->dwReportRate[0] = 0x125;
    r->MainLight.nMode = 1;
    r->nLOD = 2;
    ASSERT_EQ(g_ProfileList.AddTail(r), 1);
    const ProfileRecord before = *r;

    // An unknown sensor resets mode and keys only.
    RebaseProfilesOnSensor(0x9999);
    EXPECT_EQ(r->nCurMode, 0);
    EXPECT_EQ(std::memcmp(r->Key, settings::g_KeyTable, sizeof r->Key), 0);
    EXPECT_EQ(r->DpiLevel[0].nDpiX, 12345);
    EXPECT_EQ(r->dwReportRate[0], 0x125u);

    RebaseProfilesOnSensor(g_nCurSensor);
    EXPECT_EQ(r->DpiLevel[0].nDpiX, pSensorCfg->nDpi[0]);
    EXPECT_EQ(r->dwReportRate[0], uint32_t(pSensorCfg->nRate[0]));
    EXPECT_EQ(std::memcmp(r->szName, before.szName, sizeof r->szName), 0);
    EXPECT_EQ(r->MainLight.nMode, 1);
    EXPECT_EQ(r->nLOD, 2);
}

// An automatic sensor switch (the receiver's release number) comes before the
// re-base: the profiles then take the new mouse's keys, not the old one's.
TEST_F(ProfileRecordTest, RebaseAfterASensorSwitchTakesTheNewSensorsKeys) {
    auto* r = new ProfileRecord;
    NewProfileRecord(*r);
    ASSERT_EQ(g_ProfileList.AddTail(r), 1);
    ASSERT_EQ(r->Key[1][5].dwFunID, 0x4000022u); // the 0x3325's play/pause in mode 2

    set_cur_sensor(0x3335); // its mode 2 copies mode 1: DPI cycle
    EXPECT_EQ(settings::g_KeyTable[1][5].dwFunID, 0x80000AAu);
    RebaseProfilesOnSensor(g_nCurSensor);
    EXPECT_EQ(r->Key[1][5].dwFunID, 0x80000AAu);
    // The buttons' places stay those of the keys page.
    EXPECT_EQ(r->Key[1][5].rcHot, settings::g_KeyTable[0][5].rcHot);
    EXPECT_GT(r->Key[1][5].rcHot.right, 0);

    set_cur_sensor(0x3325);
    EXPECT_EQ(settings::g_KeyTable[1][5].dwFunID, 0x4000022u);
}

TEST_F(ProfileRecordTest, IdsDifferAndSkipIdsInUse) {
    // Ids made back to back, as a configuration read makes one per device
    // macro, come from the same millisecond: each is new and none is 0,
    // which marks an empty profile slot.
    std::set<uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const uint32_t id = MakeProfileId();
        EXPECT_NE(id, 0u);
        EXPECT_LE(id, 0xFFFFFFu);
        EXPECT_TRUE(seen.insert(id).second) << std::hex << id;
    }

    // Occupy every id of this second and the next one, half by macros and
    // half by profiles: a new id must fall outside them.
    const platform::LocalTime t = platform::Now();
    const uint32_t base =
        (uint32_t(t.hour & 0xF) << 20) | (uint32_t(t.minute) << 14) | (uint32_t(t.second) << 8);
    std::set<uint32_t> taken;
    for (uint32_t id = base; id < base + 512; ++id) {
        taken.insert(id);
        if (id % 2) {
            StMacro m{};
            m.dwMagicNumber = kMacroMagic;
            m.dwID = id;
            ASSERT_NE(AppendMacro(m), nullptr);
        } else {
            auto* p = new ProfileRecord{};
            p->dwProfileID = id;
            ASSERT_EQ(g_ProfileList.AddTail(p), 1);
        }
    }
    const uint32_t id = MakeProfileId();
    EXPECT_EQ(taken.count(id), 0u) << std::hex << id;
    EXPECT_NE(id, 0u);
    EXPECT_LE(id, 0xFFFFFFu);
}

struct SanitizeCase {
    const char* what;
    void (*corrupt)(ProfileRecord&);
    bool (*fixed)(const ProfileRecord&);
    const char* log;
};

TEST_F(ProfileRecordTest, OutOfRangeFieldsFallBackToTheirDefaults) {
    const SanitizeCase cases[] = {
        {"mode", [](ProfileRecord& r) { r.nCurMode = 7; },
         [](const ProfileRecord& r) { return r.nCurMode == 0; }, "nCurMode=7 out of range"},
        {"negative mode", [](ProfileRecord& r) { r.nCurMode = -1; },
         [](const ProfileRecord& r) { return r.nCurMode == 0; }, "nCurMode=-1"},
        {"matrix index", [](ProfileRecord& r) { r.Key[2][4].nMatrixIndex = 400; },
         [](const ProfileRecord& r) {
             return r.Key[2][4].nMatrixIndex == settings::g_KeyTable[2][4].nMatrixIndex;
         },
         "key 2/4 nMatrixIndex=400"},
        {"main speed", [](ProfileRecord& r) { r.MainLight.nSpeed = 11; },
         [](const ProfileRecord& r) { return r.MainLight.nSpeed == 6; }, "MainLight.nSpeed=11"},
        {"logo bright", [](ProfileRecord& r) { r.LogoLight.nBright = 0; },
         [](const ProfileRecord& r) { return r.LogoLight.nBright == 10; }, "LogoLight.nBright=0"},
        {"dpi bright", [](ProfileRecord& r) { r.DpiLight.nBright = -5; },
         [](const ProfileRecord& r) { return r.DpiLight.nBright == 10; }, "DpiLight.nBright=-5"},
        {"lod", [](ProfileRecord& r) { r.nLOD = 9; },
         [](const ProfileRecord& r) { return r.nLOD == 1; }, "nLOD=9"},
        {"unterminated name",
         [](ProfileRecord& r) {
             for (char16_t& c : r.szName)
                 c = u'x';
         },
         [](const ProfileRecord& r) {
             return text::FromField(r.szName, kProfileNameChars) == std::u16string(19, u'x');
         },
         "name not terminated"},
    };
    ProfileRecord good;
    NewProfileRecord(good);
    EXPECT_EQ(SanitizeProfileRecord(good), 0);
    for (const SanitizeCase& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::LogCapture log;
        ProfileRecord r = good;
        c.corrupt(r);
        EXPECT_EQ(SanitizeProfileRecord(r), 1);
        EXPECT_TRUE(c.fixed(r));
        EXPECT_TRUE(log.Contains(c.log)) << log.Text();
    }
}

// Which values the mouse can take: known functions stay even without a device
// code, unknown ones on a key with a device slot take the key's default, and
// only the DPI levels and the rate the device uses are checked.
TEST_F(ProfileRecordTest, DeviceSanitizingReplacesWhatTheMouseCannotTake) {
    struct Case {
        const char* what;
        void (*corrupt)(ProfileRecord&);
        int fixes;
        uint32_t unfixable;
    };
    const Case cases[] = {
        {"nothing wrong", [](ProfileRecord&) {}, 0, 0},
        {"snipe, no device code", [](ProfileRecord& r) { r.Key[0][0].dwFunID = 0x80000A6; }, 0, 0},
        {"extra key 4", [](ProfileRecord& r) { r.Key[1][0].dwFunID = 0x0B000004; }, 0, 0},
        {"extra key 5", [](ProfileRecord& r) { r.Key[1][0].dwFunID = 0x0B000005; }, 1, 0},
        {"mute", [](ProfileRecord& r) { r.Key[2][0].dwFunID = 0x04000028; }, 0, 0},
        {"media 0x29", [](ProfileRecord& r) { r.Key[2][0].dwFunID = 0x04000029; }, 1, 0},
        {"mouse 0x19", [](ProfileRecord& r) { r.Key[0][0].dwFunID = 0x01000019; }, 1, 0},
        {"category 0", [](ProfileRecord& r) { r.Key[0][0].dwFunID = 0; }, 1, 0},
        {"category 0 without a slot",
         [](ProfileRecord& r) {
             r.Key[0][0].dwFunID = 0;
             r.Key[0][0].nMatrixIndex = 0;
         },
         0, 0},
        {"rate of mode 2", [](ProfileRecord& r) { r.dwReportRate[2] = 0x300; }, 1, 0},
        {"rate, default too",
         [](ProfileRecord& r) {
             r.dwReportRate[0] = 0x300;
             pSensorCfg->nRate[0] = 0;
         },
         0, APPLY_RATE},
        {"DPI of a level in use", [](ProfileRecord& r) { r.DpiLevel[0].nDpiY = 1; }, 1, 0},
        {"DPI of a level not in use",
         [](ProfileRecord& r) { r.DpiLevel[pSensorCfg->nLevels].nDpiX = 1; }, 0, 0},
        {"DPI, default too",
         [](ProfileRecord& r) {
             r.DpiLevel[1].nDpiX = 1;
             pSensorCfg->nDpi[1] = 2;
         },
         0, APPLY_DPI},
        {"lift-off, as the store checks", [](ProfileRecord& r) { r.nLOD = 0; }, 1, 0},
    };
    ASSERT_NE(pSensorCfg, nullptr);
    ASSERT_LT(pSensorCfg->nLevels, kDpiLevels);
    const SensorCfg saved = *pSensorCfg;
    ProfileRecord good;
    NewProfileRecord(good);
    for (int m = 0; m < kKeyModes; ++m)
        good.Key[m][0].nMatrixIndex = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        *pSensorCfg = saved;
        ProfileRecord r = good;
        c.corrupt(r);
        const DeviceSanitizeResult got = SanitizeProfileForDevice(r);
        EXPECT_EQ(got.nFixes, c.fixes);
        EXPECT_EQ(got.nUnfixable, c.unfixable);
        if (c.fixes == 0 || c.unfixable != 0)
            continue;
        // What was mended is the default, and mending again finds nothing.
        EXPECT_EQ(SanitizeProfileForDevice(r).nFixes, 0);
    }
    *pSensorCfg = saved;
}

} // namespace
