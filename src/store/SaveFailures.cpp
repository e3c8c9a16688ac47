#include "store/SaveFailures.h"

#include "settings/TextTable.h"
#include "store/StoreMessage.h"

#include <atomic>

namespace store {
namespace {

bool IsMacroTarget(SaveTarget target) {
    return target == SaveTarget::MacroDump || target == SaveTarget::MacroFile;
}

SaveFailureReporter g_reporter;
std::atomic<bool> g_noticesOn{false};

} // namespace

bool SaveFailureReporter::Note(SaveTarget target, bool ok) {
    std::lock_guard lock(m_mtx);
    const int index = int(target);
    if (ok) {
        m_failing[index] = false;
        return false;
    }
    bool groupFailing = false;
    for (int t = 0; t < kTargets; ++t)
        if (IsMacroTarget(SaveTarget(t)) == IsMacroTarget(target))
            groupFailing = groupFailing || m_failing[t];
    m_failing[index] = true;
    return !groupFailing;
}

void SaveFailureReporter::Reset() {
    std::lock_guard lock(m_mtx);
    for (bool& f : m_failing)
        f = false;
}

std::u16string SaveFailureText(SaveTarget target) {
    const char16_t* key = IsMacroTarget(target) ? u"tc_macro_msg21" : u"tc_msg3";
    const std::u16string& text = settings::Text(key);
    if (!text.empty())
        return text;
    return IsMacroTarget(target) ? u"The macro could not be saved."
                                 : u"The settings could not be saved.";
}

void NoteSave(SaveTarget target, bool ok) {
    if (!g_noticesOn.load())
        return;
    // Shown outside the reporter's lock: on the window thread the message
    // runs a modal loop in which other saves may happen.
    if (g_reporter.Note(target, ok))
        ShowStoreMessage(SaveFailureText(target));
}

void SetSaveFailureNotices(bool on) {
    g_reporter.Reset();
    g_noticesOn = on;
}

} // namespace store
