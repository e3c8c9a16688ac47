#include "controls/CommonControls.h"

#include "settings/Log.h"

#include <windows.h>

#include <commctrl.h>

bool LoadCommonControls() {
    static const bool loaded = [] {
        // Loaded through the program's manifest, so this is version 6, as an
        // import would be; it stays loaded while the program runs.
        HMODULE module = ::LoadLibraryW(L"comctl32.dll");
        if (!module) {
            settings::WriteLog("LoadCommonControls: comctl32 not loaded, error %lu",
                               ::GetLastError());
            return false;
        }
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const auto init = reinterpret_cast<InitFn>(
            reinterpret_cast<void*>(::GetProcAddress(module, "InitCommonControlsEx")));
        const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        if (!init || !init(&icc)) {
            settings::WriteLog("LoadCommonControls: InitCommonControlsEx failed");
            return false;
        }
        return true;
    }();
    return loaded;
}
