#pragma once
// How a missing skin image reaches the user. The usual way is the program's
// message box (the skinned message dialog once the main window exists). That
// dialog is built from skin images itself, so a warning raised while it builds
// itself, or one it cannot show, goes to the system's own message box instead.
// Each missing image is warned about once per run; every report is logged.

#include <functional>
#include <string>

// Reports "<who>. file <name> not exist" with the caption "Warrning".
void ReportMissingSkin(const wchar_t* who, const wchar_t* name);

// Like ReportMissingSkin, but always through the system's message box: for the
// message dialog's own background, without which it cannot show anything.
void ReportMissingSkinToSystemBox(const wchar_t* who, const wchar_t* name);

// While one lives on this thread, missing-image warnings go to the system's
// message box (the message dialog holds one while it creates its buttons).
class SkinWarningsToSystemBox {
public:
    SkinWarningsToSystemBox();
    ~SkinWarningsToSystemBox();
    SkinWarningsToSystemBox(const SkinWarningsToSystemBox&) = delete;
    SkinWarningsToSystemBox& operator=(const SkinWarningsToSystemBox&) = delete;
};

// The system's message box without owner, as the skin's last resort.
void ShowSystemBox(const std::u16string& text, const std::u16string& caption);

// Tests: record what would go to the system's message box (empty restores it),
// and forget which images were already warned about.
using SystemBoxFn = std::function<void(const std::u16string& text, const std::u16string& caption)>;
void SetSystemBox(SystemBoxFn fn);
void ResetSkinWarnings();
