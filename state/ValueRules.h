#pragma once

#include <juce_core/juce_core.h>

#include <optional>

// What the panels let a value be, and how a typed value is read: shared by
// the panels and the named parameters, so both take a value the same way.
namespace ValueRules
{
inline constexpr double minimumGain = -60.0, maximumGain = 12.0;
inline constexpr double minimumBandGain = -12.0, maximumBandGain = 12.0;
inline constexpr double minimumBandwidth = (double) 0.04f; // the bandwidth table's own lowest entry
inline constexpr double maximumBandwidth = 3.0;
inline constexpr float minimumThreshold = -20.0f, maximumThreshold = 20.0f;

// A whole text that is one decimal number, optionally followed by k or K
// (thousands) and then by the unit (any case, spaces allowed between).
// Nothing for anything else, or a number that is not finite.
std::optional<double> readNumber (const juce::String& text, const juce::String& unit = {});

// The limiter dialog's rule: whole decibels (halves round up), within the limits.
float limiterThreshold (double typedDb) noexcept;
} // namespace ValueRules
