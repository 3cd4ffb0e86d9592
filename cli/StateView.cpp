#include "cli/StateView.h"

#include "state/DeviceState.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace StateView
{
namespace
{
using ParamKind = Param::Kind;

// The parameters a preset of this kind holds; a channel preset's as input A
// or output 1, an output's without its name.
std::vector<Param> paramsOf (Kind kind)
{
    std::vector<Param> params;
    for (const auto& p : Param::all())
        if (kind == Kind::wholeState || (kind == Kind::inputChannel && !p.output && p.channel == 0) ||
            (kind == Kind::outputChannel && p.output && p.channel == 0 && p.kind != ParamKind::name &&
             p.kind != ParamKind::route && p.kind != ParamKind::mute))
            params.push_back (p);
    return params;
}

juce::String textOf (const DeviceState& state, const Param& p)
{
    return ParamSpace::format (p, ParamSpace::read (state, p));
}

// A value for people: with its unit, a name in quotes (it may hold spaces).
juce::String shown (const DeviceState& state, const Param& p)
{
    const auto text = textOf (state, p);
    if (p.kind == ParamKind::name)
        return "\"" + text + "\"";
    const juce::String unit (ParamSpace::unit (p));
    return unit.isEmpty() ? text : text + " " + unit;
}

// A value for programs: numbers as JSON numbers, the rest as strings.
juce::String jsonValue (const DeviceState& state, const Param& p)
{
    const auto value = ParamSpace::read (state, p);
    const bool word = p.kind == ParamKind::name || p.kind == ParamKind::cutType || p.kind == ParamKind::phase ||
                      p.kind == ParamKind::route || p.kind == ParamKind::mute;
    const auto* number = std::get_if<double> (&value);
    const auto text = ParamSpace::format (p, value);
    return word || (number != nullptr && !std::isfinite (*number)) ? juce::JSON::toString (text) : text;
}

const char* kindName (Kind kind)
{
    return kind == Kind::wholeState     ? "whole-state preset"
           : kind == Kind::inputChannel ? "input channel preset"
                                        : "output channel preset";
}
} // namespace

juce::String number (double value, int decimals)
{
    // Not the framework's: it rounds through int (3e9 became -1294967296) and
    // cuts its text at 48 characters. Too long for fixed point, in exponent form.
    char buffer[64];
    const auto end = buffer + sizeof (buffer);
    auto result = std::to_chars (buffer, end, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc() || std::abs (value) >= 1e15)
        result = std::to_chars (buffer, end, value, std::chars_format::general, 9);
    return juce::String (buffer, (size_t) (result.ptr - buffer));
}

bool kindOf (const juce::XmlElement& root, Kind& kind)
{
    if (StateXml::hasName (root, statePresetTag))
        kind = Kind::wholeState;
    else if (StateXml::hasName (root, Input2EQState::elementTag))
        kind = Kind::inputChannel;
    else if (StateXml::hasName (root, OutputEQState::elementTag))
        kind = Kind::outputChannel;
    else
        return false;
    return true;
}

juce::String table (const DeviceState& state, Kind kind)
{
    // One row per channel, band, cut and output's routing: the row's name
    // and a field's name make the parameter's ("output.6.lowcut" + "type").
    std::vector<std::pair<juce::String, juce::String>> rows;
    int width = 0;
    for (const auto& p : paramsOf (kind))
    {
        const auto name = p.toString();
        const auto prefix = name.upToLastOccurrenceOf (".", false, false);
        auto row = std::find_if (rows.begin(), rows.end(), [&] (const auto& r) { return r.first == prefix; });
        if (row == rows.end())
            row = rows.insert (rows.end(), { prefix, {} });
        row->second << "  " << name.fromLastOccurrenceOf (".", false, false) << " " << shown (state, p);
        width = juce::jmax (width, prefix.length());
    }
    juce::String text;
    if (kind != Kind::wholeState)
        text << kindName (kind) << "\n";
    for (size_t i = 0; i < rows.size(); ++i)
    {
        // A blank line before each channel and before the routing.
        const auto& prefix = rows[i].first;
        const bool channel = prefix.length() - prefix.removeCharacters (".").length() == 1;
        const bool routing = prefix.endsWith (".route");
        if (i > 0 && (channel || (routing && !rows[i - 1].first.endsWith (".route"))))
            text << "\n";
        text << prefix.paddedRight (' ', width) << rows[i].second << "\n";
    }
    return text;
}

juce::String json (const DeviceState& state, Kind kind)
{
    juce::String text = "{\n  \"kind\": " + juce::JSON::toString (juce::String (kindName (kind)));
    for (const auto& p : paramsOf (kind))
        text << ",\n  \"" << p.toString() << "\": " << jsonValue (state, p);
    return text + "\n}";
}
} // namespace StateView
