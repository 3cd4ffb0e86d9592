#include "state/ParamSpace.h"

#include "common/EqTables.h"
#include "device/SyncToHardwareCommand.h"
#include "state/DelayUnits.h"
#include "state/DeviceState.h"
#include "state/ValueRules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace
{
using Kind = Param::Kind;

const char* const cutTypeTexts[] = { "off", "but", "bes", "lr" };
const int slopeDbPerOctave[] = { 6, 12, 18, 24, 48 };
constexpr double millisecondsPerStep = 0.021;

bool isNumberKind (Kind kind) noexcept
{
    return kind == Kind::gain || kind == Kind::bandGain || kind == Kind::bandFrequency || kind == Kind::bandWidth ||
           kind == Kind::cutFrequency || kind == Kind::limiter;
}

// The shortest decimal text that reads back as the same single-precision
// value, the precision sameValue compares in: the tables and thresholds are
// single-precision values that read-backs and files give back as doubles
// near them (41 bandwidth steps as 1.6400000000000001, a saved 0.04f as
// 0.0399999991), and a person wants 1.64 and 0.04.
juce::String numberText (double value)
{
    if (value == 0.0)
        return "0";
    if (!std::isfinite (value))
        return juce::String (value);
    const auto single = (float) value;
    char text[400];
    for (int decimals = 0; std::isfinite (single) && decimals <= 17; ++decimals)
    {
        std::snprintf (text, sizeof (text), "%.*f", decimals, value);
        if ((float) std::strtod (text, nullptr) == single)
            return text;
    }
    std::snprintf (text, sizeof (text), "%.17g", value);
    return text;
}

std::optional<ParamValue> refuse (juce::String* why, const juce::String& reason)
{
    if (why != nullptr)
        *why = reason;
    return std::nullopt;
}

std::optional<int> onOff (const juce::String& text)
{
    if (text.equalsIgnoreCase ("on"))
        return 1;
    if (text.equalsIgnoreCase ("off"))
        return 0;
    return std::nullopt;
}

const char* unitOf (Kind kind)
{
    switch (kind)
    {
        case Kind::gain:
        case Kind::bandGain:
        case Kind::limiter:
            return "dB";
        case Kind::bandFrequency:
        case Kind::cutFrequency:
            return "Hz";
        case Kind::bandWidth:
            return "oct";
        case Kind::delay:
            return "ms";
        case Kind::cutSlope:
            return "dB/oct";
        case Kind::name:
        case Kind::cutType:
        case Kind::phase:
        case Kind::route:
        case Kind::mute:
            return "";
    }
    return "";
}

int blockOf (const Param& p) noexcept
{
    return p.output ? ReadBackParts::outputBlock (p.channel) : ReadBackParts::inputBlock (p.channel);
}
} // namespace

bool sameValue (const ParamValue& a, const ParamValue& b)
{
    if (const auto* x = std::get_if<double> (&a))
        if (const auto* y = std::get_if<double> (&b))
            return *x == *y || (float) *x == (float) *y || (std::isnan (*x) && std::isnan (*y));
    if (const auto* x = std::get_if<juce::String> (&a))
        if (const auto* y = std::get_if<juce::String> (&b))
            return x->trimEnd() == y->trimEnd();
    return a == b;
}

namespace ParamSpace
{
const char* unit (const Param& param)
{
    return unitOf (param.kind);
}

ParamValue read (const DeviceState& state, const Param& p)
{
    const auto& in = state.input2EQState;
    const auto& out = state.outputEQState;
    const int c = p.channel;
    switch (p.kind)
    {
        case Kind::gain:
            return p.output ? out.getChannelGain (c) : in.getChannelGain (c);
        case Kind::bandGain:
            return p.output ? out.getBandGain (c, p.index) : in.getBandGain (c, p.index);
        case Kind::bandFrequency:
            return p.output ? out.getBandFrequency (c, p.index) : in.getBandFrequency (c, p.index);
        case Kind::bandWidth:
            return p.output ? out.getBandWidth (c, p.index) : in.getBandWidth (c, p.index);
        case Kind::delay:
            return int (p.output ? out.getDelaySteps (c) : in.getDelaySteps (c));
        case Kind::name:
            return p.output ? out.getChannelName (c) : in.getChannelName (c);
        case Kind::cutFrequency:
            return out.getCutFrequency (c, p.index);
        case Kind::cutType:
            return out.getCutType (c, p.index);
        case Kind::cutSlope:
            return out.getCutTapsIndex (c, p.index);
        case Kind::phase:
            return out.getPhase (c);
        case Kind::limiter:
            return (double) out.getLimiterThreshold (c);
        case Kind::route:
            return state.routerState.isRouted (c, p.index) ? 1 : 0;
        case Kind::mute:
            return state.muteState.isMuted (c) ? 1 : 0;
    }
    return 0;
}

std::vector<ParamValue> readAll (const DeviceState& state)
{
    std::vector<ParamValue> values;
    values.reserve (Param::all().size());
    for (const auto& p : Param::all())
        values.push_back (read (state, p));
    return values;
}

juce::String format (const Param& p, const ParamValue& value)
{
    if (const auto* text = std::get_if<juce::String> (&value))
        return *text;
    if (const auto* number = std::get_if<double> (&value))
        return numberText (*number);
    const int n = std::get<int> (value);
    switch (p.kind)
    {
        case Kind::delay:
            return juce::String::formatted ("%.3f", n * millisecondsPerStep);
        case Kind::cutType:
            return n >= 0 && n < (int) std::size (cutTypeTexts) ? juce::String (cutTypeTexts[n]) : juce::String (n);
        case Kind::cutSlope:
            return n >= 0 && n < (int) std::size (slopeDbPerOctave) ? juce::String (slopeDbPerOctave[n])
                                                                    : juce::String (n);
        case Kind::phase:
            return n == 0 ? "normal" : n == 1 ? "inverted" : juce::String (n);
        case Kind::route:
        case Kind::mute:
            return n != 0 ? "on" : "off";
        case Kind::gain:
        case Kind::bandGain:
        case Kind::bandFrequency:
        case Kind::bandWidth:
        case Kind::name:
        case Kind::cutFrequency:
        case Kind::limiter:
            break;
    }
    return juce::String (n);
}

std::optional<ParamValue> parse (const Param& p, const juce::String& typed, juce::String* why)
{
    if (!p.isValid())
        return refuse (why, "no such parameter");
    const auto text = typed.trim();
    const auto what = p.toString();

    if (p.kind == Kind::name)
        return ParamValue (sanitizeChannelName (typed));
    if (p.kind == Kind::cutType)
    {
        for (int type = 0; type < (int) std::size (cutTypeTexts); ++type)
            if (text.equalsIgnoreCase (cutTypeTexts[type]) || (type == 3 && text.equalsIgnoreCase ("l-r")))
                return ParamValue (type);
        return refuse (why, what + " takes off, but, bes or lr, not \"" + typed + "\"");
    }
    if (p.kind == Kind::cutSlope)
    {
        const auto number = ValueRules::readNumber (text, unitOf (p.kind));
        for (int k = 0; number && k < (int) std::size (slopeDbPerOctave); ++k)
            if (*number == slopeDbPerOctave[k])
                return ParamValue (k);
        return refuse (why, what + " takes 6, 12, 18, 24 or 48 (dB per octave), not \"" + typed + "\"");
    }
    if (p.kind == Kind::phase)
    {
        if (text.equalsIgnoreCase ("normal"))
            return ParamValue (0);
        if (text.equalsIgnoreCase ("inverted"))
            return ParamValue (1);
        return refuse (why, what + " takes normal or inverted, not \"" + typed + "\"");
    }
    if (p.kind == Kind::route || p.kind == Kind::mute)
    {
        if (const auto value = onOff (text))
            return ParamValue (*value);
        return refuse (why, what + " takes on or off, not \"" + typed + "\"");
    }

    const auto number = ValueRules::readNumber (text, unitOf (p.kind));
    if (!number)
        return refuse (why, what + " takes a number in " + unitOf (p.kind) + ", not \"" + typed + "\"");
    switch (p.kind)
    {
        case Kind::gain:
            return ParamValue (juce::jlimit (ValueRules::minimumGain, ValueRules::maximumGain, *number));
        case Kind::bandGain:
            return ParamValue (juce::jlimit (ValueRules::minimumBandGain, ValueRules::maximumBandGain, *number));
        case Kind::bandFrequency:
        case Kind::cutFrequency:
            return ParamValue (juce::jlimit (minimumEQFrequency, maximumEQFrequency, *number));
        case Kind::bandWidth:
            return ParamValue (juce::jlimit (ValueRules::minimumBandwidth, ValueRules::maximumBandwidth, *number));
        case Kind::limiter:
            return ParamValue ((double) ValueRules::limiterThreshold (*number));
        case Kind::delay:
            if (const auto steps = DelayUnits::stepsFromNumbers (DelayUnits::msec, *number, 0.0))
                return ParamValue (*steps);
            return refuse (why, what + " takes a number in ms");
        case Kind::name:
        case Kind::cutType:
        case Kind::cutSlope:
        case Kind::phase:
        case Kind::route:
        case Kind::mute:
            break;
    }
    return refuse (why, what + " takes no number");
}

namespace
{
bool writeOne (DeviceState& state, const Param& p, const ParamValue& value, juce::String* why)
{
    const auto wrongType = [&]
    {
        if (why != nullptr)
            *why = p.toString() + ": not a value of this parameter";
        return false;
    };
    auto& in = state.input2EQState;
    auto& out = state.outputEQState;
    const int c = p.channel;

    if (p.kind == Kind::name)
    {
        const auto* text = std::get_if<juce::String> (&value);
        if (text == nullptr)
            return wrongType();
        if (p.output)
            out.setChannelName (c, *text, true);
        else
            in.setChannelName (c, *text, true);
        return true;
    }
    if (isNumberKind (p.kind))
    {
        const auto* number = std::get_if<double> (&value);
        if (number == nullptr)
            return wrongType();
        const double v = *number;
        switch (p.kind)
        {
            case Kind::gain:
                p.output ? out.setChannelGain (c, v) : in.setChannelGain (c, v);
                break;
            case Kind::bandGain:
                p.output ? out.setBandGain (c, p.index, v) : in.setBandGain (c, p.index, v);
                break;
            case Kind::bandFrequency:
                p.output ? out.setBandFrequency (c, p.index, v) : in.setBandFrequency (c, p.index, v);
                break;
            case Kind::bandWidth:
                p.output ? out.setBandWidth (c, p.index, v) : in.setBandWidth (c, p.index, v);
                break;
            case Kind::cutFrequency:
                out.setCutFrequency (c, p.index, v);
                break;
            case Kind::limiter:
                out.setLimiterThreshold (c, (float) v);
                break;
            case Kind::delay:
            case Kind::name:
            case Kind::cutType:
            case Kind::cutSlope:
            case Kind::phase:
            case Kind::route:
            case Kind::mute:
                break;
        }
        return true;
    }
    const auto* whole = std::get_if<int> (&value);
    if (whole == nullptr)
        return wrongType();
    switch (p.kind)
    {
        case Kind::delay:
            p.output ? out.setDelaySteps (c, *whole) : in.setDelaySteps (c, *whole);
            break;
        case Kind::phase:
            out.setPhase (c, *whole);
            break;
        case Kind::route:
            state.routerState.setRoute (c, p.index, *whole != 0);
            break;
        case Kind::mute:
            state.muteState.setOutputMute (c, *whole != 0);
            break;
        case Kind::gain:
        case Kind::bandGain:
        case Kind::bandFrequency:
        case Kind::bandWidth:
        case Kind::name:
        case Kind::cutFrequency:
        case Kind::cutType:
        case Kind::cutSlope:
        case Kind::limiter:
            return wrongType();
    }
    return true;
}

// A cut's new type and slope, either of which may be left as it is.
bool writeCut (DeviceState& state, int output, int cut, std::optional<int> type, std::optional<int> slope,
               juce::String* why)
{
    auto& out = state.outputEQState;
    const int newType = type.value_or (out.getCutType (output, cut));
    int newSlope = slope.value_or (out.getCutTapsIndex (output, cut));
    if (!slope)
        newSlope = OutputEQState::allowedSlope (newType, newSlope);
    if (!Protocol::isCutFilterAllowed (newType, newSlope))
    {
        if (why != nullptr)
            *why = Param::out (output, Kind::cutSlope, cut).toString() + ": " +
                   format (Param::out (output, Kind::cutSlope, cut), newSlope) +
                   " dB per octave is not available for " + format (Param::out (output, Kind::cutType, cut), newType);
        return false;
    }
    out.setCutFilter (output, cut, newType, newSlope);
    return true;
}
} // namespace

bool write (DeviceState& state, const std::vector<std::pair<Param, ParamValue>>& values, juce::String* why)
{
    const DeviceState::Edit edit (state);
    bool allWritten = true;
    const auto refused = [&] (const juce::String& reason)
    {
        if (allWritten && why != nullptr)
            *why = reason;
        allWritten = false;
    };

    // A cut's type and slope wait for each other: one command carries both.
    std::map<std::pair<int, int>, std::pair<std::optional<int>, std::optional<int>>> cuts;
    for (const auto& [p, value] : values)
        if (p.isValid() && (p.kind == Kind::cutType || p.kind == Kind::cutSlope))
            if (const auto* n = std::get_if<int> (&value))
                (p.kind == Kind::cutType ? cuts[{ p.channel, p.index }].first : cuts[{ p.channel, p.index }].second) =
                    *n;

    // An output's crosspoints likewise: its routing command carries them all.
    std::map<int, std::pair<std::uint8_t, std::uint8_t>> routes; // output: bits set, bits cleared
    for (const auto& [p, value] : values)
        if (p.isValid() && p.kind == Kind::route)
            if (const auto* n = std::get_if<int> (&value))
            {
                const auto bit = std::uint8_t (1u << p.index);
                auto& [set, cleared] = routes[p.channel];
                set = std::uint8_t (*n != 0 ? set | bit : set & ~bit);
                cleared = std::uint8_t (*n != 0 ? cleared & ~bit : cleared | bit);
            }

    std::set<std::pair<int, int>> cutsWritten;
    std::set<int> routesWritten;
    for (const auto& [p, value] : values)
    {
        juce::String reason;
        if (!p.isValid())
            refused ("no such parameter");
        else if (p.kind == Kind::route && routes.count (p.channel) != 0)
        {
            if (std::get_if<int> (&value) == nullptr)
                refused (p.toString() + ": not a value of this parameter");
            else if (routesWritten.insert (p.channel).second) // once, where the output's first stands
                state.routerState.setRoutes (p.channel, routes[p.channel].first, routes[p.channel].second);
        }
        else if (p.kind == Kind::cutType || p.kind == Kind::cutSlope)
        {
            const std::pair<int, int> key{ p.channel, p.index };
            const auto found = cuts.find (key);
            if (found == cuts.end())
                refused (p.toString() + ": not a value of this parameter");
            else if (cutsWritten.insert (key).second && // once, where the first of the two stands
                     !writeCut (state, p.channel, p.index, found->second.first, found->second.second, &reason))
                refused (reason);
        }
        else if (!writeOne (state, p, value, &reason))
            refused (reason);
    }
    return allWritten;
}

bool write (DeviceState& state, const Param& param, const ParamValue& value, juce::String* why)
{
    return write (state, { { param, value } }, why);
}

ReadBackParts partsHolding (const std::vector<Param>& params)
{
    ReadBackParts parts;
    for (const auto& p : params)
    {
        if (!p.isValid())
            continue;
        if (p.kind == Kind::route)
            parts.routing = true;
        else if (p.kind == Kind::mute)
            parts.mute = true;
        else
            parts.blocks.set ((size_t) blockOf (p));
    }
    return parts;
}

ReadBackParts partsNeededToWrite (const std::vector<std::pair<Param, ParamValue>>& values)
{
    ReadBackParts parts;
    // Per output and cut: bit 0 a type given, bit 1 a slope given.
    std::map<std::pair<int, int>, int> cutFields;
    for (const auto& [p, value] : values)
    {
        if (!p.isValid())
            continue;
        if (p.kind == Kind::route)
            parts.routing = true;
        else if (p.kind == Kind::mute)
        {
            parts.mute = true;
            parts.blocks.set ((size_t) blockOf (p)); // the output's gain
        }
        else if (p.kind == Kind::cutType || p.kind == Kind::cutSlope)
            cutFields[{ p.channel, p.index }] |= p.kind == Kind::cutType ? 1 : 2;
    }
    for (const auto& [cut, fields] : cutFields)
        if (fields != 3)
            parts.blocks.set ((size_t) ReadBackParts::outputBlock (cut.first));
    return parts;
}
} // namespace ParamSpace
