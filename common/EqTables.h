#pragma once

#include <juce_core/juce_core.h>

#include <array>

// The equaliser frequencies in Hz (Overview). Index = the processor's frequency
// code; 90 repeats 20000 (top of a slider), 91 holds 0 (read-back codes >= 91).
inline constexpr std::array<float, 92> EQFrequencyTable{
    20.0f,    22.5f,    25.0f,    27.0f,    29.0f,    31.5f,    34.5f,    37.5f,    40.0f,    43.0f,    46.5f,
    50.0f,    54.0f,    58.0f,    63.0f,    68.0f,    75.0f,    80.0f,    85.0f,    92.0f,    100.0f,   108.0f,
    117.0f,   125.0f,   135.0f,   150.0f,   160.0f,   173.0f,   187.0f,   200.0f,   215.0f,   230.0f,   250.0f,
    270.0f,   290.0f,   315.0f,   345.0f,   375.0f,   400.0f,   430.0f,   465.0f,   500.0f,   540.0f,   580.0f,
    630.0f,   680.0f,   750.0f,   800.0f,   850.0f,   920.0f,   1000.0f,  1080.0f,  1170.0f,  1250.0f,  1350.0f,
    1500.0f,  1600.0f,  1730.0f,  1870.0f,  2000.0f,  2150.0f,  2300.0f,  2500.0f,  2700.0f,  2900.0f,  3150.0f,
    3450.0f,  3750.0f,  4000.0f,  4300.0f,  4650.0f,  5000.0f,  5400.0f,  5800.0f,  6300.0f,  6800.0f,  7500.0f,
    8000.0f,  8500.0f,  9200.0f,  10000.0f, 10800.0f, 11700.0f, 12500.0f, 13500.0f, 15000.0f, 16000.0f, 17300.0f,
    18700.0f, 20000.0f, 20000.0f, 0.0f
};
inline constexpr int eqFrequencyLastDistinctIndex = 89;
inline constexpr int eqFrequencyLastSearchIndex = 90;

// The equaliser bandwidths in octaves. 17 repeats 3 (top of a slider), 18 holds 0.
inline constexpr std::array<float, 19> EQBandwidthTable{ 0.04f, 0.08f, 0.12f, 0.16f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f,
                                                         0.8f,  0.9f,  1.0f,  1.5f,  2.0f, 2.5f, 3.0f, 3.0f, 0.0f };
inline constexpr int eqBandwidthLastDistinctIndex = 16;
inline constexpr int eqBandwidthLastSearchIndex = 17;

enum class EQTable
{
    frequency,
    bandwidth
};

// The range EQTableIndex is defined for: first entry to last distinct entry,
// each widened from single precision.
inline constexpr double minimumEQFrequency = EQFrequencyTable[0];
inline constexpr double maximumEQFrequency = EQFrequencyTable[eqFrequencyLastDistinctIndex];
inline constexpr double minimumEQBandwidth = EQBandwidthTable[0];
inline constexpr double maximumEQBandwidth = EQBandwidthTable[eqBandwidthLastDistinctIndex];

// Bring a value from a file, the clipboard or arithmetic into the table's
// range; NaN counts as the low end.
double clampFrequency (double hz) noexcept;
double clampBandwidth (double octaves) noexcept;

// The largest index (0..90 or 0..17) whose entry, widened to double, is not
// greater than value; of equal entries the first. The value is clamped into
// the table's range first, so every input gives an index inside the table.
int EQTableIndex (EQTable table, double value) noexcept;

// The first 8 characters, each below 0x20 or above 0x7A ("z") replaced by "-".
juce::String sanitizeChannelName (const juce::String& text);
