// The own PNG decoder against GDI+: every product skin file decodes to what
// GDI+ gives for it (pixels, pixel format, size, resolution), and a file the
// decoder does not take loads through GDI+ as before, its resolution and
// failures included.

#include "GuiFixture.h"
#include "common/PngBuilder.h"
#include "framework/GdiPlus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The image's rows in its own pixel format, without padding.
std::vector<uint8_t> RawPixels(Gdiplus::Bitmap& image) {
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    const Gdiplus::PixelFormat format = image.GetPixelFormat();
    const size_t row = size_t(w) * Gdiplus::GetPixelFormatSize(format) / 8;
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, format, &data) != Gdiplus::Ok)
        return {};
    std::vector<uint8_t> out(row * size_t(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + size_t(y) * row,
                    static_cast<const uint8_t*>(data.Scan0) + y * data.Stride, row);
    image.UnlockBits(&data);
    return out;
}

void ExpectSameImage(Gdiplus::Bitmap& actual, Gdiplus::Bitmap& expected) {
    EXPECT_EQ(actual.GetPixelFormat(), expected.GetPixelFormat());
    ASSERT_EQ(actual.GetWidth(), expected.GetWidth());
    ASSERT_EQ(actual.GetHeight(), expected.GetHeight());
    EXPECT_EQ(actual.GetHorizontalResolution(), expected.GetHorizontalResolution());
    EXPECT_EQ(actual.GetVerticalResolution(), expected.GetVerticalResolution());
    EXPECT_TRUE(RawPixels(actual) == RawPixels(expected)) << "pixels differ";
}

fw::Image GdiplusDecode(const std::wstring& path) {
    fw::Image image(Gdiplus::Bitmap::FromFile(path.c_str()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    return image;
}

TEST(SkinPngDecode, EveryProductSkinDecodesAsGdiplusDoes) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(guitest::ProductDir() + L"skins")) {
        if (entry.path().extension() != L".png")
            continue;
        const std::wstring path = entry.path().wstring();
        SCOPED_TRACE(testing::PrintToString(path));
        ++files;
        fw::Image own = fw::DecodeSkinPng(path);
        fw::Image gdiplus = GdiplusDecode(path);
        ASSERT_TRUE(own) << "the own decoder left a product skin to GDI+";
        ASSERT_TRUE(gdiplus);
        ExpectSameImage(*own, *gdiplus);
    }
    EXPECT_GT(files, 40);
}

TEST(SkinPngDecode, OtherFilesLoadThroughGdiplusAsBefore) {
    const testutil::PngPicture rgba = testutil::MakePicture(5, 4, 4);
    const std::vector<testutil::PngChunk> base = testutil::PngChunks(rgba, {0, 1, 2, 3, 4});
    const std::string good = testutil::PngFile(base);
    const auto with = [&](testutil::PngChunk chunk) {
        std::vector<testutil::PngChunk> chunks = base;
        chunks.insert(chunks.begin() + 1, chunk);
        return testutil::PngFile(chunks);
    };
    // 2835 pixels a metre: 72 dots an inch.
    const std::string dpi72("\0\0\x0b\x13\0\0\x0b\x13\x01", 9);
    const testutil::PngPicture indices = testutil::MakePicture(6, 3, 1);
    std::string palette;
    for (int i = 0; i < 256; ++i)
        palette += {char(i), char(255 - i), char(i / 2)};
    const std::string paletted =
        testutil::PngFile({{"IHDR", testutil::PngHeaderData(6, 3, 8, 3)},
                           {"PLTE", palette},
                           {"IDAT", testutil::StoredZlib(testutil::FilteredRows(indices, {0}))},
                           {"IEND", ""}});
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"resolution of 72 dpi", with({"pHYs", dpi72})},
        {"gamma 1.0", with({"gAMA", std::string("\0\x01\x86\xa0", 4)})},
        {"palette", paletted},
        {"bad CRC",
         [&] {
             std::vector<testutil::PngChunk> chunks = base;
             chunks[1].badCrc = true;
             return testutil::PngFile(chunks);
         }()},
        {"cut short", good.substr(0, good.size() - 20)},
        {"not a PNG", "GIF89a"},
    };
    testutil::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string written = dir.Write("skin.png", c.file);
        const std::wstring path(written.begin(), written.end());
        EXPECT_FALSE(fw::DecodeSkinPng(path));
        fw::Image loaded = fw::LoadImageFile(path);
        fw::Image gdiplus = GdiplusDecode(path);
        if (!gdiplus) {
            EXPECT_EQ(fw::Width(loaded), 0);
            continue;
        }
        ExpectSameImage(*loaded, *gdiplus);
    }
}

} // namespace
