#include "pages/MacroPick.h"

#include "pages/PickMacroDlg.h"

std::optional<uint32_t> PickMacroForKey(HWND owner) {
    CPickMacroDlg picker;
    if (picker.DoModal(owner) != IDOK || picker.m_dwMacroID == 0)
        return std::nullopt;
    return picker.m_dwMacroID;
}
