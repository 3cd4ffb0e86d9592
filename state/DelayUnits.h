#pragma once

#include <juce_core/juce_core.h>

#include <optional>

// The three units a delay is shown and typed in, and their conversions from
// and to delay steps (21 µs, 7 mm or 0.28 inch each).
namespace DelayUnits
{
enum Unit
{
    msec = 0,  // and usec
    feet = 1,  // and inches
    meters = 2 // and millimeters
};
inline constexpr int count = 3;
inline constexpr const char* settingsKey = "Delay units";

bool isKnown (int unit) noexcept;

// Steps a stored (or read-back) delay is shown as: what the record can hold,
// 0..65535. A processor may report more than the 5760 that can be typed; it
// is shown as it is, not as the limit.
int displayableSteps (int steps) noexcept;

// The steps of two typed numbers, rounded (ties to even) and limited to
// 0..5760 in floating point; nothing for an unknown unit or a non-finite sum.
std::optional<int> stepsFromNumbers (int unit, double left, double right);

// "%.3f msec", "%.0f' %.2f\"" or "%.3f m"; empty for an unknown unit.
juce::String buttonText (int unit, int steps);

// The two numbers of a delay as "%.9g" writes them; both empty for an unknown unit.
struct NumberTexts
{
    juce::String left, right;
};
NumberTexts numberTexts (int unit, int steps);
} // namespace DelayUnits
