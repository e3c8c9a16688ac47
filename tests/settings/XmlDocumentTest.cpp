#include "settings/XmlDocument.h"

#include "common/TestUtil.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/XmlCharsets.h"
#include "settings/XmlEntities.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>

namespace {

using settings::XmlDocument;

// The bytes of `s` as UTF-16, with a byte-order mark.
std::string Utf16Bytes(std::u16string_view s, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : s) {
        char high = char(c >> 8), low = char(c & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

// The text of the element at `path` below the root, found as the text table
// finds its keys: child, enter, child, ...
std::u16string TextAt(XmlDocument& doc, std::initializer_list<std::u16string_view> path) {
    doc.ResetLookup();
    bool first = true;
    for (std::u16string_view name : path) {
        if (!first)
            doc.EnterChild();
        first = false;
        if (!doc.FindChild(name))
            return u"<not found>";
    }
    return doc.ChildText();
}

std::string U8(std::u16string_view s) {
    return text::ToUtf8(s);
}

constexpr unsigned kAnsi = 0; // stands for the system's ANSI code page in the table below

TEST(XmlDocumentEncoding, DetectsAndDecodes) {
    const std::u16string sample = u"<r><t>Grüße € 中</t></r>";
    const std::string utf8 = text::ToUtf8(sample);
    struct Case {
        const char* name;
        std::string bytes;
        unsigned codePage;
        unsigned flags;
        std::u16string expected; // text of /r/t
    };
    const Case cases[] = {
        {"UTF-8 starting with <", utf8, 65001, 0, u"Grüße € 中"},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8, 65001, XmlDocument::kUtf8Bom, u"Grüße € 中"},
        {"UTF-16LE with mark", Utf16Bytes(sample, false), 1200, XmlDocument::kUtf16LE,
         u"Grüße € 中"},
        {"UTF-16BE with mark", Utf16Bytes(sample, true), 1201, XmlDocument::kUtf16BE,
         u"Grüße € 中"},
        {"UTF-16 units of 0 removed", Utf16Bytes(std::u16string(u"<r><t>a\0b</t></r>", 17), false),
         1200, XmlDocument::kUtf16LE, u"ab"},
        {"UTF-16 odd trailing byte dropped", Utf16Bytes(u"<r><t>a</t></r>", false) + "x", 1200,
         XmlDocument::kUtf16LE, u"a"},
        {"8-bit zero bytes removed", std::string("<r><t>a\0b</t></r>", 17), 65001, 0, u"ab"},
        {"declared gb2312",
         "<?xml version=\"1.0\" encoding=\"gb2312\"?><r><t>\xD6\xD0\xCE\xC4</t></r>", 936, 0,
         u"中文"},
        {"declared GBK in capitals", "<?XML version='1.0' ENCODING='GBK'?><r><t>\xD6\xD0</t></r>",
         936, 0, u"中"},
        {"declared windows-1252",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><t>caf\xE9 \x80</t></r>", 1252, 0,
         u"café €"},
        {"declared utf-8 over valid UTF-8", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + utf8,
         65001, 0, u"Grüße € 中"},
        // A declaration read byte by byte cannot be UTF-16: counts as no name.
        {"declared UTF-16 in 8-bit file", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + utf8,
         65001, 0, u"Grüße € 中"},
        {"html meta charset",
         "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" "
         "content=\"text/html; charset=big5\"></head><t>\xA4\xA4</t></html>",
         950, 0, u"中"},
        {"no name, first byte not <, valid UTF-8", " " + utf8, 65001, 0, u"Grüße € 中"},
        {"no name, first byte not <, not UTF-8", " <r><t>caf\xE9</t></r>", kAnsi, 0, u"caf\xE9"},
        // An unknown name goes to the ANSI code page without the UTF-8 check.
        {"unknown name", "<?xml version=\"1.0\" encoding=\"x-nothing\"?><r><t>\xC3\xA9</t></r>",
         kAnsi, 0, u"\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XmlDocument doc;
        doc.LoadBytes(c.bytes);
        const unsigned codePage = c.codePage == kAnsi ? platform::AnsiCodePage() : c.codePage;
        EXPECT_EQ(doc.CodePage(), codePage);
        EXPECT_EQ(doc.Flags(), c.flags);
        std::u16string expected = c.expected;
        if (c.codePage == kAnsi) {
            // The test's bytes are Latin-1 here; read them as the system would.
            std::string latin;
            for (char16_t ch : c.expected)
                latin += char(ch);
            ASSERT_TRUE(platform::CodePageToUtf16(codePage, latin, expected));
        }
        EXPECT_EQ(U8(TextAt(doc, {u"t"})), U8(expected));
    }
}

TEST(XmlDocumentEncoding, Utf16AndUtf8FilesGiveTheSameTexts) {
    const std::u16string doc =
        u"<root>\r\n  <config>\r\n    <a>Ärger &amp; Öl</a>\r\n    <b><![CDATA[<x>]]></b>\r\n"
        u"    <c>日本語 &#x1F600;</c>\r\n  </config>\r\n</root>\r\n";
    testutil::TempDir dir;
    XmlDocument fromUtf16, fromUtf8;
    ASSERT_TRUE(fromUtf16.LoadDocument(dir.Write("u16.xml", Utf16Bytes(doc, false))));
    ASSERT_TRUE(fromUtf8.LoadDocument(dir.Write("u8.xml", text::ToUtf8(doc))));
    for (std::u16string_view key : {u"a", u"b", u"c"}) {
        std::u16string text = TextAt(fromUtf16, {u"config", key});
        EXPECT_EQ(U8(text), U8(TextAt(fromUtf8, {u"config", key})));
        EXPECT_NE(text, u"<not found>");
    }
    EXPECT_EQ(U8(TextAt(fromUtf8, {u"config", u"c"})), "日本語 \xF0\x9F\x98\x80");
}

TEST(XmlDocumentEncoding, Utf8CheckUsesTheLeadByteTable) {
    struct Case {
        std::string bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"plain ASCII", true},
        {"\xC3\xA9", true},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xC3", false},        // cut off at the end
        {"caf\xE9 ok", false},  // 0xE9 announces two, gets a blank
        {"\xC3\xC3", true},     // a follower only has to be 0x80 or above
        {"\x85\x90", true},     // 0x80..0x9F announce one
        {"\xA5\x80\x80", true}, // 0xA0..0xAF announce two
        {"\xA5\x80", false},
        {"\xB7\x80\x80\x80", true},  // 0xB0..0xB7 announce three
        {"\xB8\x80\x80\x80", false}, // 0xB8..0xBF never valid
        {"\xF8\x80\x80\x80\x80", false},
        {"\xFF", false},
        {std::string("ok\0\xFF", 4), true},    // the check ends at a zero byte
        {std::string("\xC3\0\xA9", 3), false}, // a zero byte is no follower
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings::XmlLooksLikeUtf8(c.bytes), c.utf8) << testing::PrintToString(c.bytes);
}

TEST(XmlDocumentEncoding, FindsTheDeclaredCharset) {
    const std::string meta =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-kr\">";
    struct Case {
        std::string head;
        std::string charset;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\" encoding=\"gb2312\"?><r/>", "gb2312"},
        {"<?xml version='1.0' Encoding = 'Big5' standalone='yes'?>", "Big5"},
        {" <?xml version=\"1.0\" encoding=\"gb2312\"?>", ""},          // not at the first character
        {"<?xml version=\"1.0\"?><html><head>" + meta, ""},            // the declaration decides
        {"<?xml-stylesheet href=\"a.css\" encoding=\"gb2312\"?>", ""}, // another instruction
        {"<!DOCTYPE html><!-- x --><HTML lang=en><HEAD><TITLE>t</TITLE><META "
         "HTTP-EQUIV=\"content-type\" CONTENT=\"text/html;charset=EUC-KR\"></HEAD>",
         "EUC-KR"},
        {"<html><head><meta name=\"x\" content=\"a; charset=gbk\">" + meta + "</head>", "euc-kr"},
        {"<html><head></head><body>" + meta, ""}, // only up to the end of head
        {"<root>" + meta, ""},                    // the first element must be html
        {"<html><head><!-- " + std::string(1024, '-') + " -->" + meta, ""}, // past 1024 bytes
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings::XmlDeclaredCharset(c.head), c.charset) << c.head.substr(0, 80);
}

TEST(XmlDocumentEncoding, CharsetNamesMapToCodePages) {
    struct Case {
        const char* name;
        unsigned codePage;
    };
    const Case cases[] = {
        {"utf-8", 65001},      {"UTF8", 65001},         {" gb2312 ", 936},
        {"GBK", 936},          {"gb18030", 54936},      {"big5", 950},
        {"euc-kr", 949},       {"ks_c_5601-1987", 949}, {"shift_jis", 932},
        {"euc-jp", 51932},     {"windows-1252", 1252},  {"windows-1258", 1258},
        {"iso-8859-1", 28591}, {"ISO-8859-2", 28592},   {"iso-8859-15", 28605},
        {"latin1", 28591},     {"us-ascii", 20127},     {"koi8-r", 20866},
        {"koi8-u", 21866},     {"utf-16", 1200},        {"utf-16be", 1201},
        {"tis-620", 874},      {"no-such-charset", 0},  {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings::XmlCharsetCodePage(c.name), c.codePage) << c.name;
}

TEST(XmlDocumentReferences, DecodesCharacterReferences) {
    struct Case {
        std::u16string in;
        std::u16string out;
    };
    const Case cases[] = {
        {u"&lt;b&gt; &amp; &quot;&apos;", u"<b> & \"'"},
        {u"&AMP;", u"&"}, // names compare in lower case
        {u"&#x41;&#65;&#X41;", u"AAA"},
        {u"&#65abc;", u"A"},                // digits up to the first other character
        {u"&#x0000041;", u"A"},             // nine characters
        {u"&#x00000041;", u"&#x00000041;"}, // ten: not a reference
        {u"&abcdefghij;", u"&abcdefghij;"},
        {u"&unknown;", u"&unknown;"},
        {u"&#0;&#x;&#;&;", u"&#0;&#x;&#;&;"},
        {u"&#x110000;", u"&#x110000;"}, // beyond Unicode
        {u"&#x1F600;", u"\U0001F600"},  // surrogate pair
        {u"&#128512;", u"\U0001F600"},
        {u"&é;", u"&é;"}, // a character of 128 or above ends the name
        {u"a & b; c", u"a & b; c"},
        {u"&&amp;", u"&&"},
        {u"&amp", u"&amp"},
        {u"&nbsp;&euml;&deg;&rsaquo;&thetasym;", u"\u00A0ë°›ϑ"},
        // Names that differ only in case give the all-lower-case one.
        {u"&Alpha;&alpha;&AUML;&rArr;&Dagger;", u"ααä→†"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(U8(settings::XmlDecodeText(c.in)), U8(c.out)) << U8(c.in);
}

TEST(XmlDocumentReferences, EntityTableIsComplete) {
    // The five XML names and the 252 of HTML 4, of which four are shared.
    ASSERT_EQ(settings::XmlEntityCount(), 253u);
    std::set<std::string> names;
    for (size_t i = 0; i < settings::XmlEntityCount(); ++i) {
        const settings::XmlEntity& entity = settings::XmlEntityTable()[i];
        EXPECT_TRUE(names.insert(entity.szName).second) << entity.szName;
        EXPECT_NE(settings::XmlEntityChar(text::Widen(entity.szName)), 0u) << entity.szName;
    }
}

TEST(XmlDocumentText, ChildTextRules) {
    struct Case {
        std::string element; // inside <r>...</r>
        std::u16string text; // of its element t
    };
    const Case cases[] = {
        {"<t>a<!-- comment -->b</t>", u"ab"},
        {"<t><![CDATA[<word>]]></t>", u"<word>"},
        {"<t>x &amp; <![CDATA[&amp; <y>]]> z</t>", u"x & &amp; <y> z"}, // CDATA as it stands
        {"<t>x<?pi data?>y</t>", u"xy"},
        {"<t>\n  <!-- c -->\n  <![CDATA[v]]>\n</t>", u"v"}, // blank text between nodes dropped
        {"<t>  two\r\n lines </t>", u"  two\r\n lines "},   // kept as written
        {"<t>   </t>", u"   "},                             // no markup: the whole content
        {"<t></t>", u""},
        {"<t/>", u""},
        {"<t attr=\"a>b\">v</t>", u"v"},
        {"<t><u>x</u></t>", u""}, // an element with children has no text
        {"<t>a<u/>b</t>", u""},
    };
    for (const Case& c : cases) {
        XmlDocument doc;
        doc.LoadBytes("<r>" + c.element + "</r>");
        EXPECT_EQ(U8(TextAt(doc, {u"t"})), U8(c.text)) << c.element;
    }
}

TEST(XmlDocumentLookup, FindChildMovesThroughSiblingsAndIntoChildren) {
    XmlDocument doc;
    doc.LoadBytes("<r><a>1</a><b>2</b><a>3</a><c><a>4</a></c></r>");

    doc.ResetLookup();
    EXPECT_EQ(doc.ChildText(), u"");
    ASSERT_TRUE(doc.FindChild(u"a")); // no current element: from the root
    EXPECT_EQ(doc.ChildText(), u"1");
    ASSERT_TRUE(doc.FindChild(u"a")); // after the current child
    EXPECT_EQ(doc.ChildText(), u"3");
    EXPECT_FALSE(doc.FindChild(u"b")); // b lies before the current child
    EXPECT_EQ(doc.ChildText(), u"3");  // not found: no move
    EXPECT_FALSE(doc.FindChild(u"A")); // names compare exactly

    doc.ResetLookup();
    ASSERT_TRUE(doc.FindChild(u"c"));
    doc.EnterChild();
    EXPECT_EQ(doc.ChildText(), u"");
    ASSERT_TRUE(doc.FindChild(u"a"));
    EXPECT_EQ(doc.ChildText(), u"4");
    EXPECT_FALSE(doc.FindChild(u"b")); // only c's children are searched
}

TEST(XmlDocumentIndex, NotesProblemsAndGoesOn) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string problem; // part of the result text; empty when none is expected
        std::u16string text;    // of /r/a
    };
    const Case cases[] = {
        {"well formed", "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ELEMENT r ANY>]>\n<r><a>x</a></r>",
         u"", u"x"},
        {"end tag without start", "<r><a>x</b></a></r>", u"</b> matches no start tag", u"x"},
        {"inner element not ended", "<r><a>x</r>", u"<a> not ended", u"x"},
        {"root not ended", "<r><a>x</a>", u"<r> not ended", u"x"},
        {"comment not ended", "<r><a>x</a><!-- y", u"comment not ended", u"x"},
        {"CDATA not ended", "<r><a>x</a><![CDATA[ y", u"CDATA section not ended", u"x"},
        {"tag not ended", "<r><a>x</a><b", u"start tag not ended", u"x"},
        {"stray <", "<r><a>x < y</a></r>", u"'<' in text", u"x < y"},
        {"second root", "<r><a>x</a></r><s/>", u"second root element", u"x"},
        {"no root", "just text", u"no root element", u"<not found>"},
        {"empty", "", u"0 length", u"<not found>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XmlDocument doc;
        doc.LoadBytes(c.bytes);
        if (c.problem.empty())
            EXPECT_EQ(doc.Result().find(u" at character "), std::u16string::npos)
                << U8(doc.Result());
        else
            EXPECT_NE(doc.Result().find(c.problem), std::u16string::npos) << U8(doc.Result());
        EXPECT_EQ(U8(TextAt(doc, {u"a"})), U8(c.text));
    }
}

TEST(XmlDocumentIndex, MissingFileFailsAndEmptiesTheDocument) {
    testutil::TempDir dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadDocument(dir.Write("a.xml", "<r><a>x</a></r>")));
    EXPECT_EQ(TextAt(doc, {u"a"}), u"x");
    EXPECT_FALSE(doc.LoadDocument(dir.File("missing.xml")));
    EXPECT_EQ(TextAt(doc, {u"a"}), u"<not found>");
    EXPECT_TRUE(doc.Text().empty());
    EXPECT_TRUE(doc.LoadDocument(dir.Write("empty.xml", "")));
    EXPECT_EQ(doc.Result(), u"0 length");
}

} // namespace
