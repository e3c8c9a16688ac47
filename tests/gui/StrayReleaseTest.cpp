// Controls act on a button release only after their own press: a release
// that arrives without one (left over from a dialog that closed above the
// control) does nothing, and neither does a press that ends off the control.
// Real input: the button goes down on the parent's empty background, or on
// the control, and comes up elsewhere.

#include "GuiFixture.h"
#include "controls/ColorSwatch.h"
#include "controls/ComboBtn.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"
#include "controls/SliderFactory.h"
#include "controls/SliderMessages.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <memory>
#include <vector>

namespace {

// What the parent heard: button clicks, slider values and colour dialogs.
struct Heard {
    int commands = 0;
    int sliderSets = 0;
    int colourDialogs = 0;
    std::vector<HWND> releases; // windows that took a WM_LBUTTONUP
};
Heard g_heard;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        ++g_heard.commands;
        return 0;
    case WM_SLIDER_SET:
        ++g_heard.sliderSets;
        return 0;
    case WM_SLIDER_ASK:
        return 1;
    case WM_COLOR_CHANGED:
        return 1; // the swatch's question: yes
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Sees each release as this thread takes it from its queue; it is
// dispatched right after, so a test that saw it knows it was handled.
LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_LBUTTONUP)
        g_heard.releases.push_back(msg->hwnd);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK FindColourDialog(HWND hwnd, LPARAM lParam) {
    wchar_t name[16] = {};
    ::GetClassNameW(hwnd, name, 16);
    if (std::wcscmp(name, L"#32770") == 0 && ::IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs inside a colour dialog's modal loop: counts it and cancels it.
void CALLBACK CancelColourDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindColourDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg)
        return;
    ++g_heard.colourDialogs;
    ::SendMessageW(::GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
}

class StrayRelease : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadMenuLibrary()) << "Kelmo.dll beside the tests";
        ResetSkinWarnings();
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::CreateSolidBrush(RGB(40, 44, 52));
        wc.lpszClassName = L"TarvelStrayReleaseParent";
        ::RegisterClassW(&wc);
        driver::ParkPointer();
        m_parent = ::CreateWindowExW(0, wc.lpszClassName, L"stray", WS_POPUP | WS_VISIBLE, 100, 100,
                                     420, 120, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_parent);
        ::SetForegroundWindow(m_parent);
        m_hook =
            ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, ::GetCurrentThreadId());
        m_timer = ::SetTimer(nullptr, 0, 50, CancelColourDialog);
        m_bkg = LoadSkinImage(L"adv_nr.png");
        g_heard = {};
    }
    void TearDown() override {
        CloseMenus();
        ::KillTimer(nullptr, m_timer);
        ::UnhookWindowsHookEx(m_hook);
        ::DestroyWindow(m_parent);
        driver::Pump();
    }

    // Waits until `target` took a release.
    static bool ReleaseReached(HWND target) {
        return driver::WaitUntil([&] {
            for (HWND hwnd : g_heard.releases)
                if (hwnd == target)
                    return true;
            return false;
        });
    }

    HWND m_parent = nullptr;
    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;
    fw::Image m_bkg;
};

TEST_F(StrayRelease, ControlsActOnlyOnTheReleaseOfTheirOwnPress) {
    // Each control sits at (20, 20) of the parent; `spot` is where a click
    // acts (client coordinates of the control) and `acted` counts its action.
    struct Case {
        const char* name;
        std::function<HWND()> make;
        POINT spot;
        std::function<int()> acted;
    };
    CPngBtn button(701);
    CPngSliderBar slider;
    CColorDlg swatch;
    CComboBtn combo;
    const Case cases[] = {
        {"image button",
         [&] {
             NewSkinButton({.parent = m_parent,
                            .btn = &button,
                            .normal = L"btn_nr.png",
                            .hover = L"btn_ov.png",
                            .pressed = L"btn_ov.png",
                            .left = 20,
                            .top = 20});
             return button.Hwnd();
         },
         {50, 16},
         [] { return g_heard.commands; }},
        {"slider bar",
         [&] {
             fw::Image thumb = LoadSkinImage(L"slider.png");
             SliderBarArgs args;
             args.parentBkg = m_bkg.get();
             args.parent = m_parent;
             args.thumb = thumb.get();
             args.positions = 4;
             args.id = 702;
             args.trackSource = {0, 0, 315, 20};
             args.bar = {20, 20, 335, 40};
             NewSmallPngSliderBar(slider, args);
             const std::vector<int> places = ComputeScale(315, 4);
             slider.SetScalePos(places.data(), int(places.size()));
             return slider.Hwnd();
         },
         {206, 10}, // the third place, away from the thumb at the first
         [] { return g_heard.sliderSets; }},
        {"level colour swatch",
         [&] {
             swatch.Create(ColorDlgArgs{m_parent, RECT{20, 20, 60, 40}, 3, 0xFFFFFF});
             return swatch.Hwnd();
         },
         {20, 10},
         [] { return g_heard.colourDialogs; }},
        {"combo button",
         [&] {
             ComboBtnArgs args;
             args.parent = m_parent;
             args.id = 704;
             args.left = 20;
             args.top = 20;
             combo.Create(args);
             combo.AddItem(0, 1, L"Steady");
             combo.AddItem(0, 2, L"Breathing");
             combo.Select(0);
             return combo.Hwnd();
         },
         {40, 10},
         [] { return int(driver::OpenMenus().size()); }},
    };
    const POINT empty = driver::ScreenPoint(m_parent, 380, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND control = c.make();
        ASSERT_TRUE(control);
        driver::Pump(50);
        const POINT spot = driver::ScreenPoint(control, c.spot.x, c.spot.y);

        // Pressed on the parent's background, released over the control.
        driver::Press(empty);
        driver::Release(spot);
        ASSERT_TRUE(ReleaseReached(control));
        driver::Pump(50);
        EXPECT_EQ(c.acted(), 0);

        // Pressed on the control, released off it.
        g_heard.releases.clear();
        driver::Press(spot);
        driver::Release(empty);
        ASSERT_TRUE(ReleaseReached(control)); // captured: the control took it
        driver::Pump(50);
        EXPECT_EQ(c.acted(), 0);

        // A click: it acts once.
        driver::ClickAt(spot);
        EXPECT_TRUE(driver::WaitUntil([&] { return c.acted() == 1; }));
        driver::Pump(50);
        EXPECT_EQ(c.acted(), 1);
        CloseMenus();
        ::ShowWindow(control, SW_HIDE);
    }
}

} // namespace
