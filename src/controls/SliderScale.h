#pragma once
// The arithmetic of the skinned sliders, apart from any window: which
// positions a slider has, the value of each, where each sits on the bar, and
// which position lies under a pixel. The slider windows (PngSlider.h,
// PngHSliderEx.h) keep one SliderPositions per thumb and only move windows.

#include <cstdint>
#include <optional>
#include <vector>

// A slider's value table and scale hold at most this many entries.
constexpr int kSliderMaxEntries = 300;
// Width of the product's slider tracks, which the two-thumb scale assumes.
constexpr int kSliderTrackWidth = 315;

// Places of `count` positions on a track `trackWidth` wide: the first at 10,
// then steps of (trackWidth - 20) / (count - 1). Empty after the warning
// "Scale num too much" when the step would not be positive or the count does
// not fit a scale.
std::vector<int> ComputeScale(int trackWidth, int count);
// The same for the two-thumb slider: the first place at thumbWidth / 2 and
// steps of (315 - thumbWidth) / (count - 1).
std::vector<int> ComputeScaleEx(int thumbWidth, int count);

// The positions of one thumb: range, value table, scale and the current one.
class SliderPositions {
public:
    // An inverted range is taken the right way round. The current position
    // is kept when it still lies inside, else it becomes the minimum.
    void SetRange(int minimum, int maximum);
    int Min() const { return m_nMin; }
    int Max() const { return m_nMax; }
    int Count() const { return m_nMax - m_nMin + 1; }

    // Copies at most kSliderMaxEntries values; value i belongs to position
    // minimum + i. An empty table makes each position its own value.
    void SetValues(const uint32_t* values, int count);
    const std::vector<uint32_t>& Values() const { return m_values; }

    // Copies at most kSliderMaxEntries places. False when the number of
    // places does not match the range (the places are stored anyway).
    bool SetScale(const int* places, int count);
    const std::vector<int>& Scale() const { return m_scale; }

    // The value of a position: its table entry (0 when it lies outside the
    // table), or the position itself without a table.
    uint32_t ValueAt(int position) const;
    uint32_t Value() const { return ValueAt(m_nPos); }
    int Position() const { return m_nPos; }

    // The position that shows `value`: the first table entry equal to it, or
    // the value itself without a table. None when the table lacks it.
    std::optional<int> PositionOf(uint32_t value) const;
    // Moves to a position; one outside the range becomes the minimum.
    void SetPosition(int position);
    // Moves to the position of `value`; false (and no move) when the table
    // does not hold it.
    bool SetValue(uint32_t value);
    // The last value of the table, or the maximum without a table.
    bool IsTopValue(uint32_t value) const;

    // The pixel on a bar `barLength` wide where a position's thumb centre
    // sits: its scale place, or an even share of the bar without one.
    int PlaceOf(int position, int barLength) const;
    // The position under a pixel, clamped to the range: the nearest scale
    // place (the later one on equal distance), or without a scale the nearer
    // of the two steps around the pixel (the earlier one on equal distance).
    int PositionUnder(int pixel, int barLength) const;

private:
    int m_nMin = 1, m_nMax = 1, m_nPos = 1;
    std::vector<uint32_t> m_values;
    std::vector<int> m_scale;
};
