#include "controls/SliderScale.h"

#include "platform/MessageBox.h"
#include "settings/Log.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Places start, start + step, ... in single precision, each cut to whole
// pixels, as the product's layouts were measured with.
std::vector<int> Places(float start, float span, int count) {
    const float step = count > 1 ? span / float(count - 1) : 0.0f;
    if (count < 1 || count > kSliderMaxEntries || (count > 1 && !(step > 0.0f))) {
        settings::WriteLog("ComputeScale: %d places do not fit", count);
        platform::ShowMessageBox(u"Scale num too much", u"Warning");
        return {};
    }
    std::vector<int> places;
    places.reserve(size_t(count));
    float place = start;
    for (int i = 0; i < count; ++i) {
        places.push_back(int(place));
        place += step;
    }
    return places;
}

} // namespace

std::vector<int> ComputeScale(int trackWidth, int count) {
    return Places(10.0f, float(trackWidth - 20), count);
}

std::vector<int> ComputeScaleEx(int thumbWidth, int count) {
    return Places(float(thumbWidth / 2), float(kSliderTrackWidth - thumbWidth), count);
}

void SliderPositions::SetRange(int minimum, int maximum) {
    if (maximum < minimum)
        std::swap(minimum, maximum);
    m_nMin = minimum;
    m_nMax = maximum;
    if (m_nPos < m_nMin || m_nPos > m_nMax)
        m_nPos = m_nMin;
}

void SliderPositions::SetValues(const uint32_t* values, int count) {
    count = std::clamp(count, 0, kSliderMaxEntries);
    m_values.assign(values, values + (values ? count : 0));
}

bool SliderPositions::SetScale(const int* places, int count) {
    const int stored = std::clamp(count, 0, kSliderMaxEntries);
    m_scale.assign(places, places + (places ? stored : 0));
    return count == Count();
}

uint32_t SliderPositions::ValueAt(int position) const {
    if (m_values.empty())
        return uint32_t(position);
    const int index = position - m_nMin;
    if (index < 0 || index >= int(m_values.size()))
        return 0;
    return m_values[size_t(index)];
}

std::optional<int> SliderPositions::PositionOf(uint32_t value) const {
    if (m_values.empty())
        return int(value);
    const auto it = std::find(m_values.begin(), m_values.end(), value);
    if (it == m_values.end())
        return std::nullopt;
    return m_nMin + int(it - m_values.begin());
}

void SliderPositions::SetPosition(int position) {
    m_nPos = position < m_nMin || position > m_nMax ? m_nMin : position;
}

bool SliderPositions::SetValue(uint32_t value) {
    const std::optional<int> position = PositionOf(value);
    if (!position)
        return false;
    SetPosition(*position);
    return true;
}

bool SliderPositions::IsTopValue(uint32_t value) const {
    if (m_values.empty())
        return int64_t(value) == m_nMax;
    return value == m_values.back();
}

int SliderPositions::PlaceOf(int position, int barLength) const {
    const int index = position - m_nMin;
    if (index >= 0 && index < int(m_scale.size()))
        return m_scale[size_t(index)];
    if (m_nMax == m_nMin)
        return 0;
    return barLength / (m_nMax - m_nMin) * index;
}

int SliderPositions::PositionUnder(int pixel, int barLength) const {
    int position = m_nMin;
    if (!m_scale.empty()) {
        int best = 0;
        for (int i = 1; i < int(m_scale.size()); ++i)
            if (std::abs(m_scale[size_t(i)] - pixel) <= std::abs(m_scale[size_t(best)] - pixel))
                best = i;
        position = m_nMin + best;
    } else if (m_nMax > m_nMin && barLength > 0) {
        const int span = m_nMax - m_nMin;
        const int step = barLength / span;
        const int f = int(int64_t(span) * pixel / barLength);
        position = m_nMin + f;
        // The next step's start is strictly nearer: take it.
        if (pixel - f * step > (f + 1) * step - pixel)
            ++position;
    }
    return std::clamp(position, m_nMin, m_nMax);
}
