// Kelmo.dll as the program uses it: loaded by name, entry points resolved
// with GetProcAddress, menus opened for an owner window and driven by mouse
// and keyboard messages; the choice must arrive at the owner as
// WM_MENU_CHOICE and the menu windows must be gone afterwards.

#include "Kelmo.h"
#include "driver/WinDriver.h"

#include <objidl.h>

// gdiplus.h expects min/max from windows.h, which NOMINMAX removes.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the owner window received.
struct OwnerLog {
    std::vector<std::pair<WPARAM, LPARAM>> choices;
    std::vector<UINT> keys;
    int clicks = 0;
};
OwnerLog g_owner;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MENU_CHOICE:
        g_owner.choices.emplace_back(wParam, lParam);
        return 1;
    case WM_KEYDOWN:
        g_owner.keys.push_back(static_cast<UINT>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        ++g_owner.clicks;
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// A path of this machine as Windows sees it: under Wine the Unix root is Z:.
std::wstring WindowsPath(const std::string& path) {
    std::wstring out = path.front() == '/' ? L"Z:" : L"";
    for (char ch : path)
        out += ch == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(ch));
    return out;
}

std::wstring SourcePath(const std::string& relative) {
    return WindowsPath(std::string(TARVEL_SOURCE_DIR) + "/" + relative);
}

std::wstring BuildPath(const std::string& name) {
    return WindowsPath(std::string(KELMO_TEST_BINARY_DIR) + "/" + name);
}

// The eight images in the order the program passes them.
struct SkinPaths {
    std::array<std::wstring, KELMO_IMAGE_COUNT> paths;
    std::array<const wchar_t*, KELMO_IMAGE_COUNT> pointers;
    SkinPaths() {
        const char* names[KELMO_IMAGE_COUNT] = {
            "menu_nr.bmp",    "menu_ov.bmp",    "menu_ov.bmp",    "menu_nr.bmp",
            "menusub_nr.bmp", "menusub_ov.bmp", "menusub_ov.bmp", "menusub_nr.bmp"};
        for (int i = 0; i < KELMO_IMAGE_COUNT; ++i) {
            paths[i] = SourcePath(std::string("product/skins/") + names[i]);
            pointers[i] = paths[i].c_str();
        }
    }
};

KelmoEntry Entry(uint32_t parent, uint32_t code, const wchar_t* text) {
    KelmoEntry entry{};
    entry.nParent = parent;
    entry.nCode = code;
    wcsncpy(entry.szText, text, KELMO_TEXT_CHARS - 1);
    return entry;
}

// Main list: Export (1), Import (2), DPI (sub-menu: 400 DPI 11, 800 DPI 12,
// 1600 DPI 13), About (4).
std::vector<KelmoEntry> SampleEntries() {
    return {Entry(KELMO_MAIN_LIST, 1, L"Export profile"),
            Entry(KELMO_MAIN_LIST, 2, L"Import profile"),
            Entry(KELMO_MAIN_LIST, 3, L"DPI"),
            Entry(KELMO_MAIN_LIST, 4, L"About"),
            Entry(2, 11, L"400 DPI"),
            Entry(2, 12, L"800 DPI"),
            Entry(2, 13, L"1600 DPI")};
}

constexpr COLORREF kTextNormal = RGB(200, 205, 212);
constexpr COLORREF kTextHover = RGB(255, 255, 255);
constexpr COLORREF kTextPressed = RGB(0, 190, 255);
constexpr LPARAM kTag = 7;

void Pump() {
    for (int round = 0; round < 3; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

BOOL CALLBACK CollectMenu(HWND hwnd, LPARAM lParam) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (wcscmp(name, KELMO_MENU_CLASS) == 0 && IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

// The visible menu windows of this thread, the main list first.
std::vector<HWND> MenuWindows(HWND root) {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectMenu, reinterpret_cast<LPARAM>(&found));
    std::stable_partition(found.begin(), found.end(), [&](HWND h) { return h == root; });
    return found;
}

RECT WindowRect(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

LPARAM ItemPoint(int item, int itemHeight) {
    return MAKELPARAM(40, 1 + item * itemHeight + itemHeight / 2);
}

void MoveTo(HWND menu, int item, int itemHeight = 25) {
    SendMessageW(menu, WM_MOUSEMOVE, 0, ItemPoint(item, itemHeight));
}

void Click(HWND menu, int item, int itemHeight = 25) {
    MoveTo(menu, item, itemHeight);
    SendMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, ItemPoint(item, itemHeight));
    SendMessageW(menu, WM_LBUTTONUP, 0, ItemPoint(item, itemHeight));
}

// A window's picture as the window draws it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
    COLORREF At(int x, int y) const {
        const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

// Where a picture of a menu window is taken from.
enum class Source {
    Window, // the window draws itself into our bitmap (PrintWindow)
    Screen, // what the display shows at the window's place
};

Picture Capture(HWND hwnd, Source source = Source::Window) {
    const RECT rc = WindowRect(hwnd);
    Picture picture;
    picture.width = rc.right - rc.left;
    picture.height = rc.bottom - rc.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    if (source == Source::Window)
        PrintWindow(hwnd, dc, 0);
    else
        BitBlt(dc, 0, 0, picture.width, picture.height, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(p, p + static_cast<size_t>(picture.width) * picture.height);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool Near(COLORREF a, COLORREF b, int tolerance = 24) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

bool SavePng(const std::vector<std::pair<HWND, POINT>>& windows, int width, int height,
             const std::wstring& path) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return false;
    bool saved = false;
    {
        Gdiplus::Bitmap canvas(width, height, PixelFormat32bppRGB);
        Gdiplus::Graphics graphics(&canvas);
        graphics.Clear(Gdiplus::Color(255, 20, 22, 27));
        for (const auto& [hwnd, at] : windows) {
            const Picture picture = Capture(hwnd);
            Gdiplus::Bitmap piece(
                picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
            graphics.DrawImage(&piece, static_cast<INT>(at.x), static_cast<INT>(at.y));
        }
        UINT count = 0, size = 0;
        Gdiplus::GetImageEncodersSize(&count, &size);
        std::vector<BYTE> buffer(size);
        auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
        Gdiplus::GetImageEncoders(count, size, encoders);
        for (UINT i = 0; i < count; ++i) {
            if (wcscmp(encoders[i].MimeType, L"image/png") == 0)
                saved = canvas.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

template <typename Fn> Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Public members: the close actions of ClosesWithoutAChoice reach the owner.
class KelmoTest : public testing::Test {
public:
    static void SetUpTestSuite() {
        s_module = LoadLibraryW(L"Kelmo.dll");
        ASSERT_NE(s_module, nullptr) << "Kelmo.dll beside the test";
        s_create = Resolve<KelmoCreateFn>(s_module, "CreateKelmo");
        s_destroy = Resolve<KelmoDestroyFn>(s_module, "DestroyKelmo");
        s_align = Resolve<KelmoSetMenuAlignFn>(s_module, "SetMenuAlign");
        s_preTranslate = Resolve<KelmoPreTranslateFn>(s_module, "DllPreTranslateMessage");
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KelmoTestOwner";
        RegisterClassExW(&wc);
    }

    // One owner for the suite: destroying a visible, active window costs
    // Wine seconds.
    static void TearDownTestSuite() {
        DestroyWindow(s_owner);
        Pump();
    }

    void SetUp() override {
        ASSERT_TRUE(s_create && s_destroy && s_align && s_preTranslate);
        if (!s_owner) {
            s_owner =
                CreateWindowExW(0, L"KelmoTestOwner", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 300,
                                200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        }
        ASSERT_NE(s_owner, nullptr);
        m_owner = s_owner;
        // The real pointer, wherever an earlier test left it, would hover an
        // entry of a menu opened under it: park it away from every anchor
        // these tests use.
        driver::ParkPointer();
        SetForegroundWindow(m_owner);
        SetFocus(m_owner);
        m_style.clrFrame = KELMO_FRAME_COLOUR;
        Pump();
        g_owner = {};
    }

    void TearDown() override {
        s_destroy();
        Pump();
    }

    HWND Open(const std::vector<KelmoEntry>& entries, POINT anchor, int itemHeight = 25,
              int width = 150, bool images = true) {
        return s_create(m_owner, itemHeight, width, anchor, kTextNormal, kTextHover, kTextPressed,
                        images ? m_skin.pointers.data() : nullptr, kTag, &m_style, entries.data(),
                        static_cast<int>(entries.size()), nullptr);
    }

    static inline HMODULE s_module = nullptr;
    static inline KelmoCreateFn s_create = nullptr;
    static inline KelmoDestroyFn s_destroy = nullptr;
    static inline KelmoSetMenuAlignFn s_align = nullptr;
    static inline KelmoPreTranslateFn s_preTranslate = nullptr;
    static inline HWND s_owner = nullptr;

    HWND m_owner = nullptr;
    KelmoStyle m_style{};
    SkinPaths m_skin;
};

TEST_F(KelmoTest, EveryEntryPointResolvesByName) {
    for (const char* name :
         {"CreateKelmo", "DestroyKelmo", "SetMenuAlign", "DllPreTranslateMessage", "SetGdiInit"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(GetProcAddress(s_module, name), nullptr);
    }
}

TEST_F(KelmoTest, OpensAtTheAnchorWithTheRequestedSizes) {
    struct Case {
        std::string name;
        int itemHeight, width;
        bool images;
        int expectedItemHeight, expectedWidth;
    };
    const Case cases[] = {
        {"sizes from the images", 0, 0, true, 25, 150},
        {"function picker sizes", 20, 120, true, 20, 120},
        {"combo sizes wider than the images", 25, 220, true, 25, 220},
        {"no images", 0, 0, false, 25, 150},
    };
    const auto entries = SampleEntries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HWND menu = Open(entries, {200, 150}, c.itemHeight, c.width, c.images);
        ASSERT_NE(menu, nullptr);
        const RECT rc = WindowRect(menu);
        EXPECT_EQ(rc.left, 200);
        EXPECT_EQ(rc.top, 150);
        EXPECT_EQ(rc.right - rc.left, c.expectedWidth);
        EXPECT_EQ(rc.bottom - rc.top, 4 * c.expectedItemHeight + 2); // four main entries
        EXPECT_EQ(MenuWindows(menu).size(), 1u);
        // The menu never takes activation from its owner.
        EXPECT_EQ(GetForegroundWindow(), m_owner);
        s_destroy();
        Pump();
        EXPECT_FALSE(IsWindow(menu));
    }
    EXPECT_TRUE(g_owner.choices.empty());
}

// Images other than BMP files are read through GDI+, whether or not the host
// says it runs GDI+ itself; the normal item image gives the default sizes.
TEST_F(KelmoTest, ReadsPngImagesThroughGdiPlus) {
    const auto setGdiInit = Resolve<KelmoSetGdiInitFn>(s_module, "SetGdiInit");
    ASSERT_NE(setGdiInit, nullptr);
    const std::wstring png = SourcePath("product/skins/btn_nr.png"); // 103 x 32
    std::array<const wchar_t*, KELMO_IMAGE_COUNT> images{};
    images.fill(png.c_str());
    for (BOOL hostRunsGdiPlus : {FALSE, TRUE}) {
        SCOPED_TRACE(hostRunsGdiPlus ? "host runs GDI+" : "library starts GDI+");
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (hostRunsGdiPlus) {
            ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
        }
        setGdiInit(hostRunsGdiPlus);
        const auto entries = SampleEntries();
        const HWND menu = s_create(m_owner, 0, 0, {200, 150}, kTextNormal, kTextHover, kTextPressed,
                                   images.data(), kTag, &m_style, entries.data(),
                                   static_cast<int>(entries.size()), nullptr);
        setGdiInit(FALSE);
        ASSERT_NE(menu, nullptr);
        const RECT rc = WindowRect(menu);
        EXPECT_EQ(rc.right - rc.left, 103);
        EXPECT_EQ(rc.bottom - rc.top, 4 * 32 + 2);
        s_destroy();
        Pump();
        if (token)
            Gdiplus::GdiplusShutdown(token);
    }
}

TEST_F(KelmoTest, ClickPostsTheCodeAndTagAndCloses) {
    struct Case {
        std::string name;
        std::vector<int> hovers; // items hovered in the main list first
        int level;               // where the click lands
        int item;
        WPARAM code;
    };
    const Case cases[] = {
        {"entry of the main list", {}, 0, 0, 1},
        {"last entry of the main list", {}, 0, 3, 4},
        {"entry of a sub-menu", {2}, 1, 1, 12},
        {"sub-menu after passing another entry", {0, 2}, 1, 2, 13},
    };
    const auto entries = SampleEntries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_owner = {};
        const HWND menu = Open(entries, {200, 150});
        ASSERT_NE(menu, nullptr);
        for (int item : c.hovers)
            MoveTo(menu, item);
        Pump();
        const auto windows = MenuWindows(menu);
        ASSERT_EQ(windows.size(), static_cast<size_t>(c.level + 1));
        Click(windows[c.level], c.item);
        Pump();
        ASSERT_EQ(g_owner.choices.size(), 1u);
        EXPECT_EQ(g_owner.choices[0].first, c.code);
        EXPECT_EQ(g_owner.choices[0].second, kTag);
        for (HWND hwnd : windows)
            EXPECT_FALSE(IsWindow(hwnd));
    }
}

TEST_F(KelmoTest, ClickOnASubMenuParentOpensItWithoutAChoice) {
    const HWND menu = Open(SampleEntries(), {200, 150});
    ASSERT_NE(menu, nullptr);
    Click(menu, 2);
    Pump();
    EXPECT_TRUE(g_owner.choices.empty());
    EXPECT_TRUE(IsWindow(menu));
    EXPECT_EQ(MenuWindows(menu).size(), 2u);
}

TEST_F(KelmoTest, SubMenuOpensBesideItsParentEntry) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    struct Case {
        std::string name;
        POINT anchor;
        bool right;
    };
    const Case cases[] = {
        {"room on the right", {200, 150}, true},
        {"at the right edge of the screen", {screenWidth - 200, 150}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HWND menu = Open(SampleEntries(), c.anchor);
        ASSERT_NE(menu, nullptr);
        MoveTo(menu, 2);
        const auto windows = MenuWindows(menu);
        ASSERT_EQ(windows.size(), 2u);
        const RECT main = WindowRect(menu);
        const RECT sub = WindowRect(windows[1]);
        if (c.right)
            EXPECT_EQ(sub.left, main.right);
        else
            EXPECT_EQ(sub.right, main.left);
        EXPECT_EQ(sub.top, main.top + 2 * 25); // first sub entry level with "DPI"
        EXPECT_EQ(sub.bottom - sub.top, 3 * 25 + 2);

        // Moving to another entry of the main list closes the sub-menu.
        MoveTo(menu, 0);
        EXPECT_FALSE(IsWindow(windows[1]));
        s_destroy();
        Pump();
    }
}

// The pointer as the system moves it: hover, leaving the main list for the
// sub-menu, a real click there, and a real click outside.
TEST_F(KelmoTest, RealPointerInputReachesTheMenu) {
    const HWND menu = Open(SampleEntries(), {400, 300});
    ASSERT_NE(menu, nullptr);
    const int mid = 12;
    const int dpiRow = 300 + 1 + 2 * 25 + mid;
    driver::MoveTo({440, dpiRow}); // over "DPI"
    auto windows = MenuWindows(menu);
    ASSERT_EQ(windows.size(), 2u);
    const RECT sub = WindowRect(windows[1]);
    const POINT item{sub.left + 40, sub.top + 1 + 25 + mid}; // "800 DPI"
    driver::MoveTo({sub.left - 5, dpiRow});                  // along "DPI", then across
    driver::MoveTo(item);
    driver::ClickAt(item);
    ASSERT_EQ(g_owner.choices.size(), 1u);
    EXPECT_EQ(g_owner.choices[0], std::make_pair(WPARAM{12}, kTag));
    EXPECT_FALSE(IsWindow(menu));

    // A click on the owner closes the next menu and still reaches the owner.
    const HWND next = Open(SampleEntries(), {400, 300});
    ASSERT_NE(next, nullptr);
    driver::ClickAt({50, 50});
    EXPECT_FALSE(IsWindow(next));
    EXPECT_EQ(g_owner.clicks, 1);
    EXPECT_EQ(g_owner.choices.size(), 1u);
}

// Keys go to the focused owner; the library takes them from the thread's
// queue before the owner sees them.
TEST_F(KelmoTest, KeysInTheOwnersQueueDriveTheMenu) {
    struct Case {
        std::string name;
        std::vector<WPARAM> keys;
        bool chosen;
        WPARAM code;
    };
    const Case cases[] = {
        {"down, enter", {VK_DOWN, VK_RETURN}, true, 1},
        {"up wraps to the last", {VK_UP, VK_RETURN}, true, 4},
        {"into the sub-menu", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, true, 12},
        {"enter opens, left leaves the sub-menu",
         {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_LEFT, VK_DOWN, VK_RETURN},
         true,
         4},
        {"escape", {VK_DOWN, VK_ESCAPE}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_owner = {};
        const HWND menu = Open(SampleEntries(), {200, 150});
        ASSERT_NE(menu, nullptr);
        for (WPARAM key : c.keys)
            PostMessageW(m_owner, WM_KEYDOWN, key, 1);
        Pump();
        EXPECT_TRUE(g_owner.keys.empty());
        EXPECT_FALSE(IsWindow(menu));
        if (c.chosen) {
            ASSERT_EQ(g_owner.choices.size(), 1u);
            EXPECT_EQ(g_owner.choices[0].first, c.code);
            EXPECT_EQ(g_owner.choices[0].second, kTag);
        } else {
            EXPECT_TRUE(g_owner.choices.empty());
        }
        // With the menu gone the owner has its keys back.
        PostMessageW(m_owner, WM_KEYDOWN, VK_DOWN, 1);
        Pump();
        EXPECT_EQ(g_owner.keys, std::vector<UINT>{VK_DOWN});
    }
}

TEST_F(KelmoTest, ClosesWithoutAChoice) {
    struct Case {
        std::string name;
        void (*close)(KelmoTest&, HWND menu);
        int ownerClicks; // the click outside still reaches the owner
    };
    const Case cases[] = {
        {"DestroyKelmo", [](KelmoTest&, HWND) { s_destroy(); }, 0},
        {"escape sent to the menu window",
         [](KelmoTest&, HWND menu) { SendMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1); }, 0},
        {"click on the owner",
         [](KelmoTest& t, HWND) {
             PostMessageW(t.m_owner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
         },
         1},
        {"click on the owner's frame",
         [](KelmoTest& t, HWND) {
             PostMessageW(t.m_owner, WM_NCLBUTTONDOWN, HTNOWHERE, MAKELPARAM(10, 10));
         },
         0},
        {"the application loses activation",
         [](KelmoTest&, HWND menu) { SendMessageW(menu, WM_ACTIVATEAPP, FALSE, 0); }, 0},
        {"another menu opens",
         [](KelmoTest& t, HWND) {
             EXPECT_NE(t.Open({Entry(KELMO_MAIN_LIST, 9, L"Other")}, {10, 10}), nullptr);
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_owner = {};
        const HWND menu = Open(SampleEntries(), {200, 150});
        ASSERT_NE(menu, nullptr);
        MoveTo(menu, 2);
        const auto windows = MenuWindows(menu);
        ASSERT_EQ(windows.size(), 2u);
        c.close(*this, menu);
        Pump();
        for (HWND hwnd : windows)
            EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_TRUE(g_owner.choices.empty());
        EXPECT_EQ(g_owner.clicks, c.ownerClicks);
        s_destroy();
        Pump();
    }
}

TEST_F(KelmoTest, OwnerDestroyedWithTheMenuOpen) {
    m_owner = CreateWindowExW(0, L"KelmoTestOwner", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(m_owner, nullptr);
    const HWND menu = Open(SampleEntries(), {200, 150});
    ASSERT_NE(menu, nullptr);
    MoveTo(menu, 2);
    const auto windows = MenuWindows(menu);
    ASSERT_EQ(windows.size(), 2u);
    DestroyWindow(m_owner);
    Pump();
    for (HWND hwnd : windows)
        EXPECT_FALSE(IsWindow(hwnd));

    // A later menu opens normally.
    m_owner = s_owner;
    const HWND next = Open(SampleEntries(), {200, 150});
    EXPECT_NE(next, nullptr);
    EXPECT_TRUE(IsWindow(next));
}

TEST_F(KelmoTest, PreTranslateTakesOnlyTheMenuKeysWhileAMenuIsOpen) {
    MSG down{m_owner, WM_KEYDOWN, VK_DOWN, 1, 0, {}};
    MSG letter{m_owner, WM_KEYDOWN, 'A', 1, 0, {}};
    MSG move{m_owner, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, {}};
    EXPECT_FALSE(s_preTranslate(&down)); // no menu
    EXPECT_FALSE(s_preTranslate(nullptr));

    const HWND menu = Open(SampleEntries(), {200, 150});
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(s_preTranslate(&down));
    EXPECT_FALSE(s_preTranslate(&letter));
    EXPECT_FALSE(s_preTranslate(&move));
    MSG enter{m_owner, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_TRUE(s_preTranslate(&enter));
    Pump();
    ASSERT_EQ(g_owner.choices.size(), 1u);
    EXPECT_EQ(g_owner.choices[0].first, 1u);
    EXPECT_FALSE(IsWindow(menu));
}

TEST_F(KelmoTest, RefusesMenusItCannotShow) {
    const auto entries = SampleEntries();
    const std::vector<KelmoEntry> orphans = {Entry(3, 1, L"a"), Entry(0, 2, L"b")};
    struct Case {
        std::string name;
        HWND owner;
        const KelmoEntry* entries;
        int count;
    };
    const Case cases[] = {
        {"no owner", nullptr, entries.data(), 4},
        {"owner is not a window", reinterpret_cast<HWND>(0x1234), entries.data(), 4},
        {"no entries", m_owner, nullptr, 4},
        {"count 0", m_owner, entries.data(), 0},
        {"nothing in the main list", m_owner, orphans.data(), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(s_create(c.owner, 25, 150, {200, 150}, 0, 0, 0, m_skin.pointers.data(), 0,
                           &m_style, c.entries, c.count, nullptr),
                  nullptr);
        EXPECT_TRUE(MenuWindows(nullptr).empty());
    }
}

// The first column of an entry's text, found by its colour; -1 when none.
int TextLeft(const Picture& picture, int item, COLORREF colour) {
    const int top = 1 + item * 25;
    for (int x = 0; x < picture.width; ++x) {
        for (int y = top; y < top + 25; ++y) {
            if (Near(picture.At(x, y), colour, 60))
                return x;
        }
    }
    return -1;
}

TEST_F(KelmoTest, SetMenuAlignPlacesTheTextsOfLaterMenus) {
    std::vector<int> lefts;
    for (int align : {int{KELMO_ALIGN_LEFT}, int{KELMO_ALIGN_CENTER}, int{KELMO_ALIGN_RIGHT}, 7}) {
        SCOPED_TRACE(align);
        s_align(align);
        const HWND menu = Open(SampleEntries(), {200, 150});
        ASSERT_NE(menu, nullptr);
        lefts.push_back(TextLeft(Capture(menu), 0, kTextNormal));
        s_destroy();
        Pump();
    }
    s_align(KELMO_ALIGN_LEFT);
    ASSERT_EQ(lefts.size(), 4u);
    EXPECT_GE(lefts[0], 12);
    EXPECT_LE(lefts[0], 16);
    EXPECT_GT(lefts[1], lefts[0] + 10);
    EXPECT_GT(lefts[2], lefts[1] + 10);
    EXPECT_EQ(lefts[3], lefts[2]); // an unknown value leaves the alignment alone
}

// Draws an open menu with its sub-menu into tests/kelmo/menu.png of the build
// folder, and checks the skin where it shows state: the outline, the cyan bar
// of the highlighted entries, plain entries without it.
TEST_F(KelmoTest, DrawsTheSkinAndWritesAScreenshot) {
    const HWND menu = Open(SampleEntries(), {300, 200});
    ASSERT_NE(menu, nullptr);
    MoveTo(menu, 2);
    auto windows = MenuWindows(menu);
    ASSERT_EQ(windows.size(), 2u);
    MoveTo(windows[1], 1);
    SendMessageW(windows[1], WM_MOUSELEAVE, 0, 0); // as when the pointer leaves for the shot
    MoveTo(windows[1], 1);
    windows = MenuWindows(menu);
    ASSERT_EQ(windows.size(), 2u);

    const Picture main = Capture(windows[0]);
    const Picture sub = Capture(windows[1]);
    const COLORREF cyan = RGB(0, 190, 255);
    const auto mid = [](int item) { return 1 + item * 25 + 12; };
    EXPECT_EQ(main.At(0, 0), KELMO_FRAME_COLOUR);
    EXPECT_EQ(main.At(149, mid(1)), KELMO_FRAME_COLOUR);
    EXPECT_TRUE(Near(main.At(1, mid(2)), cyan)); // "DPI": its sub-menu is open
    EXPECT_FALSE(Near(main.At(1, mid(0)), cyan));
    EXPECT_TRUE(Near(sub.At(1, mid(1)), cyan)); // "800 DPI" under the pointer
    EXPECT_FALSE(Near(sub.At(1, mid(0)), cyan));
    // The sub-menu arrow of "DPI" is in its last columns, in the hover cyan.
    bool arrow = false;
    for (int x = 150 - 14; x < 150; ++x)
        arrow = arrow || Near(main.At(x, mid(2)), cyan);
    EXPECT_TRUE(arrow);
    // Some pixels of the highlighted entry carry the hover text colour.
    bool text = false;
    for (int x = 12; x < 100 && !text; ++x) {
        for (int y = mid(1) - 6; y < mid(1) + 6 && !text; ++y)
            text = Near(sub.At(x, y), kTextHover, 40);
    }
    EXPECT_TRUE(text);

    const RECT rcMain = WindowRect(windows[0]);
    const RECT rcSub = WindowRect(windows[1]);
    const int margin = 16;
    const int left = std::min(rcMain.left, rcSub.left) - margin;
    const int top = std::min(rcMain.top, rcSub.top) - margin;
    const int right = std::max(rcMain.right, rcSub.right) + margin;
    const int bottom = std::max(rcMain.bottom, rcSub.bottom) + margin;
    EXPECT_TRUE(SavePng({{windows[0], {rcMain.left - left, rcMain.top - top}},
                         {windows[1], {rcSub.left - left, rcSub.top - top}}},
                        right - left, bottom - top, BuildPath("menu.png")));
}

// The menu as the display shows it, once the windows had their messages. The
// other pictures come from PrintWindow, which has the window draw on request
// and so passes even when its own paint never reached the screen (a level
// painted before its session was the open one stays black).
TEST_F(KelmoTest, TheScreenShowsTheDrawnMenu) {
    struct Case {
        std::string name;
        bool images;
        int width;
        bool openSubMenu; // hovering "DPI" also repaints the main list
        size_t levels;
    };
    const Case cases[] = {
        {"just opened", true, 150, false, 1},
        {"just opened, narrow as the menu button's", true, 100, false, 1},
        {"just opened, system colours", false, 150, false, 1},
        {"with its sub-menu", true, 150, true, 2},
        {"with its sub-menu, system colours", false, 150, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HWND menu = Open(SampleEntries(), {300, 200}, 25, c.width, c.images);
        ASSERT_NE(menu, nullptr);
        if (c.openSubMenu)
            MoveTo(menu, 2);
        const auto windows = MenuWindows(menu);
        ASSERT_EQ(windows.size(), c.levels);
        Pump(); // paints, and lets the system put them on the display
        for (size_t level = 0; level < windows.size(); ++level) {
            SCOPED_TRACE(level == 0 ? "main list" : "sub-menu");
            const Picture drawn = Capture(windows[level]);
            const Picture shown = Capture(windows[level], Source::Screen);
            ASSERT_EQ(shown.width, drawn.width);
            const int right = shown.width - 1;
            const int bottom = shown.height - 1;
            const int mid = shown.height / 2;
            const POINT frame[] = {
                {0, 0}, {right, 0}, {0, bottom}, {right, mid}, {right / 2, bottom}};
            for (const POINT& pt : frame)
                EXPECT_EQ(shown.At(pt.x, pt.y), KELMO_FRAME_COLOUR) << pt.x << "," << pt.y;
            // Inside the frame the screen holds the picture the window draws.
            int differ = 0;
            for (int y = 1; y < bottom; ++y) {
                for (int x = 1; x < right; ++x)
                    differ += !Near(shown.At(x, y), drawn.At(x, y), 8);
            }
            EXPECT_EQ(differ, 0);
            EXPECT_NE(shown.At(right / 2, 1 + 12), RGB(0, 0, 0)); // never-painted black
        }
        s_destroy();
        Pump();
    }
}

} // namespace
