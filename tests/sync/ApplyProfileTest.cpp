// The writer of an apply against the virtual receiver: what reaches the
// device for each request, and every way a step fails.

#include "sync/ApplyProfile.h"

#include "model/MemoryMap.h"
#include "store/MacroList.h"
#include "sync/SyncFixture.h"

namespace {

using testutil::DeviceWrite;

class ApplyProfileTest : public testutil::SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        p = Profile(0);
    }
    // A macro of `events` steps (alternating press and release of A) in the library.
    uint32_t AddMacro(const std::u16string& name, int events) {
        StMacro m = NewMacroRecord(name);
        for (int i = 0; i < events; ++i)
            m.Steps[i] = {0x41, uint16_t(i % 2 == 0), 20};
        auto lock = g_MacroList.Lock();
        return AppendMacro(m)->dwID;
    }
    ProfileRecord p;
};

TEST_F(ApplyProfileTest, OneKeyWritesItsMatrixEntryOnly) {
    struct Case {
        int32_t nMatrixIndex;
        std::vector<int> addrs;
    } cases[] = {{5, {0x70}},
                 {0, {}},
                 // Out of range: the key's default slot is taken.
                 {17, {int(memmap::KeyMatrixAddr(settings::g_KeyTable[0][3].nMatrixIndex - 1))}}};
    for (const Case& c : cases) {
        p.Key[0][3].nMatrixIndex = c.nMatrixIndex;
        p.Key[0][3].dwFunID = 0x1000013; // right button
        rec.Clear();
        EXPECT_EQ(Apply(p, APPLY_KEYS, 3), 1);
        std::vector<int> addrs;
        for (const DeviceWrite& w : Writes())
            addrs.push_back(w.addr);
        EXPECT_EQ(addrs, c.addrs) << c.nMatrixIndex;
        EXPECT_EQ(rec.Count("Matrix["), 16);
    }
    EXPECT_EQ(Memory(0x70, 4), (std::vector<uint8_t>{0x01, 0x02, 0x00, 0x52}));
}

TEST_F(ApplyProfileTest, MacroKeyWritesItsBlockAndSlotCode) {
    const uint32_t id = AddMacro(u"ten", 10);
    p.Key[0][3] = {};
    p.Key[0][3].dwFunID = 0x5000000;
    p.Key[0][3].dwMacroID = id;
    p.Key[0][3].nMatrixIndex = 5;
    ASSERT_EQ(Apply(p, APPLY_KEYS, 3), 1);
    const std::vector<DeviceWrite> writes = Writes();
    ASSERT_EQ(writes.size(), 10u); // nine for the 86-byte block, one for the matrix entry
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(writes[i].addr, 0x900 + 10 * int(i));
    const std::vector<uint8_t> block = Memory(0x900, 86);
    EXPECT_EQ(block[0], 6); // "ten": three characters
    EXPECT_EQ(block[31], 10);
    EXPECT_EQ(block[82], memmap::BlockCheck(block.data() + 31, 51));
    // Slot 4 in byte 1 of the code, repeat count 1 in byte 2.
    EXPECT_EQ(Memory(0x70, 3), (std::vector<uint8_t>{0x06, 0x04, 0x01}));
    EXPECT_TRUE(rec.Has("macro data(key=3, MatrixInx=4):"));

    // Its macro gone from the library: no block, and the matrix says so.
    RemoveMacroById(id);
    ASSERT_EQ(Apply(p, APPLY_KEYS, 3), 1);
    ASSERT_EQ(Writes().size(), 1u);
    EXPECT_EQ(Memory(0x70, 3), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
}

TEST_F(ApplyProfileTest, AllKeysWriteTheWholeMatrixWithTheProfileSwitch) {
    settings::g_opt.ProSwKeyIndex = 3;
    p.Key[0][2].dwFunID = 0x1000012; // middle, at matrix index 3
    p.Key[0][9].dwFunID = 0x4000028; // mute at matrix index 10
    p.Key[0][9].nMatrixIndex = 10;
    ASSERT_EQ(Apply(p, APPLY_KEYS, kApplyAll), 1);
    const std::vector<DeviceWrite> writes = Writes();
    std::vector<int> matrixWrites;
    for (const DeviceWrite& w : writes)
        if (w.addr >= 0x60 && w.addr < 0xA0)
            matrixWrites.push_back(int(w.data.size()));
    EXPECT_EQ(matrixWrites, std::vector<int>(8, 8));
    EXPECT_EQ(Memory(0x68, 4), (std::vector<uint8_t>{0x09, 0x00, 0x00, 0x4C}));
    EXPECT_EQ(Memory(0x100 + 32 * 9, 8),
              (std::vector<uint8_t>{0x02, 0x82, 0xE2, 0x00, 0x42, 0xE2, 0x00, 0xCB}));
}

TEST_F(ApplyProfileTest, LightsWriteWhatTheirModesNeed) {
    struct Case {
        const char* name;
        uint32_t nData;
        int32_t mainMode, logoMode, dpiMode;
        std::vector<std::pair<int, int>> writes; // address, length
        int reads;                               // memory reads besides
    } cases[] = {
        {"main off keeps the colour", LED_MAIN, 0, 1, 1, {{0xA0, 7}}, 1},
        {"main on", LED_MAIN, 1, 1, 1, {{0xA0, 7}}, 0},
        {"logo mode 1", LED_LOGO, 1, 1, 1, {{0x54, 8}}, 0},
        {"logo mode 2 has a speed", LED_LOGO, 1, 2, 1, {{0x54, 8}, {0x5C, 2}}, 0},
        {"logo off", LED_LOGO, 1, 0, 1, {{0x58, 2}}, 0},
        {"DPI light", LED_DPI, 1, 1, 3, {{0x4C, 6}}, 0},
        {"DPI light off", LED_DPI, 1, 1, 0, {{0x4C, 2}}, 0},
        {"all",
         LED_MAIN | LED_LOGO | LED_DPI,
         1,
         3,
         0,
         {{0xA0, 7}, {0x54, 8}, {0x5C, 2}, {0x4C, 2}},
         0},
    };
    receiver->WriteMemory(0xA0, {1, 0x11, 0x22, 0x33, 0x96, 0xFF, 0});
    for (const Case& c : cases) {
        p.MainLight.nMode = c.mainMode;
        p.LogoLight.nMode = c.logoMode;
        p.DpiLight.nMode = c.dpiMode;
        ASSERT_EQ(Apply(p, APPLY_LED, c.nData), 1) << c.name;
        std::vector<std::pair<int, int>> writes;
        for (const DeviceWrite& w : Writes())
            writes.emplace_back(w.addr, int(w.data.size()));
        EXPECT_EQ(writes, c.writes) << c.name;
        EXPECT_EQ(receiver->ReportsReceived() - int(writes.size()), c.reads) << c.name;
        if (c.mainMode == 0) { // device mode 4, the device's colour, check 0x51 - sum(1..5)
            EXPECT_EQ(Memory(0xA0, 7),
                      (std::vector<uint8_t>{4, 0x11, 0x22, 0x33, 0x96, 0xFF,
                                            uint8_t(0x51 - 0x11 - 0x22 - 0x33 - 0x96 - 0xFF)}));
        }
    }
}

TEST_F(ApplyProfileTest, TablesGoTwoEntriesPerReport) {
    p.DpiLevel[2].bDisabled = 1;
    p.nLOD = 2;
    p.dwReportRate[0] = 0x250;
    ASSERT_EQ(
        Apply(p, APPLY_DPI | APPLY_DPI_COUNT | APPLY_DPI_COLOR | APPLY_RATE | APPLY_LOD, kApplyAll),
        1);
    std::vector<std::pair<int, int>> writes;
    for (const DeviceWrite& w : Writes())
        writes.emplace_back(w.addr, int(w.data.size()));
    // Six levels of the product's sensor: 24 bytes in three reports each.
    const std::vector<std::pair<int, int>> expected = {{0x0C, 8}, {0x14, 8}, {0x1C, 8},
                                                       {0x02, 2}, {0x2C, 8}, {0x34, 8},
                                                       {0x3C, 8}, {0x00, 2}, {0x0A, 2}};
    EXPECT_EQ(writes, expected);
    EXPECT_EQ(Memory(0x02, 2), (std::vector<uint8_t>{5, 0x50}));
    EXPECT_EQ(Memory(0x00, 2), (std::vector<uint8_t>{4, 0x51}));
    EXPECT_EQ(Memory(0x0A, 2), (std::vector<uint8_t>{2, 0x53}));
    EXPECT_TRUE(rec.Has("DpiX="));
    EXPECT_TRUE(rec.Has("SetLOD = 2"));
}

TEST_F(ApplyProfileTest, FailedStepsStopTheApplyUnlessGoWithNoDev) {
    struct Case {
        const char* name;
        int goWithNoDev;
        void (*fault)(ProfileRecord&, sim::VirtualReceiver&);
        int result;
        const char* log;
    } cases[] = {
        {"rate outside the table, default too", 0,
         [](ProfileRecord& r, sim::VirtualReceiver&) {
             r.dwReportRate[0] = 0x300;
             pSensorCfg->nRate[0] = 0x300;
         },
         0, "ApplyProfile: nFlag=0x228 refused, groups 0x20"},
        {"lift-off outside the table: 1 taken", 0,
         [](ProfileRecord& r, sim::VirtualReceiver&) { r.nLOD = 3; }, 1, "nLOD=3 out of range"},
        {"sends fail", 0, [](ProfileRecord&, sim::VirtualReceiver& v) { v.SetSendsFail(true); }, 0,
         "SendCommand err"},
        {"a chunk never acknowledged", 0,
         [](ProfileRecord&, sim::VirtualReceiver& v) { v.SetResultCodeForNext(1, 1); }, 0,
         "WriteEEPROM: chunk 0 at Addr=0x0 not acknowledged"},
        {"rate outside the table, default too, GoWithNoDev", 1,
         [](ProfileRecord& r, sim::VirtualReceiver&) {
             r.dwReportRate[0] = 0x300;
             pSensorCfg->nRate[0] = 0x300;
         },
         1, "Set report rate: 0x300"},
        {"sends fail, GoWithNoDev", 1,
         [](ProfileRecord&, sim::VirtualReceiver& v) { v.SetSendsFail(true); }, 1, "Apply Success"},
    };
    const int32_t defaultRate = pSensorCfg->nRate[0];
    for (const Case& c : cases) {
        ProfileRecord r = p;
        pSensorCfg->nRate[0] = defaultRate;
        settings::g_opt.GoWithNoDev = c.goWithNoDev;
        receiver->SetSendsFail(false);
        c.fault(r, *receiver);
        m_mouse.Reset();
        r.nDblClickTime = 321;
        rec.Clear();
        EXPECT_EQ(Apply(r, APPLY_RATE | APPLY_LOD | APPLY_SYS, 0), c.result) << c.name;
        EXPECT_TRUE(rec.Mentions(c.log)) << c.name;
        // A failed rate or lift-off step ends the apply before the system step.
        EXPECT_EQ(m_mouse.Calls().empty(), c.result == 0) << c.name;
        EXPECT_EQ(rec.Has("Apply Success"), c.result == 1) << c.name;
    }
    pSensorCfg->nRate[0] = defaultRate;
}

// Values the mouse cannot take: a full apply writes the profile with the
// sensor's defaults in their place, exactly as an apply of the mended profile
// would, or, when the default is no better, writes nothing at all.
TEST_F(ApplyProfileTest, BadValuesNeverLeaveTheDeviceHalfWritten) {
    using Edit = void (*)(ProfileRecord&);
    struct Case {
        const char* name;
        Edit corrupt;
        Edit mend; // null: the request is refused
        Edit spoilDefault;
        const char* log;
    };
    static const Case cases[] = {
        {"rate", [](ProfileRecord& r) { r.dwReportRate[0] = 0x300; },
         [](ProfileRecord& r) { r.dwReportRate[0] = uint32_t(pSensorCfg->nRate[0]); }, nullptr,
         "dwReportRate[0]=0x300 is not a report rate, 0x"},
        {"DPI between two steps", [](ProfileRecord& r) { r.DpiLevel[2].nDpiX = 777; },
         [](ProfileRecord& r) { r.DpiLevel[2].nDpiX = r.DpiLevel[2].nDpiY = pSensorCfg->nDpi[2]; },
         nullptr, "DPI level 2 777x"},
        {"DPI Y of 0", [](ProfileRecord& r) { r.DpiLevel[0].nDpiY = 0; },
         [](ProfileRecord& r) { r.DpiLevel[0].nDpiX = r.DpiLevel[0].nDpiY = pSensorCfg->nDpi[0]; },
         nullptr, "DPI level 0 "},
        {"key of no category",
         [](ProfileRecord& r) {
             r.Key[0][0].dwFunID = 0x07000001;
             r.Key[0][0].dwParameter = 0x123;
         },
         [](ProfileRecord& r) {
             const KeyInfo& d = settings::g_KeyTable[0][0];
             r.Key[0][0].dwFunID = d.dwFunID;
             r.Key[0][0].dwParameter = d.dwParameter;
         },
         nullptr, "key 0/0 dwFunID=0x7000001 unknown"},
        {"media key the table lacks", [](ProfileRecord& r) { r.Key[0][1].dwFunID = 0x040000FF; },
         [](ProfileRecord& r) { r.Key[0][1].dwFunID = settings::g_KeyTable[0][1].dwFunID; },
         nullptr, "key 0/1 dwFunID=0x40000ff unknown"},
        // What a cut-off profile file reads as: every key, DPI value and rate 0.
        {"zeroed hardware part",
         [](ProfileRecord& r) {
             for (KeyInfo& k : r.Key[0])
                 k.dwFunID = 0;
             for (uint32_t& rate : r.dwReportRate)
                 rate = 0;
             for (DpiLevelRecord& l : r.DpiLevel)
                 l.nDpiX = l.nDpiY = 0;
         },
         [](ProfileRecord& r) {
             for (int k = 0; k < kKeysPerMode; ++k)
                 if (HasDeviceSlot(r.Key[0][k]))
                     r.Key[0][k].dwFunID = settings::g_KeyTable[0][k].dwFunID;
             for (int m = 0; m < kKeyModes; ++m)
                 r.dwReportRate[m] = uint32_t(pSensorCfg->nRate[m]);
             for (int i = 0; i < pSensorCfg->nLevels; ++i)
                 r.DpiLevel[i].nDpiX = r.DpiLevel[i].nDpiY = pSensorCfg->nDpi[i];
         },
         nullptr, "dwReportRate[2]=0x0"},
        {"rate, default too", [](ProfileRecord& r) { r.dwReportRate[0] = 0x300; }, nullptr,
         [](ProfileRecord&) { pSensorCfg->nRate[0] = 0x301; }, "ApplyProfile: nFlag=0x2ef refused"},
        {"DPI, default too", [](ProfileRecord& r) { r.DpiLevel[1].nDpiX = 777; }, nullptr,
         [](ProfileRecord&) { pSensorCfg->nDpi[1] = 778; }, "ApplyProfile: nFlag=0x2ef refused"},
    };
    const SensorCfg savedCfg = *pSensorCfg;
    const sim::Memory factory = receiver->ReadMemory();
    auto restoreMemory = [&] {
        receiver->WriteMemory(0, std::vector<uint8_t>(factory.begin(), factory.end()));
    };
    const uint32_t flag = kApplyFull | APPLY_LOD;
    // The stored profile differs from the device in every group.
    p.Key[0][2].dwFunID = 0x80000AA;
    p.DpiLevel[3].nDpiX = p.DpiLevel[3].nDpiY = pSensorCfg->nDpi[4];
    p.DpiLevel[3].crColor = 0x123456;
    p.nLOD = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *pSensorCfg = savedCfg;
        ProfileRecord bad = p;
        c.corrupt(bad);
        if (c.spoilDefault)
            c.spoilDefault(bad);
        restoreMemory();
        rec.Clear();
        const int result = Apply(bad, flag, kApplyAll);
        EXPECT_TRUE(rec.Mentions(c.log));
        const sim::Memory got = receiver->ReadMemory();
        if (!c.mend) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(Writes().empty());
            EXPECT_TRUE(got == factory);
            continue;
        }
        EXPECT_EQ(result, 1);
        ProfileRecord mended = p;
        c.corrupt(mended);
        c.mend(mended);
        restoreMemory();
        rec.Clear();
        ASSERT_EQ(Apply(mended, flag, kApplyAll), 1);
        EXPECT_FALSE(rec.Mentions("not a step")); // the mended profile needs no mending
        EXPECT_FALSE(rec.Mentions("not a report rate"));
        EXPECT_TRUE(got == receiver->ReadMemory());
        EXPECT_FALSE(got == factory);
    }
    *pSensorCfg = savedCfg;
}

TEST_F(ApplyProfileTest, MainLightOffFailsWhenItsReadFails) {
    p.MainLight.nMode = 0;
    receiver->DropNextAnswers(1);
    EXPECT_EQ(Apply(p, APPLY_LED, LED_MAIN), 0);
    EXPECT_TRUE(Writes().empty());
}

TEST_F(ApplyProfileTest, NothingWithoutDeviceProfileOrId) {
    ProfileRecord noId = p;
    noId.dwProfileID = 0;
    EXPECT_EQ(Apply(noId, kApplyFull, kApplyAll), 0);
    EXPECT_EQ(ApplyProfile(nullptr, driver.get(), nullptr, WM_PROGRESS_SETPOS, kApplyFull,
                           kApplyAll, &m_mouse),
              0);
    EXPECT_EQ(
        ApplyProfile(nullptr, nullptr, &p, WM_PROGRESS_SETPOS, kApplyFull, kApplyAll, &m_mouse), 0);
    receiver->SetUnplugged(true);
    CUSBDriver closed(std::make_unique<sim::VirtualHidLibrary>(receiver));
    ASSERT_TRUE(closed.InitDriver());
    ASSERT_FALSE(closed.OpenDevice());
    EXPECT_EQ(ApplyProfile(nullptr, &closed, &p, WM_PROGRESS_SETPOS, APPLY_RATE, 0, &m_mouse), 0);
    settings::g_opt.GoWithNoDev = 1;
    EXPECT_EQ(ApplyProfile(nullptr, &closed, &p, WM_PROGRESS_SETPOS, APPLY_RATE, 0, &m_mouse), 1);
    EXPECT_EQ(receiver->ReportsReceived(), 0);
}

TEST_F(ApplyProfileTest, ProgressAndSystemSettings) {
    testutil::RecordingPoster window;
    // Two settings differ from the system's: double-click time and acceleration.
    p.nDblClickTime = 700;
    p.bEnhancePrecision = 0;
    p.nWheelLines = 3;
    p.nPointerSpeed = 10;
    p.nMouseTrails = 0;
    struct Case {
        int showMsSys;
        uint32_t flag;
        size_t calls;
    } cases[] = {{1, APPLY_SYS, 4}, {1, APPLY_RESTORE, 4}, {1, APPLY_RATE, 0}, {0, APPLY_SYS, 0}};
    for (const Case& c : cases) {
        settings::g_opt.ShowMsSys = c.showMsSys;
        m_mouse.Reset();
        window.Clear();
        ASSERT_EQ(Apply(p, c.flag, 0, &window), 1);
        // Each change is set and announced.
        EXPECT_EQ(m_mouse.Calls().size(), c.calls) << c.flag;
        std::vector<uintptr_t> percents;
        for (const auto& m : window.Messages()) {
            EXPECT_EQ(m.msg, WM_PROGRESS_SETPOS);
            percents.push_back(m.wParam);
        }
        EXPECT_EQ(percents, (std::vector<uintptr_t>{20, 30, 50, 60, 70, 80, 100}));
        if (c.flag & APPLY_RESTORE) {
            ASSERT_EQ(receiver->ReceivedReports().size(), 1u);
            EXPECT_EQ(receiver->ReceivedReports()[0][1], 9);
        }
    }
}

} // namespace
