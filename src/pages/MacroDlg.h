#pragma once
// CMacroDlg: the macro page. For now an empty skinned page; the recorder and
// the library tree come with the macro editor.

#include "pages/SkinPage.h"

class CKeyDlg;

class CMacroDlg : public CSkinPage {
public:
    CMacroDlg();

    // True while a macro is being recorded (the main window then sends the
    // keys here and refuses to switch pages).
    bool IsRecording() const { return false; }
    // The keys page, whose key texts change when a macro is renamed.
    void SetKeyPage(CKeyDlg* keyPage) { m_pKeyDlg = keyPage; }

private:
    CKeyDlg* m_pKeyDlg = nullptr;
};
