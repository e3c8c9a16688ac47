#include "MenuSession.h"

#include "GdiHandles.h"
#include "MenuLayout.h"

#include <objidl.h>

// gdiplus.h expects min/max from windows.h, which NOMINMAX removes.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <cstdarg>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kelmo {
namespace {

HINSTANCE g_hInstance = nullptr;

// Sizes used when the caller leaves them to the images and there are none.
constexpr int kDefaultItemHeight = 25;
constexpr int kDefaultWidth = 150;
// Room left of the text for the hover bar of the skin.
constexpr int kTextIndent = 12;

void Log(const wchar_t* format, ...) {
    wchar_t line[512] = L"Kelmo: ";
    const size_t prefix = wcslen(line);
    va_list args;
    va_start(args, format);
    vswprintf(line + prefix, std::size(line) - prefix, format, args);
    va_end(args);
    OutputDebugStringW(line);
}

struct SkinImage {
    Bitmap hbm;
    Size size;
};

Size BitmapSize(HBITMAP hbm) {
    BITMAP bm{};
    if (!hbm || !GetObjectW(hbm, sizeof(bm), &bm))
        return {};
    return {bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

// Images other than BMP files, through GDI+. The host may run GDI+ already;
// otherwise it is started only for the time of the read.
Bitmap LoadWithGdiPlus(const wchar_t* path, bool bHostRunsGdiPlus) {
    ULONG_PTR token = 0;
    if (!bHostRunsGdiPlus) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
            Log(L"GdiplusStartup failed");
            return {};
        }
    }
    HBITMAP hbm = nullptr;
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path, &image) == Gdiplus::Ok) {
        if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(image, &hbm, 0xFF000000) !=
            Gdiplus::Ok)
            hbm = nullptr;
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    if (token)
        Gdiplus::GdiplusShutdown(token);
    return Bitmap(hbm);
}

SkinImage LoadSkinImage(const wchar_t* path, bool bHostRunsGdiPlus) {
    SkinImage image;
    if (!path || !*path)
        return image;
    image.hbm.Reset(static_cast<HBITMAP>(
        LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!image.hbm)
        image.hbm = LoadWithGdiPlus(path, bHostRunsGdiPlus);
    if (!image.hbm) {
        Log(L"cannot read the menu image %ls (error %lu)", path, GetLastError());
        return image;
    }
    image.size = BitmapSize(image.hbm.Get());
    return image;
}

Font CreateMenuFont(const MenuRequest& request) {
    LOGFONTW lf{};
    if (request.pFont) {
        lf = *request.pFont;
    } else if (request.pStyle && request.pStyle->lfFont.lfFaceName[0]) {
        lf = request.pStyle->lfFont;
    } else {
        lf.lfHeight = 14;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfPitchAndFamily = FF_SWISS;
        wcscpy(lf.lfFaceName, L"MS Shell Dlg");
    }
    Font font(CreateFontIndirectW(&lf));
    if (!font)
        Log(L"CreateFontIndirectW(%ls) failed", lf.lfFaceName);
    return font;
}

Rect ToRect(const RECT& rc) {
    return {rc.left, rc.top, rc.right, rc.bottom};
}

Rect WorkAreaAround(const RECT& rc) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &info))
        return ToRect(info.rcWork);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return ToRect(work);
}

bool KeyFromVirtualKey(WPARAM vk, MenuKey* pKey) {
    switch (vk) {
    case VK_UP:
        *pKey = MenuKey::Up;
        return true;
    case VK_DOWN:
        *pKey = MenuKey::Down;
        return true;
    case VK_LEFT:
        *pKey = MenuKey::Left;
        return true;
    case VK_RIGHT:
        *pKey = MenuKey::Right;
        return true;
    case VK_RETURN:
        *pKey = MenuKey::Enter;
        return true;
    case VK_ESCAPE:
        *pKey = MenuKey::Escape;
        return true;
    default:
        return false;
    }
}

bool IsButtonDown(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_NCXBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);

class Session {
public:
    static std::unique_ptr<Session> Open(const MenuRequest& request);
    Session(const MenuRequest& request, MenuTree tree);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HWND Root() const { return m_windows.empty() ? nullptr : m_windows.front().wnd.Get(); }
    bool Done() const { return m_bDone; }
    // Marks the menu closed; it is torn down once no handler of ours runs.
    void Finish();
    bool OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    bool PreTranslate(MSG* pMsg);

private:
    struct LevelWindow {
        Window wnd;
        int nParentEntry = -1;
        bool bTrackingLeave = false;
    };

    int LevelOf(HWND hwnd) const;
    void Apply(MenuOutcome outcome);
    void SyncWindows();
    bool CreateLevelWindow(size_t nLevel);
    void PaintBuffered(int nLevel, HDC hdc);
    void Draw(int nLevel, HDC hdc, const RECT& rcClient);
    void DrawItem(HDC hdc, HDC hdcImage, int nLevel, int nItem, const Rect& rc);

    HWND m_hOwner;
    POINT m_ptAnchor;
    LPARAM m_lTag;
    COLORREF m_clrText[3];
    COLORREF m_clrFrame;
    int m_nAlign;
    MenuMetrics m_metrics;
    std::vector<std::wstring> m_texts;
    std::vector<uint32_t> m_codes;
    MenuState m_state;
    SkinImage m_images[KELMO_IMAGE_COUNT];
    Font m_font;
    std::vector<LevelWindow> m_windows;
    Hook m_hook;
    bool m_bDone = false;
};

Session* g_pSession = nullptr;
int g_nDepth = 0;

// Every way into the library counts itself here. A menu that was finished
// while handling a message is torn down when the outermost call returns, so
// that no window is destroyed under a handler that still uses it.
class Frame {
public:
    Frame() { ++g_nDepth; }
    ~Frame() {
        if (--g_nDepth == 0 && g_pSession && g_pSession->Done())
            delete std::exchange(g_pSession, nullptr);
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
};

bool RegisterMenuClass() {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DROPSHADOW | CS_SAVEBITS;
    wc.lpfnWndProc = MenuWindowProc;
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = KELMO_MENU_CLASS;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        Log(L"RegisterClassExW failed (error %lu)", GetLastError());
        return false;
    }
    registered = true;
    return true;
}

std::unique_ptr<Session> Session::Open(const MenuRequest& request) {
    std::vector<uint32_t> parents;
    parents.reserve(request.nCount);
    for (int i = 0; i < request.nCount; ++i)
        parents.push_back(request.pEntries[i].nParent);
    MenuTree tree(parents);
    if (tree.Children(-1).empty()) {
        Log(L"no entry in the main list of %d entries", request.nCount);
        return nullptr;
    }
    auto session = std::make_unique<Session>(request, std::move(tree));
    if (!session->CreateLevelWindow(0))
        return nullptr;
    session->m_hook.Reset(
        SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId()));
    if (!session->m_hook)
        Log(L"SetWindowsHookExW failed (error %lu): no keyboard", GetLastError());
    return session;
}

Session::Session(const MenuRequest& request, MenuTree tree)
    : m_hOwner(request.hOwner), m_ptAnchor(request.ptAnchor),
      m_lTag(request.lTag), m_clrText{request.clrText[0], request.clrText[1], request.clrText[2]},
      m_clrFrame(request.pStyle ? request.pStyle->clrFrame : KELMO_FRAME_COLOUR),
      m_nAlign(request.nAlign), m_state(std::move(tree)) {
    for (int i = 0; i < request.nCount; ++i) {
        const KelmoEntry& entry = request.pEntries[i];
        m_texts.emplace_back(entry.szText, wcsnlen(entry.szText, KELMO_TEXT_CHARS));
        m_codes.push_back(entry.nCode);
    }
    if (request.ppszImages) {
        for (int i = 0; i < KELMO_IMAGE_COUNT; ++i) {
            if (i == KELMO_IMAGE_ITEM_DISABLED || i == KELMO_IMAGE_SUB_DISABLED)
                continue;
            m_images[i] = LoadSkinImage(request.ppszImages[i], request.bHostRunsGdiPlus);
        }
    }
    const Size normal = m_images[KELMO_IMAGE_ITEM_NORMAL].size;
    m_metrics.nItemHeight = request.nItemHeight > 0 ? request.nItemHeight
                            : normal.cy > 0         ? normal.cy
                                                    : kDefaultItemHeight;
    m_metrics.nWidth = request.nWidth > 0 ? request.nWidth
                       : normal.cx > 0    ? normal.cx
                                          : kDefaultWidth;
    m_font = CreateMenuFont(request);
}

Session::~Session() {
    m_hook.Reset();
    // Innermost first; each handle leaves the list before its window goes, so
    // the window procedure no longer knows it.
    while (!m_windows.empty()) {
        Window wnd = std::move(m_windows.back().wnd);
        m_windows.pop_back();
    }
}

void Session::Finish() {
    if (m_bDone)
        return;
    m_bDone = true;
    for (auto& level : m_windows)
        ShowWindow(level.wnd.Get(), SW_HIDE);
}

int Session::LevelOf(HWND hwnd) const {
    for (size_t i = 0; i < m_windows.size(); ++i) {
        if (m_windows[i].wnd.Get() == hwnd)
            return static_cast<int>(i);
    }
    return -1;
}

void Session::Apply(MenuOutcome outcome) {
    if (m_bDone)
        return;
    switch (outcome.kind) {
    case MenuOutcome::None:
        break;
    case MenuOutcome::Changed:
        SyncWindows();
        break;
    case MenuOutcome::Choose:
        if (!PostMessageW(m_hOwner, WM_MENU_CHOICE, m_codes[outcome.nEntry], m_lTag))
            Log(L"PostMessageW(WM_MENU_CHOICE) failed (error %lu)", GetLastError());
        Finish();
        break;
    case MenuOutcome::Cancel:
        Finish();
        break;
    }
}

// Makes the windows match the open levels: a level whose parent changed loses
// its window and those below; new levels get one.
void Session::SyncWindows() {
    const auto& levels = m_state.Levels();
    size_t keep = 0;
    while (keep < m_windows.size() && keep < levels.size() &&
           m_windows[keep].nParentEntry == levels[keep].nParentEntry)
        ++keep;
    while (m_windows.size() > keep) {
        Window wnd = std::move(m_windows.back().wnd);
        m_windows.pop_back();
    }
    for (size_t i = m_windows.size(); i < levels.size(); ++i) {
        if (!CreateLevelWindow(i)) {
            Finish();
            return;
        }
    }
    for (auto& level : m_windows)
        InvalidateRect(level.wnd.Get(), nullptr, FALSE);
}

bool Session::CreateLevelWindow(size_t nLevel) {
    const MenuLevel& level = m_state.Levels()[nLevel];
    const Size size = LevelSize(static_cast<int>(level.items.size()), m_metrics);
    Point pos{m_ptAnchor.x, m_ptAnchor.y};
    HWND hwndOwner = m_hOwner;
    if (nLevel > 0) {
        // Beside the item that opened it, on the screen that item is on.
        const MenuLevel& parent = m_state.Levels()[nLevel - 1];
        RECT rcParent{};
        GetWindowRect(m_windows[nLevel - 1].wnd.Get(), &rcParent);
        Rect rcItem = ItemRect(parent.nOpen, m_metrics);
        rcItem = {rcParent.left + rcItem.left, rcParent.top + rcItem.top,
                  rcParent.left + rcItem.right, rcParent.top + rcItem.bottom};
        const RECT rcItemScreen{rcItem.left, rcItem.top, rcItem.right, rcItem.bottom};
        pos = PlaceSubMenu(ToRect(rcParent), rcItem, size, WorkAreaAround(rcItemScreen));
        hwndOwner = m_windows.front().wnd.Get();
    }
    Window wnd(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                               KELMO_MENU_CLASS, L"", WS_POPUP, pos.x, pos.y, size.cx, size.cy,
                               hwndOwner, nullptr, g_hInstance, nullptr));
    if (!wnd) {
        Log(L"CreateWindowExW failed (error %lu)", GetLastError());
        return false;
    }
    const HWND hwnd = wnd.Get();
    m_windows.push_back({std::move(wnd), level.nParentEntry, false});
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    // Painted from the message loop: the first level is created before its
    // session is the open one, and a paint now would find no session and
    // leave the window blank.
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

void Session::PaintBuffered(int nLevel, HDC hdc) {
    RECT rc{};
    GetClientRect(m_windows[nLevel].wnd.Get(), &rc);
    MemoryDc buffer(CreateCompatibleDC(hdc));
    Bitmap bitmap(CreateCompatibleBitmap(hdc, rc.right, rc.bottom));
    if (!buffer || !bitmap) {
        Draw(nLevel, hdc, rc); // drawn directly rather than not at all
        return;
    }
    SelectScope select(buffer.Get(), bitmap.Get());
    Draw(nLevel, buffer.Get(), rc);
    BitBlt(hdc, 0, 0, rc.right, rc.bottom, buffer.Get(), 0, 0, SRCCOPY);
}

void Session::Draw(int nLevel, HDC hdc, const RECT& rcClient) {
    MemoryDc imageDc(CreateCompatibleDC(hdc));
    SetStretchBltMode(hdc, HALFTONE);
    SetBrushOrgEx(hdc, 0, 0, nullptr);
    SetBkMode(hdc, TRANSPARENT);
    const int count = static_cast<int>(m_state.Levels()[nLevel].items.size());
    {
        SelectScope font(hdc, m_font ? static_cast<HGDIOBJ>(m_font.Get())
                                     : GetStockObject(DEFAULT_GUI_FONT));
        for (int i = 0; i < count; ++i)
            DrawItem(hdc, imageDc.Get(), nLevel, i, ItemRect(i, m_metrics));
    }
    Brush frame(CreateSolidBrush(m_clrFrame));
    FrameRect(hdc, &rcClient, frame.Get());
}

void Session::DrawItem(HDC hdc, HDC hdcImage, int nLevel, int nItem, const Rect& rc) {
    const ItemLook look = m_state.Look(nLevel, nItem);
    const bool sub = m_state.HasSubMenu(nLevel, nItem);
    const int state = look == ItemLook::Normal ? 0 : look == ItemLook::Hover ? 1 : 2;
    const SkinImage& image = m_images[(sub ? KELMO_IMAGE_SUB_NORMAL : 0) + state];

    if (image.hbm && hdcImage) {
        SelectScope select(hdcImage, image.hbm.Get());
        for (const SkinPiece& piece : SkinPieces(image.size, {rc.Width(), rc.Height()})) {
            StretchBlt(hdc, rc.left + piece.rcTarget.left, rc.top + piece.rcTarget.top,
                       piece.rcTarget.Width(), piece.rcTarget.Height(), hdcImage,
                       piece.rcSource.left, piece.rcSource.top, piece.rcSource.Width(),
                       piece.rcSource.Height(), SRCCOPY);
        }
    } else {
        // No image for this state: the system's menu colours and a plain arrow.
        const RECT r{rc.left, rc.top, rc.right, rc.bottom};
        FillRect(hdc, &r,
                 GetSysColorBrush(look == ItemLook::Normal ? COLOR_MENU : COLOR_HIGHLIGHT));
        if (sub) {
            const int cx = rc.right - kSkinRightCap / 2 - 2;
            const int cy = (rc.top + rc.bottom) / 2;
            const POINT arrow[3] = {{cx, cy - 4}, {cx + 4, cy}, {cx, cy + 4}};
            Brush brush(CreateSolidBrush(m_clrText[state]));
            Pen pen(CreatePen(PS_SOLID, 1, m_clrText[state]));
            SelectScope selectBrush(hdc, brush.Get());
            SelectScope selectPen(hdc, pen.Get());
            Polygon(hdc, arrow, 3);
        }
    }

    const std::wstring& text = m_texts[m_state.Levels()[nLevel].items[nItem]];
    RECT rcText{rc.left + kTextIndent, rc.top, rc.right - kSkinRightCap, rc.bottom};
    UINT align = DT_LEFT;
    if (m_nAlign == KELMO_ALIGN_CENTER)
        align = DT_CENTER;
    else if (m_nAlign == KELMO_ALIGN_RIGHT)
        align = DT_RIGHT;
    SetTextColor(hdc, m_clrText[state]);
    DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rcText,
              align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool Session::OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const int level = LevelOf(hwnd);
    if (level < 0)
        return false;
    const int count = static_cast<int>(static_cast<size_t>(level) < m_state.Levels().size()
                                           ? m_state.Levels()[level].items.size()
                                           : 0);
    const Point pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    *pResult = 0;
    switch (message) {
    case WM_MOUSEMOVE:
        if (!m_windows[level].bTrackingLeave) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
            m_windows[level].bTrackingLeave = TrackMouseEvent(&track) != FALSE;
        }
        Apply(m_state.Hover(level, HitTestItem(pt, count, m_metrics)));
        return true;
    case WM_MOUSELEAVE:
        m_windows[level].bTrackingLeave = false;
        Apply(m_state.Leave(level));
        return true;
    case WM_LBUTTONDOWN:
        Apply(m_state.Press(level, HitTestItem(pt, count, m_metrics)));
        return true;
    case WM_LBUTTONUP:
        Apply(m_state.Release(level, HitTestItem(pt, count, m_metrics)));
        return true;
    case WM_KEYDOWN: {
        MenuKey key{};
        if (!KeyFromVirtualKey(wParam, &key))
            return false;
        Apply(m_state.Key(key));
        return true;
    }
    case WM_MOUSEACTIVATE:
        // A menu never takes activation or focus from the window it serves.
        *pResult = MA_NOACTIVATE;
        return true;
    case WM_ACTIVATEAPP:
        if (!wParam)
            Finish();
        return true;
    case WM_ERASEBKGND:
        *pResult = 1; // the whole window is painted in WM_PAINT
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC hdc = BeginPaint(hwnd, &ps)) {
            PaintBuffered(level, hdc);
            EndPaint(hwnd, &ps);
        }
        return true;
    }
    case WM_PRINTCLIENT:
        PaintBuffered(level, reinterpret_cast<HDC>(wParam));
        return true;
    case WM_NCDESTROY:
        // Destroyed by someone else (its owner went away): the menu is over.
        m_windows[level].wnd.Release();
        Finish();
        return false;
    default:
        return false;
    }
}

bool Session::PreTranslate(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN) {
        MenuKey key{};
        if (!KeyFromVirtualKey(pMsg->wParam, &key))
            return false;
        Apply(m_state.Key(key));
        return true;
    }
    if (IsButtonDown(pMsg->message) && LevelOf(pMsg->hwnd) < 0)
        Finish();
    return false;
}

LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Frame frame;
    LRESULT result = 0;
    if (g_pSession && g_pSession->OnMessage(hwnd, message, wParam, lParam, &result))
        return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* pMsg = reinterpret_cast<MSG*>(lParam);
        if (PreTranslateMenuMessage(pMsg))
            pMsg->message = WM_NULL; // taken by the menu
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void SetModule(HINSTANCE hInstance) {
    g_hInstance = hInstance;
}

HWND OpenMenu(const MenuRequest& request) {
    Frame frame;
    if (g_nDepth > 1) {
        Log(L"CreateKelmo called from inside a menu's own message handling");
        return nullptr;
    }
    delete std::exchange(g_pSession, nullptr);
    if (!request.hOwner || !IsWindow(request.hOwner) || !request.pEntries || request.nCount <= 0) {
        Log(L"CreateKelmo: no owner window or no entries");
        return nullptr;
    }
    if (!RegisterMenuClass())
        return nullptr;
    auto session = Session::Open(request);
    if (!session)
        return nullptr;
    g_pSession = session.release();
    return g_pSession->Root();
}

void CloseMenu() {
    Frame frame;
    if (g_pSession)
        g_pSession->Finish();
}

bool PreTranslateMenuMessage(MSG* pMsg) {
    Frame frame;
    if (!pMsg || !g_pSession || g_pSession->Done())
        return false;
    return g_pSession->PreTranslate(pMsg);
}

} // namespace kelmo
