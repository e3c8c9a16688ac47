// The window region read straight from the decoded pixels against the region
// of the image drawn onto the key colour with GDI+ and scanned: both must
// keep exactly the same pixels, on the product's shaped skins and on every
// alpha and colour value around the tolerance's edge.

#include "GuiFixture.h"

#include "controls/SkinRegion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The image drawn onto the key colour by GDI+, then scanned.
fw::Region DrawnRegion(Gdiplus::Bitmap& image, COLORREF key, int tolerance) {
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    Gdiplus::Bitmap flat(w, h, PixelFormat32bppRGB);
    {
        Gdiplus::Graphics g(&flat);
        g.Clear(Gdiplus::Color(255, GetRValue(key), GetGValue(key), GetBValue(key)));
        g.DrawImage(&image, 0, 0, w, h);
    }
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    if (flat.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok)
        return fw::Region();
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) +
                                                      y * data.Stride),
                    w, pixels.data() + size_t(y) * size_t(w));
    flat.UnlockBits(&data);
    fw::Region result(::CreateRectRgn(0, 0, 0, 0));
    for (const RECT& r : OpaqueRuns(pixels.data(), w, h, key, tolerance)) {
        fw::Region run(::CreateRectRgnIndirect(&r));
        ::CombineRgn(result.Get(), result.Get(), run.Get(), RGN_OR);
    }
    return result;
}

// The first pixel one region holds and the other does not, as "x,y", or "".
std::string FirstDifference(HRGN a, HRGN b, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (bool(::PtInRegion(a, x, y)) != bool(::PtInRegion(b, x, y)))
                return std::to_string(x) + "," + std::to_string(y);
    return "";
}

void ExpectSameRegion(Gdiplus::Bitmap& image, COLORREF key, int tolerance, const char* what) {
    fw::Region drawn = DrawnRegion(image, key, tolerance);
    fw::Region read = RegionFromImage(image, key, tolerance);
    ASSERT_TRUE(drawn && read) << what;
    if (!::EqualRgn(drawn.Get(), read.Get()))
        ADD_FAILURE() << what << ": the regions differ first at "
                      << FirstDifference(drawn.Get(), read.Get(), int(image.GetWidth()),
                                         int(image.GetHeight()));
}

TEST(SkinRegion, ReadingThePixelsKeepsTheRegionOfTheDrawnImage) {
    // The shaped windows' skins with their keys: the main window's near-black
    // with a tolerance, the notice's dark grey and the dialogs' exact green.
    const struct {
        const wchar_t* file;
        COLORREF key;
        int tolerance;
    } skins[] = {
        {L"main_nr.png", RGB(1, 1, 1), 10},
        {L"notify.png", RGB(0x22, 0x20, 0x20), 0},
        {L"msg.png", kSkinKeyColour, 0},
        {L"msg_nr.png", kSkinKeyColour, 0},
    };
    for (const auto& s : skins) {
        fw::Image image = fw::LoadImageFile(guitest::ProductDir() + L"skins\\" + s.file);
        ASSERT_TRUE(image) << std::string(s.file, s.file + wcslen(s.file));
        ExpectSameRegion(*image, s.key, s.tolerance,
                         std::string(s.file, s.file + wcslen(s.file)).c_str());
    }
}

TEST(SkinRegion, PartlyTransparentPixelsAtTheToleranceEdgeFallAlike) {
    // Every alpha across, every channel value down: laid over the key, some
    // land just inside the tolerance and some just outside, in each channel.
    auto image = std::make_unique<Gdiplus::Bitmap>(256, 256, PixelFormat32bppARGB);
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            image->SetPixel(a, c, Gdiplus::Color(BYTE(a), BYTE(c), BYTE(255 - c), BYTE(c / 2)));
    const struct {
        COLORREF key;
        int tolerance;
    } keys[] = {{kSkinKeyColour, 0},
                {kSkinKeyColour, 10},
                {RGB(1, 1, 1), 10},
                {RGB(0x22, 0x20, 0x20), 0},
                {RGB(128, 128, 128), 40}};
    for (const auto& k : keys)
        ExpectSameRegion(
            *image, k.key, k.tolerance,
            ("key " + std::to_string(k.key) + ", tolerance " + std::to_string(k.tolerance))
                .c_str());
}

} // namespace
