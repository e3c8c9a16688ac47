#include "pages/MacroPick.h"

#include "settings/Log.h"

std::optional<uint32_t> PickMacroForKey(HWND) {
    // The macro picker (CPickMacroDlg, with the macro page's library tree)
    // comes with the macro page; until then no macro can be chosen here.
    settings::WriteLog("PickMacroForKey: no macro picker yet, nothing chosen");
    return std::nullopt;
}
