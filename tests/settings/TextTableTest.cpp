#include "settings/TextTable.h"

#include "common/TestUtil.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using settings::Text;

class TextTableTest : public testing::Test {
protected:
    void SetUp() override { settings::ResetTextTable(); }
    void TearDown() override { settings::ResetTextTable(); }

    void Load(const std::string& xml) { settings::LoadTextTable(m_dir.Write("text.xml", xml)); }

    testutil::TempDir m_dir;
};

std::string U8(std::u16string_view s) {
    return text::ToUtf8(s);
}

TEST_F(TextTableTest, KeysAreTheFixedSetInLoadOrder) {
    ASSERT_EQ(settings::TextKeyCount(), 183u);
    std::set<std::u16string_view> keys;
    for (size_t i = 0; i < settings::TextKeyCount(); ++i)
        EXPECT_TRUE(keys.insert(settings::TextKeyAt(i)).second) << U8(settings::TextKeyAt(i));
    struct Case {
        size_t index;
        std::u16string_view key;
    };
    const Case cases[] = {
        {0, u"tc_title"},       {1, u"tc_mutex"},        {20, u"tc_page4"},
        {21, u"tc_macro_stop"}, {51, u"tc_macro_msg22"}, {64, u"tc_PL"},
        {102, u"tc_prosw"},     {103, u"tc_msg1"},       {140, u"tc_msg38"},
        {141, u"tc_mode1"},     {144, u"tc_led_mode1"},  {152, u"tc_led_eft4"},
        {153, u"tc_adv_str1"},  {172, u"tc_adv_str20"},  {173, u"tc_ex1"},
        {178, u"tc_tip1"},      {182, u"tc_tip5"},       {183, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings::TextKeyAt(c.index), c.key) << c.index;
}

TEST_F(TextTableTest, FillsEveryKeyFromItsElement) {
    std::string xml = "<root><config>";
    for (size_t i = 0; i < settings::TextKeyCount(); ++i) {
        std::string key = U8(settings::TextKeyAt(i));
        xml += "<" + key + ">text of " + key + "</" + key + ">";
    }
    Load(xml + "</config></root>");
    for (size_t i = 0; i < settings::TextKeyCount(); ++i) {
        std::u16string_view key = settings::TextKeyAt(i);
        EXPECT_EQ(U8(Text(key)), "text of " + U8(key));
    }
    EXPECT_EQ(Text(u"tc_nothing"), u"");

    settings::ResetTextTable();
    EXPECT_EQ(Text(u"tc_ok"), u"");
    EXPECT_EQ(settings::GetConfigText(u"tc_ok"), u"");
}

TEST_F(TextTableTest, ShapeOfTheFile) {
    struct Case {
        const char* name;
        std::string xml;
        std::u16string ok; // text of tc_ok
    };
    const Case cases[] = {
        {"root of any name", "<anything><config><tc_ok>OK</tc_ok></config></anything>", u"OK"},
        {"with declaration and comments",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- texts -->\n<root>\n <config>\n"
         "  <!-- buttons -->\n  <tc_ok>OK</tc_ok>\n </config>\n</root>\n",
         u"OK"},
        {"config nested one level deeper",
         "<root><outer><config><tc_ok>OK</tc_ok></config></outer></root>", u""},
        {"config after another element", "<root><x/><config><tc_ok>OK</tc_ok></config></root>",
         u"OK"},
        {"key in other capitals",
         "<root><config><TC_OK>OK</TC_OK><Tc_Ok>OK</Tc_Ok></config></root>", u""},
        {"CDATA keeps brackets and ampersands",
         "<root><config><tc_ok><![CDATA[<OK> & go]]></tc_ok></config></root>", u"<OK> & go"},
        {"same text as character data",
         "<root><config><tc_ok>&lt;OK&gt; &amp; go</tc_ok></config></root>", u"<OK> & go"},
        {"leading blanks kept", "<root><config><tc_ok>   OK</tc_ok></config></root>", u"   OK"},
        {"line break kept", "<root><config><tc_ok>O\r\nK</tc_ok></config></root>", u"O\r\nK"},
        {"only the first config is searched",
         "<root><config><tc_cancel>C</tc_cancel></config><config><tc_ok>OK</tc_ok></config></root>",
         u""},
        {"first occurrence counts",
         "<root><config><tc_ok>first</tc_ok><tc_ok>second</tc_ok></config></root>", u"first"},
        {"element with children", "<root><config><tc_ok><b>OK</b></tc_ok></config></root>", u""},
        {"not well formed, still reachable", "<root><config><tc_ok>OK</tc_ok><tc_cancel>C</root>",
         u"OK"},
        {"not XML at all", "tc_ok=OK", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.xml);
        EXPECT_EQ(U8(Text(u"tc_ok")), U8(c.ok));
        EXPECT_EQ(U8(settings::GetConfigText(u"tc_ok")), U8(c.ok));
    }
}

TEST_F(TextTableTest, MissingFileLeavesEveryTextEmpty) {
    Load("<root><config><tc_ok>OK</tc_ok></config></root>");
    ASSERT_EQ(Text(u"tc_ok"), u"OK");
    settings::LoadTextTable(m_dir.File("missing.xml"));
    for (size_t i = 0; i < settings::TextKeyCount(); ++i)
        EXPECT_EQ(Text(settings::TextKeyAt(i)), u"");
}

TEST_F(TextTableTest, TheProgramsOwnKeysFallBackToEnglish) {
    const struct {
        const char* name;
        std::string xml;
        std::u16string yes;
    } cases[] = {
        {"given by the product", "<root><config><tc_yes>Ja</tc_yes></config></root>", u"Ja"},
        {"left out", "<root><config><tc_ok>OK</tc_ok></config></root>", u"Yes"},
        {"empty", "<root><config><tc_yes></tc_yes></config></root>", u"Yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.xml);
        EXPECT_EQ(U8(Text(u"tc_yes")), U8(c.yes));
        EXPECT_FALSE(Text(u"tc_pending_close").empty());
    }
    settings::ResetTextTable();
    EXPECT_EQ(Text(u"tc_no"), u"No");
}

TEST_F(TextTableTest, TextsCanBeReadFromSeveralThreads) {
    Load("<root><config><tc_ok>OK</tc_ok><tc_msg15>No device</tc_msg15></config></root>");
    std::vector<std::thread> readers;
    std::vector<int> mismatches(4, 0);
    for (int& count : mismatches)
        readers.emplace_back([&count] {
            for (int i = 0; i < 1000; ++i)
                count += Text(u"tc_ok") != u"OK" || Text(u"tc_msg15") != u"No device";
        });
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// The product's own text.xml: every key has a text, and the texts that are
// cut or measured elsewhere fit.
TEST_F(TextTableTest, ShippedTableFillsEveryKey) {
    settings::LoadTextTable(testutil::ProductDir() + u"text.xml");
    for (size_t i = 0; i < settings::TextKeyCount(); ++i)
        EXPECT_FALSE(Text(settings::TextKeyAt(i)).empty()) << U8(settings::TextKeyAt(i));
    EXPECT_EQ(Text(u"tc_title"), u"Tarvel");
    EXPECT_LT(Text(u"tc_title").size(), 40u);
    // Profile names: tc_msg14, and tc_msg35 with a digit, in 19 characters.
    EXPECT_LE(Text(u"tc_msg14").size(), 19u);
    EXPECT_LE(Text(u"tc_msg35").size() + 1, 19u);
    // The main window's menu is 100 pixels wide up to 16 characters.
    EXPECT_LE(Text(u"tc_msg32").size(), 16u);
}

} // namespace
