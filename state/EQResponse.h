#pragma once

#include "device/Protocol.h"

#include <array>

class OutputEQState;

// The display model of one output's level over frequency: the output gain, a
// smooth bell per band and a straight slope per cut filter. It is a picture
// of the settings, not a simulation of the processor's filters.
namespace EQResponse
{
inline constexpr int bandCount = Protocol::outputBandCount;
inline constexpr int cutCount = Protocol::cutCount;

// dB per octave, indexed by a cut filter's taps_index.
inline constexpr std::array<double, Protocol::cutFilterTapsCount> slopeTable{ -6.0, -12.0, -18.0, -24.0, -48.0 };

// How sharply a band's bell falls off with the frequency ratio.
inline constexpr double bellSharpness = 2.82;

// The ranges a curve is drawn from; values outside them are brought in first.
inline constexpr double minimumGain = -60.0, maximumGain = 12.0;
inline constexpr double minimumBandGain = -12.0, maximumBandGain = 12.0;

struct Band
{
    double gainDb = 0.0;
    double frequencyHz = 1000.0;
    double q = 1.0;
};

struct Cut
{
    int type = 0; // 0 is off; the filter family does not change the drawn shape
    int tapsIndex = 0;
    double frequencyHz = 1000.0;
};

struct Settings
{
    double gainDb = 0.0;
    std::array<Band, bandCount> bands{};
    std::array<Cut, cutCount> cuts{}; // low cut, then high cut
};

// The bell of one band at a frequency, in dB, its values taken as they are.
double bandLevel (const Band& band, double hz) noexcept;

// Every value brought into its range, the way the processor would read it:
// NaN gains as their codes for NaN (the channel quietest, a band flat), NaN
// or out-of-range frequencies and bandwidths at the tables' ends, an unknown
// filter type as off.
Settings limited (const Settings& settings) noexcept;

// The stored values of one output, already limited.
Settings settingsOf (const OutputEQState& outputs, int output);

// A curve ready to be evaluated: the limited settings and the cut corners.
class Curve
{
public:
    explicit Curve (const Settings& settings) noexcept;

    // Level in dB at a frequency; the frequency is brought into 20..20000 Hz.
    double levelAt (double hz) const noexcept;

private:
    struct Slope
    {
        bool active = false;
        double dbPerOctave = 0.0;
        double cornerHz = 1.0;
    };

    Settings s;
    Slope lowCut, highCut;
};
} // namespace EQResponse
