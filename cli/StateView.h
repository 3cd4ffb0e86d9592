#pragma once

#include <juce_core/juce_core.h>

class DeviceState;

// A preset file as tavikctl show prints it, from the record the file was
// read into, by parameter name: a table for people (a row per channel,
// band, cut and routing, whose name and a field's make the parameter's),
// and JSON for programs (an object keyed by parameter name).
namespace StateView
{
enum class Kind
{
    wholeState,   // every section
    inputChannel, // one input's settings, shown as input A
    outputChannel // one output's settings, shown as output 1
};

// value with that many decimals, as it is: no integer limit, no cut-off.
juce::String number (double value, int decimals);

// The kind of a preset document by its root element; false for none of ours.
bool kindOf (const juce::XmlElement& root, Kind& kind);

juce::String table (const DeviceState& state, Kind kind);
juce::String json (const DeviceState& state, Kind kind);
} // namespace StateView
