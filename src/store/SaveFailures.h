#pragma once
// Saves that fail while the program runs are told to the user, once: a
// failure that starts is told, the same stores failing again are not (every
// Apply, the exit and the session end save them again), and they are told
// anew only after a save of them has worked in between.

#include <mutex>
#include <string>

namespace store {

enum class SaveTarget { ProfileStore, CurrentId, MacroDump, MacroFile };

// The decision alone. The targets fall into two groups, each with its own
// text: the settings (pro.dct, curid.dct) and the macros (mac.dct, .mck).
// While one target of a group is failing, a failure of the others of that
// group is part of the same trouble and not told again.
class SaveFailureReporter {
public:
    // Records the outcome of one save; true when its failure is to be told.
    bool Note(SaveTarget target, bool ok);
    void Reset();

private:
    static constexpr int kTargets = 4;
    std::mutex m_mtx;
    bool m_failing[kTargets] = {};
};

// The product's text for a failed save of `target`.
std::u16string SaveFailureText(SaveTarget target);

// Called by the stores after each write of a file. When notices are on and
// the reporter decides so, the user gets SaveFailureText as a message box.
void NoteSave(SaveTarget target, bool ok);

// The program turns notices on once its window can show a message; tests and
// tools leave them off. Turning them on or off forgets earlier failures.
void SetSaveFailureNotices(bool on);

} // namespace store
