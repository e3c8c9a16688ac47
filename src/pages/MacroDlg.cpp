#include "pages/MacroDlg.h"

CMacroDlg::CMacroDlg() : CSkinPage(L"macro_nr.png") {}

const char16_t* CMacroDlg::LeaveRefusal() const {
    return IsRecording() ? u"tc_macro_msg17" : nullptr;
}

bool CMacroDlg::TakeKey(const MSG&) {
    // The recorder takes every key while it records.
    return IsRecording();
}
