// Changes the mouse does not have yet. With ApplyNow off every change waits
// for Apply; until then the profile's button and the Apply button carry a
// mark, and ending the program asks whether to apply them first (the mouse's
// own profile is read from the mouse again at the next start, so what was not
// applied would be gone).

#include "app/MainDlg.h"

#include "controls/SkinAssets.h"
#include "pages/MsgDlg.h"
#include "settings/Log.h"
#include "settings/Settings.h"

using settings::g_opt;
using settings::WriteLog;

namespace {
constexpr wchar_t kPendingMark[] = L" *";
} // namespace

void CTarvelDlg::ProfileEdited() {
    if (g_opt.ApplyNow == 0)
        SetPending(m_nCurProfile, true);
}

void CTarvelDlg::SetPending(int index, bool pending) {
    if (index < 0 || index >= int(m_bPending.size()) || m_bPending[size_t(index)] == pending)
        return;
    m_bPending[size_t(index)] = pending;
    WriteLog("Pending changes: profile %d %s", index + 1, pending ? "changed" : "applied");
    RefreshProfileCaptions();
}

bool CTarvelDlg::CurrentPending() const {
    return m_nCurProfile >= 0 && m_nCurProfile < int(m_bPending.size()) &&
           m_bPending[size_t(m_nCurProfile)];
}

std::wstring CTarvelDlg::WithPendingMark(const std::wstring& caption, int index) const {
    const bool marked = index >= 0 && index < int(m_bPending.size()) && m_bPending[size_t(index)];
    return marked ? caption + kPendingMark : caption;
}

bool CTarvelDlg::MayEnd() {
    if (!CurrentPending())
        return true;
    switch (CMsgDlg::AskChoice(Txt(u"tc_pending_close"), MessageOwner())) {
    case IDYES:
        OnApply();
        return !CurrentPending();
    case IDNO:
        return true;
    default:
        return false;
    }
}
