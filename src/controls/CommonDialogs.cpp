#include "controls/CommonDialogs.h"

#include "settings/Log.h"

namespace {

// The entry point `name` of comdlg32.dll, loaded once and kept for the run.
FARPROC Entry(const char* name) {
    static HMODULE library = [] {
        HMODULE module = ::LoadLibraryW(L"comdlg32.dll");
        if (!module)
            settings::WriteLog("comdlg32.dll not loaded, error %lu", ::GetLastError());
        return module;
    }();
    return library ? ::GetProcAddress(library, name) : nullptr;
}

template <class Fn> Fn* EntryAs(const char* name) {
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(Entry(name)));
}

} // namespace

BOOL OpenFileDialog(OPENFILENAMEW& ofn) {
    auto* fn = EntryAs<BOOL WINAPI(OPENFILENAMEW*)>("GetOpenFileNameW");
    return fn ? fn(&ofn) : FALSE;
}

BOOL SaveFileDialog(OPENFILENAMEW& ofn) {
    auto* fn = EntryAs<BOOL WINAPI(OPENFILENAMEW*)>("GetSaveFileNameW");
    return fn ? fn(&ofn) : FALSE;
}

BOOL ColourDialog(CHOOSECOLORW& cc) {
    auto* fn = EntryAs<BOOL WINAPI(CHOOSECOLORW*)>("ChooseColorW");
    return fn ? fn(&cc) : FALSE;
}

DWORD CommonDialogError() {
    auto* fn = EntryAs<DWORD WINAPI()>("CommDlgExtendedError");
    return fn ? fn() : 0;
}
