#include "state/DelayUnits.h"

#include "device/Protocol.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace DelayUnits
{
namespace
{
constexpr double microsecondsPerStep = 21.0;
constexpr double millimetresPerStep = 7.0;
constexpr double inchesPerStep = 0.28;
constexpr int hundredthInchesPerStep = 28;
constexpr int hundredthInchesPerFoot = 1200;

juce::String formatted (const char* format, double a, double b = 0.0)
{
    char text[64];
    std::snprintf (text, sizeof (text), format, a, b);
    return text;
}

juce::String number (double value)
{
    return formatted ("%.9g", value);
}
} // namespace

bool isKnown (int unit) noexcept
{
    return unit == msec || unit == feet || unit == meters;
}

int displayableSteps (int steps) noexcept
{
    return juce::jlimit (0, (int) std::numeric_limits<std::uint16_t>::max(), steps);
}

std::optional<int> stepsFromNumbers (int unit, double left, double right)
{
    double steps = 0;
    switch (unit)
    {
        case msec:
            steps = (right + 1000.0 * left) / microsecondsPerStep;
            break;
        case feet:
            steps = (right + 12.0 * left) / inchesPerStep;
            break;
        case meters:
            steps = (right + 1000.0 * left) / millimetresPerStep;
            break;
        default:
            return std::nullopt;
    }
    if (!std::isfinite (steps))
        return std::nullopt;
    // Limited while still a double, so a huge entry cannot overflow the int.
    steps = juce::jlimit (0.0, (double) Protocol::maximumDelaySteps, steps);
    return (int) std::nearbyint (steps);
}

juce::String buttonText (int unit, int steps)
{
    steps = displayableSteps (steps);
    switch (unit)
    {
        case msec:
            return formatted ("%.3f msec", steps * 0.021);
        case feet:
        {
            const double feet = std::floor (steps * inchesPerStep / 12.0);
            return formatted ("%.0f' %.2f\"", feet, steps * inchesPerStep - 12.0 * feet);
        }
        case meters:
            return formatted ("%.3f m", steps * 0.007);
        default:
            return {};
    }
}

NumberTexts numberTexts (int unit, int steps)
{
    steps = displayableSteps (steps);
    switch (unit)
    {
        case msec:
        {
            const double ms = std::floor (steps * microsecondsPerStep * 0.001);
            return { number (ms), number (steps * microsecondsPerStep - 1000.0 * ms) };
        }
        case feet:
        {
            // In whole hundredths of an inch: the floating-point remainder would
            // leave a residue such as 1.42e-14 inches on every 300th step,
            // which the label could then not take back as typed text.
            const int hundredths = steps * hundredthInchesPerStep;
            const int feet = hundredths / hundredthInchesPerFoot;
            return { number (feet), number ((hundredths - feet * hundredthInchesPerFoot) / 100.0) };
        }
        case meters:
        {
            const double metres = std::floor (steps * millimetresPerStep * 0.001);
            return { number (metres), number (steps * millimetresPerStep - 1000.0 * metres) };
        }
        default:
            return {};
    }
}
} // namespace DelayUnits
