// The main window's skinned frame: the window shaped and sized by its image,
// its buttons, the four pages, the painting, and page switching.

#include "app/AppGlobals.h"
#include "app/MainDlg.h"
#include "app/PopupMenu.h"
#include "app/resource.h"
#include "controls/SkinFactory.h"
#include "controls/SkinRegion.h"
#include "controls/SkinWindow.h"
#include "device/DeviceEvents.h"
#include "framework/StartupTimeline.h"
#include "pages/AdvDlg.h"
#include "pages/KeyDlg.h"
#include "pages/LedDlg.h"
#include "pages/MacroDlg.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"

#include <cwchar>

using settings::g_opt;

namespace {

RECT ToRect(const settings::Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

const settings::Rect& NaviRect(int i) {
    const settings::Rect* rects[] = {&g_opt.rcNaviBtn1, &g_opt.rcNaviBtn2, &g_opt.rcNaviBtn3,
                                     &g_opt.rcNaviBtn4};
    return *rects[i];
}

const settings::Rect& ProRect(int i) {
    const settings::Rect* rects[] = {&g_opt.rcPro1, &g_opt.rcPro2, &g_opt.rcPro3, &g_opt.rcPro4,
                                     &g_opt.rcPro5};
    return *rects[i];
}

// Draws `image` as large as the client area, except over `covered`: up to
// four bands around it, each the same pixels a whole draw gives there.
void DrawImageAround(HDC dc, Gdiplus::Bitmap* image, const RECT& client, const RECT& covered) {
    Gdiplus::Graphics g(dc);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    const RECT bands[] = {{client.left, client.top, client.right, covered.top},
                          {client.left, covered.bottom, client.right, client.bottom},
                          {client.left, covered.top, covered.left, covered.bottom},
                          {covered.right, covered.top, client.right, covered.bottom}};
    for (const RECT& b : bands) {
        const int w = b.right - b.left, h = b.bottom - b.top;
        if (w > 0 && h > 0)
            g.DrawImage(image, Gdiplus::Rect(b.left, b.top, w, h), b.left, b.top, w, h,
                        Gdiplus::UnitPixel);
    }
}

bool LightingPageShown() {
    return g_opt.ShowMainEffect != 0 || g_opt.ShowLogoEffect != 0;
}

template <class Page>
PageRow Row(const char16_t* title, int naviSlot, bool (*offered)() = nullptr) {
    PageRow row;
    row.title = title;
    row.naviSlot = naviSlot;
    row.offered = offered;
    row.page = std::make_unique<Page>();
    row.navi = std::make_unique<CPngBtn>();
    return row;
}

} // namespace

std::vector<PageRow> MakePageTable() {
    // The button at rcNaviBtn2 opens the DPI page and the one at rcNaviBtn3
    // the macro page; the lighting page is offered only with a light to set.
    std::vector<PageRow> rows;
    rows.push_back(Row<CKeyDlg>(u"tc_page1", 0));
    rows.push_back(Row<CMacroDlg>(u"tc_page3", 2));
    rows.push_back(Row<CAdvDlg>(u"tc_page2", 1));
    rows.push_back(Row<CLedDlg>(u"tc_page4", 3, LightingPageShown));
    return rows;
}

bool CTarvelDlg::BuildSkinFrame() {
    m_imgMain = LoadSkinImage(L"main_nr.png");
    if (fw::Width(m_imgMain) == 0) {
        ::MessageBoxW(m_hwnd, L"Load skins failed.", L"Error", MB_OK);
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return false;
    }
    // Every message of the program goes through the message dialog: a missing
    // background would silence them, so it is told now, once.
    CMsgDlg::CheckSkin();
    fw::StartupStep("main window images");
    Gdiplus::Bitmap* main = m_imgMain.get();
    if (g_opt.clrMask != 0) {
        ::SetWindowRgn(m_hwnd, RegionFromImage(*main, g_opt.clrMask, 10).Release(), TRUE);
        fw::StartupStep("main window region");
    }

    const int w = fw::Width(m_imgMain), h = fw::Height(m_imgMain);
    const int screenW = ::GetSystemMetrics(SM_CXFULLSCREEN),
              screenH = ::GetSystemMetrics(SM_CYFULLSCREEN);
    int x = (screenW - w) / 2, y = (screenH - h) / 2;
    if (screenW - w < 2 || x >= screenW)
        x = 10;
    if (screenH - h < 2 || y >= screenH)
        y = 10;
    ::SetWindowPos(m_hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);

    const bool tips = g_opt.BtnTips != 0;
    // Minimise, close and the menu button sit side by side at ptMin.
    const RECT small{0, 0, 34, 22};
    const int mx = g_opt.ptMin.x, my = g_opt.ptMin.y;
    const struct {
        CPngBtn& btn;
        UINT id;
        const wchar_t *normal, *hover;
        int dx;
    } corner[] = {
        {m_btnMin, IDC_MAIN_MIN, L"min_nr.png", L"min_ov.png", 0},
        {m_btnClose, IDC_MAIN_CLOSE, L"exit_nr.png", L"exit_ov.png", 36},
        {m_btnMenu, IDC_MAIN_MENU, L"about.png", L"about.png", -36},
    };
    for (const auto& c : corner) {
        c.btn.SetId(c.id);
        NewSkinButton({.parent = m_hwnd,
                       .btn = &c.btn,
                       .normal = c.normal,
                       .hover = c.hover,
                       .pressed = c.hover,
                       .size = &small,
                       .left = mx + c.dx,
                       .top = my,
                       .parentBkg = main,
                       .tip = tips});
    }

    m_pages = MakePageTable();
    m_fontNavi = MakeFont(20, 500);
    // The navigation buttons, in the order of their rectangles.
    for (int slot = 0; slot < int(m_pages.size()); ++slot) {
        for (PageRow& row : m_pages) {
            if (row.naviSlot != slot)
                continue;
            const settings::Rect& r = NaviRect(slot);
            const RECT size{0, 0, r.right - r.left, r.bottom - r.top};
            CPngBtn& btn = *row.navi;
            btn.SetId(IDC_MAIN_NAVI1 + slot);
            const std::wstring title = Txt(row.title);
            NewSkinButton({.parent = m_hwnd,
                           .btn = &btn,
                           .normal = L"navi_nr.png",
                           .hover = L"navi_nr.png",
                           .pressed = L"navi_dn.png",
                           .size = &size,
                           .left = r.left,
                           .top = r.top,
                           .parentBkg = main,
                           .toggle = true,
                           .tip = tips,
                           .caption = title.c_str()});
            btn.SetFont(m_fontNavi.Get());
            if (row.offered && !row.offered() && btn.Hwnd())
                ::ShowWindow(btn.Hwnd(), SW_HIDE);
        }
    }

    // Apply at ptApply; restore beside it, or in its place without Apply.
    const RECT wide{0, 0, 103, 32};
    const int ax = g_opt.ptApply.x, ay = g_opt.ptApply.y;
    const bool apply = g_opt.ShowApply != 0;
    const struct {
        CPngBtn& btn;
        UINT id;
        const char16_t* text;
        int left;
        bool made;
    } wideButtons[] = {
        {m_btnApply, IDC_MAIN_APPLY, u"tc_apply", ax, apply},
        {m_btnRestore, IDC_MAIN_RESTORE, u"tc_restore", apply ? ax - 113 : ax, true},
    };
    for (const auto& b : wideButtons) {
        if (!b.made)
            continue;
        b.btn.SetId(b.id);
        const std::wstring caption = Txt(b.text);
        NewSkinButton({.parent = m_hwnd,
                       .btn = &b.btn,
                       .normal = L"btn_nr.png",
                       .hover = L"btn_ov.png",
                       .pressed = L"btn_ov.png",
                       .size = &wide,
                       .left = b.left,
                       .top = ay,
                       .parentBkg = main,
                       .tip = tips,
                       .caption = caption.c_str()});
    }

    const std::wstring proName = Txt(u"tc_msg35");
    for (int i = 0; i < 5; ++i) {
        const settings::Rect& r = ProRect(i);
        const RECT size{0, 0, r.right - r.left, r.bottom - r.top};
        wchar_t caption[64];
        std::swprintf(caption, std::size(caption), L"%ls%d", proName.c_str(), i + 1);
        m_btnPro[i].SetId(IDC_MAIN_PRO1 + i);
        NewSkinButton({.parent = m_hwnd,
                       .btn = &m_btnPro[i],
                       .normal = L"probtn_nr.png",
                       .hover = L"probtn_nr.png",
                       .pressed = L"probtn_dn.png",
                       .size = &size,
                       .left = r.left,
                       .top = r.top,
                       .parentBkg = main,
                       .toggle = true,
                       .tip = tips,
                       .caption = caption});
        if (g_opt.ShowPro == 0 && m_btnPro[i].Hwnd())
            ::ShowWindow(m_btnPro[i].Hwnd(), SW_HIDE);
    }

    // Import, export and the home page are areas of the window's own images.
    // Their hover look (main_ov.png, as large as the window) is not needed
    // for the first paint: they show the window's image until start-up's
    // later steps give them their areas of it (GiveHoverImages).
    if (g_opt.rcImportPro.Width() > 0) {
        m_btnImport.SetId(IDC_MAIN_IMPORT);
        NewPngButtonFromImages(m_hwnd, m_btnImport, ToRect(g_opt.rcImportPro), main, main, main,
                               false, tips, Txt(u"tc_msg33").c_str());
    }
    if (g_opt.rcExportPro.Width() > 0) {
        m_btnExport.SetId(IDC_MAIN_EXPORT);
        NewPngButtonFromImages(m_hwnd, m_btnExport, ToRect(g_opt.rcExportPro), main, main, main,
                               false, tips, Txt(u"tc_msg32").c_str());
    }
    if (g_opt.rcHomePageBtn.Width() > 0) {
        m_btnHome.SetId(IDC_MAIN_HOME);
        NewPngButtonFromImages(m_hwnd, m_btnHome, ToRect(g_opt.rcHomePageBtn), main, main, main,
                               false, false, nullptr);
        m_btnHome.SetTextColours(g_opt.Btn_txt_clr_nr, g_opt.Btn_txt_clr_ov, g_opt.Btn_txt_clr_dn);
    }

    fw::StartupStep("main window buttons");

    // The page shown first is made with the frame; the others once the
    // window has been painted (StartupRestStep), or when one is asked for.
    ShowPage(1);
    return true;
}

void CTarvelDlg::GiveHoverImages() {
    m_bHoverImagesGiven = true;
    // Without main_ov.png the buttons keep showing the window's image.
    const fw::Image hover = LoadSkinImage(L"main_ov.png");
    if (fw::Width(hover) == 0 || fw::Width(m_imgMain) == 0)
        return;
    const struct {
        CPngBtn& btn;
        const settings::Rect& at;
    } buttons[] = {{m_btnImport, g_opt.rcImportPro},
                   {m_btnExport, g_opt.rcExportPro},
                   {m_btnHome, g_opt.rcHomePageBtn}};
    for (const auto& b : buttons) {
        if (!b.btn.Hwnd())
            continue;
        b.btn.SetImages(b.at.left, b.at.top, b.at.Width(), b.at.bottom - b.at.top, m_imgMain.get(),
                        hover.get(), hover.get());
        ::InvalidateRect(b.btn.Hwnd(), nullptr, FALSE);
    }
}

void CTarvelDlg::BuildPage(PageRow& row) {
    if (row.built || !row.page)
        return;
    row.built = true;
    row.page->CreatePage(m_hwnd, this); // hidden
    if (fw::StartupTimelineOn())
        fw::StartupStep("page", settings::LogText(U(Txt(row.title))).c_str());
    // The pages made before it have been shown the current profile and the
    // DPI level the mouse uses as start-up went on; this one catches up.
    row.page->ShowCurrentProfile();
    if (g_nCurDpiLevel >= 0)
        row.page->OnDeviceEvent(PageEvent{DEV_EVT_DPI_LEVEL, g_nCurDpiLevel});
}

void CTarvelDlg::ShowPage(int n) {
    CloseMenus();
    if (!PagesMayBeLeft())
        return;
    if (n != m_nCurPage && !PagesConfirmLeave())
        return;
    PageRow* next = n >= 1 && n <= int(m_pages.size()) ? &m_pages[size_t(n - 1)] : nullptr;
    // A page that is not offered is not shown either; nothing is.
    const bool refused = next && next->offered && !next->offered();
    if (next && !refused)
        BuildPage(*next);
    const HWND shown = next && !refused && next->page ? next->page->Hwnd() : nullptr;
    for (PageRow& row : m_pages) {
        row.navi->SetCheck(false);
        if (row.page && row.page->Hwnd() && row.page->Hwnd() != shown)
            HidePage(row.page->Hwnd(), shown != nullptr);
    }
    if (refused)
        return;
    if (next) {
        next->navi->SetCheck(true);
        if (shown) {
            ::ShowWindow(shown, SW_SHOW);
            // The page and every control on it are painted now, in this one
            // step: left to the paint messages, the controls would paint
            // after whatever else is queued, showing the page that was here
            // through their places meanwhile.
            ::UpdateWindow(m_hwnd);
        }
    }
    m_nCurPage = n;
}

void CTarvelDlg::HidePage(HWND page, bool replaced) {
    RECT area{};
    const bool wasShown = ::IsWindowVisible(page) && ::GetWindowRect(page, &area);
    ::ShowWindow(page, SW_HIDE);
    if (!wasShown || !replaced)
        return;
    // Every page covers the same area and the page shown in its place paints
    // all of it: the window's own picture under it is not painted first.
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&area), 2);
    ::ValidateRect(m_hwnd, &area);
}

bool CTarvelDlg::ShownPageArea(RECT& area) const {
    for (const PageRow& row : m_pages) {
        const HWND page = row.page ? row.page->Hwnd() : nullptr;
        if (page && (::GetWindowLongW(page, GWL_STYLE) & WS_VISIBLE) &&
            ::GetWindowRect(page, &area)) {
            ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&area), 2);
            return true;
        }
    }
    return false;
}

void CTarvelDlg::PaintMinimised(HDC dc, const RECT& rc) {
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, m_icon.Get());
}

void CTarvelDlg::Paint(HDC dc, const RECT& rc) {
    fw::Brush background(::CreateSolidBrush(g_opt.clrBkg));
    ::FillRect(dc, &rc, background.Get());
    if (fw::Width(m_imgMain) > 0) {
        // The window clips its children, and a shown page paints all of its
        // area itself: the window's picture under it would never be seen.
        // Drawing it costs most of the window's paint.
        RECT page{};
        if (ShownPageArea(page) && fw::Width(m_imgMain) == rc.right &&
            fw::Height(m_imgMain) == rc.bottom)
            DrawImageAround(dc, m_imgMain.get(), rc, page);
        else
            DrawImage(dc, m_imgMain.get(), 0, 0, rc.right, rc.bottom);
    }
    if (g_opt.ShowPro != 0 || g_opt.rcImportPro.Width() > 0)
        DrawTextIn(dc, Txt(u"tc_profile"), ToRect(g_opt.rcProTitle), AppFontOr(m_font.Get()),
                   g_opt.Txt_clr, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    fw::EndStartupTimeline("first paint");
}
