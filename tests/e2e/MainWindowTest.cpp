// The main window's own bookkeeping with the real program: the status told to
// the device when it shows, the configuration-reader threads, the profile
// file dialogs of the menu, the import button's hover look, and what a screen
// reader hears of the buttons.

#include "E2eFixture.h"

#include "app/resource.h"
#include "framework/GdiPlus.h"

#include <gtest/gtest.h>

#include <oleacc.h>
#include <psapi.h>

#include <cstdlib>
#include <regex>

using namespace e2e;

namespace {

constexpr UINT WM_MENU_CHOICE = 1143;
constexpr int kFilterCombo = 0x470;   // cmb1 of the common file dialogs
constexpr int kFileNameCombo = 0x47C; // cmb13
constexpr int kFileNameEdit = 0x480;  // edt1

// The reader-thread counts the program logged, in order.
std::vector<int> ReaderCounts(const std::string& log) {
    std::vector<int> counts;
    const std::regex line("StartCfgRead: reader threads=(\\d+)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator();
         ++it)
        counts.push_back(std::stoi((*it)[1]));
    return counts;
}

std::wstring Title(HWND hwnd) {
    wchar_t text[128] = {};
    ::GetWindowTextW(hwnd, text, 128);
    return text;
}

// A visible dialog of the program that is neither the notification nor the
// message dialog: a file dialog.
HWND FileDialog(TarvelRun& run) {
    struct Ctx {
        DWORD pid;
        HWND found;
    } ctx{0, nullptr};
    ::GetWindowThreadProcessId(run.Main(), &ctx.pid);
    ::EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lParam);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            wchar_t cls[32] = {};
            ::GetClassNameW(hwnd, cls, 32);
            const std::wstring title = Title(hwnd);
            if (pid == c->pid && ::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" &&
                title != L"TarvelNotify" && title != L"TarvelMsgTopWindow" && title != kTitle) {
                c->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND WaitFileDialog(TarvelRun& run, int ms) {
    const DWORD end = ::GetTickCount() + DWORD(ms);
    HWND dlg = nullptr;
    while (!(dlg = FileDialog(run)) && int(::GetTickCount() - end) < 0)
        Pump(30);
    return dlg;
}

// Whether the process has the DLL `name` loaded.
bool HasModule(HANDLE process, const wchar_t* name) {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!::EnumProcessModulesEx(process, modules, sizeof(modules), &bytes, LIST_MODULES_ALL))
        return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < std::size(modules); ++i) {
        wchar_t base[MAX_PATH] = {};
        ::GetModuleBaseNameW(process, modules[i], base, MAX_PATH);
        if (_wcsicmp(base, name) == 0)
            return true;
    }
    return false;
}

} // namespace

TEST(MainWindow, ShowingTellsTheDeviceOnceInTheLog) {
    TarvelRun run("status");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    EXPECT_EQ(run.LogCount("TellDrvStatus= 1"), 1) << run.Log();
}

TEST(MainWindow, FinishedConfigurationReadersDoNotPileUp) {
    TarvelRun run("readers");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    constexpr int kEvents = 6;
    for (int i = 0; i < kEvents; ++i) {
        ASSERT_TRUE(run.Control("config"));
        // One read per event, each to its end before the next event.
        ASSERT_TRUE(run.WaitLogCount("ReadCurCfgThread Exit", 2 + i, 15000)) << run.Log();
    }
    const std::vector<int> counts = ReaderCounts(run.Log());
    ASSERT_EQ(counts.size(), size_t(kEvents + 1)) << run.Log();
    // The new reader, and at most one that has ended but was not joined yet.
    for (int n : counts)
        EXPECT_LE(n, 2);
    EXPECT_TRUE(run.Exit());
}

TEST(MainWindow, ProfileFileDialogsProposeHvkFiles) {
    TarvelRun run("hvk-dialogs");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    // Export offers the profile's name (its button's caption), import any
    // profile file.
    const struct {
        WPARAM choice;
        std::wstring name;
    } cases[] = {{1, ItemText(run.Main(), IDC_MAIN_PRO1) + L".hvk"}, {2, L"*.hvk"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        ::PostMessageW(run.Main(), WM_MENU_CHOICE, c.choice, 0);
        HWND dlg = WaitFileDialog(run, 5000);
        ASSERT_NE(dlg, nullptr);
        const int field = ::GetDlgItem(dlg, kFileNameCombo) ? kFileNameCombo : kFileNameEdit;
        EXPECT_EQ(ItemText(dlg, field), c.name);
        EXPECT_EQ(ItemText(dlg, kFilterCombo), L"hvk(*.hvk)");
        ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       LPARAM(::GetDlgItem(dlg, IDCANCEL)));
        ASSERT_TRUE(run.WaitGone(dlg, 5000));
    }
    EXPECT_TRUE(run.Exit());
}

TEST(MainWindow, ImportDuringAReadIsRefusedBeforeTheFileDialog) {
    TarvelRun run("import-while-reading");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    // Slow answers keep the next read going for several seconds.
    ASSERT_TRUE(run.Control("latency 40"));
    ASSERT_TRUE(run.Control("config"));
    ASSERT_TRUE(run.WaitLogCount("ReadCurCfgThread Start", 2, 5000));
    ASSERT_EQ(run.LogCount("ReadCurCfgThread Exit"), 1) << "the read ended too soon";

    const ScreenPixels screen = ReadScreen();
    ::PostMessageW(run.Main(), WM_MENU_CHOICE, 2, 0);
    HWND message = run.WaitWindow(L"TarvelMsgTopWindow", nullptr, 5000);
    ASSERT_NE(message, nullptr) << "no message while the file dialog is open?";
    EXPECT_TRUE(WaitShownOnScreen(message, screen));
    EXPECT_TRUE(Screenshot("import-while-reading"));
    EXPECT_EQ(FileDialog(run), nullptr);
    ::PostMessageW(message, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(run.WaitGone(message, 5000));
    EXPECT_EQ(run.Log().find("ImportProfile:"), std::string::npos);

    ASSERT_TRUE(run.Control("latency 0"));
    EXPECT_TRUE(run.WaitLogCount("ReadCurCfgThread Exit", 2, 30000));
    EXPECT_TRUE(run.Exit());
}

// Import is an area of the window's image; its hover look, the same area of
// main_ov.png, comes after the first paint and shows under the pointer.
TEST(MainWindow, ImportShowsItsHoverLookOnceStartUpWorkIsDone) {
    TarvelRun run("import-hover");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    ASSERT_TRUE(run.WaitLog("Start-up work done", 30000)) << run.Log();
    HWND import = driver::FindControl(run.Main(), IDC_MAIN_IMPORT);
    ASSERT_TRUE(import);
    const fw::Image normal = fw::LoadImageFile((run.Dir() / "skins" / "main_nr.png").wstring());
    const fw::Image hover = fw::LoadImageFile((run.Dir() / "skins" / "main_ov.png").wstring());
    ASSERT_TRUE(fw::Width(normal) > 0 && fw::Width(hover) > 0);
    // An opaque point of the button where the two looks differ most.
    RECT at;
    ::GetWindowRect(import, &at);
    ::MapWindowPoints(nullptr, run.Main(), reinterpret_cast<POINT*>(&at), 2);
    POINT most{-1, -1};
    int mostDiff = 0;
    Gdiplus::Color n, h;
    for (int y = at.top; y < at.bottom; ++y)
        for (int x = at.left; x < at.right; ++x) {
            normal->GetPixel(x, y, &n);
            hover->GetPixel(x, y, &h);
            const int diff = std::abs(n.GetR() - h.GetR()) + std::abs(n.GetG() - h.GetG()) +
                             std::abs(n.GetB() - h.GetB());
            if (n.GetA() == 255 && h.GetA() == 255 && diff > mostDiff) {
                mostDiff = diff;
                most = {x, y};
            }
        }
    ASSERT_GT(mostDiff, 60);
    normal->GetPixel(most.x, most.y, &n);
    hover->GetPixel(most.x, most.y, &h);
    const POINT screen = driver::ScreenPoint(run.Main(), most.x, most.y);
    auto shown = [&] {
        HDC dc = ::GetDC(nullptr);
        const COLORREF c = ::GetPixel(dc, screen.x, screen.y);
        ::ReleaseDC(nullptr, dc);
        return c;
    };
    driver::ParkPointer();
    EXPECT_TRUE(driver::WaitUntil([&] { return shown() == RGB(n.GetR(), n.GetG(), n.GetB()); }))
        << std::hex << shown();
    driver::MoveTo(driver::CentreOf(import));
    EXPECT_TRUE(driver::WaitUntil([&] { return shown() == RGB(h.GetR(), h.GetG(), h.GetB()); }))
        << std::hex << shown();
    driver::ParkPointer();
    EXPECT_TRUE(run.Exit());
}

// A screen reader in another process hears a navigation button as a push
// button by its caption, and pressing it through the reader shows its page.
// The accessibility library is loaded when the reader first asks, not before.
TEST(MainWindow, AScreenReaderHearsPushButtonsAndCanPressOne) {
    constexpr int kLevelSlider0 = 144; // shown by the DPI page only
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    TarvelRun run("accessible");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitReady()) << run.Log();
    HWND dpiTab = WaitControl(run.Main(), IDC_MAIN_NAVI1 + 1);
    ASSERT_TRUE(dpiTab);
    EXPECT_FALSE(HasModule(run.Process(), L"oleacc.dll"));
    IAccessible* acc = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(dpiTab, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&acc)),
              S_OK);
    EXPECT_TRUE(HasModule(run.Process(), L"oleacc.dll"));
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role;
    ::VariantInit(&role);
    EXPECT_EQ(acc->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON);
    BSTR name = nullptr, action = nullptr;
    acc->get_accName(self, &name);
    EXPECT_EQ(std::wstring(name ? name : L""), TextOf(dpiTab));
    EXPECT_NE(TextOf(dpiTab), L"");
    EXPECT_EQ(acc->get_accDefaultAction(self, &action), S_OK);
    EXPECT_STREQ(action, L"Press");
    ::SysFreeString(name);
    ::SysFreeString(action);
    EXPECT_FALSE(FindControl(run.Main(), kLevelSlider0));
    EXPECT_EQ(acc->accDoDefaultAction(self), S_OK);
    EXPECT_TRUE(WaitControl(run.Main(), kLevelSlider0)) << run.Log();
    acc->Release();
    ::CoUninitialize();
}
