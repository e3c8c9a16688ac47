#include "pages/KeyMarkDlg.h"

#include "controls/DialogTemplates.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "framework/StartupTimeline.h"
#include "model/SensorCatalogue.h"
#include "settings/Settings.h"

#include <algorithm>

namespace {

RECT MarkRect(int k) {
    if (!pSensorCfg)
        return {0, 0, 0, 0};
    const settings::Rect& r = pSensorCfg->rcMark[k];
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace

CKeyMarkDlg::CKeyMarkDlg(Gdiplus::Bitmap* pageBkg, POINT at) : fw::SkinDialog(IDD_PAGE), m_at(at) {
    fw::Image mouse = LoadSkinImage(L"mouse_nr.png");
    if (pageBkg && fw::Width(mouse) > 0)
        m_imgPiece = CropImage(pageBkg, at.x, at.y, fw::Width(mouse), fw::Height(mouse));
    for (size_t k = 0; k < m_marks.size(); ++k)
        m_marks[k].SetId(kIdMark0 + UINT(k));
}

CKeyMarkDlg::~CKeyMarkDlg() = default;

bool CKeyMarkDlg::CreateOn(HWND page) {
    if (fw::Width(LoadSkinImage(L"mouse_nr.png")) == 0)
        return false;
    return Create(page);
}

BOOL CKeyMarkDlg::OnInitDialog() {
    // Each picture is the background piece with the mouse drawn over it, so
    // the mouse's soft edges blend with the page; without a piece, the mouse
    // alone.
    fw::Image mouse = LoadSkinImage(L"mouse_nr.png");
    Gdiplus::Bitmap* piece = fw::Width(m_imgPiece) > 0 ? m_imgPiece.get() : nullptr;
    m_imgNormal = ComposeImage(piece, 0, 0, mouse.get());
    ::SetWindowPos(m_hwnd, nullptr, m_at.x, m_at.y, fw::Width(m_imgNormal), fw::Height(m_imgNormal),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

void CKeyMarkDlg::MakeMarks() {
    if (m_bMarksMade || !m_hwnd)
        return;
    m_bMarksMade = true;
    fw::Image marked = LoadSkinImage(L"mouse_dn.png");
    if (fw::Width(marked) > 0) {
        Gdiplus::Bitmap* piece = fw::Width(m_imgPiece) > 0 ? m_imgPiece.get() : nullptr;
        m_imgMarked = ComposeImage(piece, 0, 0, marked.get(), 0, 0, fw::Width(m_imgNormal),
                                   fw::Height(m_imgNormal));
    }
    m_imgPiece.reset(); // both pictures hold it now
    for (int k = 0; k < int(m_marks.size()); ++k) {
        // Toggle buttons: the marked picture shows while one is selected, and
        // a press shows nothing (clicks here do nothing).
        if (NewPngButtonFromImages(m_hwnd, m_marks[size_t(k)], MarkRect(k), m_imgNormal.get(),
                                   m_imgNormal.get(), m_imgMarked.get(), true, false, nullptr))
            m_rcCut[size_t(k)] = MarkRect(k);
    }
    LayoutMarks();
    fw::StartupStep("keys page marks");
}

void CKeyMarkDlg::LayoutMarks() {
    if (!HasMarkedPicture() || !m_bMarksMade)
        return;
    const int keys = pSensorCfg ? std::clamp(pSensorCfg->nKeys, 0, 16) : 0;
    for (int k = 0; k < int(m_marks.size()); ++k) {
        CPngBtn& mark = m_marks[size_t(k)];
        if (!mark.Hwnd())
            continue;
        const RECT rc = MarkRect(k);
        const bool shown = rc.right > rc.left && k < keys;
        const RECT& cut = m_rcCut[size_t(k)];
        const bool moved = rc.left != cut.left || rc.top != cut.top || rc.right != cut.right ||
                           rc.bottom != cut.bottom;
        if (shown && moved) {
            // A new sensor may place the mark elsewhere: its pieces of the
            // pictures are cut again.
            m_rcCut[size_t(k)] = rc;
            ::SetWindowPos(mark.Hwnd(), nullptr, rc.left, rc.top, rc.right - rc.left,
                           rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
            mark.SetImages(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           m_imgNormal.get(), m_imgNormal.get(), m_imgMarked.get());
        }
        ::ShowWindow(mark.Hwnd(), shown ? SW_SHOWNA : SW_HIDE);
    }
}

void CKeyMarkDlg::MarkKey(int index) {
    MakeMarks();
    if (!HasMarkedPicture())
        return;
    for (int k = 0; k < int(m_marks.size()); ++k)
        m_marks[size_t(k)].SetCheck(k == index);
}

void CKeyMarkDlg::ClearMarks() {
    for (CPngBtn& mark : m_marks)
        mark.SetCheck(false);
}

int CKeyMarkDlg::Marked() const {
    for (int k = 0; k < int(m_marks.size()); ++k)
        if (m_marks[size_t(k)].GetCheck())
            return k;
    return -1;
}

bool CKeyMarkDlg::OnCommand(WPARAM, LPARAM) {
    return true; // a click on a mark means nothing
}

void CKeyMarkDlg::Paint(HDC dc, const RECT& rc) {
    if (fw::Width(m_imgNormal) > 0)
        DrawImage(dc, m_imgNormal.get(), 0, 0, rc.right, rc.bottom);
}
