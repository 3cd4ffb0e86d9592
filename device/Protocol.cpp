#include "device/Protocol.h"

#include "common/EqTables.h"

#include <cmath>

namespace Protocol
{
namespace
{
// Limits a code computed in floating point, then rounds it: low and high are
// whole numbers, so limiting first gives the same code and keeps the
// conversion defined for any input.
std::uint8_t limitedCode (double code, int low, int high, int codeForNaN) noexcept
{
    if (std::isnan (code))
        return std::uint8_t (codeForNaN);
    if (code <= low)
        return std::uint8_t (low);
    if (code >= high)
        return std::uint8_t (high);
    return std::uint8_t (roundHalfEven (code));
}
} // namespace

double roundHalfEven (double value) noexcept
{
    return std::nearbyint (value);
}

std::uint8_t gainCode (double gainDb) noexcept
{
    return limitedCode (144.0 - 2.0 * (gainDb + 60.0), 0, maximumGainCode, maximumGainCode);
}

std::uint8_t bandGainCode (double gainDb) noexcept
{
    constexpr int flat = 24;
    return limitedCode (2.0 * (gainDb + 12.0), 0, maximumBandGainCode, flat);
}

std::uint8_t frequencyCode (double hz) noexcept
{
    return std::uint8_t (EQTableIndex (EQTable::frequency, clampFrequency (hz)));
}

std::uint8_t bandwidthCode (double octaves, int maximumCode) noexcept
{
    return limitedCode (25.0 * octaves, minimumBandwidthCode, maximumCode, minimumBandwidthCode);
}

std::uint8_t limiterCode (double thresholdDb) noexcept
{
    return std::uint8_t (limiterCodeOffset +
                         limitedCode (20.0 - thresholdDb, 0, maximumLimiterSteps, maximumLimiterSteps));
}

std::uint8_t phaseCode (int phase) noexcept
{
    return phase <= 0 ? 0 : 1;
}

std::uint8_t muteValue (int output, std::uint8_t muteMask, double gainDb) noexcept
{
    const bool muted = isOutput (output) && ((muteMask >> output) & 1) != 0;
    return muted ? mutedValue : gainCode (gainDb);
}

std::optional<int> firmwareVersionFromAnswer (const std::uint8_t* answer, int received) noexcept
{
    if (answer == nullptr || received != versionAnswerLength || answer[0] == 0)
        return std::nullopt;
    return firmwareVersionFromBytes (answer[0], answer[2], answer[3]);
}
} // namespace Protocol
