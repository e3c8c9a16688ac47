// Dialogs whose skin images are missing: the message dialog's warnings never
// lead back into the message dialog, each image is warned about once, a
// message the dialog cannot show reaches the system's box, and no dialog that
// cannot be built ever appears on screen.

#include "GuiFixture.h"
#include "app/AppGlobals.h"
#include "common/TestUtil.h"
#include "pages/AboutDlg.h"
#include "pages/FireKeyDlg.h"
#include "pages/MsgDlg.h"
#include "pages/PickMacroDlg.h"
#include "pages/ProgressDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The dialogs (class #32770) this thread shows while the recorder lives.
class ShowRecorder {
public:
    ShowRecorder() {
        s_shown.clear();
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, Proc, nullptr, ::GetCurrentThreadId());
    }
    ~ShowRecorder() { ::UnhookWindowsHookEx(m_hook); }
    bool Hooked() const { return m_hook != nullptr; }
    bool AnyShown() const { return !s_shown.empty(); }

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && msg->message == WM_SHOWWINDOW && msg->wParam) {
            wchar_t cls[32] = {};
            ::GetClassNameW(msg->hwnd, cls, 32);
            if (std::wstring(cls) == L"#32770")
                s_shown.insert(msg->hwnd);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::set<HWND> s_shown;
    HHOOK m_hook = nullptr;
};

TEST(MissingSkin, TheMessageDialogsOwnImagesAreWarnedOnceInTheSystemBox) {
    // Its close, OK and Cancel images are gone; OK and Cancel share one.
    guitest::SkinsWithout skins({"exit_nr.png", "btn_nr.png"});
    testutil::MessageRecorder boxes; // where warnings would re-enter the dialog
    guitest::SystemBoxRecorder system;
    CMsgDlg dlg;
    dlg.m_nKind = CMsgDlg::kQuestion;
    dlg.m_strMsg = L"still shown";
    bool shown = false;
    guitest::RunModal(dlg, [&](HWND hwnd) {
        shown = ::IsWindowVisible(hwnd) != FALSE;
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(boxes.Messages().empty());
    EXPECT_EQ(system.Texts(),
              (std::vector<std::u16string>{u"NewSmallPngButton3. file exit_nr.png not exist",
                                           u"NewSmallPngButton3. file btn_nr.png not exist"}));

    // A second dialog warns no more.
    CMsgDlg again;
    guitest::RunModal(again, [](HWND hwnd) { ::PostMessageW(hwnd, WM_CLOSE, 0, 0); });
    EXPECT_EQ(system.Texts().size(), 2u);
}

TEST(MissingSkin, WithoutItsBackgroundAMessageReachesTheSystemBoxAndAQuestionIsCancelled) {
    guitest::SkinsWithout skins({"msg_nr.png"});
    guitest::SystemBoxRecorder system;
    struct Case {
        int kind;
        std::vector<std::u16string> expected;
    };
    const Case cases[] = {
        {CMsgDlg::kMessage, {u"CMsgDlg. file msg_nr.png not exist", u"the mouse is not connected"}},
        // The background is warned about once; the question itself ends as Cancel.
        {CMsgDlg::kQuestion,
         {u"CMsgDlg. file msg_nr.png not exist", u"the mouse is not connected"}},
    };
    for (const Case& c : cases) {
        CMsgDlg dlg;
        dlg.m_nKind = c.kind;
        dlg.m_strMsg = L"the mouse is not connected";
        bool scriptRan = false;
        EXPECT_EQ(guitest::RunModal(dlg, [&](HWND) { scriptRan = true; }), IDCANCEL);
        EXPECT_FALSE(scriptRan);
        EXPECT_EQ(system.Texts(), c.expected) << c.kind;
    }
    EXPECT_FALSE(CMsgDlg::CheckSkin());
    EXPECT_EQ(system.Texts().size(), 2u); // already warned
}

TEST(MissingSkin, ADialogThatCannotBeBuiltIsNeverShown) {
    struct Case {
        const char* name;
        std::vector<const char*> missing;
        std::function<std::unique_ptr<fw::Dialog>()> make;
        bool shown;
    };
    auto message = [] { return std::make_unique<CMsgDlg>(); };
    const Case cases[] = {
        {"message with its skin", {}, message, true},
        {"message without msg_nr.png", {"msg_nr.png"}, message, false},
        {"about without msg.png", {"msg.png"}, [] { return std::make_unique<CAboutDlg>(); }, false},
        {"fire key without msg_nr.png",
         {"msg_nr.png"},
         [] { return std::make_unique<CFirekeyDlg>(); },
         false},
        {"macro picker without msg2_nr.png",
         {"msg2_nr.png"},
         [] { return std::make_unique<CPickMacroDlg>(); },
         false},
        {"progress without its fill",
         {"progress_ov.png"},
         [] {
             auto progress = std::make_unique<CProgressDlg>();
             progress->SetImages(SkinPath(L"progress_nr.png"), SkinPath(L"progress_ov.png"));
             return progress;
         },
         false},
    };
    for (const Case& c : cases) {
        guitest::SkinsWithout skins(c.missing);
        testutil::MessageRecorder boxes;
        guitest::SystemBoxRecorder system;
        ShowRecorder shows;
        ASSERT_TRUE(shows.Hooked());
        std::unique_ptr<fw::Dialog> dlg = c.make();
        bool scriptRan = false;
        guitest::RunModal(*dlg, [&](HWND hwnd) {
            scriptRan = true;
            ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(scriptRan, c.shown) << c.name;
        EXPECT_EQ(shows.AnyShown(), c.shown) << c.name;
    }
}

} // namespace
