// The colour swatches as windows: real clicks open the system's colour
// dialog, which the test drives (a colour typed into its red, green and blue
// fields, then OK or Cancel); the parent records what the swatch tells it and
// answers the DPI swatch's question.

#include "controls/ColorSwatch.h"
#include "GuiFixture.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <vector>

namespace {

struct Heard {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool sent;
};
std::vector<Heard> g_heard;
LRESULT g_answer = 1;

LRESULT CALLBACK SwatchParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COLOR_CHANGED || msg == WM_COLOR_CLICKED) {
        // The question carries the flag in lParam, as the pages tell it apart.
        const bool sent = msg == WM_COLOR_CHANGED && (lParam & kColorQueryFlag) != 0;
        g_heard.push_back({msg, wParam, lParam, sent});
        return sent ? g_answer : 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// What the test does in the colour dialog once it is up.
struct DialogScript {
    bool ok = false;
    COLORREF colour = 0;
    const wchar_t* shot = nullptr;
    int seen = 0; // colour dialogs ended so far
};
DialogScript g_script;

BOOL CALLBACK FindColourDialog(HWND hwnd, LPARAM lParam) {
    wchar_t name[16] = {};
    ::GetClassNameW(hwnd, name, 16);
    if (std::wcscmp(name, L"#32770") == 0 && ::IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the colour dialog's own modal loop (a thread timer fires there)
// and ends every colour dialog that opens, so that one opened by mistake shows
// up as counted instead of blocking the test.
void CALLBACK DriveColourDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindColourDialog, reinterpret_cast<LPARAM>(&dlg));
    // Up and filled in: its red field shows the starting colour.
    if (!dlg || ::GetWindowTextLengthW(::GetDlgItem(dlg, 706)) == 0)
        return;
    ++g_script.seen;
    if (g_script.ok) {
        // The red, green and blue fields of the fully open dialog.
        ::SetDlgItemInt(dlg, 706, GetRValue(g_script.colour), FALSE);
        ::SetDlgItemInt(dlg, 707, GetGValue(g_script.colour), FALSE);
        ::SetDlgItemInt(dlg, 708, GetBValue(g_script.colour), FALSE);
    }
    if (g_script.shot)
        guitest::SaveShot(dlg, g_script.shot);
    ::SendMessageW(::GetDlgItem(dlg, g_script.ok ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
}

// A single click, or a double click, with the real pointer.
void Click(HWND target, bool twice) {
    if (twice)
        driver::DoubleClickAt(driver::CentreOf(target));
    else
        driver::ClickCentre(target);
}

constexpr COLORREF kStart = RGB(255, 255, 255);
constexpr COLORREF kPicked = RGB(200, 30, 90);
constexpr int kIndex = 3;

class ColorSwatchWindow : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = SwatchParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::CreateSolidBrush(RGB(40, 44, 52));
        wc.lpszClassName = L"TarvelSwatchParent";
        ::RegisterClassW(&wc);
        m_parent = ::CreateWindowExW(0, L"TarvelSwatchParent", L"swatch", WS_POPUP | WS_VISIBLE,
                                     200, 200, 160, 60, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_parent);
        ::SetForegroundWindow(m_parent);
        g_heard.clear();
        g_answer = 1;
        g_script = DialogScript{};
    }
    void TearDown() override { ::DestroyWindow(m_parent); }

    // Clicks `swatch` and lets the script end the colour dialog it opens.
    void PickWith(HWND swatch, bool twice, bool ok, const wchar_t* shot = nullptr) {
        g_script.ok = ok;
        g_script.colour = kPicked;
        g_script.shot = shot;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, DriveColourDialog);
        Click(swatch, twice);
        // Seen and closed: the swatch's handler has returned from the dialog.
        EXPECT_TRUE(driver::WaitUntil([] { return g_script.seen > 0; }))
            << "no colour dialog opened";
        ::KillTimer(nullptr, timer);
        guitest::Pump(100);
    }

    std::vector<Heard> Posted(UINT msg) const {
        std::vector<Heard> out;
        for (const Heard& h : g_heard)
            if (h.msg == msg && !h.sent)
                out.push_back(h);
        return out;
    }
    std::vector<Heard> Queries() const {
        std::vector<Heard> out;
        for (const Heard& h : g_heard)
            if (h.sent)
                out.push_back(h);
        return out;
    }

    HWND m_parent = nullptr;
};

TEST_F(ColorSwatchWindow, LevelSwatchAsksItsParentBeforeTakingAColour) {
    struct Case {
        const char* name;
        bool ok;
        LRESULT answer;
        COLORREF want;
        size_t wantQueries;
        const wchar_t* shot;
    };
    const Case cases[] = {
        {"OK, parent allows", true, 1, kPicked, 1, nullptr},
        {"OK, parent answers 0", true, 0, kStart, 1, nullptr},
        {"cancelled", false, 1, kStart, 0, L"colour_dialog"},
    };
    for (const Case& c : cases) {
        g_heard.clear();
        g_answer = c.answer;
        g_script = DialogScript{};
        CColorDlg swatch;
        ColorDlgArgs args;
        args.parent = m_parent;
        args.rect = RECT{20, 20, 50, 40};
        args.index = kIndex;
        args.colour = kStart;
        ASSERT_TRUE(swatch.Create(args)) << c.name;
        PickWith(swatch.Hwnd(), false, c.ok, c.shot);
        EXPECT_EQ(swatch.GetColor(), c.want) << c.name;
        const auto queries = Queries();
        ASSERT_EQ(queries.size(), c.wantQueries) << c.name;
        if (!queries.empty()) {
            EXPECT_EQ(queries[0].wParam, kStart) << c.name;
            EXPECT_EQ(queries[0].lParam, kIndex + kColorQueryFlag) << c.name;
        }
        const auto changes = Posted(WM_COLOR_CHANGED);
        if (c.want == kPicked) {
            ASSERT_EQ(changes.size(), 1u) << c.name;
            EXPECT_EQ(changes[0].wParam, kPicked) << c.name;
            EXPECT_EQ(changes[0].lParam, kIndex) << c.name;
            guitest::SaveShot(m_parent, L"colour_level_swatch");
            EXPECT_EQ(guitest::PixelAt(*guitest::Capture(swatch.Hwnd()), 5, 5), 0xC81E5Au);
        } else {
            EXPECT_TRUE(changes.empty()) << c.name;
        }
    }
}

TEST_F(ColorSwatchWindow, DisabledLevelSwatchOpensNothing) {
    CColorDlg swatch;
    ColorDlgArgs args;
    args.parent = m_parent;
    args.rect = RECT{20, 20, 50, 40};
    ASSERT_TRUE(swatch.Create(args));
    swatch.SetDisabled(true);
    // A second, enabled swatch clicked afterwards shows the clicks were handled.
    CColorDlg other;
    args.rect = RECT{80, 20, 110, 40};
    ASSERT_TRUE(other.Create(args));
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, DriveColourDialog);
    Click(swatch.Hwnd(), false);
    Click(other.Hwnd(), false);
    ASSERT_TRUE(driver::WaitUntil([] { return g_script.seen > 0; }));
    guitest::Pump(100);
    ::KillTimer(nullptr, timer);
    // One dialog opened, the enabled swatch's, and was cancelled.
    EXPECT_EQ(g_script.seen, 1);
    EXPECT_TRUE(g_heard.empty());
}

TEST_F(ColorSwatchWindow, ColourButtonReportsClicksAndTakesAColourOnDoubleClick) {
    struct Case {
        const char* name;
        bool selected;
        bool ok;
        COLORREF want;
    };
    const Case cases[] = {
        {"OK", false, true, kPicked},
        {"cancelled", true, false, kStart},
    };
    for (const Case& c : cases) {
        g_heard.clear();
        g_script = DialogScript{};
        CColorBtnDlg swatch;
        ColorBtnArgs args;
        args.parent = m_parent;
        args.rect = RECT{20, 20, 50, 40};
        args.index = 1;
        args.colour = kStart;
        ASSERT_TRUE(swatch.Create(args)) << c.name;
        swatch.SetSelected(c.selected);
        PickWith(swatch.Hwnd(), true, c.ok);
        EXPECT_EQ(swatch.GetColor(), c.want) << c.name;
        const auto clicks = Posted(WM_COLOR_CLICKED);
        ASSERT_EQ(clicks.size(), 1u) << c.name;
        EXPECT_EQ(clicks[0].wParam, c.selected ? 0u : 1u) << c.name;
        EXPECT_EQ(clicks[0].lParam, 1) << c.name;
        const auto changes = Posted(WM_COLOR_CHANGED);
        EXPECT_EQ(changes.size(), c.ok ? 1u : 0u) << c.name;
        EXPECT_TRUE(Queries().empty()) << c.name;
        if (c.ok) {
            EXPECT_EQ(changes[0].wParam, kPicked);
            EXPECT_EQ(changes[0].lParam, 1);
            swatch.SetSelected(true);
            guitest::SaveShot(m_parent, L"colour_button_selected");
        }
    }
}

TEST_F(ColorSwatchWindow, ColourButtonWithoutPickingOnlyReportsClicks) {
    CColorBtnDlg swatch;
    ColorBtnArgs args;
    args.parent = m_parent;
    args.rect = RECT{20, 20, 50, 40};
    args.canPick = false;
    ASSERT_TRUE(swatch.Create(args));
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, DriveColourDialog);
    Click(swatch.Hwnd(), true);
    // Each press of the pair is a click; no colour dialog opens.
    ASSERT_TRUE(driver::WaitUntil([&] { return Posted(WM_COLOR_CLICKED).size() == 2; }));
    guitest::Pump(200);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_script.seen, 0);
    EXPECT_TRUE(Posted(WM_COLOR_CHANGED).empty());
}

} // namespace
