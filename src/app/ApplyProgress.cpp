#include "app/ApplyProgress.h"

#include "app/AppGlobals.h"
#include "pages/ProgressDlg.h"

void RunApplyProgress(HWND owner) {
    // The worker finds the dialog by its title, moves it and closes it.
    CProgressDlg progress;
    progress.SetImages(SkinPath(L"progress_nr.png"), SkinPath(L"progress_ov.png"));
    progress.SetText(Txt(u"tc_msg12"), RECT{15, 12, 455, 32});
    progress.m_nMin = 0;
    progress.m_nMax = 100;
    progress.m_nFillStart = 45;
    progress.m_nFillEnd = 486;
    progress.DoModal(owner);
}
