// The image button and the button factories as windows, on a plain parent
// window that records the commands it receives.

#include "controls/PngBtn.h"
#include "GuiFixture.h"
#include "app/AppGlobals.h"
#include "common/TestUtil.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <oleacc.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <vector>

namespace {

std::vector<WPARAM> g_commands;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND)
        g_commands.push_back(wParam);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

class PngBtnWindow : public testing::Test {
protected:
    void SetUp() override {
        ResetSkinWarnings();
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TarvelTestParent";
        ::RegisterClassW(&wc);
        m_parent = ::CreateWindowExW(0, L"TarvelTestParent", L"parent", WS_POPUP | WS_VISIBLE, 100,
                                     100, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_parent);
        g_commands.clear();
    }
    void TearDown() override { ::DestroyWindow(m_parent); }

    HWND m_parent = nullptr;
    testutil::MessageRecorder m_boxes;
};

TEST_F(PngBtnWindow, FactoryMakesAClickableButtonWithoutTabStop) {
    CPngBtn btn(1234);
    fw::Image bkg = LoadSkinImage(L"msg_nr.png");
    ASSERT_EQ(NewSkinButton({.parent = m_parent,
                             .btn = &btn,
                             .normal = L"btn_nr.png",
                             .hover = L"btn_ov.png",
                             .pressed = L"btn_ov.png",
                             .left = 20,
                             .top = 30,
                             .parentBkg = bkg.get(),
                             .caption = L"OK"}),
              1);
    ASSERT_TRUE(btn.Hwnd());
    EXPECT_TRUE(m_boxes.Messages().empty());
    RECT rc;
    ::GetWindowRect(btn.Hwnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 103); // the normal image's size
    EXPECT_EQ(rc.bottom - rc.top, 32);
    EXPECT_EQ(::GetWindowLongW(btn.Hwnd(), GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(::GetDlgCtrlID(btn.Hwnd()), 1234);
    EXPECT_EQ(btn.GetText(), L"OK");
    EXPECT_EQ(btn.GetTip(), L"");

    ::SendMessageW(btn.Hwnd(), BM_CLICK, 0, 0);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], MAKEWPARAM(1234, BN_CLICKED));
    // Clicking does not select: radio and check behaviour is the parent's.
    EXPECT_FALSE(btn.GetCheck());
}

// The push button's behaviour, message by message, as the parent and the
// pushed look see it.
TEST_F(PngBtnWindow, PressReleaseKeysAndCaptureBehaveAsAPushButton) {
    constexpr UINT kOtherTakesMouse = WM_APP; // another window captures the mouse
    struct Step {
        UINT msg;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    const LPARAM inside = MAKELPARAM(5, 5), outside = MAKELPARAM(500, 5);
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<WORD> notices; // to the parent, in order
        bool pushed;               // after the steps
    };
    const Case cases[] = {
        {"click",
         {{WM_LBUTTONDOWN, MK_LBUTTON, inside}, {WM_LBUTTONUP, 0, inside}},
         {BN_CLICKED},
         false},
        {"held down", {{WM_LBUTTONDOWN, MK_LBUTTON, inside}}, {}, true},
        {"released outside",
         {{WM_LBUTTONDOWN, MK_LBUTTON, inside}, {WM_LBUTTONUP, 0, outside}},
         {},
         false},
        {"dragged out shows unpushed",
         {{WM_LBUTTONDOWN, MK_LBUTTON, inside}, {WM_MOUSEMOVE, MK_LBUTTON, outside}},
         {},
         false},
        {"dragged out and back clicks",
         {{WM_LBUTTONDOWN, MK_LBUTTON, inside},
          {WM_MOUSEMOVE, MK_LBUTTON, outside},
          {WM_MOUSEMOVE, MK_LBUTTON, inside},
          {WM_LBUTTONUP, 0, inside}},
         {BN_CLICKED},
         false},
        {"double click",
         {{WM_LBUTTONDOWN, MK_LBUTTON, inside},
          {WM_LBUTTONUP, 0, inside},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, inside},
          {WM_LBUTTONUP, 0, inside}},
         {BN_CLICKED, BN_DOUBLECLICKED},
         false},
        {"space", {{WM_KEYDOWN, VK_SPACE}, {WM_KEYUP, VK_SPACE}}, {BN_CLICKED}, false},
        {"other keys", {{WM_KEYDOWN, VK_RETURN}, {WM_KEYUP, VK_RETURN}}, {}, false},
        {"mouse taken while held",
         {{WM_LBUTTONDOWN, MK_LBUTTON, inside}, {kOtherTakesMouse}, {WM_LBUTTONUP, 0, inside}},
         {},
         false},
        {"release without a press", {{WM_LBUTTONUP, 0, inside}}, {}, false},
        {"BM_CLICK", {{BM_CLICK}}, {BN_CLICKED}, false},
    };
    for (const Case& c : cases) {
        CPngBtn btn(21);
        ASSERT_TRUE(btn.Create(m_parent, 21, RECT{10, 10, 110, 42}));
        g_commands.clear();
        for (const Step& step : c.steps) {
            if (step.msg == kOtherTakesMouse)
                ::SetCapture(m_parent);
            else
                ::SendMessageW(btn.Hwnd(), step.msg, step.wParam, step.lParam);
        }
        std::vector<WORD> notices;
        for (WPARAM command : g_commands) {
            EXPECT_EQ(LOWORD(command), 21) << c.name;
            notices.push_back(HIWORD(command));
        }
        EXPECT_EQ(notices, c.notices) << c.name;
        EXPECT_EQ(btn.State().pressed, c.pushed) << c.name;
        EXPECT_EQ(ChooseBtnLook(btn.State()).image == BtnImage::Pressed, c.pushed) << c.name;
        ::ReleaseCapture();
    }
}

TEST_F(PngBtnWindow, APressTakesTheFocusAndDialogsSeeAButton) {
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 150, 10, 80, 20, m_parent,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit);
    CPngBtn btn(22);
    ASSERT_TRUE(btn.Create(m_parent, 22, RECT{10, 10, 110, 42}));
    ::SetFocus(edit);
    ::SendMessageW(btn.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(::GetFocus(), btn.Hwnd());
    EXPECT_NE(::SendMessageW(btn.Hwnd(), BM_GETSTATE, 0, 0) & BST_FOCUS, 0);
    ::SendMessageW(btn.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(::SendMessageW(btn.Hwnd(), WM_GETDLGCODE, 0, 0), DLGC_BUTTON);
    ::DestroyWindow(edit);
}

// A caption too wide for its button shows in full in a tool tip while the
// pointer rests on the button.
TEST_F(PngBtnWindow, TheTipShowsItsTextWhereThePointerRests) {
    CPngBtn btn(23);
    ASSERT_TRUE(btn.Create(m_parent, 23, RECT{10, 10, 110, 42}));
    btn.SetTip(L"Left button, pressed twice");
    const auto tipOf = [&] {
        for (HWND tip = nullptr;
             (tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr));)
            if (::GetWindow(tip, GW_OWNER) == m_parent) // a child's pop-up belongs to its window
                return tip;
        return HWND(nullptr);
    };
    EXPECT_FALSE(tipOf()) << "made before the pointer came";
    const POINT rest = driver::CentreOf(btn.Hwnd());
    driver::MoveTo({rest.x - 10, rest.y});
    driver::MoveTo(rest);
    ASSERT_TRUE(driver::WaitUntil([&] { return tipOf() && ::IsWindowVisible(tipOf()); }))
        << "tip window " << tipOf() << ", button hovered " << btn.IsHover();
    HWND tip = tipOf();
    wchar_t text[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = btn.Hwnd();
    ti.uId = 1;
    ti.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, L"Left button, pressed twice");
    // Under the pointer, a little below it.
    const RECT at = driver::ScreenRect(tip);
    EXPECT_LE(std::abs(at.left - rest.x), 40) << at.left << " " << rest.x;
    EXPECT_GE(at.top, rest.y);
    EXPECT_LE(at.top, rest.y + 40);
    driver::ParkPointer();
}

// The accessible object itself, as against one of its children.
VARIANT SelfId() {
    VARIANT id;
    ::VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = CHILDID_SELF;
    return id;
}

// What an accessibility client reads from a button (role, name, state,
// default action), and that the default action clicks it.
TEST_F(PngBtnWindow, AccessibilityClientsSeeAPushButtonAndCanPressIt) {
    constexpr LONG kOwn = STATE_SYSTEM_PRESSED | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE |
                          STATE_SYSTEM_FOCUSED;
    struct Case {
        const char* name;
        bool disabled, focused, pushed;
        LONG state; // of kOwn
        bool clicks;
    };
    const Case cases[] = {
        {"enabled", false, false, false, STATE_SYSTEM_FOCUSABLE, true},
        {"focused", false, true, false, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED, true},
        {"pushed", false, false, true, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_PRESSED, true},
        {"disabled", true, false, false, STATE_SYSTEM_UNAVAILABLE, false},
    };
    const VARIANT self = SelfId();
    for (const Case& c : cases) {
        CPngBtn btn(24);
        ASSERT_TRUE(btn.Create(m_parent, 24, RECT{10, 10, 110, 42}));
        btn.SetText(L"Apply");
        ::SetFocus(c.focused ? btn.Hwnd() : m_parent);
        ::SendMessageW(btn.Hwnd(), BM_SETSTATE, c.pushed, 0);
        ::EnableWindow(btn.Hwnd(), !c.disabled);

        IAccessible* acc = nullptr;
        ASSERT_EQ(::AccessibleObjectFromWindow(btn.Hwnd(), OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&acc)),
                  S_OK)
            << c.name;
        VARIANT role{}, state{};
        ASSERT_EQ(acc->get_accRole(self, &role), S_OK) << c.name;
        EXPECT_EQ(role.vt, VT_I4) << c.name;
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON) << c.name;
        ASSERT_EQ(acc->get_accState(self, &state), S_OK) << c.name;
        EXPECT_EQ(state.lVal & kOwn, c.state) << c.name << std::hex << " 0x" << state.lVal;
        EXPECT_EQ(state.lVal & STATE_SYSTEM_INVISIBLE, 0) << c.name;
        BSTR name = nullptr, action = nullptr;
        EXPECT_EQ(acc->get_accName(self, &name), S_OK) << c.name;
        EXPECT_STREQ(name, L"Apply") << c.name;
        EXPECT_EQ(acc->get_accDefaultAction(self, &action), S_OK) << c.name;
        EXPECT_STREQ(action, L"Press") << c.name;
        ::SysFreeString(name);
        ::SysFreeString(action);
        LONG x = 0, y = 0, width = 0, height = 0;
        EXPECT_EQ(acc->accLocation(&x, &y, &width, &height, self), S_OK) << c.name;
        const RECT at = driver::ScreenRect(btn.Hwnd());
        EXPECT_EQ(x, at.left) << c.name;
        EXPECT_EQ(y, at.top) << c.name;
        EXPECT_EQ(width, at.right - at.left) << c.name;
        EXPECT_EQ(height, at.bottom - at.top) << c.name;

        ::SendMessageW(btn.Hwnd(), BM_SETSTATE, FALSE, 0);
        g_commands.clear();
        EXPECT_EQ(SUCCEEDED(acc->accDoDefaultAction(self)), c.clicks) << c.name;
        // The press is posted to the button: handled once the queue is empty.
        driver::Pump();
        EXPECT_EQ(g_commands, c.clicks ? std::vector<WPARAM>{MAKEWPARAM(24, BN_CLICKED)}
                                       : std::vector<WPARAM>{})
            << c.name;
        acc->Release();
    }
}

// One object behind every interface it answers for, counted right, and the
// window it stands for found from it.
TEST_F(PngBtnWindow, TheButtonsAccessibleObjectIsOneCountedObject) {
    CPngBtn btn(25);
    ASSERT_TRUE(btn.Create(m_parent, 25, RECT{10, 10, 110, 42}));
    IAccessible* acc = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(btn.Hwnd(), OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&acc)),
              S_OK);
    const auto refs = [&] {
        acc->AddRef();
        return acc->Release();
    };
    const ULONG held = refs();
    IUnknown *unknown = nullptr, *dispatch = nullptr, *window = nullptr, *other = nullptr;
    ASSERT_EQ(acc->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(acc->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(&dispatch)), S_OK);
    ASSERT_EQ(acc->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&window)), S_OK);
    EXPECT_EQ(acc->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&other)),
              E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(acc));
    EXPECT_EQ(dispatch, static_cast<IUnknown*>(acc));
    EXPECT_EQ(refs(), held + 3);
    IUnknown* again = nullptr;
    ASSERT_EQ(window->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, unknown) << "the same identity from every interface";
    again->Release();
    unknown->Release();
    dispatch->Release();
    window->Release();
    EXPECT_EQ(refs(), held);

    HWND found = nullptr;
    EXPECT_EQ(::WindowFromAccessibleObject(acc, &found), S_OK);
    EXPECT_EQ(found, btn.Hwnd());
    // The button's window, as against its client area, is still answered
    // (by the system: Wine's window object tells no role to compare).
    IAccessible* frame = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(btn.Hwnd(), OBJID_WINDOW, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&frame)),
              S_OK);
    EXPECT_NE(static_cast<IUnknown*>(frame), static_cast<IUnknown*>(acc));
    frame->Release();
    acc->Release();
}

TEST_F(PngBtnWindow, HoverFollowsTheMouseAndSelectionShowsPressed) {
    CPngBtn btn(7);
    ASSERT_EQ(NewSkinButton({.parent = m_parent,
                             .btn = &btn,
                             .normal = L"btn_nr.png",
                             .hover = L"btn_ov.png",
                             .pressed = L"btn_ov.png",
                             .toggle = true}),
              1);
    ::SendMessageW(btn.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(btn.IsHover());
    btn.SetCheck(true);
    EXPECT_EQ(ChooseBtnLook(btn.State()).image, BtnImage::Pressed);
    ::SendMessageW(btn.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(btn.IsHover());
    ::EnableWindow(btn.Hwnd(), FALSE);
    EXPECT_EQ(ChooseBtnLook(btn.State()).image, BtnImage::Disabled);
}

TEST_F(PngBtnWindow, ALongCaptionIsCutAndBecomesTheTip) {
    CPngBtn btn(8);
    const RECT size{0, 0, 80, 32};
    ASSERT_EQ(NewSkinButton({.parent = m_parent,
                             .btn = &btn,
                             .normal = L"btn_nr.png",
                             .hover = L"btn_ov.png",
                             .pressed = L"btn_ov.png",
                             .size = &size,
                             .left = 10,
                             .top = 10}),
              1);
    const std::wstring caption(40, L'W');
    btn.SetText(caption);
    EXPECT_EQ(btn.GetTip(), caption);
    btn.SetText(L"OK");
    EXPECT_EQ(btn.GetTip(), L"");
}

TEST_F(PngBtnWindow, MissingImagesAreReportedInOrderAndNothingIsMade) {
    testutil::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "skins");
    const std::filesystem::path skins = std::filesystem::path(testutil::ProductDir()) / "skins";
    std::filesystem::copy_file(skins / "btn_nr.png", dir.Path() / "skins" / "btn_nr.png");
    guitest::ExeDirScope exeDir(W(dir.Dir()));

    struct Case {
        const wchar_t* factory;
        const wchar_t *normal, *hover, *pressed;
        const char16_t* message; // null: none
    };
    const Case cases[] = {
        {kSmallPngButton, L"none_nr.png", L"none_ov.png", L"btn_nr.png",
         u"NewSmallPngButton. file none_nr.png not exist"},
        {kSmallPngButton, L"btn_nr.png", L"keybtn_ov.png", L"none_dn.png",
         u"NewSmallPngButton. file keybtn_ov.png not exist"},
        {kSmallPngButton, L"btn_nr.png", L"btn_nr.png", L"none_dn.png",
         u"NewSmallPngButton. file none_dn.png not exist"},
        {kSmallPngButton3, L"btn_nr.png", L"gone.png", L"btn_nr.png",
         u"NewSmallPngButton3. file gone.png not exist"},
        // A name left out is no file to report.
        {kSmallPngButton3, L"btn_nr.png", nullptr, L"btn_nr.png", nullptr},
    };
    for (const auto& c : cases) {
        m_boxes.Clear();
        CPngBtn btn(9);
        EXPECT_EQ(NewSkinButton({.factory = c.factory,
                                 .parent = m_parent,
                                 .btn = &btn,
                                 .normal = c.normal,
                                 .hover = c.hover,
                                 .pressed = c.pressed}),
                  0);
        EXPECT_FALSE(btn.Hwnd());
        if (!c.message) {
            EXPECT_TRUE(m_boxes.Messages().empty());
            continue;
        }
        ASSERT_EQ(m_boxes.Messages().size(), 1u);
        EXPECT_EQ(m_boxes.Messages()[0].first, c.message);
        EXPECT_EQ(m_boxes.Messages()[0].second, u"Warrning");
    }
}

TEST(PngBtnPaint, WithoutANormalImageTheParentShowsThrough) {
    // A parent that paints itself red: what the button leaves alone stays red.
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::CreateSolidBrush(RGB(255, 0, 0));
    wc.lpszClassName = L"TarvelTestRedParent";
    ::RegisterClassW(&wc);
    HWND parent = ::CreateWindowExW(0, wc.lpszClassName, L"red", WS_POPUP | WS_VISIBLE, 120, 120,
                                    200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(parent);
    fw::Image normal = LoadSkinImage(L"btn_nr.png");
    struct Case {
        const char* name;
        Gdiplus::Bitmap* image;
        bool red;
    };
    const Case cases[] = {{"with its image", normal.get(), false}, {"without", nullptr, true}};
    for (const Case& c : cases) {
        CPngBtn btn(12);
        ASSERT_TRUE(btn.Create(parent, 12, RECT{10, 10, 110, 42}));
        btn.SetImages(0, 0, 100, 32, c.image, c.image, c.image);
        guitest::Pump(50);
        fw::Image shot = guitest::Capture(parent);
        ASSERT_TRUE(shot);
        const uint32_t pixel = guitest::PixelAt(*shot, 60, 26);
        EXPECT_EQ(pixel == 0xFF0000, c.red) << c.name << std::hex << " 0x" << pixel;
        ::DestroyWindow(btn.Hwnd());
    }
    ::DestroyWindow(parent);
}

TEST_F(PngBtnWindow, ButtonFromImagesCutsItsStatesAtItsRectangle) {
    fw::Image main = LoadSkinImage(L"msg_nr.png");
    CPngBtn btn(11);
    const RECT rect{50, 60, 150, 80};
    ASSERT_EQ(NewPngButtonFromImages(m_parent, btn, rect, main.get(), main.get(), main.get(), true,
                                     true, L"Link"),
              1);
    EXPECT_TRUE(btn.IsToggle());
    EXPECT_EQ(btn.GetTip(), L"Link");
    RECT rc;
    ::GetClientRect(btn.Hwnd(), &rc);
    EXPECT_EQ(rc.right, 100);
    EXPECT_EQ(rc.bottom, 20);
}

} // namespace
