// The sliders as windows on a page-like parent that records the messages it
// receives and answers the sliders' questions. The mouse is the real one:
// SendInput at the controls' screen positions.

#include "GuiFixture.h"
#include "app/AppGlobals.h"
#include "common/TestUtil.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"
#include "controls/SliderFactory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

constexpr UINT kMarker = WM_APP + 77;

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

struct Page {
    std::vector<Received> messages;
    LRESULT answer = 1; // to WM_SLIDER_ASK and WM_HSLIDER_ASK
    int asks = 0;
    int markers = 0;
    std::vector<Received> Of(UINT msg) const {
        std::vector<Received> out;
        for (const Received& r : messages)
            if (r.msg == msg)
                out.push_back(r);
        return out;
    }
};
Page g_page;

LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SLIDER_ASK:
    case WM_HSLIDER_ASK:
        ++g_page.asks;
        return g_page.answer;
    case WM_SLIDER_SET:
    case WM_SLIDER_MOVING:
    case WM_HSLIDER_SET:
    case WM_HSLIDER_MOVING:
        g_page.messages.push_back({msg, wParam, lParam});
        return 0;
    case kMarker:
        ++g_page.markers;
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

using driver::WaitUntil;

class SliderWindow : public testing::Test {
protected:
    void SetUp() override {
        g_page = {};
        WNDCLASSW wc{};
        wc.lpfnWndProc = PageProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"TarvelSliderTestPage";
        ::RegisterClassW(&wc);
        m_page = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"page", WS_POPUP | WS_VISIBLE,
                                   100, 100, 420, 260, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_page);
        ::SetForegroundWindow(m_page);
        m_bkg = LoadSkinImage(L"adv_nr.png");
        ASSERT_GT(fw::Width(m_bkg), 0);
    }
    void TearDown() override {
        ::DestroyWindow(m_page);
        guitest::Pump(10);
    }

    // Everything the sliders posted so far has reached the page: a marker
    // goes round behind them once for each step of the thumb -> bar -> page
    // chain.
    void Settle() {
        for (int round = 0; round < 3; ++round) {
            const int seen = g_page.markers;
            ::PostMessageW(m_page, kMarker, 0, 0);
            ASSERT_TRUE(WaitUntil([&] { return g_page.markers > seen; }));
        }
    }

    // Presses a thumb at its centre, drags it `dx` pixels in steps and lets
    // go; false when the thumb never started or ended its drag.
    static bool Drag(CSliderThumbBase& thumb, int dx) {
        const POINT from = driver::CentreOf(thumb.Hwnd());
        driver::Press(from);
        if (!WaitUntil([&] { return thumb.IsDragging(); }))
            return false;
        for (int step = 1; step <= 4; ++step) {
            const int centre = thumb.Centre();
            driver::MoveTo({from.x + dx * step / 4, from.y});
            if (dx * step / 4 != dx * (step - 1) / 4)
                WaitUntil([&] { return thumb.Centre() != centre; });
        }
        driver::Release({from.x + dx, from.y});
        return WaitUntil([&] { return !thumb.IsDragging(); });
    }
    // Presses a thumb, moves the mouse `dx` pixels and lets go, without
    // waiting for the thumb to follow (it may refuse).
    static void Press(CSliderThumbBase& thumb, int dx) {
        const POINT from = driver::CentreOf(thumb.Hwnd());
        driver::Press(from);
        driver::Release({from.x + dx, from.y});
    }
    // A click on a window at (x, y) of its client area.
    static void Click(HWND hwnd, int x, int y) { driver::ClickIn(hwnd, x, y); }

    // The keys page's rate slider at (40, 30) of the page.
    void MakeRateSlider(CPngSliderBar& bar, UINT id, int top) {
        fw::Image thumb = LoadSkinImage(L"slider.png");
        SliderBarArgs args;
        args.parentBkg = m_bkg.get();
        args.parent = m_page;
        args.thumb = thumb.get();
        args.positions = 4;
        args.id = id;
        args.fillName = L"bar2_ov.png";
        args.trackSource = {0, 0, 315, 20};
        args.bar = {40, top, 355, top + 20};
        ASSERT_EQ(NewSmallPngSliderBar(bar, args), 1);
        const uint32_t rates[] = {0x125, 0x250, 0x500, 0x1000};
        bar.SetValues(rates, 4);
        const std::vector<int> places = ComputeScale(315, 4);
        bar.SetScalePos(places.data(), int(places.size()));
        fw::Image dot = LoadSkinImage(L"bar_dot.png");
        bar.SetDotImage(dot.get(), 8);
        bar.Thumb().SetReportWhileMoving(true);
    }

    // A DPI row on a sensor with X and Y: two rows of thumbs on one bar.
    void MakeDpiSlider(CPngHSliderBarEx& bar, UINT id, int top) {
        fw::Image upper = LoadSkinImage(L"slider1.png");
        fw::Image lower = LoadSkinImage(L"slider2.png");
        HSliderBarArgs args;
        args.parentBkg = m_bkg.get();
        args.parent = m_page;
        args.upperThumb = upper.get();
        args.lowerThumb = lower.get();
        args.id = id;
        args.bar = {40, top, 355, top + 38};
        ASSERT_EQ(NewSmallPngHSliderBarEx(bar, args), 1);
        const uint32_t steps[] = {400, 800, 1600, 3200, 6400};
        bar.SetRange(1, 5);
        const std::vector<int> places = ComputeScaleEx(18, 5);
        for (int thumb : {1, 2}) {
            bar.SetValues(thumb, steps, 5);
            bar.SetScalePos(thumb, places.data(), int(places.size()));
            bar.Thumb(thumb).SetReportWhileMoving(true);
        }
        fw::Image dot = LoadSkinImage(L"dpi_dot.png");
        bar.SetDotImage(dot.get(), 17);
    }

    HWND m_page = nullptr;
    fw::Image m_bkg;
    testutil::MessageRecorder m_boxes;
};

TEST_F(SliderWindow, ADraggedThumbSnapsToTheNearestPlaceAndReportsOnce) {
    CPngSliderBar bar;
    MakeRateSlider(bar, 128, 30);
    guitest::SaveShot(m_page, L"slider_rate_start");
    ASSERT_EQ(bar.GetValue(), 0x125u);

    // From 10 to about 120: nearest place 108.
    ASSERT_TRUE(Drag(bar.Thumb(), 110));
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_SLIDER_SET).empty(); }));
    Settle();
    const auto sets = g_page.Of(WM_SLIDER_SET);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].wParam, 0x250u);
    EXPECT_EQ(sets[0].lParam, 128);
    EXPECT_EQ(bar.GetValue(), 0x250u);
    EXPECT_EQ(bar.Thumb().Centre(), 108);
    EXPECT_EQ(bar.FillEnd(), 109);
    EXPECT_EQ(g_page.asks, 1);
    // While moving, each new value under the thumb was reported once.
    const auto moving = g_page.Of(WM_SLIDER_MOVING);
    ASSERT_FALSE(moving.empty());
    EXPECT_EQ(moving.back().wParam, 0x250u);
    guitest::SaveShot(m_page, L"slider_rate_dragged");

    // A drag that ends where it started reports nothing.
    g_page.messages.clear();
    ASSERT_TRUE(Drag(bar.Thumb(), 20));
    Settle();
    EXPECT_TRUE(g_page.Of(WM_SLIDER_SET).empty());
    EXPECT_EQ(bar.Thumb().Centre(), 108);
}

TEST_F(SliderWindow, ARefusedMoveAndAReadOnlyBarLeaveTheSliderAlone) {
    CPngSliderBar bar, probe;
    MakeRateSlider(bar, 128, 30);
    MakeRateSlider(probe, 130, 120);

    g_page.answer = 0;
    Press(bar.Thumb(), 200);    // the thumb never starts a drag
    Click(bar.Hwnd(), 206, 10); // nor does a click move it
    // Asked for the press and for the click; the release over the bar that
    // ended the thumb's press is no click of the bar's.
    ASSERT_TRUE(WaitUntil([] { return g_page.asks == 2; })) << g_page.asks;
    g_page.answer = 1;
    // The probe's click is handled after the ones above: the sign that
    // they went all the way through.
    Click(probe.Hwnd(), 305, 10);
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_SLIDER_SET).empty(); }));
    Settle();
    EXPECT_EQ(g_page.asks, 3); // and the probe's click
    EXPECT_EQ(bar.GetValue(), 0x125u);
    EXPECT_EQ(bar.Thumb().Centre(), 10);
    ASSERT_EQ(g_page.Of(WM_SLIDER_SET).size(), 1u);
    EXPECT_EQ(g_page.Of(WM_SLIDER_SET)[0].lParam, 130);

    // Read only: neither a click nor the thumb moves it, and the page is
    // not even asked.
    g_page = {};
    bar.SetReadOnly(true);
    Click(bar.Hwnd(), 206, 10);
    Press(bar.Thumb(), 200);
    Click(probe.Hwnd(), 10, 10);
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_SLIDER_SET).empty(); }));
    Settle();
    EXPECT_EQ(g_page.asks, 1); // the probe only
    EXPECT_EQ(bar.GetValue(), 0x125u);
    EXPECT_EQ(g_page.Of(WM_SLIDER_SET).size(), 1u);
}

TEST_F(SliderWindow, BarsMadeBySetPos) {
    struct Case {
        const char* name;
        uint32_t value;
        bool notify;
        uint32_t shown;
        int fillEnd; // 0: up to the thumb's place + 1
        size_t posted;
    };
    // The battery bar: no thumb, ten positions, read only.
    const Case cases[] = {
        {"half charged", 5, false, 5, 0, 0},
        {"full at the top value", 10, false, 10, 315, 0},
        {"a level beyond the bar falls to the first", 11, false, 1, 0, 0},
        {"notify on set posts the value", 4, true, 4, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_page.messages.clear();
        CPngSliderBar battery;
        SliderBarArgs args;
        args.parentBkg = m_bkg.get();
        args.parent = m_page;
        args.positions = 10;
        args.id = 129;
        args.fillName = L"powerbar1.png";
        args.trackSource = {0, 0, 315, 20};
        args.bar = {40, 200, 355, 220};
        ASSERT_EQ(NewSmallPngSliderBar(battery, args), 1);
        EXPECT_FALSE(::IsWindowVisible(battery.Thumb().Hwnd()));
        battery.SetReadOnly(true);
        battery.SetNotifyOnSet(c.notify);
        battery.SetPos(c.value);
        EXPECT_EQ(battery.GetValue(), c.shown);
        EXPECT_EQ(battery.FillEnd(), c.fillEnd ? c.fillEnd : battery.Thumb().Place() + 1);
        Settle();
        EXPECT_EQ(g_page.Of(WM_SLIDER_SET).size(), c.posted);
        if (c.value == 10)
            guitest::SaveShot(m_page, L"slider_battery_full");
    }

    // A value the rate table does not hold leaves the slider unchanged.
    CPngSliderBar rate;
    MakeRateSlider(rate, 128, 30);
    rate.SetPos(0x500);
    rate.SetPos(0x333);
    EXPECT_EQ(rate.GetValue(), 0x500u);
    EXPECT_EQ(rate.Thumb().Centre(), 206);
    // Four places for three positions: the page hears of it.
    m_boxes.Clear();
    rate.SetRange(1, 3);
    const int places[] = {10, 108, 206, 305};
    EXPECT_FALSE(rate.SetScalePos(places, 4));
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].first, u"CPngSlider::SetScalePos  dwScale and Range unmatch!");
    EXPECT_EQ(m_boxes.Messages()[0].second, u"Warning");
}

TEST_F(SliderWindow, TwoThumbsLinkedAndSeparate) {
    CPngHSliderBarEx a, b;
    MakeDpiSlider(a, 144, 30);
    MakeDpiSlider(b, 145, 100);
    a.SetPos(1, 800);
    a.SetPos(2, 800);
    b.SetPos(1, 800);
    b.SetPos(2, 800);
    guitest::SaveShot(m_page, L"slider_dpi_start");

    // Linked: thumb 1 dragged two steps (74 pixels per step) to 3200; the
    // lower thumb follows to the same step, so both show 3200.
    ASSERT_TRUE(Drag(a.Thumb(1), 148));
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_HSLIDER_SET).empty(); }));
    Settle();
    auto sets = g_page.Of(WM_HSLIDER_SET);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].wParam, 3200u);
    EXPECT_EQ(sets[0].lParam, HSliderParam(1, 144));
    EXPECT_EQ(a.GetValue(1), 3200u);
    EXPECT_EQ(a.GetValue(2), 3200u);
    EXPECT_EQ(a.Thumb(2).Centre(), a.Thumb(1).Centre());
    const auto movingA = g_page.Of(WM_HSLIDER_MOVING);
    ASSERT_FALSE(movingA.empty());
    EXPECT_EQ(movingA.back().wParam, 3200u);

    // Another slider dragged to the value the first one last reported still
    // reports it: each keeps its own last report.
    g_page.messages.clear();
    ASSERT_TRUE(Drag(b.Thumb(1), 148));
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_HSLIDER_SET).empty(); }));
    Settle();
    const auto movingB = g_page.Of(WM_HSLIDER_MOVING);
    ASSERT_FALSE(movingB.empty());
    EXPECT_EQ(movingB.back().wParam, 3200u);
    EXPECT_EQ(movingB.back().lParam, HSliderParam(1, 145));

    // A click on a linked bar moves both thumbs; the page hears it once,
    // for thumb 1.
    g_page.messages.clear();
    Click(a.Hwnd(), a.Thumb(1).Positions().PlaceOf(5, 315), 30);
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_HSLIDER_SET).empty(); }));
    Settle();
    ASSERT_EQ(g_page.Of(WM_HSLIDER_SET).size(), 1u);
    EXPECT_EQ(g_page.Of(WM_HSLIDER_SET)[0].lParam, HSliderParam(1, 144));
    EXPECT_EQ(a.GetValue(1), 6400u);
    EXPECT_EQ(a.GetValue(2), 6400u);

    // Separate: the lower thumb dragged alone, and a click in the lower half
    // moves only thumb 2.
    a.SetSeparate(true);
    g_page.messages.clear();
    ASSERT_TRUE(Drag(a.Thumb(2), -223));
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_HSLIDER_SET).empty(); }));
    Settle();
    sets = g_page.Of(WM_HSLIDER_SET);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].wParam, 800u);
    EXPECT_EQ(sets[0].lParam, HSliderParam(2, 144));
    EXPECT_EQ(a.GetValue(1), 6400u);
    EXPECT_EQ(a.GetValue(2), 800u);

    g_page.messages.clear();
    Click(a.Hwnd(), a.Thumb(2).Positions().PlaceOf(3, 315), 30);
    ASSERT_TRUE(WaitUntil([] { return !g_page.Of(WM_HSLIDER_SET).empty(); }));
    Settle();
    EXPECT_EQ(g_page.Of(WM_HSLIDER_SET)[0].lParam, HSliderParam(2, 144));
    EXPECT_EQ(a.GetValue(1), 6400u);
    EXPECT_EQ(a.GetValue(2), 1600u);
    guitest::SaveShot(m_page, L"slider_dpi_separate");
}

TEST_F(SliderWindow, AMissingTrackIsReportedAndNothingIsMade) {
    testutil::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "skins");
    guitest::ExeDirScope exeDir(W(dir.Dir()));
    ResetSkinWarnings();
    fw::Image thumb = LoadSkinImage(L"slider.png"); // missing here too
    (void)thumb;

    CPngSliderBar single;
    SliderBarArgs args;
    args.parent = m_page;
    args.positions = 4;
    args.bar = {0, 0, 315, 20};
    EXPECT_EQ(NewSmallPngSliderBar(single, args), 0);
    EXPECT_FALSE(single.Hwnd());

    fw::Image upper = guitest::Capture(m_page); // any image will do for thumbs
    CPngHSliderBarEx pair;
    HSliderBarArgs pairArgs;
    pairArgs.parent = m_page;
    pairArgs.upperThumb = upper.get();
    pairArgs.lowerThumb = upper.get();
    pairArgs.bar = {0, 40, 315, 59};
    EXPECT_EQ(NewSmallPngHSliderBarEx(pair, pairArgs), 0);
    EXPECT_FALSE(pair.Hwnd());

    ASSERT_EQ(m_boxes.Messages().size(), 2u);
    EXPECT_EQ(m_boxes.Messages()[0].first, u"NewSmallPngSliderBar Error. file bar2.png not exist");
    EXPECT_EQ(m_boxes.Messages()[0].second, u"Warrning");
    EXPECT_EQ(m_boxes.Messages()[1].first,
              u"NewSmallPngHSliderBarEx Error. file dpi-bar.png not exist");
    ResetSkinWarnings();
}

TEST_F(SliderWindow, ATwoThumbBarWithoutAThumbImageIsNotMade) {
    fw::Image upper = LoadSkinImage(L"slider1.png");
    fw::Image none = LoadSkinImage(L"no-such-thumb.png");
    CPngHSliderBarEx pair;
    HSliderBarArgs args;
    args.parent = m_page;
    args.upperThumb = upper.get();
    args.lowerThumb = none.get();
    args.bar = {0, 40, 315, 59};
    EXPECT_EQ(NewSmallPngHSliderBarEx(pair, args), 0);
    EXPECT_FALSE(pair.Hwnd());
    EXPECT_TRUE(m_boxes.Messages().empty());
}

// A bar on a page the user has not opened holds only its background piece:
// the track and fill are composed over it when the bar is first drawn, and a
// change of look (dimmed) composes them again at the next draw.
TEST_F(SliderWindow, ABarComposesItsTrackWhenItIsDrawn) {
    ::ShowWindow(m_page, SW_HIDE);
    CPngSliderBar rate;
    MakeRateSlider(rate, 128, 30);
    guitest::Pump(50);
    EXPECT_FALSE(rate.HasTrack());
    EXPECT_FALSE(rate.HasFill());

    const auto drawn = [&rate] {
        const int w = rate.BarWidth(), h = rate.BarHeight();
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        fw::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
        fw::Bitmap bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        fw::SelectScope select(dc.Get(), bitmap.Get());
        rate.DrawBar(dc.Get(), 0, 0);
        ::GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        return std::vector<uint32_t>(pixels, pixels + size_t(w) * size_t(h));
    };
    const std::vector<uint32_t> plain = drawn();
    EXPECT_TRUE(rate.HasTrack());
    EXPECT_TRUE(rate.HasFill());

    rate.SetDimmed(true);
    EXPECT_FALSE(rate.HasTrack());
    EXPECT_NE(drawn(), plain);
    rate.SetDimmed(false);
    EXPECT_EQ(drawn(), plain);
}

} // namespace
