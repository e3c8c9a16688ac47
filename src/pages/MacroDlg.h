#pragma once
// CMacroDlg: the macro page. For now an empty skinned page; the recorder and
// the library tree come with the macro editor.

#include "pages/SkinPage.h"

class CMacroDlg : public CSkinPage {
public:
    CMacroDlg();

    // True while a macro is being recorded.
    bool IsRecording() const { return false; }
    // While it records, the page may not be left (tc_macro_msg17) and takes
    // every key of the main window.
    const char16_t* LeaveRefusal() const override;
    bool TakeKey(const MSG& msg) override;
};
