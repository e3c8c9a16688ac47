#include "settings/NumberList.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using settings::ParseNumberList;

namespace {

struct Case {
    int radix;
    const char16_t* text;
    int maxCount;
    std::vector<int32_t> expected;
};

const Case kCases[] = {
    {10, u"1,2,3", 8, {1, 2, 3}},
    {10, u"1,,,2", 8, {1, 2}}, // runs of commas are one separator
    {10, u",5,", 8, {5}},      // empty pieces are skipped
    {10, u" 1, 2", 8, {1, 2}}, // leading blanks allowed
    {10, u"1 ,2", 8, {}},      // trailing blank: the piece is not a number
    {10, u"1,x,3", 8, {1}},    // a bad piece ends the list
    {10, u"1,2x,3", 8, {1}},
    {10, u"-1,+2", 8, {-1, 2}},       // wcstoul wraps negatives
    {10, u"1,2,3,4,5", 3, {1, 2, 3}}, // at most maxCount values
    {16, u"fa99,0xFA9A,10", 8, {0xFA99, 0xFA9A, 0x10}},
    {16, u"0x", 8, {}},
    {16, u"0xg", 8, {}},
    {10, u"0x10", 8, {}},          // the prefix only counts in radix 16
    {10, u"99999999999", 8, {-1}}, // saturates like a 32-bit wcstoul
    {10, u"", 8, {}},
    {10, u" ", 8, {}},
    {1, u"1", 8, {}}, // no such radix
};

TEST(NumberListTest, ParsesPiecesLikeWcstoul) {
    for (const Case& c : kCases) {
        int32_t out[16] = {};
        int n = ParseNumberList(c.radix, c.text, out, c.maxCount);
        EXPECT_EQ(std::vector<int32_t>(out, out + n), c.expected) << text::ToUtf8(c.text);
    }
}

TEST(NumberListTest, BytesKeepTheLowEightBits) {
    uint8_t out[4] = {};
    ASSERT_EQ(ParseNumberList(10, u"300,0,255", out, 4), 3);
    EXPECT_EQ(out[0], 44);
    EXPECT_EQ(out[2], 255);
}

TEST(NumberListTest, TextIsCutBeforeSplitting) {
    // The integer variant reads 1023 characters, the byte variant 511: a
    // number that straddles the cut loses its tail.
    std::u16string longText(1020, u' ');
    longText += u"1234";
    int32_t ints[2] = {};
    ASSERT_EQ(ParseNumberList(10, longText, ints, 2), 1);
    EXPECT_EQ(ints[0], 123);
    std::u16string byteText(508, u' ');
    byteText += u"1234";
    uint8_t bytes[2] = {};
    ASSERT_EQ(ParseNumberList(10, byteText, bytes, 2), 1);
    EXPECT_EQ(bytes[0], 123);
}

} // namespace
