// Loading skin images while start-up decodes each file once: every caller
// still gets an image of its own with the file's exact pixels, and callers
// that only draw share one decoded image for as long as any of them holds it.

#include "GuiFixture.h"
#include "framework/GdiPlus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<uint32_t> Pixels(Gdiplus::Bitmap& image) {
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return {};
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + size_t(y) * size_t(w),
                    static_cast<const uint8_t*>(data.Scan0) + y * data.Stride, size_t(w) * 4);
    image.UnlockBits(&data);
    return out;
}

void SetFirstPixel(Gdiplus::Bitmap& image, Gdiplus::Color colour) {
    image.SetPixel(0, 0, colour);
}

TEST(DecodedImageCache, EachLoadIsAnOwnCopyOfTheFilesPixels) {
    const std::wstring skins = guitest::ProductDir() + L"skins\\";
    for (const wchar_t* name : {L"main_nr.png", L"btn_nr.png", L"slider.png"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        const std::wstring path = skins + name;
        fw::Image plain = fw::LoadImageFile(path);
        ASSERT_GT(fw::Width(plain), 0);
        const std::vector<uint32_t> expected = Pixels(*plain);
        {
            fw::DecodedImageCache cache;
            fw::Image a = fw::LoadImageFile(path), b = fw::LoadImageFile(path);
            ASSERT_EQ(fw::Width(a), fw::Width(plain));
            ASSERT_EQ(fw::Height(a), fw::Height(plain));
            EXPECT_EQ(a->GetPixelFormat(), plain->GetPixelFormat());
            EXPECT_EQ(a->GetHorizontalResolution(), plain->GetHorizontalResolution());
            EXPECT_TRUE(Pixels(*a) == expected);
            // A caller that draws on its copy changes nobody else's.
            SetFirstPixel(*a, Gdiplus::Color(255, 1, 2, 3));
            EXPECT_TRUE(Pixels(*b) == expected);
            EXPECT_TRUE(Pixels(*fw::LoadImageFile(path)) == expected);
        }
        // After the cache has gone, files are decoded as before.
        EXPECT_TRUE(Pixels(*fw::LoadImageFile(path)) == expected);
    }
}

TEST(DecodedImageCache, SharedImagesAreOneDecodedCopyWhileAnyoneHoldsIt) {
    const std::wstring path = guitest::ProductDir() + L"skins\\btn_nr.png";
    const std::vector<uint32_t> expected = Pixels(*fw::LoadImageFile(path));
    fw::SharedImage held;
    {
        fw::DecodedImageCache cache;
        held = fw::LoadSharedImageFile(path);
        ASSERT_GT(fw::Width(held), 0);
        EXPECT_TRUE(Pixels(*held) == expected);
        EXPECT_EQ(fw::LoadSharedImageFile(path), held);
    }
    // The cache has gone; a control still holds the image, so it is handed
    // out again rather than decoded anew, and copies are still the file's.
    EXPECT_EQ(fw::LoadSharedImageFile(path), held);
    EXPECT_TRUE(Pixels(*fw::LoadImageFile(path)) == expected);
    // Once its last owner lets go, nothing holds it any more.
    std::weak_ptr<Gdiplus::Bitmap> gone = held;
    held.reset();
    EXPECT_TRUE(gone.expired());
    fw::SharedImage again = fw::LoadSharedImageFile(path);
    EXPECT_EQ(again.use_count(), 1);
    EXPECT_TRUE(Pixels(*again) == expected);
}

TEST(DecodedImageCache, AMissingFileStaysAnEmptyImage) {
    const std::wstring missing = guitest::ProductDir() + L"skins\\no_such_image.png";
    for (bool withCache : {true, false}) {
        SCOPED_TRACE(withCache ? "with the cache" : "without");
        std::optional<fw::DecodedImageCache> cache;
        if (withCache)
            cache.emplace();
        for (int i = 0; i < 2; ++i) {
            fw::Image image = fw::LoadImageFile(missing);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(fw::Width(image), 0);
            fw::SharedImage shared = fw::LoadSharedImageFile(missing);
            ASSERT_NE(shared, nullptr);
            EXPECT_EQ(fw::Width(shared), 0);
        }
    }
}

} // namespace
