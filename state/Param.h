#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

// One parameter of the processor, named the same way by the window, tavikctl,
// the undo history and the remote control: "input.A.band.2.gain",
// "output.3.lowcut.type", "output.1.route.B". Channels are counted as the
// panels show them (inputs A to C, outputs 1 to 6), bands from 1.
struct Param
{
    enum class Kind
    {
        gain,
        bandGain,
        bandFrequency,
        bandWidth,
        delay,
        name,
        cutFrequency, // index: 0 low cut, 1 high cut
        cutType,
        cutSlope,
        phase,
        limiter,
        route, // index: the input 0..2
        mute
    };

    bool output = false; // false: an input
    int channel = 0;     // inputs 0..2, outputs 0..5
    Kind kind = Kind::gain;
    int index = 0; // the band, the cut or the routed input; 0 where there is none

    static Param input (int input, Kind kind, int index = 0) noexcept { return { false, input, kind, index }; }
    static Param out (int output, Kind kind, int index = 0) noexcept { return { true, output, kind, index }; }

    // True for a parameter the processor has (section, channel, kind and index agree).
    bool isValid() const noexcept;

    juce::String toString() const;
    // Nothing for a text that names no parameter; why says what is wrong.
    static std::optional<Param> fromString (const juce::String& text, juce::String* why = nullptr);

    // Every parameter, in the order a whole-state push sends them: inputs
    // (gain, bands, delay, name), outputs (gain, bands, cuts, phase, limiter,
    // delay, name), routing, mutes.
    static const std::vector<Param>& all();
    // The position in all(); -1 for an invalid parameter.
    int ordinal() const noexcept;

    // What the panels call it: "input A gain", "output 1 band 2 gain", "input B to output 3", ...
    juce::String describe() const;

    bool operator== (const Param& other) const noexcept
    {
        return output == other.output && channel == other.channel && kind == other.kind && index == other.index;
    }
    bool operator!= (const Param& other) const noexcept { return !(*this == other); }
    bool operator<(const Param& other) const noexcept { return ordinal() < other.ordinal(); }
};
