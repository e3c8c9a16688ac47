#include "controls/SkinWarning.h"

#include "controls/SkinAssets.h"
#include "controls/SkinFactory.h"
#include "platform/MessageBox.h"
#include "settings/Log.h"

#include <cwctype>
#include <mutex>
#include <set>

namespace {

std::mutex g_mtxWarned; // guards g_warned and g_systemBox
std::set<std::wstring> g_warned;
SystemBoxFn g_systemBox;
thread_local int t_toSystemBox = 0;

constexpr char16_t kCaption[] = u"Warrning";

// True the first time `name` is reported. Names are compared without case, as
// the file system finds them.
bool FirstReport(const wchar_t* name) {
    std::wstring key = name ? name : L"";
    for (wchar_t& c : key)
        c = wchar_t(::towlower(c));
    std::lock_guard lock(g_mtxWarned);
    return g_warned.insert(key).second;
}

void Report(const wchar_t* who, const wchar_t* name, bool systemBox) {
    const std::u16string text = U(MissingSkinMessage(who, name));
    settings::WriteLog("%s", settings::LogText(text).c_str());
    // A second report of the same image would only repeat itself (and the
    // message dialog, built from the same images, would report it again).
    if (!FirstReport(name))
        return;
    if (systemBox || t_toSystemBox > 0)
        ShowSystemBox(text, kCaption);
    else
        platform::ShowMessageBox(text, kCaption);
}

} // namespace

void ReportMissingSkin(const wchar_t* who, const wchar_t* name) {
    Report(who, name, false);
}

void ReportMissingSkinToSystemBox(const wchar_t* who, const wchar_t* name) {
    Report(who, name, true);
}

SkinWarningsToSystemBox::SkinWarningsToSystemBox() {
    ++t_toSystemBox;
}

SkinWarningsToSystemBox::~SkinWarningsToSystemBox() {
    --t_toSystemBox;
}

void ShowSystemBox(const std::u16string& text, const std::u16string& caption) {
    SystemBoxFn fn;
    {
        std::lock_guard lock(g_mtxWarned);
        fn = g_systemBox;
    }
    if (fn)
        fn(text, caption);
    else
        platform::SystemMessageBox(text, caption);
}

void SetSystemBox(SystemBoxFn fn) {
    std::lock_guard lock(g_mtxWarned);
    g_systemBox = std::move(fn);
}

void ResetSkinWarnings() {
    std::lock_guard lock(g_mtxWarned);
    g_warned.clear();
}
