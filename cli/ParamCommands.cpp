#include "cli/ParamCommands.h"

#include "cli/DeviceSession.h"
#include "state/ParamSpace.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"

#include <iostream>
#include <optional>

namespace Cli
{
const char* const setUsage = R"(Usage: tavikctl set PARAM VALUE [PARAM VALUE ...] [--port P | --file PRESET]

Sets parameters by name, in the order given, with the commands the program
sends when the same values are set in its panels; each must be echoed.
Prints every parameter named with its value as the panels would then show
it (a delay at the step it lands on); get shows what the processor holds
(frequencies and bandwidths at the nearest entries of its tables, gains in
0.5 dB steps).

Values are read as the panels read them: gains and limiter in dB,
frequencies in Hz (k for thousands), bandwidths in octaves, delays in ms,
cut types off, but, bes or lr, slopes 6, 12, 18, 24 or 48 (dB/oct, as the
cut's type allows), phase normal or inverted, route and mute on or off,
names as text (8 characters). A unit may follow a number ("-3dB", "1.2k Hz").
Values beyond a parameter's range are limited to it.

A mute, a route and a cut's type or slope alone share their command with
other values: those are read from the processor first (firmware 1.0a or
later), so that nothing but the named parameters changes there.

With --file, the whole-state preset is rewritten as the program saves it,
with every value it does not name kept.

Parameters (tavikctl get --all lists every one):
  input.A.gain, input.A.delay, input.A.name         (inputs A, B, C)
  input.A.band.1.gain / .freq / .bw                 (bands 1 to 6)
  output.1.gain, output.1.delay, output.1.name      (outputs 1 to 6)
  output.1.band.1.gain / .freq / .bw                (bands 1 to 4)
  output.1.lowcut.freq / .type / .slope, output.1.highcut...
  output.1.phase, output.1.limiter, output.1.mute, output.1.route.A (.B, .C)

A name or value that is not understood exits 2 before the port is opened.
A value that begins with "-" but is not a number goes after "--".
)";

const char* const getUsage = R"(Usage: tavikctl get PARAM... | --all  [--port P | --file PRESET]

Prints one line "PARAM VALUE" for each parameter named, in the order given
and in the form set takes (tavikctl set --help lists the names). --all
prints every parameter.

From the processor only what holds the named parameters is read back: their
channels, the routing or the mutes (firmware 1.0a or later). With --file,
the values of a whole-state preset.
)";

namespace
{
using Values = std::vector<std::pair<Param, ParamValue>>;

int usageError (const juce::String& message, const char* usage)
{
    printError (message);
    std::cerr << usage;
    return exitBadUsage;
}

std::optional<Param> paramNamed (const juce::String& text)
{
    juce::String why;
    const auto param = Param::fromString (text, &why);
    if (!param)
        printError (why);
    return param;
}

// Names and values in pairs; nothing (with the reason printed) at the first not understood.
std::optional<Values> valuesFrom (const juce::StringArray& words)
{
    Values values;
    for (int i = 0; i + 1 < words.size(); i += 2)
    {
        const auto param = paramNamed (words[i]);
        if (!param)
            return std::nullopt;
        juce::String why;
        const auto value = ParamSpace::parse (*param, words[i + 1], &why);
        if (!value)
        {
            printError (why);
            return std::nullopt;
        }
        values.push_back ({ *param, *value });
    }
    return values;
}

// Why the record would refuse one of the values (a slope the cut's type does
// not offer), tried on a copy of like that is connected to nothing; empty
// when it takes them all.
juce::String refusal (const DeviceState* like, const Values& values)
{
    DeviceSession scratch;
    if (like != nullptr)
    {
        Values copy;
        for (const auto& p : Param::all())
            copy.push_back ({ p, ParamSpace::read (*like, p) });
        ParamSpace::write (scratch.state, copy);
    }
    juce::String why;
    return ParamSpace::write (scratch.state, values, &why) ? juce::String() : why;
}

juce::String lines (const DeviceState& state, const std::vector<Param>& params)
{
    juce::String text;
    for (const auto& p : params)
        text << p.toString() << " " << ParamSpace::format (p, ParamSpace::read (state, p)) << "\n";
    return text;
}

std::vector<Param> paramsOf (const Values& values)
{
    std::vector<Param> params;
    for (const auto& v : values)
        params.push_back (v.first);
    return params;
}

// A whole-state preset into the record, as the program loads it; false
// (with the program's message printed) when it cannot be used.
bool loadPreset (const juce::File& file, DeviceState& state)
{
    juce::String error;
    const auto root = DeviceState::readPresetDocument (file, error);
    if (root != nullptr && !StateXml::hasName (*root, statePresetTag))
        error = "Invalid file format";
    if (root == nullptr || error.isNotEmpty())
    {
        printError (file.getFullPathName() + ": " + error);
        return false;
    }
    applyStatePreset (state, *root);
    return true;
}

juce::File fileOption (const Arguments& a)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (a.value ("--file"));
}

int setInFile (const juce::File& file, const Values& values)
{
    DeviceSession session; // never connected
    if (!loadPreset (file, session.state))
        return exitBadUsage;
    juce::String why, error;
    if (!ParamSpace::write (session.state, values, &why))
    {
        printError (why + "; " + file.getFileName() + " is unchanged");
        return exitBadUsage;
    }
    if (!DeviceState::writePresetFile (file, *statePresetElement (session.state), error))
    {
        printError (error);
        return exitBadUsage;
    }
    std::cout << lines (session.state, paramsOf (values)).toStdString() << std::flush;
    return exitSuccess;
}
} // namespace

int setParams (const Arguments& a)
{
    const auto& words = a.positional;
    if (words.isEmpty())
        return usageError ("give PARAM VALUE pairs", setUsage);
    if (words.size() % 2 != 0)
        return usageError (words[words.size() - 1] + " has no value", setUsage);
    if (a.hasValue ("--port") && a.hasValue ("--file"))
        return usageError ("give either --port P or --file PRESET", setUsage);
    const auto values = valuesFrom (words);
    if (!values)
        return exitBadUsage;
    if (a.hasValue ("--file"))
        return setInFile (fileOption (a), *values);

    // What no processor state can make acceptable is refused before the port is opened.
    if (const auto why = refusal (nullptr, *values); why.isNotEmpty())
    {
        printError (why);
        return exitBadUsage;
    }
    DeviceSession session;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    const auto parts = ParamSpace::partsNeededToWrite (*values);
    if (!parts.isEmpty())
    {
        if (const int failed = session.readBack (parts, "set", "nothing was set"))
            return failed;
        if (const auto why = refusal (&session.state, *values); why.isNotEmpty())
        {
            printError (why + "; nothing was set");
            return exitBadUsage;
        }
    }
    if (const int failed = session.send ("set", [&] { ParamSpace::write (session.state, *values); }))
        return failed;
    session.close (true);
    std::cout << lines (session.state, paramsOf (*values)).toStdString() << std::flush;
    return exitSuccess;
}

int getParams (const Arguments& a)
{
    if (a.has ("--all") != a.positional.isEmpty())
        return usageError ("give either parameter names or --all", getUsage);
    if (a.hasValue ("--port") && a.hasValue ("--file"))
        return usageError ("give either --port P or --file PRESET", getUsage);
    std::vector<Param> params;
    if (a.has ("--all"))
        params = Param::all();
    for (const auto& word : a.positional)
    {
        const auto param = paramNamed (word);
        if (!param)
            return exitBadUsage;
        params.push_back (*param);
    }

    DeviceSession session;
    if (a.hasValue ("--file"))
    {
        if (!loadPreset (fileOption (a), session.state))
            return exitBadUsage;
    }
    else
    {
        if (const int failed = session.connect (a.value ("--port")))
            return failed;
        if (const int failed = session.readBack (ParamSpace::partsHolding (params), "get", "nothing was read"))
            return failed;
        session.close (true);
    }
    std::cout << lines (session.state, params).toStdString() << std::flush;
    return exitSuccess;
}
} // namespace Cli
