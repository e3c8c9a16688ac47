// The configuration read: decoding device memory into a profile (from a
// memory image, without the device's pauses), the macros it brings into the
// library, its failures, and the worker against the virtual receiver.

#include "sync/DeviceRead.h"

#include "model/KeyCodes.h"
#include "model/MacroEncoding.h"
#include "model/MemoryMap.h"
#include "platform/Platform.h"
#include "store/MacroFile.h"
#include "store/MacroLibrary.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"
#include "sync/SyncFixture.h"

#include <functional>
#include <thread>

namespace {

class ReadDevCfgTest : public testutil::SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        const sim::Memory m = sim::FactoryImage();
        image.assign(m.begin(), m.end());
        p = Profile(0);
    }
    int Read(ProfileRecord& r) {
        ImageMemorySource source(image);
        return ReadDevCfg(r, ctx, source);
    }
    // Macro block `slot` with `name` and the steps of `macro`; key matrix slot
    // `slot` runs it with repeat byte `repeat`.
    void PutMacro(int slot, const std::u16string& name, const StMacro& macro, uint8_t repeat = 1) {
        uint8_t events[memmap::kMacroBlockBytes] = {};
        const size_t n = StMacro_To_HdMacro(&macro, events);
        uint8_t block[memmap::kMacroBlockBytes];
        const size_t length = memmap::BuildMacroBlock(name, events, n, block);
        std::copy(block, block + length, image.begin() + memmap::MacroBlockAddr(slot));
        const auto entry = memmap::EncodeMatrixEntry(int32_t(repeat << 16 | slot << 8 | 6));
        std::copy(entry.begin(), entry.end(), image.begin() + memmap::KeyMatrixAddr(slot));
    }
    static StMacro Steps(uint32_t delay) {
        StMacro m = NewMacroRecord(u"");
        m.Steps[0] = {0xA0, 1, delay};
        m.Steps[1] = {0x41, 1, 50};
        m.Steps[2] = {0x41, 0, 0};
        m.Steps[3] = {0xA0, 0, 0};
        return m;
    }
    static int LibraryCount() { return g_MacroList.Count(); }

    std::vector<uint8_t> image;
    ProfileRecord p;
};

TEST_F(ReadDevCfgTest, FactoryImageDecodes) {
    ASSERT_EQ(Read(p), 1);
    EXPECT_EQ(p.dwReportRate[0], 0x1000u);
    EXPECT_EQ(g_nCurDpiLevel.load(), 1);
    EXPECT_EQ(p.nLOD, 1);
    const int32_t dpi[] = {800, 1200, 1600, 2400, 3200, 6400};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(p.DpiLevel[i].bDisabled, i < 6 ? 0 : 1) << i;
        if (i < 6) {
            EXPECT_EQ(p.DpiLevel[i].nDpiX, dpi[i]) << i;
        }
    }
    EXPECT_EQ(p.DpiLevel[0].crColor, 0x2828FFu);
    const uint32_t keys[] = {0x1000011, 0x1000013, 0x1000012, 0x1000015,
                             0x1000014, 0x80000AA, 0x80000A8, 0x80000A9};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(p.Key[0][i].dwFunID, keys[i]) << i;
    EXPECT_EQ(p.MainLight.nMode, 3);
    EXPECT_EQ(p.MainLight.nSpeed, 6);
    EXPECT_EQ(p.LogoLight.nMode, 3);
    EXPECT_EQ(p.DpiLight.nBright, 10);
    for (const char* line :
         {"GetProfile (0x00~0x5F):", "GetProfile (0x60~0x9F) (KeyMatrix):",
          "GetComboKeyData (0x100~0x300):", "GetMacroName:", "set g_nCurDpiLevel=-1", "LOD=1",
          "nCode = 0x53000101, MatrixInx=1", "keyinfo: major=0x1, minor=17", "EEPROM_To_MainRGB:"})
        EXPECT_TRUE(rec.Has(line)) << line;
    EXPECT_TRUE(rec.Boxes().empty());
}

TEST_F(ReadDevCfgTest, DecodingEdgeCases) {
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> device;
        int result;
        std::function<void(const ProfileRecord& before, const ProfileRecord& after)> check;
        std::vector<std::string> boxes;
    } cases[] = {
        {"rate code 3 fails", [](auto& m) { m[0x00] = 3; }, 0, nullptr, {}},
        {"no levels: all disabled, values kept",
         [](auto& m) { m[0x02] = 0; },
         1,
         [](const ProfileRecord& b, const ProfileRecord& a) {
             for (int i = 0; i < 8; ++i) {
                 EXPECT_EQ(a.DpiLevel[i].bDisabled, 1);
                 EXPECT_EQ(a.DpiLevel[i].nDpiX, b.DpiLevel[i].nDpiX);
                 EXPECT_EQ(a.DpiLevel[i].crColor, b.DpiLevel[i].crColor);
             }
         },
         {}},
        {"a level count above eight reads eight",
         [](auto& m) { m[0x02] = 200; },
         1,
         [](const ProfileRecord&, const ProfileRecord& a) {
             EXPECT_EQ(a.DpiLevel[7].bDisabled, 0);
         },
         {}},
        {"one unknown DPI code among four",
         [](auto& m) { m[0x02] = 4, m[0x10] = 0xEE; },
         1,
         [](const ProfileRecord&, const ProfileRecord& a) {
             EXPECT_EQ(a.DpiLevel[0].nDpiX, 800);
             EXPECT_EQ(a.DpiLevel[1].nDpiX, 0);
             EXPECT_EQ(a.DpiLevel[2].nDpiX, 1600);
             EXPECT_EQ(a.DpiLevel[3].nDpiX, 2400);
             EXPECT_EQ(a.DpiLevel[4].bDisabled, 1);
         },
         {"Warning: Get wrong dpi from device"}},
        {"logo off changes only its mode",
         [](auto& m) { m[0x58] = 0, m[0x5A] = 0x01, m[0x54] = 7; },
         1,
         [](const ProfileRecord& b, const ProfileRecord& a) {
             EXPECT_EQ(a.LogoLight.nMode, 0);
             EXPECT_EQ(a.LogoLight.nSpeed, b.LogoLight.nSpeed);
             EXPECT_EQ(a.LogoLight.nBright, b.LogoLight.nBright);
             EXPECT_EQ(a.LogoLight.crColor, b.LogoLight.crColor);
         },
         {}},
        {"unknown brightness byte reads as level 1",
         [](auto& m) { m[0x4E] = 0x50; },
         1,
         [](const ProfileRecord&, const ProfileRecord& a) { EXPECT_EQ(a.DpiLight.nBright, 1); },
         {}},
        {"DPI level in use out of range",
         [](auto& m) { m[0x04] = 9; },
         1,
         [](const ProfileRecord&, const ProfileRecord&) { EXPECT_EQ(g_nCurDpiLevel.load(), -1); },
         {}},
        {"lift-off outside 1 and 2 keeps the profile's",
         [](auto& m) { m[0x0A] = 7; },
         1,
         [](const ProfileRecord& b, const ProfileRecord& a) { EXPECT_EQ(a.nLOD, b.nLOD); },
         {}},
        {"undecodable key code keeps the key",
         [](auto& m) { m[0x60] = 0x77; },
         1,
         [](const ProfileRecord& b, const ProfileRecord& a) {
             EXPECT_EQ(a.Key[0][0].dwFunID, b.Key[0][0].dwFunID);
         },
         {}},
    };
    const std::vector<uint8_t> factory = image;
    for (const Case& c : cases) {
        image = factory;
        c.device(image);
        ProfileRecord before = Profile(0);
        before.nLOD = 2;
        before.LogoLight = {9, 9, 9, 0x123456, {}};
        before.Key[0][0].dwFunID = 0x80000B0;
        for (DpiLevelRecord& l : before.DpiLevel)
            l.nDpiX = 777;
        ProfileRecord after = before;
        rec.Clear();
        EXPECT_EQ(Read(after), c.result) << c.name;
        if (c.check)
            c.check(before, after);
        EXPECT_EQ(rec.Boxes(), c.boxes) << c.name;
    }
}

TEST_F(ReadDevCfgTest, KeyMaskKeepsMaskedKeys) {
    settings::g_opt.KeyMask = 0x0003;
    for (int i = 0; i < 3; ++i)
        p.Key[0][i].dwFunID = 0x80000B0;
    ASSERT_EQ(Read(p), 1);
    EXPECT_EQ(p.Key[0][0].dwFunID, 0x80000B0u);
    EXPECT_EQ(p.Key[0][1].dwFunID, 0x80000B0u);
    EXPECT_EQ(p.Key[0][2].dwFunID, 0x1000012u);
}

TEST_F(ReadDevCfgTest, DeviceMacrosJoinTheLibrary) {
    PutMacro(4, u"ab", Steps(10));
    ASSERT_EQ(Read(p), 1);
    ASSERT_EQ(LibraryCount(), 1);
    StMacro lib;
    const uint32_t id = p.Key[0][4].dwMacroID;
    ASSERT_TRUE(CopyMacroById(id, lib));
    EXPECT_EQ(p.Key[0][4].dwFunID, 0x5000000u);
    EXPECT_EQ(MacroName(lib), u"ab");
    EXPECT_EQ(lib.nRepeatMode, 0);
    EXPECT_EQ(lib.wRepeatCount, 1);
    EXPECT_EQ(lib.Steps[0].wVk, 0xA0);
    EXPECT_EQ(uint32_t{lib.Steps[0].dwDelay}, 10u);
    EXPECT_EQ(uint32_t{lib.Steps[1].dwDelay}, 50u);

    // The same macro again: the library is not written.
    ASSERT_EQ(Read(p), 1);
    EXPECT_EQ(LibraryCount(), 1);
    EXPECT_TRUE(tree.ReplacedIds().empty());

    // Changed on the device: the library macro takes the device's content, keeping its id.
    PutMacro(4, u"AB", Steps(99));
    ASSERT_EQ(Read(p), 1);
    EXPECT_EQ(LibraryCount(), 1);
    EXPECT_EQ(tree.ReplacedIds(), std::vector<uint32_t>{id});
    ASSERT_TRUE(CopyMacroById(id, lib));
    EXPECT_EQ(uint32_t{lib.Steps[0].dwDelay}, 99u);
    EXPECT_EQ(p.Key[0][4].dwMacroID, id);
}

// The program gives its reads no tree: each read merges into the library as
// the disk holds it, so a macro changed on the device replaces the library
// macro of its name (file included) also in a later run of the program.
TEST_F(ReadDevCfgTest, ReadsWithoutATreeMergeIntoTheLibraryOnDisk) {
    ctx.pMacroTree = nullptr;
    PutMacro(4, u"ab", Steps(10));
    const uint32_t before = MacroLibraryRevision();
    ASSERT_EQ(Read(p), 1);
    EXPECT_NE(MacroLibraryRevision(), before);
    const uint32_t id = p.Key[0][4].dwMacroID;
    StMacro file;
    ASSERT_TRUE(ReadMacroFile(MacroLibraryRoot() + platform::kPathSeparator + u"ab.mck", file));
    EXPECT_EQ(file.dwID, id);

    PutMacro(4, u"AB", Steps(99));
    ASSERT_EQ(Read(p), 1);
    EXPECT_EQ(LibraryCount(), 1);
    EXPECT_EQ(p.Key[0][4].dwMacroID, id);
    ASSERT_TRUE(ReadMacroFile(MacroLibraryRoot() + platform::kPathSeparator + u"ab.mck", file));
    EXPECT_EQ(uint32_t{file.Steps[0].dwDelay}, 99u);
}

TEST_F(ReadDevCfgTest, UnnamedDeviceMacroIsAddedOnEveryRead) {
    PutMacro(4, u"", Steps(10));
    for (int n = 1; n <= 2; ++n) {
        ASSERT_EQ(Read(p), 1);
        EXPECT_EQ(LibraryCount(), n);
    }
    // Without a name the key names the device's slot.
    EXPECT_EQ(p.Key[0][4].dwMacroID, kDeviceMacroIdBase | 4u);
}

TEST_F(ReadDevCfgTest, RepeatByteGivesTheRepeatMode) {
    struct Case {
        uint8_t repeat;
        int32_t mode;
        uint16_t count;
    } cases[] = {{0xFE, 2, 1}, {0xFF, 1, 1}, {5, 0, 5}};
    int slot = 0;
    for (const Case& c : cases) {
        std::u16string name = u"m";
        name += char16_t(u'0' + slot);
        PutMacro(slot, name, Steps(10), c.repeat);
        ++slot;
    }
    ASSERT_EQ(Read(p), 1);
    for (int i = 0; i < 3; ++i) {
        StMacro m;
        ASSERT_TRUE(CopyMacroById(p.Key[0][i].dwMacroID, m)) << i;
        EXPECT_EQ(m.nRepeatMode, cases[i].mode) << i;
        EXPECT_EQ(m.wRepeatCount, cases[i].count) << i;
    }
}

TEST_F(ReadDevCfgTest, FailedReadsAndAbort) {
    // Only the basic block and the combinations are readable.
    image.resize(0x300);
    EXPECT_EQ(Read(p), 0);
    settings::g_opt.GoWithNoDev = 1;
    EXPECT_EQ(Read(p), 1);
    EXPECT_TRUE(rec.Has("EEPROM_To_MainRGB:"));

    rec.Clear();
    ctx.m_bAbortCfgRead = true;
    EXPECT_EQ(Read(p), 0);
    EXPECT_FALSE(rec.Has("GetProfile"));
}

TEST_F(ReadDevCfgTest, WorkerWithoutDeviceEndsAtOnce) {
    receiver->SetUnplugged(true);
    CUSBDriver closed(std::make_unique<sim::VirtualHidLibrary>(receiver));
    ASSERT_TRUE(closed.InitDriver());
    ASSERT_FALSE(closed.OpenDevice());
    ctx.pDriver = &closed;
    ReadCurCfgThread(&ctx);
    EXPECT_EQ(g_bCfgReadDone.load(), 1);
    EXPECT_TRUE(rec.Has("ReadCurCfgThread Start"));
    EXPECT_FALSE(rec.Has("ReadCurCfgThread Exit"));
}

// Two workers against the virtual receiver: the second asks the first to give
// up while it reads the macro names, then reads the whole device itself.
TEST_F(ReadDevCfgTest, SecondWorkerAbortsTheFirst) {
    testutil::RecordingPoster window;
    ctx.pMainWnd = &window;
    receiver->WriteMemory(0x00, {2, 0x53}); // 500 Hz
    ProfileRecord first = Profile(0);
    first.dwReportRate[0] = 0x125;
    CopyProfileIn(0, first);

    std::thread a(ReadCurCfgThread, &ctx);
    while (!rec.Has("GetComboKeyData"))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(g_bCfgReadDone.load(), 0);
    EXPECT_EQ(Profile(0).dwReportRate[0], 0x125u); // nothing copied in yet
    std::thread b(ReadCurCfgThread, &ctx);
    a.join();
    b.join();

    EXPECT_EQ(rec.Count("ReadCurCfgThread Exit"), 2);
    EXPECT_EQ(rec.Count("Init Pro OK"), 1);
    EXPECT_EQ(rec.Count("GetMacroName:"), 1); // the first never finished its names
    EXPECT_EQ(g_bCfgReadDone.load(), 1);
    EXPECT_EQ(g_nResync.load(), 0);
    EXPECT_EQ(Profile(0).dwReportRate[0], 0x500u);
    ASSERT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.Messages()[0].msg, WM_SYNC_OK);
}

} // namespace
