#include "state/EQResponse.h"

#include "common/EqTables.h"
#include "state/OutputEQState.h"

#include <juce_core/juce_core.h>

#include <cmath>

namespace EQResponse
{
namespace
{
double limitGain (double db, double low, double high, double ifNaN) noexcept
{
    return std::isnan (db) ? ifNaN : juce::jlimit (low, high, db);
}

// The Q of the narrowest and widest bandwidths bound every Q the record can hold.
double limitQ (double q) noexcept
{
    const double highest = OutputEQState::derivedQ (minimumEQBandwidth);
    const double lowest = OutputEQState::derivedQ (maximumEQBandwidth);
    return std::isnan (q) ? highest : juce::jlimit (lowest, highest, q);
}

double log2Of (double x) noexcept
{
    static const double inverseLog10Of2 = 1.0 / std::log10 (2.0);
    return std::log10 (x) * inverseLog10Of2;
}
} // namespace

double bandLevel (const Band& band, double hz) noexcept
{
    const double rho = hz < band.frequencyHz ? hz / band.frequencyHz : band.frequencyHz / hz;
    const double distance = 1.0 - rho;
    return band.gainDb * std::exp (-bellSharpness * band.q * distance * distance);
}

Settings limited (const Settings& settings) noexcept
{
    Settings l;
    l.gainDb = limitGain (settings.gainDb, minimumGain, maximumGain, minimumGain);
    for (size_t j = 0; j < l.bands.size(); ++j)
    {
        const auto& b = settings.bands[j];
        l.bands[j] = { limitGain (b.gainDb, minimumBandGain, maximumBandGain, 0.0), clampFrequency (b.frequencyHz),
                       limitQ (b.q) };
    }
    for (size_t c = 0; c < l.cuts.size(); ++c)
    {
        const auto& cut = settings.cuts[c];
        const bool known = cut.type > 0 && cut.type < Protocol::cutFilterTypeCount;
        l.cuts[c] = { known ? cut.type : 0, juce::jlimit (0, (int) slopeTable.size() - 1, cut.tapsIndex),
                      clampFrequency (cut.frequencyHz) };
    }
    return l;
}

Settings settingsOf (const OutputEQState& outputs, int output)
{
    Settings s;
    s.gainDb = outputs.getChannelGain (output);
    for (int j = 0; j < bandCount; ++j)
        s.bands[(size_t) j] = { outputs.getBandGain (output, j), outputs.getBandFrequency (output, j),
                                outputs.getDerivedQ (output, j) };
    for (int c = 0; c < cutCount; ++c)
        s.cuts[(size_t) c] = { outputs.getCutType (output, c), outputs.getCutTapsIndex (output, c),
                               outputs.getCutFrequency (output, c) };
    return limited (s);
}

Curve::Curve (const Settings& settings) noexcept
    : s (limited (settings))
{
    // Each corner sits where the straight slope passes -3 dB at the cut frequency:
    // above it for the low cut, below it for the high cut.
    const auto& low = s.cuts[(size_t) OutputEQState::lowCut];
    const double lowSlope = slopeTable[(size_t) low.tapsIndex];
    lowCut = { low.type != 0, lowSlope, low.frequencyHz * std::pow (2.0, -3.0 / lowSlope) };

    const auto& high = s.cuts[(size_t) OutputEQState::highCut];
    const double highSlope = slopeTable[(size_t) high.tapsIndex];
    highCut = { high.type != 0, highSlope, high.frequencyHz * std::pow (2.0, 3.0 / highSlope) };
}

double Curve::levelAt (double hz) const noexcept
{
    const double f = clampFrequency (hz);
    double r = s.gainDb;
    for (const auto& band : s.bands)
        r += bandLevel (band, f);
    if (lowCut.active && f <= lowCut.cornerHz)
        r += -lowCut.dbPerOctave * log2Of (f / lowCut.cornerHz);
    if (highCut.active && f >= highCut.cornerHz)
        r += highCut.dbPerOctave * log2Of (f / highCut.cornerHz);
    return r;
}
} // namespace EQResponse
