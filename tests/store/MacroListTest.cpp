// The macro library in memory.

#include "store/MacroList.h"

#include "model/CoreFixture.h"

#include <atomic>
#include <thread>

namespace {

class MacroListTest : public testutil::ProductTest {
protected:
    static StMacro* Add(uint32_t id, const char16_t* name) {
        StMacro m = NewMacroRecord(name);
        m.dwID = id;
        return AppendMacro(m);
    }
};

TEST_F(MacroListTest, NewRecordIsEmptyWithItsName) {
    const std::u16string longName(45, u'n');
    const StMacro m = NewMacroRecord(longName);
    EXPECT_EQ(m.dwMagicNumber, kMacroMagic);
    EXPECT_NE(m.dwID, 0u);
    EXPECT_EQ(m.dwFlags, 0u);
    EXPECT_EQ(m.bAutoDelay, 1);
    EXPECT_EQ(m.nRepeatMode, 0);
    EXPECT_EQ(m.wRepeatCount, 1);
    EXPECT_EQ(MacroName(m), std::u16string(39, u'n'));
    EXPECT_TRUE(IsEndStep(m.Steps[0]));
    EXPECT_NE(NewMacroRecord(u"x").dwID, m.dwID);
}

TEST_F(MacroListTest, FindsTheFirstMatch) {
    StMacro* first = Add(0x10, u"Reload");
    StMacro* second = Add(0x10, u"Second");
    Add(0x20, u"");
    ASSERT_TRUE(first && second);
    struct Case {
        const char16_t* name;
        StMacro* found;
    } byName[] = {
        {u"RELOAD", first}, {u"reload", first},  {u"Second", second},
        {u"", nullptr},     {u"Reloa", nullptr}, {u"Reload2", nullptr},
    };
    for (const Case& c : byName)
        EXPECT_EQ(FindMacroByName(c.name), c.found) << text::ToUtf8(c.name);

    EXPECT_EQ(FindMacroById(0x10), first);
    EXPECT_EQ(FindMacroById(0x99), nullptr);
    EXPECT_TRUE(RemoveMacroById(0x10));
    EXPECT_EQ(FindMacroById(0x10), second);
    EXPECT_FALSE(RemoveMacroById(0x99));
    EXPECT_EQ(g_MacroList.Count(), 2);

    StMacro copy{};
    ASSERT_TRUE(CopyMacroById(0x10, copy));
    EXPECT_EQ(MacroName(copy), u"Second");
    copy.dwID = 0x555;
    text::CopyToField(copy.szName, kMacroNameChars, u"Renamed");
    ASSERT_TRUE(ReplaceMacroContent(0x10, copy));
    EXPECT_EQ(MacroName(*FindMacroById(0x10)), u"Renamed") << "the id stays";
    EXPECT_FALSE(ReplaceMacroContent(0x99, copy));
}

TEST_F(MacroListTest, HoldsAtMost2000Macros) {
    StMacro m = NewMacroRecord(u"m");
    for (int i = 0; i < kMaxMacros; ++i) {
        m.dwID = uint32_t(i + 1);
        ASSERT_NE(AppendMacro(m), nullptr) << i;
    }
    testutil::LogCapture log;
    EXPECT_EQ(AppendMacro(m), nullptr);
    EXPECT_EQ(g_MacroList.Count(), kMaxMacros);
    EXPECT_TRUE(log.Contains("AppendMacro: the library holds 2000 macros already"));
}

// A worker adds, replaces and removes macros while another reads them.
TEST_F(MacroListTest, WorkersShareTheList) {
    Add(0x1, u"base");
    std::atomic<bool> done{false};
    std::thread writer([&] {
        StMacro m = NewMacroRecord(u"w");
        for (uint32_t i = 0; i < 300; ++i) {
            m.dwID = 0x1000 + i;
            m.Steps[0] = {0x41, 1, i};
            AppendMacro(m);
            ReplaceMacroContent(0x1, m);
            if (i % 3 == 0)
                RemoveMacroById(0x1000 + i);
        }
        done = true;
    });
    int reads = 0;
    while (!done || reads < 10) {
        StMacro copy;
        if (CopyMacroById(0x1, copy)) {
            EXPECT_EQ(copy.dwID, 0x1u);
        }
        {
            auto lock = g_MacroList.Lock();
            FindMacroByName(u"W");
        }
        ++reads;
    }
    writer.join();
    EXPECT_EQ(g_MacroList.Count(), 1 + 200);
}

} // namespace
