// Profile files (.hvk): export, import with every refusal, and the macro
// merge, with hostile files.

#include "store/ProfileFile.h"

#include "LibraryFixture.h"
#include "store/MacroLibrary.h"
#include "store/ProfileStore.h"
#include "sync/ApplyWorker.h"
#include "sync/SyncFixture.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t MacroFun(uint32_t n = 1) {
    return (uint32_t(kCatMacro) << 24) | n;
}

class ProfileFileTest : public testutil::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        InitProfiles();
        auto lock = g_ProfileList.Lock();
        g_pCurProfile = g_ProfileList.At(1);
    }

    static ProfileRecord Current() {
        auto lock = g_ProfileList.Lock();
        return *g_pCurProfile.load();
    }
    static void SetKey(int mode, int key, uint32_t funId, uint32_t macroId) {
        auto lock = g_ProfileList.Lock();
        g_pCurProfile.load()->Key[mode][key].dwFunID = funId;
        g_pCurProfile.load()->Key[mode][key].dwMacroID = macroId;
    }
    // A file image: `profile`, then `macros` packed from the first slot.
    static std::string Image(const ProfileRecord& profile, const std::vector<StMacro>& macros) {
        std::string bytes(kProfileFileBytes, '\0');
        std::memcpy(bytes.data(), &profile, sizeof profile);
        for (size_t i = 0; i < macros.size(); ++i)
            std::memcpy(bytes.data() + sizeof(ProfileRecord) + i * sizeof(StMacro), &macros[i],
                        sizeof(StMacro));
        return bytes;
    }
    static StMacro Slot(const std::string& image, int i) {
        StMacro m;
        std::memcpy(&m, image.data() + sizeof(ProfileRecord) + i * sizeof(StMacro), sizeof m);
        return m;
    }
    // A profile from another computer whose key 3 of mode 0 runs `macroId`.
    static ProfileRecord Foreign(uint32_t macroId) {
        ProfileRecord p = Current();
        p.dwProfileID = 0x777;
        text::CopyToField(p.szName, kProfileNameChars, u"Foreign");
        p.Key[0][3].dwFunID = MacroFun();
        p.Key[0][3].dwMacroID = macroId;
        return p;
    }

    testutil::TempDir m_files;
};

// Twelve macro keys: the file holds the first ten macros in key order, one
// slot per key; a key whose macro is missing takes no slot.
TEST_F(ProfileFileTest, ExportHoldsTheProfileAndTheMacrosOfItsKeys) {
    for (uint32_t i = 0; i < 12; ++i)
        AppendMacro(Macro(0x100 + i, Numbered(u"m", int(i))));
    int n = 0;
    for (int mode = 2; mode >= 0; --mode)
        for (int key = 0; key < 4; ++key)
            SetKey(mode, key, MacroFun(), 0x100 + n++);
    SetKey(0, 5, MacroFun(), 0xDEAD);                  // no such macro
    SetKey(0, 6, uint32_t(kCatKeyboard) << 24, 0x101); // not a macro key

    const std::u16string path = m_files.File("p.hvk");
    ASSERT_TRUE(ExportProfile(path));
    const std::string image = testutil::ReadFileBytes(fs::path(path));
    ASSERT_EQ(image.size(), 11332u);
    const ProfileRecord cur = Current();
    EXPECT_EQ(std::memcmp(image.data(), &cur, sizeof cur), 0);
    // Key order is mode 0 first: mode 0 holds ids 0x108..0x10B.
    const uint32_t expected[10] = {0x108, 0x109, 0x10A, 0x10B, 0x104,
                                   0x105, 0x106, 0x107, 0x100, 0x101};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(+Slot(image, i).dwID, expected[i]) << i;

    // Without a current profile nothing happens; an unwritable path says so.
    EXPECT_FALSE(ExportProfile(m_files.File("missing/dir/p.hvk")));
    EXPECT_EQ(Shown(), std::vector<std::string>{"Create profile failed."});
    g_pCurProfile = nullptr;
    EXPECT_FALSE(ExportProfile(m_files.File("none.hvk")));
    EXPECT_FALSE(fs::exists(m_files.Path() / "none.hvk"));
}

TEST_F(ProfileFileTest, ImportRefusals) {
    ProfileRecord valid = Foreign(0);
    ProfileRecord noId = valid;
    noId.dwProfileID = 0;
    ProfileRecord noMagic = valid;
    noMagic.dwMagicNumber = 0xFCAA1235;
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // nothing: no such file
        bool readInProgress;
        bool productTexts;
        std::string message;
    };
    const Case cases[] = {
        {"read in progress", Image(valid, {}), true, true,
         text::ToUtf8(settings::Text(u"tc_adv_str15"))},
        {"missing, tip", std::nullopt, false, true, "Cannot open the profile file. Error 2"},
        {"missing, no tip", std::nullopt, false, false, "Open Profile Err = 2"},
        {"empty", std::string(), false, true, "Read profile failed."},
        {"id 0", Image(noId, {}), false, true, "This file is not a valid profile."},
        {"id 0, no tip", Image(noId, {}), false, false, "This is not a valid profile"},
        {"magic", Image(noMagic, {}), false, true, "This file is not a valid profile."},
        {"short", std::string(100, 'x'), false, true, "This file is not a valid profile."},
        {"no macro slots", Image(valid, {}).substr(0, sizeof(ProfileRecord)), false, false,
         "This is not a valid profile"},
    };
    const ProfileRecord before = Current();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.productTexts)
            settings::LoadTextTable(testutil::ProductDir() + u"text.xml");
        else
            testutil::LoadTexts({{"tc_tips", "Tips"}});
        m_messages->Clear();
        const std::u16string path =
            c.bytes ? m_files.Write("f.hvk", *c.bytes) : m_files.File("none.hvk");
        EXPECT_FALSE(ImportProfile(path, c.readInProgress, &m_tree));
        EXPECT_EQ(Shown(), std::vector<std::string>{c.message});
        const ProfileRecord after = Current();
        EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
    }
    g_pCurProfile = nullptr;
    m_messages->Clear();
    EXPECT_FALSE(ImportProfile(m_files.Write("f.hvk", Image(valid, {})), false, &m_tree));
    EXPECT_TRUE(Shown().empty());
}

TEST_F(ProfileFileTest, ImportReplacesTheCurrentProfileKeepingItsId) {
    testutil::LogCapture log;
    const uint32_t ownId = Current().dwProfileID;
    ProfileRecord foreign = Foreign(0x42);
    foreign.Key[1][2].dwFunID = MacroFun();
    foreign.Key[1][2].dwMacroID = 0x43; // no slot: the key keeps its id
    const std::string image = Image(foreign, {Macro(0x42, u"Spray")});
    std::vector<MergedMacro> merged;
    ASSERT_TRUE(ImportProfile(m_files.Write("f.hvk", image), false, &m_tree, &merged));
    EXPECT_TRUE(Shown().empty());
    EXPECT_TRUE(log.Contains("PostApply: no apply worker, nFlag=0xef, nData=0xff"));

    const ProfileRecord cur = Current();
    EXPECT_EQ(+cur.dwProfileID, ownId);
    EXPECT_EQ(text::FromField(cur.szName, kProfileNameChars), u"Foreign");
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_FALSE(merged[0].replaced);
    EXPECT_EQ(+cur.Key[0][3].dwMacroID, merged[0].libraryId);
    EXPECT_NE(merged[0].libraryId, 0x42u);
    EXPECT_EQ(+cur.Key[1][2].dwMacroID, 0x43u);
    EXPECT_EQ(Dump(m_tree), "Spray");
    StMacro stored;
    ASSERT_TRUE(CopyMacroById(merged[0].libraryId, stored));
    EXPECT_EQ(LibraryBytes("Spray.mck"), EncodeMacroFile(stored));
}

// The same file twice, and a file whose macro differs from a top-level library
// macro only in case: the library macro takes the contents and keeps its id.
TEST_F(ProfileFileTest, ImportMergesMacrosByName) {
    ASSERT_EQ(Add_Macro(Macro(0x51, u"Burst", {0x41}), &m_tree), 0x51u);
    ProfileRecord foreign = Foreign(0x90);
    foreign.Key[2][0].dwFunID = MacroFun();
    foreign.Key[2][0].dwMacroID = 0x91;
    foreign.Key[2][1].dwFunID = MacroFun();
    foreign.Key[2][1].dwMacroID = 0x90; // the same macro on a second key
    const std::u16string path = m_files.Write(
        "f.hvk", Image(foreign, {Macro(0x90, u"BURST", {0x42}), Macro(0x91, u"New", {0x43}),
                                 Macro(0x90, u"BURST", {0x42})}));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::vector<MergedMacro> merged;
        ASSERT_TRUE(ImportProfile(path, false, &m_tree, &merged));
        EXPECT_EQ(Dump(m_tree), "Burst New");
        EXPECT_EQ(g_MacroList.Count(), 2);
        const ProfileRecord cur = Current();
        EXPECT_EQ(+cur.Key[0][3].dwMacroID, 0x51u);
        EXPECT_EQ(+cur.Key[2][1].dwMacroID, 0x51u);
        ASSERT_EQ(merged.size(), 2u);
        EXPECT_TRUE(merged[0].replaced);
        EXPECT_EQ(merged[1].replaced, round == 1);
    }
    StMacro burst;
    ASSERT_TRUE(CopyMacroById(0x51, burst));
    EXPECT_EQ(+burst.Steps[0].wVk, 0x42);
    // The library file follows the imported contents.
    EXPECT_EQ(LibraryBytes("Burst.mck"), EncodeMacroFile(burst));
}

// A .hvk file is outside input: its profile fields, its macro names and its
// macro records are checked before use.
TEST_F(ProfileFileTest, HostileFilesAreCheckedBeforeUse) {
    ProfileRecord foreign = Foreign(0x61);
    foreign.nCurMode = 9;
    foreign.Key[0][4].dwFunID = MacroFun();
    foreign.Key[0][4].dwMacroID = 0x62;
    foreign.Key[0][5].dwFunID = MacroFun();
    foreign.Key[0][5].dwMacroID = 0x63;
    foreign.Key[0][6].dwFunID = MacroFun();
    foreign.Key[0][6].dwMacroID = 0; // must not match a slot with id 0

    StMacro escape = Macro(0x61, u"..\\..\\..\\evil");
    StMacro unterminated = Macro(0x62, u"");
    for (char16_t& c : unterminated.szName)
        c = u'N';
    for (MacroStep& s : unterminated.Steps)
        s = {0x41, 7, 5};
    unterminated.nRepeatMode = 9;
    unterminated.wRepeatCount = 999;
    StMacro unsupported = Macro(0x63, u"mouse6", {0xF6});
    StMacro noId = Macro(0, u"zero");

    std::vector<MergedMacro> merged;
    ASSERT_TRUE(ImportProfile(
        m_files.Write("f.hvk", Image(foreign, {escape, unterminated, unsupported, noId})), false,
        &m_tree, &merged));
    const ProfileRecord cur = Current();
    EXPECT_LT(cur.nCurMode, kKeyModes);
    EXPECT_EQ(+cur.Key[0][5].dwMacroID, 0x63u); // unusable slot: the key keeps its id
    EXPECT_EQ(+cur.Key[0][6].dwMacroID, 0u);
    ASSERT_EQ(merged.size(), 2u);

    for (const std::string& f : DataFiles())
        EXPECT_EQ(f.rfind("Mac/", 0), 0u) << f;
    EXPECT_TRUE(fs::exists(Root() / ".._.._.._evil.mck"));
    StMacro m;
    ASSERT_TRUE(CopyMacroById(merged[1].libraryId, m));
    EXPECT_EQ(MacroName(m), std::u16string(39, u'N'));
    EXPECT_TRUE(IsEndStep(m.Steps[kMacroMaxSteps]));
    EXPECT_EQ(+m.Steps[0].wPress, 1);
    EXPECT_EQ(+m.nRepeatMode, 0);
    EXPECT_EQ(+m.wRepeatCount, 1);
}

// A file that is not a whole profile file, whatever its first bytes hold,
// changes neither the stored profiles nor the mouse: no apply is requested.
class ProfileFileApplyTest : public testutil::SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        InitApply(&mainWnd, driver.get(), nullptr, &m_mouse);
    }
    void TearDown() override {
        StopApply();
        SyncTest::TearDown();
    }
    static std::string ProfileBytes() {
        std::string bytes;
        g_ProfileList.ForEach(
            [&](ProfileRecord& r) { bytes.append(reinterpret_cast<const char*>(&r), sizeof r); });
        return bytes;
    }
    testutil::RecordingPoster mainWnd;
    testutil::TempDir m_files;
};

TEST_F(ProfileFileApplyTest, OnlyAWholeFileReachesTheStoreAndTheMouse) {
    // A profile from elsewhere that differs from the device's: another rate
    // and other DPI values.
    ProfileRecord foreign = Profile(0);
    foreign.dwProfileID = 0x777;
    foreign.dwReportRate[0] = foreign.dwReportRate[0] == 0x1000 ? 0x125 : 0x1000;
    for (int i = 0; i < kDpiLevels; ++i)
        foreign.DpiLevel[i] = foreign.DpiLevel[(i + 1) % kDpiLevels];
    std::string whole(kProfileFileBytes, '\0');
    std::memcpy(whole.data(), &foreign, sizeof foreign);
    ASSERT_TRUE(SaveProfiles());
    const std::string storeBefore = testutil::ReadFileBytes(m_data.Path() / "pro.dct");
    const std::string profilesBefore = ProfileBytes();
    const sim::Memory memoryBefore = receiver->ReadMemory();

    const std::string notValid = text::ToUtf8(settings::Text(u"tc_tip3"));
    ASSERT_FALSE(notValid.empty());
    struct Case {
        size_t length;
        std::string message;
    };
    const Case cases[] = {
        {0, "Read profile failed."},
        {4, notValid},
        {8, notValid}, // magic and id only
        {sizeof(ProfileRecord), notValid},
        {sizeof(ProfileRecord) + sizeof(StMacro), notValid},
        {kProfileFileBytes - 1, notValid},
        {kProfileFileBytes + 1, notValid},
        {2 * kProfileFileBytes, notValid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string bytes = whole;
        bytes.resize(c.length, '\x55');
        rec.Clear();
        EXPECT_FALSE(ImportProfile(m_files.Write("f.hvk", bytes), false, &tree));
        // An apply posted by the import would have run by now.
        ASSERT_TRUE(WaitApplyIdle(std::chrono::seconds(10)));
        EXPECT_EQ(rec.Boxes(), std::vector<std::string>{"Tarvel: " + c.message});
        EXPECT_FALSE(rec.Has("Start Apply"));
        EXPECT_EQ(ProfileBytes(), profilesBefore);
        EXPECT_EQ(testutil::ReadFileBytes(m_data.Path() / "pro.dct"), storeBefore);
        EXPECT_TRUE(receiver->ReadMemory() == memoryBefore);
    }

    // The whole file goes through: stored and written.
    rec.Clear();
    ASSERT_TRUE(ImportProfile(m_files.Write("f.hvk", whole), false, &tree));
    ASSERT_TRUE(WaitApplyIdle(std::chrono::seconds(10)));
    EXPECT_TRUE(rec.Has("Apply Success"));
    EXPECT_NE(ProfileBytes(), profilesBefore);
    EXPECT_NE(testutil::ReadFileBytes(m_data.Path() / "pro.dct"), storeBefore);
    EXPECT_FALSE(receiver->ReadMemory() == memoryBefore);
}

} // namespace

namespace {

TEST(ProfileExportName, TheSaveDialogOffersTheProfilesNameAsAFileName) {
    const struct {
        std::u16string name;
        std::u16string file;
    } cases[] = {
        {u"Profile 2", u"Profile 2.hvk"},
        {u"FPS: 800/1600", u"FPS_ 800_1600.hvk"},
        {u"CON", u"_CON.hvk"},
        {u"", u"*.hvk"},
        {u"...", u"*.hvk"},
        {u"Nineteen characters", u"Nineteen characters.hvk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(text::ToUtf8(c.name));
        ProfileRecord profile{};
        text::CopyToField(profile.szName, kProfileNameChars, c.name);
        EXPECT_EQ(ProfileExportName(profile), c.file);
    }
    // A name that fills its field without a terminator ends at the field.
    ProfileRecord full{};
    std::fill(std::begin(full.szName), std::end(full.szName), u'x');
    EXPECT_EQ(ProfileExportName(full), std::u16string(kProfileNameChars, u'x') + u".hvk");
}

} // namespace
