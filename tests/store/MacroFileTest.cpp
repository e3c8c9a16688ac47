// The rotated .mck file image.

#include "store/MacroFile.h"

#include "model/CoreFixture.h"

#include <cstring>

namespace {

StMacro Sample() {
    StMacro m;
    auto* b = reinterpret_cast<uint8_t*>(&m);
    for (size_t i = 0; i < sizeof m; ++i)
        b[i] = uint8_t(i * 13);
    m.dwMagicNumber = kMacroMagic;
    text::CopyToField(m.szName, kMacroNameChars, u"Reload");
    return m;
}

TEST(MacroFileTest, BytesAreRotatedTwoBitsRight) {
    StMacro m = Sample();
    auto* b = reinterpret_cast<uint8_t*>(&m);
    b[200] = 0x00;
    b[201] = 0x01;
    b[202] = 0x80;
    const std::string file = EncodeMacroFile(m);
    ASSERT_EQ(file.size(), 834u);
    EXPECT_EQ(file.substr(200, 3), std::string("\x00\x40\x20", 3));
    // The magic A0 88 FB FA on disk.
    EXPECT_EQ(file.substr(0, 4), std::string("\x28\x22\xFE\xBE", 4));

    StMacro back;
    ASSERT_TRUE(DecodeMacroFile(file, back));
    EXPECT_EQ(std::memcmp(&back, &m, sizeof m), 0);
}

TEST(MacroFileTest, RefusesWhatIsNoMacro) {
    const std::string good = EncodeMacroFile(Sample());
    std::string wrongMagic = good;
    wrongMagic[0] = char(wrongMagic[0] ^ 1);
    const std::string cases[] = {good + "x", good.substr(0, 833), "", wrongMagic};
    for (const std::string& bytes : cases) {
        StMacro out = Sample();
        out.dwID = 77;
        EXPECT_FALSE(DecodeMacroFile(bytes, out)) << bytes.size();
        EXPECT_EQ(out.dwID, 77u) << "untouched";
    }
}

TEST(MacroFileTest, FileRoundTripAndUnterminatedName) {
    testutil::TempDir dir;
    const StMacro m = Sample();
    ASSERT_TRUE(WriteMacroFile(dir.File("a.mck"), m));
    StMacro back;
    ASSERT_TRUE(ReadMacroFile(dir.File("a.mck"), back));
    EXPECT_EQ(std::memcmp(&back, &m, sizeof m), 0);

    dir.Write("long.mck", EncodeMacroFile(m) + "x");
    EXPECT_FALSE(ReadMacroFile(dir.File("long.mck"), back));
    EXPECT_FALSE(ReadMacroFile(dir.File("missing.mck"), back));

    StMacro hostile = m;
    for (char16_t& c : hostile.szName)
        c = u'z';
    ASSERT_TRUE(DecodeMacroFile(EncodeMacroFile(hostile), back));
    EXPECT_EQ(text::FromField(back.szName, kMacroNameChars), std::u16string(39, u'z'));
}

} // namespace
