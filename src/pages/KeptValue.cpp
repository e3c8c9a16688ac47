#include "pages/KeptValue.h"

#include <algorithm>
#include <cstdlib>

uint32_t NearestValue(std::span<const uint32_t> values, int64_t value) {
    if (values.empty())
        return 0;
    uint32_t best = values[0];
    for (uint32_t v : values)
        if (std::llabs(int64_t(v) - value) < std::llabs(int64_t(best) - value))
            best = v;
    return best;
}

uint32_t KeptValue::Show(std::span<const uint32_t> values, int32_t stored) {
    const bool offered =
        stored >= 0 && std::find(values.begin(), values.end(), uint32_t(stored)) != values.end();
    if (offered) {
        m_kept.reset();
        return uint32_t(stored);
    }
    m_kept = stored;
    return NearestValue(values, stored);
}
