#pragma once

#include <algorithm>

// The ranges of the [Option] values. The dialog's track bars span them, and values read from
// the settings file are clamped to them, so a hand-edited or damaged file cannot hand the
// engine a speed range that is upside down or reaches -100 % (a standstill).
namespace OptionRanges {

struct Range {
    int min;
    int max;
    constexpr int clamp(int value) const { return std::clamp(value, min, max); }
};

inline constexpr Range DeltaOfSpeed{1, 50};      // percent per button step
inline constexpr Range DeltaOfPitch{1, 24};      // semitones per button step
inline constexpr Range PlayTimer{0, 18};         // tens of minutes; 0 = no limit
inline constexpr Range MinOfSpeed{-75, -50};     // percent
inline constexpr Range MaxOfSpeed{50, 300};      // percent
inline constexpr Range BreathOfRepeat{0, 50};    // tenths of a second before each A-B repeat
inline constexpr Range CountInClicks{0, 8};      // 0 = no count-in
inline constexpr Range CountInBeatMs{100, 2000}; // the tapped tempo: 600 to 30 bpm

// The minimum speed's track bar runs 0..25 and stands for -75..-50.
inline constexpr int MinSpeedTrackOffset = 75;

} // namespace OptionRanges
