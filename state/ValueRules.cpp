#include "state/ValueRules.h"

#include <cmath>
#include <cstdlib>

namespace ValueRules
{
std::optional<double> readNumber (const juce::String& typed, const juce::String& unit)
{
    auto text = typed.trim();
    if (unit.isNotEmpty() && text.endsWithIgnoreCase (unit))
        text = text.dropLastCharacters (unit.length()).trimEnd();
    double scale = 1.0;
    if (text.endsWithChar ('k') || text.endsWithChar ('K'))
    {
        scale = 1000.0;
        text = text.dropLastCharacters (1).trimEnd();
    }
    // Plain decimal notation only: no hexadecimal, no "inf" or "nan".
    if (text.isEmpty() || !text.containsOnly ("0123456789+-.eE") || !text.containsAnyOf ("0123456789"))
        return std::nullopt;
    const auto utf8 = text.toStdString();
    char* end = nullptr;
    const double number = std::strtod (utf8.c_str(), &end);
    if (end != utf8.c_str() + utf8.size() || !std::isfinite (number * scale))
        return std::nullopt;
    return number * scale;
}

float limiterThreshold (double typedDb) noexcept
{
    if (std::isnan (typedDb))
        return minimumThreshold;
    // Narrowed to single precision only once it fits; the limits apply anyway.
    const auto value = (float) juce::jlimit (-1.0e6, 1.0e6, typedDb);
    const float whole = std::floor (value + 0.5f);
    return juce::jlimit (minimumThreshold, maximumThreshold, whole);
}
} // namespace ValueRules
