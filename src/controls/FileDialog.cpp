#include "controls/FileDialog.h"

#include <commdlg.h>

bool AskFilePath(HWND owner, wchar_t* path, bool save, const wchar_t* filter,
                 const wchar_t* defaultExt) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = defaultExt;
    // The program's own folder stays its current folder whatever is chosen.
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    return save ? ::GetSaveFileNameW(&ofn) != FALSE : ::GetOpenFileNameW(&ofn) != FALSE;
}
