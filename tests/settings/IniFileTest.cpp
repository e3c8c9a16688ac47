#include "settings/IniFile.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace std::literals;
using settings::IniFile;
using settings::ParseProfileInt;

namespace {

struct StringCase {
    std::string_view file;
    const char16_t* section;
    const char16_t* key;
    size_t capacity;
    const char16_t* expected;
};

// "<none>" is the fallback handed in: the key counts as absent.
const StringCase kStringCases[] = {
    {"[OPT]\nTitle=Mouse\n"sv, u"OPT", u"Title", 40, u"Mouse"},
    {"[opt]\ntitle = Mouse \n"sv, u"OPT", u"TITLE", 40, u"Mouse"},
    {"  [ OPT ]  \nTitle=x\n"sv, u"OPT", u"Title", 40, u"x"},
    {"[OPT] ; trailing comment\nTitle=x\n"sv, u"OPT", u"Title", 40, u"x"},
    {"[OPT]\nTitle=\"  quoted  \"\n"sv, u"OPT", u"Title", 40, u"  quoted  "},
    {"[OPT]\nTitle='single'\n"sv, u"OPT", u"Title", 40, u"single"},
    {"[OPT]\nTitle=\"unmatched'\n"sv, u"OPT", u"Title", 40, u"\"unmatched'"},
    {"[OPT]\nTitle=\"\n"sv, u"OPT", u"Title", 40, u"\""},
    {"[OPT]\nTitle=a=b\n"sv, u"OPT", u"Title", 40, u"a=b"},
    {"[OPT]\nTitle=first\nTitle=second\n"sv, u"OPT", u"Title", 40, u"first"},
    {"[OPT]\nTitle=one\n[OPT]\nOther=two\n"sv, u"OPT", u"Other", 40, u"<none>"},
    {"[OPT]\n;Title=commented\nTitle=real\n"sv, u"OPT", u"Title", 40, u"real"},
    {"[OPT]\nTitle\nTitle=later\n"sv, u"OPT", u"Title", 40, u"<none>"}, // first line has no '='
    {"[OPT]\nTitle=\n"sv, u"OPT", u"Title", 40, u""},
    {"[OPT]\nTitle=abcdefghij\n"sv, u"OPT", u"Title", 5, u"abcd"},
    {"[OTHER]\nTitle=x\n"sv, u"OPT", u"Title", 40, u"<none>"},
    {"Title=outside\n[OPT]\n"sv, u"OPT", u"Title", 40, u"<none>"},
    {"[OPT]\r\nTitle=crlf\r\n"sv, u"OPT", u"Title", 40, u"crlf"},
    {"[OPT]\rTitle=cr\r"sv, u"OPT", u"Title", 40, u"cr"},
    {"\xEF\xBB\xBF[OPT]\nTitle=\xC3\xA9t\xC3\xA9\n"sv, u"OPT", u"Title", 40, u"\u00E9t\u00E9"},
    {"\xFF\xFE[\0O\0P\0T\0]\0\n\0T\0=\0w\0"sv, u"OPT", u"T", 40, u"w"},
    {"\xFE\xFF\0[\0O\0P\0T\0]\0\n\0T\0=\0b"sv, u"OPT", u"T", 40, u"b"},
};

class IniStringTest : public testing::TestWithParam<StringCase> {};

TEST_P(IniStringTest, ReadsValueLikeTheProfileFunctions) {
    const StringCase& c = GetParam();
    IniFile ini = IniFile::Parse(c.file);
    EXPECT_EQ(ini.GetString(c.section, c.key, u"<none>", c.capacity), c.expected)
        << c.file.substr(0, 40);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniStringTest, testing::ValuesIn(kStringCases));

TEST(IniIntTest, ConvertsLikeGetPrivateProfileInt) {
    struct Case {
        const char16_t* value;
        uint32_t expected;
    } cases[] = {
        {u"12", 12},
        {u"-5", uint32_t(-5)},
        {u"+7", 7},
        {u"0x3360", 0x3360},
        {u"0X10", 0},
        {u"0x", 0},
        {u"12abc", 12},
        {u"abc", 0},
        {u"  42", 42},
        {u"4294967297", 1},
        {u"0xFFFFFFFF", 0xFFFFFFFF},
        {u"- 3", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseProfileInt(c.value), c.expected) << text::ToUtf8(c.value);
}

TEST(IniIntTest, FallbackOnlyWhenAbsentOrEmpty) {
    IniFile ini = IniFile::Parse("[OPT]\nEmpty=\nQuoted=\"\"\nZero=0\nWord=x\n");
    EXPECT_EQ(ini.GetInt(u"OPT", u"Missing", 77), 77u);
    EXPECT_EQ(ini.GetInt(u"OPT", u"Empty", 77), 77u);
    EXPECT_EQ(ini.GetInt(u"OPT", u"Quoted", 77), 77u);
    EXPECT_EQ(ini.GetInt(u"OPT", u"Zero", 77), 0u);
    EXPECT_EQ(ini.GetInt(u"OPT", u"Word", 77), 0u);
}

TEST(IniFileTest, MissingFileReadsAsEmpty) {
    IniFile ini = IniFile::Load(u"no-such-folder/cfg.ini");
    EXPECT_EQ(ini.GetString(u"OPT", u"Title", u"dflt", 40), u"dflt");
    EXPECT_FALSE(ini.Find(u"OPT", u"Title").has_value());
}

} // namespace
