// Our profile-string reader against Windows' own GetPrivateProfileStringW and
// GetPrivateProfileIntW, over files written to look like what product makers
// actually write, including the awkward corners.

#include "common/TestUtil.h"
#include "platform/Text.h"
#include "settings/IniFile.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

struct Query {
    const char16_t* section;
    const char16_t* key;
};

struct FileCase {
    const char* name;
    std::string content;
    std::vector<Query> queries;
};

std::vector<FileCase> Cases() {
    return {
        {"plain",
         "[OPT]\nDebug=2\nTitle=Mouse\n",
         {{u"OPT", u"Debug"}, {u"opt", u"TITLE"}, {u"OPT", u"Missing"}}},
        {"hex and signs",
         "[OPT]\nA=0x3360\nB=-12\nC=+7\nD=0X10\nE=0x\nF=12abc\nG=abc\nH=0xFFFFFFFF\nI="
         "4294967297\nJ=- 3\nK=0x-1\n",
         {{u"OPT", u"A"},
          {u"OPT", u"B"},
          {u"OPT", u"C"},
          {u"OPT", u"D"},
          {u"OPT", u"E"},
          {u"OPT", u"F"},
          {u"OPT", u"G"},
          {u"OPT", u"H"},
          {u"OPT", u"I"},
          {u"OPT", u"J"},
          {u"OPT", u"K"}}},
        {"blanks",
         "  [OPT]  \n   Key1   =   spaced value   \n\tKey2\t=\ttabbed\t\nKey3=\nKey4 = \n",
         {{u"OPT", u"Key1"},
          {u"OPT", u"Key2"},
          {u"OPT", u"Key3"},
          {u"OPT", u"Key4"},
          {u" OPT ", u" Key1 "}}},
        {"section names",
         "[ OPT ]\nA=1\n[OPT]x\nB=2\n[Other\nC=3\n[]\nD=4\n",
         {{u"OPT", u"A"},
          {u" OPT ", u"A"},
          {u"OPT", u"B"},
          {u"OPT", u"C"},
          {u"", u"D"},
          {u"Other", u"C"}}},
        {"quotes",
         "[OPT]\nA=\"quoted\"\nB='single'\nC=\"mixed'\nD=\"\nE=\"\"\nF=\" inner "
         "\"\nG=a\"b\"\nH=\"a\"b\n",
         {{u"OPT", u"A"},
          {u"OPT", u"B"},
          {u"OPT", u"C"},
          {u"OPT", u"D"},
          {u"OPT", u"E"},
          {u"OPT", u"F"},
          {u"OPT", u"G"},
          {u"OPT", u"H"}}},
        {"duplicates",
         "[OPT]\nA=first\nA=second\na=third\n[OPT]\nB=later section\nA=later\n",
         {{u"OPT", u"A"}, {u"OPT", u"B"}}},
        {"missing sections",
         "A=before any section\n[SENSOR_1]\nSensor=0x3325\n",
         {{u"OPT", u"A"}, {u"SENSOR_2", u"Sensor"}, {u"SENSOR_1", u"Sensor"}}},
        {"comments",
         "; leading comment\n[OPT]\n;A=commented\nA=real\n  ; B=indented comment\nB=2\nC=1 ; not a "
         "comment\n",
         {{u"OPT", u"A"}, {u"OPT", u"B"}, {u"OPT", u"C"}}},
        {"no equals", "[OPT]\nA\nA=later\nB=\n", {{u"OPT", u"A"}, {u"OPT", u"B"}}},
        {"line endings",
         "[OPT]\r\nA=crlf\r\nB=cr\rC=lf\n\n\nD=last",
         {{u"OPT", u"A"}, {u"OPT", u"B"}, {u"OPT", u"C"}, {u"OPT", u"D"}}},
        {"long values",
         "[OPT]\nA=" + std::string(300, 'x') + "\nB=" + std::string(45, '7') + "\n",
         {{u"OPT", u"A"}, {u"OPT", u"B"}}},
        {"lists",
         "[OPT]\nPID2=fa99,fa9a\nrcPro2=452,620,128,32\nTxt_clr=0,0,255\nMainRGB=3, 6 ,10\n",
         {{u"OPT", u"PID2"}, {u"OPT", u"rcPro2"}, {u"OPT", u"Txt_clr"}, {u"OPT", u"MainRGB"}}},
        {"equals in value",
         "[OPT]\nA==b\nB=c=d\n = e\n",
         {{u"OPT", u"A"}, {u"OPT", u"B"}, {u"OPT", u""}}},
        {"utf-8 bom", "\xEF\xBB\xBF[OPT]\nTitle=M\xC3\xBCs\n", {{u"OPT", u"Title"}}},
    };
}

TEST(IniDifferentialTest, StringsMatchGetPrivateProfileString) {
    testutil::TempDir dir;
    for (const FileCase& c : Cases()) {
        std::u16string path = dir.Write("case.ini", c.content);
        settings::IniFile ours = settings::IniFile::Load(path);
        for (const Query& q : c.queries) {
            for (size_t capacity : {size_t(2), size_t(5), size_t(40), size_t(260)}) {
                wchar_t buf[512] = {};
                DWORD n = GetPrivateProfileStringW(reinterpret_cast<const wchar_t*>(q.section),
                                                   reinterpret_cast<const wchar_t*>(q.key),
                                                   L"<none>", buf, DWORD(capacity), W(path));
                std::u16string theirs(reinterpret_cast<const char16_t*>(buf), n);
                EXPECT_EQ(text::ToUtf8(ours.GetString(q.section, q.key, u"<none>", capacity)),
                          text::ToUtf8(theirs))
                    << c.name << ": [" << text::ToUtf8(q.section) << "] " << text::ToUtf8(q.key)
                    << " capacity " << capacity;
            }
        }
    }
}

TEST(IniDifferentialTest, IntegersMatchGetPrivateProfileInt) {
    testutil::TempDir dir;
    for (const FileCase& c : Cases()) {
        std::u16string path = dir.Write("case.ini", c.content);
        settings::IniFile ours = settings::IniFile::Load(path);
        for (const Query& q : c.queries) {
            UINT theirs =
                GetPrivateProfileIntW(reinterpret_cast<const wchar_t*>(q.section),
                                      reinterpret_cast<const wchar_t*>(q.key), 4711, W(path));
            EXPECT_EQ(ours.GetInt(q.section, q.key, 4711), theirs)
                << c.name << ": [" << text::ToUtf8(q.section) << "] " << text::ToUtf8(q.key);
        }
    }
}

} // namespace
