#pragma once
// CPickMacroDlg: the macro picker of the function picker. It shows the macro
// library as the macro page does (folders from disk, only the macros of the
// library list, so a macro the library skipped can never reach the mouse)
// and ends with the chosen macro's id.

#include "controls/PngBtn.h"
#include "controls/TreeCtrlEx.h"
#include "framework/GdiPlus.h"
#include "framework/Handles.h"
#include "framework/SkinDialog.h"

#include <cstdint>

class CPickMacroDlg : public fw::SkinDialog {
public:
    static constexpr UINT kIdTree = 261;

    CPickMacroDlg();
    ~CPickMacroDlg() override;

    // Read after DoModal returned IDOK: the chosen macro's id (24 bits).
    uint32_t m_dwMacroID = 0;

    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;

    // The tree, for tests that drive the dialog.
    const CTreeCtrlEx& Tree() const { return m_tree; }

protected:
    void Paint(HDC dc, const RECT& rc) override;

private:
    RECT TreeRect() const;

    fw::Image m_imgBkg;
    CPngBtn m_btnClose{IDCANCEL};
    CPngBtn m_btnOk{IDOK};
    CPngBtn m_btnCancel{IDCANCEL};
    CTreeCtrlEx m_tree;
    fw::Font m_fontText; // 14-pixel, when there is no application font
};
