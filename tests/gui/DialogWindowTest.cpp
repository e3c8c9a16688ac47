// The dialogs as windows, built from the product's skins and driven with
// messages from inside their modal loops; each leaves a screenshot in shots/.

#include "GuiFixture.h"
#include "app/AppGlobals.h"
#include "app/NotifyDlg.h"
#include "common/TestUtil.h"
#include "model/KeyNames.h"
#include "pages/AboutDlg.h"
#include "pages/MsgDlg.h"
#include "pages/ProgressDlg.h"
#include "settings/TextTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

using guitest::RunModal;
using guitest::SaveShot;
using guitest::WindowText;

HWND Child(HWND dlg, int id) {
    return ::GetDlgItem(dlg, id);
}

bool Visible(HWND hwnd) {
    return hwnd && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE);
}

RECT ChildRect(HWND dlg, HWND child) {
    RECT rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The OK and Cancel buttons share IDCANCEL with the close button; find them
// by their place in the footer.
HWND FooterButton(HWND dlg, int id) {
    for (HWND h = ::GetWindow(dlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (::GetDlgCtrlID(h) == id && ChildRect(dlg, h).top > 100)
            return h;
    return nullptr;
}

// A skins folder without the dialogs' backgrounds.
class EmptySkins {
public:
    EmptySkins() : m_scope(Prepare(m_dir)) {}

private:
    static std::wstring Prepare(const testutil::TempDir& dir) {
        std::filesystem::create_directories(dir.Path() / "skins");
        return W(dir.Dir());
    }
    testutil::TempDir m_dir;
    guitest::ExeDirScope m_scope;
};

TEST(MsgDlgWindow, MessageIsSkinnedAndEndsWithOk) {
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kMessage;
    dlg.m_strMsg = L"Restore this profile to its default settings?";
    const INT_PTR result = RunModal(dlg, [](HWND hwnd) {
        EXPECT_EQ(WindowText(hwnd), L"TarvelMsgTopWindow");
        RECT rc;
        ::GetWindowRect(hwnd, &rc);
        EXPECT_EQ(rc.right - rc.left, 420);
        EXPECT_EQ(rc.bottom - rc.top, 200);
        // The rounded corners of msg_nr.png are cut out of the window.
        fw::Region region(::CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(::GetWindowRgn(hwnd, region.Get()), ERROR);
        EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
        EXPECT_TRUE(::PtInRegion(region.Get(), 210, 100));
        HWND ok = FooterButton(hwnd, IDOK);
        ASSERT_TRUE(Visible(ok));
        EXPECT_FALSE(Visible(FooterButton(hwnd, IDCANCEL)));
        EXPECT_EQ(ChildRect(hwnd, ok).right, 420 - 16);
        EXPECT_TRUE(SaveShot(hwnd, L"message"));
        // Escape does nothing; OK ends the dialog.
        guitest::RouteKey(hwnd, hwnd, WM_KEYDOWN, VK_ESCAPE);
        ::SendMessageW(ok, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDOK);
}

TEST(MsgDlgWindow, QuestionPutsCancelRightmost) {
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kQuestion;
    dlg.m_strMsg = L"Delete the macro \"Burst fire\"?";
    const INT_PTR result = RunModal(dlg, [](HWND hwnd) {
        HWND ok = FooterButton(hwnd, IDOK), cancel = FooterButton(hwnd, IDCANCEL);
        ASSERT_TRUE(Visible(ok));
        ASSERT_TRUE(Visible(cancel));
        EXPECT_LT(ChildRect(hwnd, ok).right, ChildRect(hwnd, cancel).left);
        EXPECT_TRUE(SaveShot(hwnd, L"question"));
        ::SendMessageW(cancel, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(MsgDlgWindow, AChoiceOffersYesNoAndCancelInThatOrder) {
    const struct {
        int button;
        INT_PTR result;
    } cases[] = {{IDYES, IDYES}, {IDNO, IDNO}, {IDCANCEL, IDCANCEL}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        CMsgDlg dlg;
        dlg.m_nKind = CMsgDlg::kChoice;
        dlg.m_strMsg = L"Your changes have not been applied to the mouse yet. Apply them now?";
        const INT_PTR result = RunModal(dlg, [&](HWND hwnd) {
            HWND yes = FooterButton(hwnd, IDYES), no = FooterButton(hwnd, IDNO),
                 cancel = FooterButton(hwnd, IDCANCEL);
            ASSERT_TRUE(Visible(yes) && Visible(no) && Visible(cancel));
            EXPECT_LT(ChildRect(hwnd, yes).right, ChildRect(hwnd, no).left);
            EXPECT_LT(ChildRect(hwnd, no).right, ChildRect(hwnd, cancel).left);
            EXPECT_EQ(guitest::WindowText(yes), L"Yes");
            if (c.button == IDYES) {
                EXPECT_TRUE(SaveShot(hwnd, L"choice"));
            }
            ::SendMessageW(FooterButton(hwnd, c.button), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(result, c.result);
    }
}

TEST(MsgDlgWindow, EnterPressesOk) {
    CMsgDlg dlg;
    dlg.m_strMsg = L"Done.";
    EXPECT_EQ(
        RunModal(dlg, [](HWND hwnd) { guitest::RouteKey(hwnd, hwnd, WM_KEYDOWN, VK_RETURN); }),
        IDOK);
}

TEST(MsgDlgWindow, TextInputReturnsTheTextAndEmptyIsCancel) {
    struct Case {
        const wchar_t* typed;
        INT_PTR result;
        const wchar_t* shot;
    };
    const Case cases[] = {{L"My profile", IDOK, L"text_input"}, {L"", IDCANCEL, nullptr}};
    for (const auto& c : cases) {
        CMsgDlg dlg;
        dlg.m_nKind = CMsgDlg::kTextInput;
        dlg.m_strMsg = L"Name of the new profile";
        dlg.m_nLimit = 20;
        const INT_PTR result = RunModal(dlg, [&](HWND hwnd) {
            HWND input = Child(hwnd, CMsgDlg::kInputId);
            ASSERT_TRUE(Visible(input));
            const RECT rc = ChildRect(hwnd, input);
            EXPECT_EQ(rc.right - rc.left, 300);
            EXPECT_EQ(rc.left, 60); // centred in 420
            EXPECT_EQ(::SendMessageW(input, EM_GETLIMITTEXT, 0, 0), 20);
            ::SetWindowTextW(input, c.typed);
            if (c.shot) {
                EXPECT_TRUE(SaveShot(hwnd, c.shot));
            }
            ::SendMessageW(FooterButton(hwnd, IDOK), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(result, c.result) << c.typed;
        EXPECT_EQ(dlg.m_strResult, c.typed);
    }
}

TEST(MsgDlgWindow, InputTextCopiesTheText) {
    // InputText runs its own dialog: reach it through the script's timer.
    std::wstring out = L"unchanged";
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        HWND hwnd = ::FindWindowW(nullptr, L"TarvelMsgTopWindow");
        ASSERT_TRUE(hwnd);
        ::SetWindowTextW(::GetDlgItem(hwnd, CMsgDlg::kInputId), L"Shooter");
        guitest::RouteKey(hwnd, hwnd, WM_KEYDOWN, VK_RETURN);
    });
    EXPECT_EQ(CMsgDlg::InputText(nullptr, L"Folder name", 0, out), 1);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(out, L"Shooter");
}

TEST(MsgDlgWindow, NumberInputClampsAndKeepsAnOutOfRangeValueOpen) {
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kNumberInput;
    dlg.m_strMsg = L"Delay in milliseconds";
    dlg.m_nMin = 10;
    dlg.m_nMax = 65535;
    const std::wstring tip = Txt(u"tc_tip4");
    const INT_PTR result = RunModal(dlg, [&](HWND hwnd) {
        HWND input = Child(hwnd, CMsgDlg::kInputId);
        EXPECT_TRUE(::GetWindowLongW(input, GWL_STYLE) & ES_NUMBER);
        ::SetWindowTextW(input, L"70000");
        EXPECT_EQ(WindowText(input), L"65535");
        EXPECT_EQ(dlg.m_strHint, tip + L"   10 - 65535");
        ::SetWindowTextW(input, L"5");
        EXPECT_EQ(dlg.m_strHint, tip + L"  10 - 65535");
        ::SendMessageW(FooterButton(hwnd, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        EXPECT_EQ(dlg.m_nResult, 5);
        ::SetWindowTextW(input, L"250");
        EXPECT_EQ(dlg.m_strHint, L"");
        ::SendMessageW(FooterButton(hwnd, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_nResult, 250);
}

TEST(MsgDlgWindow, KeyCaptureShowsTheCombinationAndSwallowsEnter) {
    ProgramKeyCaptureMemory() = {};
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kKeyCombo;
    dlg.m_strMsg = L"Press the keys of the combination";
    const INT_PTR result = RunModal(dlg, [&](HWND hwnd) {
        HWND input = Child(hwnd, CMsgDlg::kInputId);
        EXPECT_TRUE(::GetWindowLongW(input, GWL_STYLE) & ES_READONLY);
        EXPECT_FALSE(Visible(dlg.CheckBox(0).Hwnd()));
        const LPARAM extended = 1 << 24;
        EXPECT_TRUE(guitest::RouteKey(input, hwnd, WM_KEYDOWN, VK_CONTROL, extended));
        EXPECT_TRUE(guitest::RouteKey(input, hwnd, WM_KEYUP, VK_CONTROL, extended));
        EXPECT_TRUE(guitest::RouteKey(input, hwnd, WM_KEYDOWN, 'C'));
        EXPECT_EQ(WindowText(input), L"R-Ctrl + " + W(KeyName('C')));
        // Enter is a key like any other here; the dialog stays.
        EXPECT_TRUE(guitest::RouteKey(input, hwnd, WM_KEYDOWN, VK_RETURN));
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        EXPECT_EQ(WindowText(input),
                  L"R-Ctrl + " + W(KeyName('C')) + L" + " + W(KeyName(VK_RETURN)));
        ::SendMessageW(FooterButton(hwnd, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_combo, (KeyCombo{0x10, {'C', VK_RETURN, 0}}));
}

TEST(MsgDlgWindow, KeyCaptureWithCheckBoxesTakesModifiersFromTheBoxes) {
    ProgramKeyCaptureMemory() = {};
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kKeyCombo;
    dlg.m_bCheckBoxes = true;
    dlg.m_strMsg = L"Press the keys of the combination";
    const INT_PTR result = RunModal(dlg, [&](HWND hwnd) {
        HWND input = Child(hwnd, CMsgDlg::kInputId);
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(Visible(dlg.CheckBox(i).Hwnd())) << i;
        guitest::RouteKey(input, hwnd, WM_KEYDOWN, VK_CONTROL);
        EXPECT_EQ(WindowText(input), L"");
        ::SendMessageW(dlg.CheckBox(1).Hwnd(), BM_CLICK, 0, 0); // Ctrl
        ::SendMessageW(dlg.CheckBox(2).Hwnd(), BM_CLICK, 0, 0); // Alt
        EXPECT_TRUE(dlg.CheckBox(1).GetCheck());
        guitest::RouteKey(input, hwnd, WM_KEYDOWN, VK_DELETE);
        EXPECT_EQ(WindowText(input), W(KeyName(VK_DELETE)));
        EXPECT_TRUE(SaveShot(hwnd, L"key_capture"));
        ::SendMessageW(FooterButton(hwnd, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_combo, (KeyCombo{0x05, {VK_DELETE, 0, 0}}));
}

TEST(MsgDlgWindow, WithoutItsSkinTheDialogEndsAsCancel) {
    EmptySkins skins;
    guitest::SystemBoxRecorder system; // the message goes there instead
    CMsgDlg dlg;
    dlg.m_strMsg = L"never seen";
    bool scriptRan = false;
    EXPECT_EQ(RunModal(dlg, [&](HWND) { scriptRan = true; }), IDCANCEL);
    EXPECT_FALSE(scriptRan);
}

TEST(ProgressDlgWindow, FollowsPostedPositionsIgnoresKeysAndClosesOnWmClose) {
    CProgressDlg dlg;
    dlg.SetImages(SkinPath(L"progress_nr.png"), SkinPath(L"progress_ov.png"));
    dlg.SetText(Txt(u"tc_msg12"), RECT{15, 12, 455, 32});
    dlg.m_nMin = 0;
    dlg.m_nMax = 100;
    dlg.m_nFillStart = 45;
    dlg.m_nFillEnd = 486;
    const INT_PTR result = RunModal(dlg, [&](HWND hwnd) {
        EXPECT_EQ(::FindWindowW(nullptr, kProgressWindowText), hwnd);
        ::PostMessageW(hwnd, WM_PROGRESS_SETPOS, 50, 0);
        guitest::Pump(50);
        EXPECT_EQ(dlg.Position(), 50);
        EXPECT_EQ(dlg.FillWidth(), 265);
        fw::Image shot = guitest::Capture(hwnd);
        ASSERT_TRUE(shot);
        EXPECT_TRUE(SaveShot(hwnd, L"progress_50"));
        // The bar row of the skin: filled left of 265, the empty track after.
        const uint32_t filled = guitest::PixelAt(*shot, 200, 48);
        const uint32_t empty = guitest::PixelAt(*shot, 330, 48);
        EXPECT_GT(filled & 0xFF, 0x80u) << std::hex << filled; // blue
        EXPECT_LT(empty & 0xFF, 0x40u) << std::hex << empty;

        ::PostMessageW(hwnd, WM_PROGRESS_SETPOS, 150, 0);
        guitest::Pump(50);
        EXPECT_EQ(dlg.FillWidth(), 45);
        for (UINT vk : {VK_RETURN, VK_ESCAPE, VK_SPACE})
            EXPECT_TRUE(guitest::RouteKey(hwnd, hwnd, WM_KEYDOWN, vk));
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(ProgressDlgWindow, MissingSkinIsReportedAndTheDialogCloses) {
    testutil::MessageRecorder boxes;
    CProgressDlg dlg;
    dlg.SetImages(SkinPath(L"progress_nr.png"), SkinPath(L"no_such_fill.png"));
    RunModal(dlg, [](HWND) {});
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].first, u"ProgressDlg skin loss");
}

TEST(AboutDlgWindow, ShowsNameVersionAndLink) {
    CAboutDlg dlg;
    const INT_PTR result = RunModal(dlg, [](HWND hwnd) {
        EXPECT_EQ(WindowText(hwnd), L"TarvelMsgTopWindow");
        RECT rc;
        ::GetWindowRect(hwnd, &rc);
        EXPECT_EQ(rc.right - rc.left, 460);
        HWND link = Child(hwnd, CAboutDlg::kLinkId);
        ASSERT_TRUE(Visible(link));
        EXPECT_EQ(ChildRect(hwnd, link).left, 70);
        // The second button only with ShowFWUpdate, which the product leaves off.
        EXPECT_FALSE(Child(hwnd, CAboutDlg::kSecondId));
        EXPECT_TRUE(SaveShot(hwnd, L"about"));
        for (UINT vk : {VK_ESCAPE, VK_SPACE, VK_F1})
            EXPECT_TRUE(guitest::RouteKey(hwnd, hwnd, WM_KEYDOWN, vk));
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(AboutDlgWindow, AnEmptyWebAddressMakesTheLinkDoNothing) {
    settings::ResetTextTable();
    EXPECT_FALSE(CAboutDlg::OpenWebPage());
    settings::LoadTextTable(U(guitest::ProductDir() + L"text.xml"));
    EXPECT_FALSE(Txt(u"tc_web").empty());
}

TEST(AboutDlgWindow, WithoutItsSkinTheDialogCloses) {
    EmptySkins skins;
    CAboutDlg dlg;
    bool scriptRan = false;
    RunModal(dlg, [&](HWND) { scriptRan = true; });
    EXPECT_FALSE(scriptRan);
}

class NotifyWindow : public testing::Test {
protected:
    void SetUp() override {
        m_dlg.SetPosition(50, 50);
        ASSERT_TRUE(m_dlg.Create(nullptr));
    }
    CNotifyDlg m_dlg;
};

TEST_F(NotifyWindow, ShowsThenFadesStepByStepAndHides) {
    HWND hwnd = m_dlg.Hwnd();
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 50);
    EXPECT_EQ(rc.right - rc.left, 300);
    EXPECT_TRUE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

    m_dlg.ShowNotify(L"DPI-3", L"1600", nullptr, L"");
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(m_dlg.AppliedOpacity(), 200);
    EXPECT_EQ(m_dlg.Line(2), L"");
    EXPECT_TRUE(SaveShot(hwnd, L"notification"));
    // Full opacity for the display time, then lower and lower.
    guitest::Pump(150);
    EXPECT_EQ(m_dlg.AppliedOpacity(), 200);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    guitest::Pump(350);
    EXPECT_LT(m_dlg.AppliedOpacity(), 200);
    // 19 steps of 20 ms at most; allow for a slow machine.
    for (int i = 0; i < 100 && ::IsWindowVisible(hwnd); ++i)
        guitest::Pump(20);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_LE(m_dlg.AppliedOpacity(), 20);
}

TEST_F(NotifyWindow, ANewNotificationRestartsTheDisplayTime) {
    HWND hwnd = m_dlg.Hwnd();
    m_dlg.ShowNotify(L"DPI-1", L"800", nullptr, nullptr);
    guitest::Pump(100);
    const std::wstring longText(300, L'8');
    m_dlg.ShowNotify(L"DPI-2", longText.c_str(), nullptr, nullptr);
    EXPECT_EQ(m_dlg.Line(1).size(), 259u);
    guitest::Pump(230); // 330 ms after the first: it would be fading by now
    EXPECT_EQ(m_dlg.AppliedOpacity(), 200);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
}

TEST_F(NotifyWindow, AClickHidesItAndKeysAreSwallowed) {
    HWND hwnd = m_dlg.Hwnd();
    m_dlg.ShowNotify(L"Report rate", L"1000 Hz", nullptr, nullptr);
    MSG key{hwnd, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(m_dlg.PreTranslateMessage(key));
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(::IsWindow(hwnd));
}

// The window is made while the main window is up: shown for a moment while
// it is made, it would flash over it.
TEST(NotifyWindowMade, IsNeverShownUntilItHasSomethingToTell) {
    static std::vector<HWND> shown;
    shown.clear();
    HHOOK hook = ::SetWindowsHookExW(
        WH_CALLWNDPROC,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
            const bool showing =
                (call->message == WM_SHOWWINDOW && call->wParam) ||
                (call->message == WM_WINDOWPOSCHANGING &&
                 (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW));
            if (showing)
                shown.push_back(call->hwnd);
            return ::CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    CNotifyDlg dlg;
    dlg.SetPosition(50, 50);
    const bool made = dlg.Create(nullptr);
    ::UnhookWindowsHookEx(hook);
    ASSERT_TRUE(made);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), dlg.Hwnd()), 0);
    EXPECT_TRUE(::GetWindowLongW(dlg.Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(NotifyWithoutSkin, IsASquareWithoutRegion) {
    EmptySkins skins;
    CNotifyDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    RECT rc;
    ::GetWindowRect(dlg.Hwnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 180);
    EXPECT_EQ(rc.bottom - rc.top, 180);
    fw::Region region(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(::GetWindowRgn(dlg.Hwnd(), region.Get()), ERROR);
}

} // namespace
