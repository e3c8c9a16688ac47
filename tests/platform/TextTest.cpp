#include "platform/Platform.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(TextTest, Utf8RoundTripsAndReplacesBrokenSequences) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"plain", u"plain"},
        {"\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC"},
        {"\xF0\x9F\x96\xB1", u"\U0001F5B1"}, // a mouse, outside the basic plane
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::FromUtf8(c.utf8), c.utf16);
        EXPECT_EQ(text::ToUtf8(c.utf16), c.utf8);
    }
    struct Broken {
        std::string utf8;
        std::u16string utf16;
    } broken[] = {
        {"a\xC3", u"a\uFFFD"},         // cut short
        {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
        {"\xFF", u"\uFFFD"},
    };
    for (const Broken& b : broken)
        EXPECT_EQ(text::FromUtf8(b.utf8), b.utf16);
    EXPECT_EQ(text::ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx"); // a lone surrogate
}

TEST(TextTest, FixedFieldsAreAlwaysTerminated) {
    char16_t field[4];
    text::CopyToField(field, 4, u"abcdef");
    EXPECT_EQ(text::FromField(field, 4), u"abc");
    char16_t unterminated[3] = {u'x', u'y', u'z'};
    EXPECT_EQ(text::FromField(unterminated, 3), u"xyz");
}

#ifndef _WIN32
// The converter of a code page is kept and shared by every thread: each
// conversion starts from the initial shift state, and two never use one
// converter at once.
TEST(CodePageToUtf16, SharedConvertersStartEveryConversionAfresh) {
    const struct {
        unsigned codePage;
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {50220, "\x1b$B\x30\x21", u"\u4E9C"}, // ends shifted into two-byte characters
        {50220, "AB", u"AB"},                  // so this would read as one of those
        {1252, "\x80\xE9", u"\u20AC\u00E9"},
        {932, "\x82\xA0", u"\u3042"},
    };
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < 100; ++round)
                for (const auto& c : cases) {
                    std::u16string out;
                    if (!platform::CodePageToUtf16(c.codePage, c.bytes, out) || out != c.text)
                        ++wrong;
                }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}
#endif

} // namespace
