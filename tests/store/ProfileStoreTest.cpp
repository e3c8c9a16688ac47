// pro.dct and curid.dct: loading, saving, first start, failures and sharing.

#include "store/ProfileStore.h"

#include "model/CoreFixture.h"
#include "store/AppDataDir.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;

class ProfileStoreTest : public testutil::ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        SetAppDataDir(m_dir.Dir());
    }
    void TearDown() override {
        ProductTest::TearDown();
        g_szAppDataDir.clear();
    }

    // A profile record with every byte set, reserved areas included.
    static ProfileRecord Patterned(uint32_t id, uint8_t seed) {
        ProfileRecord r;
        auto* b = reinterpret_cast<uint8_t*>(&r);
        for (size_t i = 0; i < sizeof r; ++i)
            b[i] = uint8_t(seed + i * 7);
        r.dwMagicNumber = kProfileMagic;
        r.dwProfileID = id;
        text::CopyToField(r.szName, kProfileNameChars, u"P");
        r.nCurMode = 1;
        r.nLOD = 2;
        for (auto& mode : r.Key)
            for (KeyInfo& k : mode)
                k.nMatrixIndex = 4;
        r.MainLight.nSpeed = r.MainLight.nBright = r.LogoLight.nBright = r.DpiLight.nBright = 5;
        return r;
    }
    static std::string Store(const std::vector<ProfileRecord>& slots) {
        std::string bytes(kProfileStoreBytes, '\0');
        for (size_t i = 0; i < slots.size() && i < 5; ++i)
            std::memcpy(bytes.data() + i * sizeof(ProfileRecord), &slots[i], sizeof(ProfileRecord));
        return bytes;
    }
    std::string ProFile() const { return testutil::ReadFileBytes(m_dir.Path() / "pro.dct"); }
    std::vector<uint32_t> Ids() const {
        std::vector<uint32_t> ids;
        g_ProfileList.ForEach([&ids](const ProfileRecord& r) { ids.push_back(r.dwProfileID); });
        return ids;
    }

    testutil::TempDir m_dir;
};

TEST_F(ProfileStoreTest, LoadKeepsTheValidSlotsInOrder) {
    std::vector<ProfileRecord> five;
    for (uint32_t i = 0; i < 5; ++i)
        five.push_back(Patterned(0x100 + i, uint8_t(i)));
    auto withSlot = [&](int slot, auto change) {
        auto slots = five;
        change(slots[size_t(slot)]);
        return Store(slots);
    };
    struct Case {
        const char* what;
        std::string file; // empty: no file
        std::vector<uint32_t> ids;
        const char* log;
        bool error889;
    } cases[] = {
        {"all five", Store(five), {0x100, 0x101, 0x102, 0x103, 0x104}, nullptr, false},
        {"slot 2 without id",
         withSlot(2, [](ProfileRecord& r) { r.dwProfileID = 0; }),
         {0x100, 0x101, 0x103, 0x104},
         nullptr,
         true},
        {"slot 0 with a wrong magic",
         withSlot(0, [](ProfileRecord& r) { r.dwMagicNumber = 0xFCAA1235; }),
         {0x101, 0x102, 0x103, 0x104},
         nullptr,
         true},
        {"one byte too long", Store(five) + "x", {}, "Profile has wrong size", false},
        {"one byte short", Store(five).substr(1), {}, "Profile has wrong size", false},
        {"a single byte", "\x01", {}, "Profile has wrong size", false},
        {"missing", "", {}, "Open pro file err=", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_dir.Path() / "pro.dct");
        if (!c.file.empty())
            m_dir.Write("pro.dct", c.file);
        testutil::LogCapture log;
        testutil::MessageRecorder boxes;
        LoadProfiles();
        EXPECT_EQ(Ids(), c.ids);
        if (c.log) {
            EXPECT_TRUE(log.Contains(c.log)) << log.Text();
        }

        // First start: an unusable store gives five new profiles.
        InitProfiles();
        const size_t expected = c.ids.empty() ? 5 : c.ids.size();
        EXPECT_EQ(size_t(g_ProfileList.Count()), expected);
        EXPECT_EQ(boxes.Texts(), c.error889 ? std::vector<std::string>{"Error: error 889"}
                                            : std::vector<std::string>{});
    }
}

TEST_F(ProfileStoreTest, FirstStartCreatesFiveNamedProfiles) {
    testutil::MessageRecorder boxes;
    InitProfiles();
    ASSERT_EQ(g_ProfileList.Count(), 5);
    const char16_t* names[] = {u"Onboard profile", u"Profile 1", u"Profile 2", u"Profile 3",
                               u"Profile 4"};
    std::set<uint32_t> ids;
    for (int i = 0; i < 5; ++i) {
        const ProfileRecord* r = g_ProfileList.At(i);
        EXPECT_EQ(text::FromField(r->szName, kProfileNameChars), names[i]);
        EXPECT_TRUE(IsValidProfile(*r));
        ids.insert(r->dwProfileID);
    }
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_TRUE(boxes.Messages().empty());
}

TEST_F(ProfileStoreTest, RoundTripKeepsEveryByte) {
    std::vector<ProfileRecord> slots = {Patterned(0x201, 1), Patterned(0x202, 2),
                                        Patterned(0x203, 3)};
    for (const ProfileRecord& r : slots)
        g_ProfileList.AddTail(new ProfileRecord(r));
    ASSERT_TRUE(SaveProfiles());
    EXPECT_EQ(ProFile(), Store(slots)) << "slots after the last profile are zero";

    LoadProfiles();
    ASSERT_EQ(g_ProfileList.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(g_ProfileList.At(i), &slots[size_t(i)], sizeof(ProfileRecord)), 0);
    ASSERT_TRUE(SaveProfiles());
    EXPECT_EQ(ProFile(), Store(slots));
}

TEST_F(ProfileStoreTest, SaveWritesTheFirstFiveProfilesWithAnId) {
    std::vector<ProfileRecord> written;
    for (uint32_t i = 0; i < 7; ++i) {
        ProfileRecord r = Patterned(i == 1 ? 0 : 0x300 + i, uint8_t(i));
        g_ProfileList.AddTail(new ProfileRecord(r));
        if (r.dwProfileID != 0 && written.size() < 5)
            written.push_back(r);
    }
    ASSERT_TRUE(SaveProfiles());
    EXPECT_EQ(ProFile(), Store(written));

    // No profile with an id: nothing is written, the old store stays.
    ClearProfiles();
    g_ProfileList.AddTail(new ProfileRecord(Patterned(0, 9)));
    EXPECT_TRUE(SaveProfiles());
    EXPECT_EQ(ProFile(), Store(written));
}

TEST_F(ProfileStoreTest, FailedSaveLeavesTheOldStoreWhole) {
    const std::string old = Store({Patterned(0x401, 1)});
    m_dir.Write("pro.dct", old);
    m_dir.Write("curid.dct", std::string("\x01\x04\x00\x00", 4));
    // The temporary files cannot be created: their names are folders.
    fs::create_directory(m_dir.Path() / "pro.dct.tmp");
    fs::create_directory(m_dir.Path() / "curid.dct.tmp");
    g_ProfileList.AddTail(new ProfileRecord(Patterned(0x402, 2)));
    g_pCurProfile = g_ProfileList.At(0);

    testutil::LogCapture log;
    EXPECT_FALSE(SaveProfiles());
    EXPECT_FALSE(SaveCurId());
    EXPECT_EQ(ProFile(), old);
    EXPECT_EQ(LoadCurId(), 0x401u);
    EXPECT_TRUE(log.Contains("Save pro: WriteFile err=")) << log.Text();
    EXPECT_EQ(g_ProfileList.At(0)->dwProfileID, 0x402u) << "the profiles stay in memory";
}

TEST_F(ProfileStoreTest, CurrentId) {
    EXPECT_EQ(LoadCurId(), 0u);
    EXPECT_TRUE(SaveCurId()) << "no current profile: nothing to write";
    EXPECT_FALSE(fs::exists(m_dir.Path() / "curid.dct"));

    g_ProfileList.AddTail(new ProfileRecord(Patterned(0xABCDEF, 1)));
    g_pCurProfile = g_ProfileList.At(0);
    ASSERT_TRUE(SaveCurId());
    EXPECT_EQ(testutil::ReadFileBytes(m_dir.Path() / "curid.dct"),
              std::string("\xEF\xCD\xAB\x00", 4));
    EXPECT_EQ(LoadCurId(), 0xABCDEFu);

    m_dir.Write("curid.dct", "\x01\x02");
    EXPECT_EQ(LoadCurId(), 0u) << "a short file holds no id";
}

TEST_F(ProfileStoreTest, HostileSlotsLoadInsideTheirTables) {
    ProfileRecord r = Patterned(0x501, 1);
    r.nCurMode = 0x7FFFFFFF;
    r.Key[0][0].nMatrixIndex = -3;
    r.Key[2][15].nMatrixIndex = 1 << 30;
    r.MainLight.nBright = 1000;
    r.LogoLight.nBright = -1;
    r.DpiLight.nBright = 11;
    for (char16_t& c : r.szName)
        c = u'Q';
    m_dir.Write("pro.dct", Store({r}));
    LoadProfiles();
    ASSERT_EQ(g_ProfileList.Count(), 1);
    const ProfileRecord& got = *g_ProfileList.At(0);
    EXPECT_EQ(got.nCurMode, 0);
    EXPECT_EQ(got.Key[0][0].nMatrixIndex, settings::g_KeyTable[0][0].nMatrixIndex);
    EXPECT_EQ(got.Key[2][15].nMatrixIndex, settings::g_KeyTable[2][15].nMatrixIndex);
    EXPECT_EQ(got.MainLight.nBright, 10);
    EXPECT_EQ(got.LogoLight.nBright, 10);
    EXPECT_EQ(got.DpiLight.nBright, 10);
    EXPECT_EQ(text::FromField(got.szName, kProfileNameChars), std::u16string(19, u'Q'));
}

// The device reader replaces profile 0 while the window thread reads it and
// the apply worker saves the store.
TEST_F(ProfileStoreTest, WorkersCopyWholeRecords) {
    testutil::MessageRecorder quiet;
    InitProfiles();
    g_pCurProfile = g_ProfileList.At(0);
    ProfileRecord a = *g_ProfileList.At(0), b = a;
    std::memset(a.DpiLevel, 0x11, sizeof a.DpiLevel);
    std::memset(b.DpiLevel, 0x22, sizeof b.DpiLevel);
    ASSERT_TRUE(CopyProfileIn(0, a));

    std::thread reader([&] {
        for (int i = 0; i < 2000; ++i)
            CopyProfileIn(0, i % 2 ? a : b);
    });
    std::thread saver([&] {
        for (int i = 0; i < 20; ++i) {
            SaveProfiles();
            SaveCurId();
        }
    });
    int torn = 0;
    for (int i = 0; i < 2000; ++i) {
        ProfileRecord seen;
        EXPECT_TRUE(CopyProfileOut(0, seen));
        // Never half of one record and half of the other.
        const uint8_t first = reinterpret_cast<const uint8_t*>(seen.DpiLevel)[0];
        const uint8_t last = reinterpret_cast<const uint8_t*>(seen.DpiLevel)[127];
        torn += first != last;
    }
    reader.join();
    saver.join();
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(CopyProfileOut(5, a));
    EXPECT_FALSE(CopyProfileIn(-1, a));
    LoadProfiles();
    EXPECT_EQ(g_ProfileList.Count(), 5);
}

// The apply worker's save after an apply meets the window's save at exit:
// both succeed, and the store left behind is whole.
TEST_F(ProfileStoreTest, SavesAtOnceFromTwoThreadsAllSucceed) {
    testutil::MessageRecorder quiet;
    InitProfiles();
    g_pCurProfile = g_ProfileList.At(0);
    std::atomic<int> failed{0};
    const auto saves = [&] {
        for (int i = 0; i < 50; ++i)
            failed += !SaveProfiles() + !SaveCurId();
    };
    std::thread worker(saves);
    saves();
    worker.join();
    EXPECT_EQ(failed, 0);
    const uint32_t id = g_ProfileList.At(0)->dwProfileID;
    LoadProfiles();
    EXPECT_EQ(g_ProfileList.Count(), 5);
    EXPECT_EQ(LoadCurId(), id);
}

} // namespace
