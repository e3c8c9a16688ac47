// The plain logic of the skinned controls: which image and colour a button
// state shows, when a caption earns a tool tip, how a caption too wide is
// made smaller, and the window region scan.

#include "controls/PngBtn.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "controls/TextFit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using I = BtnImage;
using C = BtnColour;

struct LookCase {
    const char* name;
    BtnState state;
    BtnLook look;
};

TEST(ChooseBtnLook, FollowsTheStateTable) {
    // {toggle, selected, pressed, hover, disabled}
    const LookCase cases[] = {
        {"plain", {false, false, false, false, false}, {I::Normal, C::Normal}},
        {"hover", {false, false, false, true, false}, {I::Hover, C::Hover}},
        {"pressed beats hover", {false, false, true, true, false}, {I::Pressed, C::Pressed}},
        {"selected push button", {false, true, false, false, false}, {I::Pressed, C::Pressed}},
        {"disabled push button", {false, false, false, false, true}, {I::Disabled, C::Normal}},
        {"hover beats disabled", {false, false, false, true, true}, {I::Hover, C::Hover}},
        {"selected beats disabled", {false, true, false, false, true}, {I::Pressed, C::Pressed}},
        {"toggle plain", {true, false, false, false, false}, {I::Normal, C::Normal}},
        {"toggle selected under cursor",
         {true, true, false, true, false},
         {I::Pressed, C::Pressed}},
        {"toggle ignores the press", {true, false, true, false, false}, {I::Normal, C::Normal}},
        {"toggle pressed under cursor", {true, false, true, true, false}, {I::Hover, C::Hover}},
        {"toggle selected and disabled", {true, true, false, true, true}, {I::Disabled, C::Normal}},
        {"toggle disabled", {true, false, false, false, true}, {I::Disabled, C::Normal}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseBtnLook(c.state), c.look) << c.name;
}

TEST(TipForCaption, OnlyACutCaptionBecomesTheTip) {
    EXPECT_EQ(TipForCaption(L"OK", 20, 103), L"");
    EXPECT_EQ(TipForCaption(L"Exactly", 80, 80), L"");
    EXPECT_EQ(TipForCaption(L"Too long", 81, 80), L"Too long");
}

// Pixels 0x00RRGGBB; K is the key colour green.
constexpr uint32_t K = 0x00FF00, X = 0x123456;

TEST(OpaqueRuns, CutsOnlyTheKeyColourWithinTheTolerance) {
    const uint32_t pixels[] = {
        K, X,        X, K, X, // two runs
        K, K,        K, K, K, // nothing
        X, 0x01FE01, X, X, X,
    };
    EXPECT_EQ(OpaqueRuns(pixels, 5, 3, RGB(0, 255, 0), 0).size(), 3u);
    const std::vector<RECT> loose = OpaqueRuns(pixels, 5, 3, RGB(0, 255, 0), 1);
    ASSERT_EQ(loose.size(), 4u);
    EXPECT_EQ(loose[0].left, 1);
    EXPECT_EQ(loose[0].right, 3);
    EXPECT_EQ(loose[1].left, 4);
    EXPECT_EQ(loose[2].top, 2);
    EXPECT_EQ(loose[2].right, 1);
    EXPECT_EQ(loose[3].left, 2);
    EXPECT_EQ(loose[3].bottom, 3);
}

// An ARGB bitmap from a function of (x, y).
template <typename F> fw::Image MakeImage(int w, int h, F colour) {
    auto image = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->SetPixel(x, y, colour(x, y));
    return image;
}

TEST(RegionFromImage, TransparentCornersAreCutHalfTransparentPixelsStay) {
    fw::Image image = MakeImage(10, 10, [](int x, int y) {
        if (x == 0 && y == 0)
            return Gdiplus::Color(0, 0, 0, 0); // transparent corner
        if (x == 9 && y == 0)
            return Gdiplus::Color(128, 30, 30, 30); // half-transparent, blended with green
        if (x == 0 && y == 9)
            return Gdiplus::Color(255, 0, 255, 0); // opaque key colour
        return Gdiplus::Color(255, 30, 30, 30);
    });
    fw::Region region = RegionFromImage(*image);
    ASSERT_TRUE(region);
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(region.Get(), 9, 0));
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 9));
    EXPECT_TRUE(::PtInRegion(region.Get(), 5, 5));
}

TEST(RegionFromImage, JoinsMoreRunsThanOneBatch) {
    // Two runs a row over 1500 rows: 3000 rectangles, two batches.
    fw::Image image = MakeImage(3, 1500, [](int x, int) {
        return x == 1 ? Gdiplus::Color(255, 0, 255, 0) : Gdiplus::Color(255, 200, 10, 10);
    });
    fw::Region region = RegionFromImage(*image);
    ASSERT_TRUE(region);
    for (int y : {0, 999, 1000, 1499}) {
        EXPECT_TRUE(::PtInRegion(region.Get(), 0, y)) << y;
        EXPECT_FALSE(::PtInRegion(region.Get(), 1, y)) << y;
        EXPECT_TRUE(::PtInRegion(region.Get(), 2, y)) << y;
    }
    RECT box;
    ::GetRgnBox(region.Get(), &box);
    EXPECT_EQ(box.bottom, 1500);
}

TEST(CropImage, CopiesTheAreaInsideTheImage) {
    fw::Image image = MakeImage(20, 10, [](int x, int) {
        return x < 10 ? Gdiplus::Color(255, 255, 0, 0) : Gdiplus::Color(255, 0, 0, 255);
    });
    fw::Image right = CropImage(image.get(), 10, 0, 10, 10);
    ASSERT_TRUE(right);
    Gdiplus::Color c;
    right->GetPixel(0, 0, &c);
    EXPECT_EQ(c.GetValue(), 0xFF0000FFu);
    // A button wider than its image keeps the image at its own size.
    fw::Image clipped = CropImage(image.get(), 0, 0, 50, 10);
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->GetWidth(), 20u);
    EXPECT_FALSE(CropImage(image.get(), 20, 0, 5, 5));
    EXPECT_FALSE(CropImage(image.get(), 0, 0, 0, 5));
    EXPECT_FALSE(CropImage(nullptr, 0, 0, 5, 5));
}

TEST(ComposeImage, BlendsTheImageOverTheBackgroundArea) {
    fw::Image background = MakeImage(40, 40, [](int x, int) {
        return x < 20 ? Gdiplus::Color(255, 0, 0, 0) : Gdiplus::Color(255, 200, 0, 0);
    });
    fw::Image half = MakeImage(4, 4, [](int, int) { return Gdiplus::Color(128, 0, 0, 200); });
    fw::Image composed = ComposeImage(background.get(), 20, 0, half.get());
    ASSERT_TRUE(composed);
    EXPECT_EQ(composed->GetWidth(), 4u);
    Gdiplus::Color c;
    composed->GetPixel(1, 1, &c);
    EXPECT_EQ(c.GetAlpha(), 255);
    EXPECT_NEAR(c.GetRed(), 100, 3);
    EXPECT_NEAR(c.GetBlue(), 100, 3);
}

TEST(FitFont, ACaptionTooWideIsDrawnSmallerButNotBelowTheFloor) {
    const std::wstring caption = L"Colour cycle";
    const fw::Font font = MakeFont(14, FW_NORMAL);
    HDC dc = ::GetDC(nullptr);
    auto width = [&](HFONT f) {
        const fw::SelectScope select(dc, f);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &size);
        return int(size.cx);
    };
    auto height = [](HFONT f) {
        LOGFONTW lf{};
        ::GetObjectW(f, sizeof lf, &lf);
        return std::abs(int(lf.lfHeight));
    };
    const int full = width(font.Get());
    // It fits: the font stays.
    EXPECT_FALSE(FitFont(dc, font.Get(), caption, full, 10));
    // A little too wide: the largest smaller font that fits.
    const fw::Font smaller = FitFont(dc, font.Get(), caption, full - 8, 10);
    ASSERT_TRUE(smaller);
    EXPECT_LT(height(smaller.Get()), 14);
    EXPECT_LE(width(smaller.Get()), full - 8);
    // Far too wide: the floor, cut there.
    const fw::Font floor = FitFont(dc, font.Get(), caption, 5, 10);
    ASSERT_TRUE(floor);
    EXPECT_EQ(height(floor.Get()), 10);
    ::ReleaseDC(nullptr, dc);
}

} // namespace
