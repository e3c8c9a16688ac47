// Failed saves are told once: the decision, and the stores telling it.

#include "store/SaveFailures.h"

#include "model/CoreFixture.h"
#include "platform/MessageBox.h"
#include "store/AppDataDir.h"
#include "store/MacroStore.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;
using store::SaveTarget;

TEST(SaveFailureReporterTest, TellsAFailureOncePerGroupUntilASaveWorks) {
    constexpr SaveTarget Pro = SaveTarget::ProfileStore, Cur = SaveTarget::CurrentId,
                         Dump = SaveTarget::MacroDump, Mck = SaveTarget::MacroFile;
    struct Step {
        SaveTarget target;
        bool ok;
        bool told;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"saves that work tell nothing", {{Pro, true, false}, {Cur, true, false}}},
        {"one exit: pro.dct and curid.dct fail, one message",
         {{Pro, false, true}, {Cur, false, false}}},
        {"the same failure on every Apply is told once",
         {{Pro, false, true}, {Cur, true, false}, {Pro, false, false}, {Pro, false, false}}},
        {"a save that worked in between makes the next failure news",
         {{Pro, false, true}, {Pro, true, false}, {Pro, false, true}}},
        {"curid.dct working does not clear a failing pro.dct",
         {{Pro, false, true}, {Cur, true, false}, {Cur, false, false}}},
        {"macros have their own message",
         {{Pro, false, true}, {Dump, false, true}, {Mck, false, false}}},
        {"one macro file after another failing is one message",
         {{Mck, false, true}, {Mck, false, false}, {Mck, true, false}, {Mck, false, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store::SaveFailureReporter reporter;
        for (size_t i = 0; i < c.steps.size(); ++i)
            EXPECT_EQ(reporter.Note(c.steps[i].target, c.steps[i].ok), c.steps[i].told)
                << "step " << i;
    }
}

TEST(SaveFailureReporterTest, ProductTextsWithFallbacks) {
    testutil::LoadTexts({{"tc_msg3", "Settings lost"}});
    EXPECT_EQ(store::SaveFailureText(SaveTarget::CurrentId), u"Settings lost");
    EXPECT_EQ(store::SaveFailureText(SaveTarget::MacroFile), u"The macro could not be saved.");
    settings::ResetTextTable();
    EXPECT_EQ(store::SaveFailureText(SaveTarget::ProfileStore),
              u"The settings could not be saved.");
}

// The stores with notices on, in a data folder whose files cannot be
// replaced: the temporary file each save writes first is a folder.
class SaveNoticeTest : public testutil::ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        SetAppDataDir(m_dir.Dir());
        g_ProfileList.AddTail(NewProfile());
        g_pCurProfile = g_ProfileList.At(0);
        store::SetSaveFailureNotices(true);
    }
    void TearDown() override {
        store::SetSaveFailureNotices(false);
        ProductTest::TearDown();
        g_szAppDataDir.clear();
    }
    static ProfileRecord* NewProfile() {
        auto* r = new ProfileRecord{};
        r->dwMagicNumber = kProfileMagic;
        r->dwProfileID = 0x101;
        return r;
    }
    void Block(const char* file) const {
        fs::create_directory(m_dir.Path() / (std::string(file) + ".tmp"));
    }
    void Unblock(const char* file) const {
        fs::remove(m_dir.Path() / (std::string(file) + ".tmp"));
    }
    // What the exit path saves.
    void SaveStore() const {
        SaveProfiles();
        SaveCurId();
    }

    testutil::TempDir m_dir;
};

TEST_F(SaveNoticeTest, TellsTheUserOnceAndAgainAfterRecovery) {
    testutil::MessageRecorder messages;
    testutil::LogCapture log;
    SaveStore();
    EXPECT_TRUE(messages.Texts().empty());

    Block("pro.dct");
    Block("curid.dct");
    SaveStore(); // Apply
    SaveStore(); // exit
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{"Tarvel: The settings could not be saved."}));
    EXPECT_TRUE(log.Contains("Save curid: WriteFile err=")) << log.Text();

    Block("mac.dct");
    EXPECT_FALSE(SaveMacroDump());
    EXPECT_FALSE(SaveMacroDump());
    EXPECT_EQ(messages.Texts().size(), 2u);
    EXPECT_EQ(messages.Texts().back(), "Tarvel: The macro could not be saved.");

    Unblock("pro.dct");
    Unblock("curid.dct");
    SaveStore();
    EXPECT_EQ(messages.Texts().size(), 2u);
    Block("pro.dct");
    SaveStore();
    EXPECT_EQ(messages.Texts().size(), 3u) << "a new failure after saves worked again";
}

// On the window thread the message is a modal dialog: while it waits for the
// user, the apply worker's saves go on (the worker once stopped until the
// message was answered, and every later Apply with it).
TEST_F(SaveNoticeTest, SavesGoOnWhileTheUserReadsTheMessage) {
    Block("pro.dct");
    std::promise<bool> saved;
    std::thread worker;
    bool savedWhileShown = false;
    platform::SetMessageBoxSink([&](const std::u16string&, const std::u16string&) {
        worker = std::thread([&saved] { saved.set_value(SaveCurId()); });
        auto result = saved.get_future();
        savedWhileShown =
            result.wait_for(std::chrono::seconds(10)) == std::future_status::ready && result.get();
    });
    EXPECT_FALSE(SaveProfiles());
    platform::SetMessageBoxSink(nullptr);
    worker.join();
    EXPECT_TRUE(savedWhileShown);
}

TEST_F(SaveNoticeTest, OffUntilTheProgramTurnsThemOn) {
    store::SetSaveFailureNotices(false);
    testutil::MessageRecorder messages;
    Block("pro.dct");
    EXPECT_FALSE(SaveProfiles());
    EXPECT_TRUE(messages.Texts().empty());
}

} // namespace
