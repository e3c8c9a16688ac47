#pragma once
// One rule for every page: a stored value a control cannot show is kept until
// the user moves that control.
//
// A control shows a stored value when it offers it, else the value it offers
// nearest to it. The stored value itself is kept: every commit of the page
// stores it again unchanged, so a value from the mouse, a profile file or an
// older version is never rewritten just because the page was shown. Once the
// user moves the control, what the control shows is the value.

#include <cstdint>
#include <optional>
#include <span>

// The value of `values` nearest to `value`, the earlier one on equal
// distance; 0 when `values` is empty.
uint32_t NearestValue(std::span<const uint32_t> values, int64_t value);

class KeptValue {
public:
    // What a control offering `values` shows for `stored`. When the control
    // cannot show `stored` (or offers nothing, as a control that could not be
    // made), `stored` is kept.
    uint32_t Show(std::span<const uint32_t> values, int32_t stored);
    // The user moved the control: from now on what it shows is stored.
    void Moved() { m_kept.reset(); }
    // Takes over another control's kept value (a thumb linked to another).
    void Follow(const KeptValue& other) { m_kept = other.m_kept; }

    // What a commit stores for the control showing `shown`.
    int32_t Store(uint32_t shown) const { return m_kept ? *m_kept : int32_t(shown); }
    bool IsKept() const { return m_kept.has_value(); }

private:
    std::optional<int32_t> m_kept;
};
