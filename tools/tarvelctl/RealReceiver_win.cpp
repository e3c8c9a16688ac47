// The real receiver on Windows: Vantor.dll from tarvelctl.exe's own folder,
// loaded and used as the program does.

#include "DeviceLink.h"

#include "device/win32/VantorLibrary.h"
#include "platform/Text.h"
#include "settings/AppIdentity.h"

#include <windows.h>

std::unique_ptr<HidLibrary> MakeRealLibrary(const Options&) {
    return std::make_unique<VantorLibrary>();
}

// The program holds its single-instance mutex while it runs and talks to the
// receiver all that time (its notification reader, the battery level).
void RefuseBesideTheProgram(const Options&) {
    const std::u16string mutexName = settings::SingleInstanceMutexName();
    HANDLE mutex =
        OpenMutexW(SYNCHRONIZE, FALSE, reinterpret_cast<const wchar_t*>(mutexName.c_str()));
    const std::u16string title = settings::AppTitle();
    HWND window = FindWindowW(nullptr, reinterpret_cast<const wchar_t*>(title.c_str()));
    if (mutex)
        CloseHandle(mutex);
    if (!mutex)
        return;
    std::string where = "its single-instance mutex exists";
    if (window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        where = "its window \"" + text::ToUtf8(title) + "\" is open, process " +
                std::to_string(process);
    }
    throw CommandError(text::ToUtf8(title) + " is running (" + where +
                       ") and talks to the receiver; two programs sending commands at once would "
                       "take each other's answers. Exit it (Exit in its menu or tray menu) and "
                       "run this again.");
}

void RefuseIfHeld(HidLibrary&) {}

std::string NoReceiverHint() {
    return "is it plugged in? \"search\" lists each interface looked at and why it was passed "
           "over";
}

std::string LibraryLoadFailure() {
    return "Vantor.dll cannot be loaded from " +
           text::ToUtf8(reinterpret_cast<const char16_t*>(VantorLibrary::ExeFolder().c_str())) +
           ": it belongs beside tarvelctl.exe";
}
