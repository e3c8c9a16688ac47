// The main window's skinned frame: the window shaped and sized by its image,
// its buttons, the four pages, the painting, and page switching.

#include "app/AppGlobals.h"
#include "app/MainDlg.h"
#include "app/PopupMenu.h"
#include "app/resource.h"
#include "controls/SkinFactory.h"
#include "controls/SkinRegion.h"
#include "controls/SkinWindow.h"
#include "pages/AdvDlg.h"
#include "pages/KeyDlg.h"
#include "pages/LedDlg.h"
#include "pages/MacroDlg.h"
#include "pages/MsgDlg.h"
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

bool LightingPageShown() {
    return g_opt.ShowMainEffect != 0 || g_opt.ShowLogoEffect != 0;
}

} // namespace

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
    m_imgHover = LoadSkinImage(L"main_ov.png");
    Gdiplus::Bitmap* main = m_imgMain.get();
    Gdiplus::Bitmap* hover = fw::Width(m_imgHover) > 0 ? m_imgHover.get() : main;
    if (g_opt.clrMask != 0)
        ::SetWindowRgn(m_hwnd, RegionFromImage(*main, g_opt.clrMask, 10).Release(), TRUE);

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
    m_btnMin.SetId(IDC_MAIN_MIN);
    NewSmallPngButton(L"min_ov.png", main, m_hwnd, L"min_nr.png", L"min_ov.png", m_btnMin, false,
                      tips, nullptr, &small, mx, my, mx + 34, my + 22);
    m_btnClose.SetId(IDC_MAIN_CLOSE);
    NewSmallPngButton(L"exit_ov.png", main, m_hwnd, L"exit_nr.png", L"exit_ov.png", m_btnClose,
                      false, tips, nullptr, &small, mx + 36, my, mx + 70, my + 22);
    m_btnMenu.SetId(IDC_MAIN_MENU);
    NewSmallPngButton(L"about.png", main, m_hwnd, L"about.png", L"about.png", m_btnMenu, false,
                      tips, nullptr, &small, mx - 36, my, mx - 2, my + 22);

    m_fontNavi = MakeFont(20, 500);
    const char16_t* naviText[] = {u"tc_page1", u"tc_page2", u"tc_page3", u"tc_page4"};
    for (int i = 0; i < 4; ++i) {
        const settings::Rect& r = NaviRect(i);
        const RECT size{0, 0, r.right - r.left, r.bottom - r.top};
        m_btnNavi[i].SetId(IDC_MAIN_NAVI1 + i);
        NewSmallPngButton(L"navi_nr.png", main, m_hwnd, L"navi_nr.png", L"navi_dn.png",
                          m_btnNavi[i], true, tips, Txt(naviText[i]).c_str(), &size, r.left, r.top,
                          r.right, r.bottom);
        m_btnNavi[i].SetFont(m_fontNavi.Get());
    }
    if (!LightingPageShown() && m_btnNavi[3].Hwnd())
        ::ShowWindow(m_btnNavi[3].Hwnd(), SW_HIDE);

    // Apply at ptApply; restore beside it, or in its place without Apply.
    const RECT wide{0, 0, 103, 32};
    const int ax = g_opt.ptApply.x, ay = g_opt.ptApply.y;
    int restoreX = ax;
    if (g_opt.ShowApply != 0) {
        m_btnApply.SetId(IDC_MAIN_APPLY);
        NewSmallPngButton(L"btn_ov.png", main, m_hwnd, L"btn_nr.png", L"btn_ov.png", m_btnApply,
                          false, tips, Txt(u"tc_apply").c_str(), &wide, ax, ay, ax + 103, ay + 32);
        restoreX = ax - 113;
    }
    m_btnRestore.SetId(IDC_MAIN_RESTORE);
    NewSmallPngButton(L"btn_ov.png", main, m_hwnd, L"btn_nr.png", L"btn_ov.png", m_btnRestore,
                      false, tips, Txt(u"tc_restore").c_str(), &wide, restoreX, ay, restoreX + 103,
                      ay + 32);

    const std::wstring proName = Txt(u"tc_msg35");
    for (int i = 0; i < 5; ++i) {
        const settings::Rect& r = ProRect(i);
        const RECT size{0, 0, r.right - r.left, r.bottom - r.top};
        wchar_t caption[64];
        std::swprintf(caption, std::size(caption), L"%ls%d", proName.c_str(), i + 1);
        m_btnPro[i].SetId(IDC_MAIN_PRO1 + i);
        NewSmallPngButton(L"probtn_nr.png", main, m_hwnd, L"probtn_nr.png", L"probtn_dn.png",
                          m_btnPro[i], true, tips, caption, &size, r.left, r.top, r.right,
                          r.bottom);
        if (g_opt.ShowPro == 0 && m_btnPro[i].Hwnd())
            ::ShowWindow(m_btnPro[i].Hwnd(), SW_HIDE);
    }

    // Import, export and the home page are areas of the window's own images.
    if (g_opt.rcImportPro.Width() > 0) {
        m_btnImport.SetId(IDC_MAIN_IMPORT);
        NewPngButtonFromImages(m_hwnd, m_btnImport, ToRect(g_opt.rcImportPro), main, hover, hover,
                               false, tips, Txt(u"tc_msg33").c_str());
    }
    if (g_opt.rcExportPro.Width() > 0) {
        m_btnExport.SetId(IDC_MAIN_EXPORT);
        NewPngButtonFromImages(m_hwnd, m_btnExport, ToRect(g_opt.rcExportPro), main, hover, hover,
                               false, tips, Txt(u"tc_msg32").c_str());
    }
    if (g_opt.rcHomePageBtn.Width() > 0) {
        m_btnHome.SetId(IDC_MAIN_HOME);
        NewPngButtonFromImages(m_hwnd, m_btnHome, ToRect(g_opt.rcHomePageBtn), main, hover, hover,
                               false, false, nullptr);
        m_btnHome.SetTextColours(g_opt.Btn_txt_clr_nr, g_opt.Btn_txt_clr_ov, g_opt.Btn_txt_clr_dn);
    }

    m_pKeyDlg = std::make_unique<CKeyDlg>();
    m_pMacroDlg = std::make_unique<CMacroDlg>();
    m_pAdvDlg = std::make_unique<CAdvDlg>();
    m_pLedDlg = std::make_unique<CLedDlg>();
    m_pKeyDlg->CreatePage(m_hwnd);
    m_pMacroDlg->CreatePage(m_hwnd);
    m_pAdvDlg->CreatePage(m_hwnd);
    m_pLedDlg->CreatePage(m_hwnd);
    if (m_pLedDlg->Hwnd())
        ::ShowWindow(m_pLedDlg->Hwnd(), SW_HIDE);
    ShowPage(1);
    m_pMacroDlg->SetKeyPage(m_pKeyDlg.get());
    return true;
}

void CTarvelDlg::ShowPage(int n) {
    CloseMenus();
    if (m_pMacroDlg && m_pMacroDlg->IsRecording()) {
        CMsgDlg::ShowMessage(u"tc_macro_msg17", MessageOwner());
        return;
    }
    for (CPngBtn& btn : m_btnNavi)
        btn.SetCheck(false);
    for (fw::Dialog* page :
         {static_cast<fw::Dialog*>(m_pKeyDlg.get()), static_cast<fw::Dialog*>(m_pMacroDlg.get()),
          static_cast<fw::Dialog*>(m_pAdvDlg.get()), static_cast<fw::Dialog*>(m_pLedDlg.get())})
        if (page && page->Hwnd())
            ::ShowWindow(page->Hwnd(), SW_HIDE);

    // The button at rcNaviBtn2 opens the DPI page and the one at rcNaviBtn3
    // the macro page.
    fw::Dialog* page = nullptr;
    int button = -1;
    switch (n) {
    case 1:
        page = m_pKeyDlg.get();
        button = 0;
        break;
    case 2:
        page = m_pMacroDlg.get();
        button = 2;
        break;
    case 3:
        page = m_pAdvDlg.get();
        button = 1;
        break;
    case 4:
        if (!LightingPageShown())
            return;
        page = m_pLedDlg.get();
        button = 3;
        break;
    default:
        break;
    }
    if (button >= 0)
        m_btnNavi[button].SetCheck(true);
    if (page && page->Hwnd())
        ::ShowWindow(page->Hwnd(), SW_SHOW);
    m_nCurPage = n;
}

void CTarvelDlg::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT rc;
    ::GetClientRect(m_hwnd, &rc);
    if (::IsIconic(m_hwnd)) {
        const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(paint.Dc(), (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, m_icon.Get());
        return;
    }
    {
        fw::BackBuffer buffer(paint.Dc(), rc.right, rc.bottom);
        fw::Brush background(::CreateSolidBrush(g_opt.clrBkg));
        ::FillRect(buffer.Dc(), &rc, background.Get());
        if (fw::Width(m_imgMain) > 0)
            DrawImage(buffer.Dc(), m_imgMain.get(), 0, 0, rc.right, rc.bottom);
        buffer.CopyTo();
    }
    if (g_opt.ShowPro != 0 || g_opt.rcImportPro.Width() > 0)
        DrawTextIn(paint.Dc(), Txt(u"tc_profile"), ToRect(g_opt.rcProTitle),
                   g_fontApp ? g_fontApp.Get() : m_font.Get(), g_opt.Txt_clr,
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}
