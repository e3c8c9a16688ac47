#pragma once
// CKeyMarkDlg: a child of the keys page showing a picture of the mouse on
// which the button whose key button the cursor is over is marked. The
// picture is mouse_nr.png over the page's background; a mark shows the same
// place of mouse_dn.png. Clicks on it do nothing.
//
// Unmarked, a mark looks like the picture under it, so the window's first
// paint needs only the picture: the marked picture and the marks are made
// later (MakeMarks), at the latest when a key is first marked.

#include "controls/PngBtn.h"
#include "framework/GdiPlus.h"
#include "framework/SkinDialog.h"

#include <array>

class CKeyMarkDlg : public fw::SkinDialog {
public:
    static constexpr UINT kIdMark0 = 200; // mark buttons 200..215

    // `pageBkg`: the page's background in page coordinates (may be null),
    // `at`: where the picture sits on the page.
    CKeyMarkDlg(Gdiplus::Bitmap* pageBkg, POINT at);
    ~CKeyMarkDlg() override;

    // Creates the dialog on `page` with its pictures and marks; false when
    // mouse_nr.png is missing (then the page has no picture).
    bool CreateOn(HWND page);

    // Composes the marked picture and makes the marks, laid out for the
    // active sensor; once (later calls do nothing).
    void MakeMarks();
    // Removes every mark, then marks `index` (0..15; others mark nothing).
    // Nothing without the marked picture.
    void MarkKey(int index);
    void ClearMarks();
    // Shows mark k at the active sensor's rectangle k when it has a width and
    // k is below the sensor's key count; hides it otherwise. Nothing without
    // the marked picture, nor before the marks are made.
    void LayoutMarks();

    // The mark shown, -1 for none.
    int Marked() const;
    bool HasMarkedPicture() const { return fw::Width(m_imgMarked) > 0; }
    // Mark `index`, made first if need be.
    CPngBtn& Mark(int index) {
        MakeMarks();
        return m_marks[size_t(index)];
    }

    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    // The page's background under the picture, until both pictures are
    // composed.
    fw::Image m_imgPiece;
    POINT m_at;
    fw::Image m_imgNormal, m_imgMarked;
    std::array<CPngBtn, 16> m_marks;
    bool m_bMarksMade = false;
    // Where each mark's pieces of the pictures were cut: laid out again at
    // the same place (start-up lays the page out more than once), a mark
    // keeps them.
    std::array<RECT, 16> m_rcCut{};
};
