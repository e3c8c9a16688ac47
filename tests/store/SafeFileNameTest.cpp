#include "store/SafeFileName.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(SafeFileNameTest, NamesNeverLeaveTheirFolderOrFailOnWindows) {
    struct Case {
        const char16_t* name;
        const char16_t* safe;
    } cases[] = {
        {u"Reload", u"Reload"},
        {u"..\\..\\x", u".._.._x"},
        {u"../../etc/passwd", u".._.._etc_passwd"},
        {u"C:x", u"C_x"},
        {u"a*b?c\"d<e>f|g", u"a_b_c_d_e_f_g"},
        {u"tab\there", u"tab_here"},
        {u"CON", u"_CON"},
        {u"con.mck", u"_con.mck"},
        {u"LPT9", u"_LPT9"},
        {u"COM10", u"COM10"},
        {u"CONSOLE", u"CONSOLE"},
        {u"name.", u"name_"},
        {u"name ", u"name_"},
        {u"..", u""},
        {u" . ", u""},
        {u"", u""},
        {u"\u00C4rger \u2192 gone", u"\u00C4rger \u2192 gone"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store::SafeFileName(c.name), c.safe) << text::ToUtf8(c.name);
}

} // namespace
