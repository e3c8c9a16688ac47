#include "pages/PickMacroDlg.h"

#include "controls/DialogTemplates.h"
#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "pages/MacroLibraryTree.h"
#include "pages/MsgDlg.h"
#include "pages/PopupFrame.h"
#include "settings/Log.h"
#include "settings/Settings.h"

using settings::g_opt;
using settings::WriteLog;

namespace {
// The list's well in msg2_nr.png, and the tree inside it.
constexpr int kWellLeft = 16, kWellTop = 52, kWellBottomMargin = 68;
constexpr int kTreeInset = 4;
} // namespace

CPickMacroDlg::CPickMacroDlg() : fw::SkinDialog(IDD_POPUP) {
    SetDragByBackground(true);
}

CPickMacroDlg::~CPickMacroDlg() = default;

RECT CPickMacroDlg::TreeRect() const {
    const int w = fw::Width(m_imgBkg), h = fw::Height(m_imgBkg);
    return {kWellLeft + kTreeInset, kWellTop + kTreeInset, w - kWellLeft - kTreeInset,
            h - kWellBottomMargin - kTreeInset};
}

BOOL CPickMacroDlg::OnInitDialog() {
    // Without its background the dialog ends as cancelled: no key changes.
    if (!popup::SetUpFrame(*this, L"CPickMacroDlg", L"msg2_nr.png", Txt(u"tc_macro_list"),
                           {m_imgBkg, m_fontText, m_btnClose, m_btnOk, m_btnCancel}))
        return TRUE;

    TreeCtrlArgs tree;
    tree.parent = m_hwnd;
    tree.id = kIdTree;
    tree.rect = TreeRect();
    tree.parentBkg = m_imgBkg.get();
    tree.transparent = true;
    tree.text = g_opt.LstBox_txt_clr_nr;
    tree.textSelected = g_opt.LstBox_txt_clr_dn;
    tree.background = g_opt.LstBox_bkg_clr;
    tree.selected = g_opt.LstBox_item_clr;
    tree.frame = g_opt.clrMacFrame;
    tree.font = AppFontOr(m_fontText.Get());
    if (!m_tree.Create(tree)) {
        WriteLog("CPickMacroDlg: the tree was not created");
        CloseUnshown(IDCANCEL);
        return TRUE;
    }
    m_tree.SetFolderIcons(LoadSkinImage(L"close.png"), LoadSkinImage(L"open.png"));
    ReadMacroLibraryTree(m_tree);
    WriteLog("CPickMacroDlg: %d items", m_tree.Count());
    return TRUE;
}

void CPickMacroDlg::OnOK() {
    const MacroTree::Item item = m_tree.Selected();
    if (!item || m_tree.IsFolder(item)) {
        CMsgDlg::ShowMessageText(Txt(u"tc_macro_msg1"), m_hwnd, L"Tips");
        return;
    }
    m_dwMacroID = m_tree.ItemMacroId(item) & 0xFFFFFF;
    WriteLog("CPickMacroDlg: macro 0x%x chosen", unsigned(m_dwMacroID));
    fw::Dialog::OnOK();
}

bool CPickMacroDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_TREE_LCLICK || msg == WM_TREE_RCLICK) {
        result = 0;
        return true;
    }
    if (msg == WM_TREE_DBLCLK) {
        // A double click on a macro chooses it, as selecting it and pressing
        // OK would; on a folder it only opens or closes the folder.
        const auto item = reinterpret_cast<MacroTree::Item>(lParam);
        if (item && m_tree.Contains(item) && !m_tree.IsFolder(item))
            OnOK();
        result = 0;
        return true;
    }
    return fw::SkinDialog::OnMessage(msg, wParam, lParam, result);
}

void CPickMacroDlg::Paint(HDC dc, const RECT& rc) {
    DrawImage(dc, m_imgBkg.get(), 0, 0, rc.right, rc.bottom);
    popup::DrawTitle(dc, Txt(u"tc_macro_list"), rc.right, AppFontOr(m_fontText.Get()));
}
