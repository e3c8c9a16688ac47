#include "pages/SkinPage.h"

#include "controls/DialogTemplates.h"
#include "controls/MenuLibrary.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWarning.h"
#include "settings/Settings.h"
#include "store/ProfileStore.h"

using settings::g_opt;

namespace {
// A page not shown yet lets its background go this long after its last use:
// start-up lays the pages out more than once, and cutting the background
// again each time would cost more than holding it meanwhile.
constexpr UINT_PTR kReleaseTimer = 0x5242; // "RB"
constexpr UINT kReleaseAfterMs = 3000;

fw::Image CutBackground(const std::wstring& skin) {
    const settings::Rect& rc = g_opt.rcSubDlg;
    fw::SharedImage full = LoadSharedSkinImage(skin);
    return CropImage(full.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}
} // namespace

CSkinPage::CSkinPage(const wchar_t* skinName) : fw::SkinDialog(IDD_PAGE), m_strSkin(skinName) {}

bool CSkinPage::CreatePage(HWND parent, PageHost* host) {
    m_pHost = host;
    if (!Create(parent))
        return false;
    const settings::Rect& rc = g_opt.rcSubDlg;
    ::SetWindowPos(m_hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

BOOL CSkinPage::OnInitDialog() {
    m_imgBkg = CutBackground(m_strSkin);
    m_bHasBkg = fw::Width(m_imgBkg) > 0;
    // Without it the page shows the plain background colour; the user hears
    // why.
    if (!m_bHasBkg)
        ReportMissingSkin(L"CSkinPage", m_strSkin.c_str());
    Background(); // a page not shown yet lets it go when its controls are made
    m_fontTitle = MakeFont(18, FW_BOLD);
    if (!g_fontApp)
        m_fontText = MakeFont(15, FW_NORMAL);
    return TRUE;
}

Gdiplus::Bitmap* CSkinPage::Background() const {
    if (!m_bHasBkg)
        return nullptr;
    if (!m_imgBkg)
        m_imgBkg = CutBackground(m_strSkin);
    if (!m_bShown && m_hwnd)
        ::SetTimer(m_hwnd, kReleaseTimer, kReleaseAfterMs, nullptr);
    return m_imgBkg.get();
}

void CSkinPage::ShowCurrentProfile() {
    ProfileRecord copy{};
    if (CopyCurrentProfile(copy))
        ShowProfile(copy);
}

bool CSkinPage::CopyCurrentProfile(ProfileRecord& out) {
    auto lock = g_ProfileList.Lock();
    const ProfileRecord* p = g_pCurProfile.load();
    if (!p)
        return false;
    out = *p;
    return true;
}

bool CSkinPage::EditCurrentProfile(const std::function<void(ProfileRecord&)>& edit) {
    auto lock = g_ProfileList.Lock();
    ProfileRecord* p = g_pCurProfile.load();
    if (!p)
        return false;
    ProfileRecord copy = *p; // the edit never works on the list's own record
    edit(copy);
    *p = copy;
    return true;
}

bool CSkinPage::StoreEdit(const std::function<void(ProfileRecord&)>& edit) {
    if (!EditCurrentProfile(edit))
        return false;
    if (m_pHost)
        m_pHost->ProfileEdited();
    return true;
}

POINT CSkinPage::FromWindow(int x, int y) {
    return POINT{x - g_opt.rcSubDlg.left, y - g_opt.rcSubDlg.top};
}

HFONT CSkinPage::TextFont() const {
    return AppFontOr(m_fontText.Get());
}

void CSkinPage::Redraw() {
    if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CSkinPage::Paint(HDC dc, const RECT& rc) {
    fw::Brush background(::CreateSolidBrush(g_opt.clrBkg));
    ::FillRect(dc, &rc, background.Get());
    if (HasBackground())
        DrawImage(dc, Background(), 0, 0);
    DrawContent(dc);
}

bool CSkinPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SHOWWINDOW && wParam)
        m_bShown = true;
    if (msg == WM_TIMER && wParam == kReleaseTimer) {
        ::KillTimer(m_hwnd, kReleaseTimer);
        if (!m_bShown) {
            m_imgBkg.reset();
            OnBackgroundReleased();
        }
        result = 0;
        return true;
    }
    if (msg != WM_LBUTTONDOWN)
        return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
    result = 0;
    if (OnPagePressed(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))}))
        return true;
    // Anywhere else the page is part of the window's caption: the main window
    // moves as a press on its caption would move it, from the pressed point.
    CloseMenus();
    const DWORD pos = ::GetMessagePos();
    ::ReleaseCapture();
    ::PostMessageW(::GetAncestor(m_hwnd, GA_ROOT), WM_NCLBUTTONDOWN, HTCAPTION, LPARAM(pos));
    return true;
}
