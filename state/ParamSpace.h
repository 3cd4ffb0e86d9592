#pragma once

#include "state/Param.h"

#include <juce_core/juce_core.h>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

class DeviceState;
struct ReadBackParts;

// A parameter's value as the record holds it: gains, frequencies, bandwidths
// and limiter thresholds as numbers; delays (steps), cut types, slopes (the
// taps index), phase, routes and mutes as whole numbers; names as text.
using ParamValue = std::variant<double, int, juce::String>;

// Equal values. Numbers count as equal when they agree in single precision:
// the tables and thresholds are single-precision values, and a file written
// and read again gives back their shortest decimal forms (0.04 for 0.04f).
// NaN equals NaN, so a value read as NaN is not a change. Names agree apart
// from trailing spaces: the processor pads every name to eight characters.
bool sameValue (const ParamValue& a, const ParamValue& b);

// The values of every parameter in the record, read and written by name. A
// write goes through the record's setters, so it sends exactly the commands a
// panel would for the same value. Message thread only, like the record.
namespace ParamSpace
{
ParamValue read (const DeviceState& state, const Param& param);

// Every parameter's value, in Param::all() order.
std::vector<ParamValue> readAll (const DeviceState& state);

// The value in the units the panels show: dB, Hz, octaves, milliseconds,
// off/but/bes/lr, slopes in dB per octave, normal/inverted, on/off, names.
juce::String format (const Param& param, const ParamValue& value);

// The unit format's text goes with, "" for none: dB, Hz, oct, ms, dB/oct.
// parse takes the text followed by it as well.
const char* unit (const Param& param);

// A typed value, read with the panels' rules: the same limits and steps, k
// for thousands; an optional unit after the number (dB, Hz, oct, ms). Nothing
// (and why) for text the parameter cannot take.
std::optional<ParamValue> parse (const Param& param, const juce::String& text, juce::String* why = nullptr);

// Stores the values through the record's setters, in the given order. A cut's
// type and slope given together go out as one command; a type alone keeps the
// slope where the new type allows it (else the nearest allowed, as the
// panel's buttons do); a slope the cut's type does not allow is refused.
// False (with why) when any value was refused; the others are still written.
bool write (DeviceState& state, const std::vector<std::pair<Param, ParamValue>>& values, juce::String* why = nullptr);
bool write (DeviceState& state, const Param& param, const ParamValue& value, juce::String* why = nullptr);

// The parts of a read-back that hold these parameters' values.
ReadBackParts partsHolding (const std::vector<Param>& params);

// What write must know of the processor before it sends these values so
// that nothing else changes there: a mute command carries every output's
// mute and its output's gain, a routing command the output's whole routing
// byte, and a cut filter command the type and slope together.
ReadBackParts partsNeededToWrite (const std::vector<std::pair<Param, ParamValue>>& values);
} // namespace ParamSpace
