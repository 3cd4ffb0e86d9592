#include "state/Param.h"

#include "device/Protocol.h"

namespace
{
using Kind = Param::Kind;

constexpr int inputBandKinds = 3; // gain, frequency, bandwidth
constexpr int inputBlock = 1 + Protocol::inputBandCount * inputBandKinds + 2;
constexpr int cutKinds = 3; // frequency, type, slope
constexpr int outputBlock = 1 + Protocol::outputBandCount * inputBandKinds + Protocol::cutCount * cutKinds + 4;
constexpr int inputsSize = Protocol::inputCount * inputBlock;
constexpr int outputsSize = Protocol::outputCount * outputBlock;
constexpr int routesSize = Protocol::outputCount * Protocol::inputCount;

const char* const cutNames[] = { "lowcut", "highcut" };

juce::String inputLetter (int input)
{
    return juce::String::charToString (juce::juce_wchar ('A' + input));
}

int bandCount (bool output) noexcept
{
    return output ? Protocol::outputBandCount : Protocol::inputBandCount;
}

bool isBandKind (Kind kind) noexcept
{
    return kind == Kind::bandGain || kind == Kind::bandFrequency || kind == Kind::bandWidth;
}

bool isCutKind (Kind kind) noexcept
{
    return kind == Kind::cutFrequency || kind == Kind::cutType || kind == Kind::cutSlope;
}

const char* bandField (Kind kind)
{
    return kind == Kind::bandGain ? "gain" : kind == Kind::bandFrequency ? "freq" : "bw";
}

const char* cutField (Kind kind)
{
    return kind == Kind::cutFrequency ? "freq" : kind == Kind::cutType ? "type" : "slope";
}

// A whole number written as the text itself, within 1..count.
std::optional<int> countedFromOne (const juce::String& text, int count)
{
    if (text.isEmpty() || text.length() > 2 || !text.containsOnly ("0123456789"))
        return std::nullopt;
    const int n = text.getIntValue();
    if (n < 1 || n > count)
        return std::nullopt;
    return n - 1;
}

std::optional<int> inputFromLetter (const juce::String& text)
{
    if (text.length() != 1)
        return std::nullopt;
    const auto c = juce::CharacterFunctions::toUpperCase (text[0]);
    if (c < 'A' || c >= 'A' + Protocol::inputCount)
        return std::nullopt;
    return int (c - 'A');
}
} // namespace

bool Param::isValid() const noexcept
{
    if (output ? !Protocol::isOutput (channel) : !Protocol::isInput (channel))
        return false;
    if (isBandKind (kind))
        return index >= 0 && index < bandCount (output);
    if (isCutKind (kind))
        return output && index >= 0 && index < Protocol::cutCount;
    if (kind == Kind::route)
        return output && Protocol::isInput (index);
    if (kind == Kind::phase || kind == Kind::limiter || kind == Kind::mute)
        return output && index == 0;
    return index == 0;
}

int Param::ordinal() const noexcept
{
    if (!isValid())
        return -1;
    if (kind == Kind::route)
        return inputsSize + outputsSize + channel * Protocol::inputCount + index;
    if (kind == Kind::mute)
        return inputsSize + outputsSize + routesSize + channel;

    const int bands = bandCount (output) * inputBandKinds;
    int offset = 0;
    switch (kind)
    {
        case Kind::gain:
            offset = 0;
            break;
        case Kind::bandGain:
        case Kind::bandFrequency:
        case Kind::bandWidth:
            offset = 1 + index * inputBandKinds + (kind == Kind::bandGain ? 0 : kind == Kind::bandFrequency ? 1 : 2);
            break;
        case Kind::cutFrequency:
        case Kind::cutType:
        case Kind::cutSlope:
            offset = 1 + bands + index * cutKinds + (kind == Kind::cutFrequency ? 0 : kind == Kind::cutType ? 1 : 2);
            break;
        case Kind::phase:
            offset = 1 + bands + Protocol::cutCount * cutKinds;
            break;
        case Kind::limiter:
            offset = 2 + bands + Protocol::cutCount * cutKinds;
            break;
        case Kind::delay:
            offset = output ? 3 + bands + Protocol::cutCount * cutKinds : 1 + bands;
            break;
        case Kind::name:
            offset = output ? 4 + bands + Protocol::cutCount * cutKinds : 2 + bands;
            break;
        case Kind::route:
        case Kind::mute:
            break;
    }
    return output ? inputsSize + channel * outputBlock + offset : channel * inputBlock + offset;
}

const std::vector<Param>& Param::all()
{
    static const std::vector<Param> every = []
    {
        std::vector<Param> list;
        const auto channel = [&list] (bool output, int number)
        {
            list.push_back ({ output, number, Kind::gain, 0 });
            for (int band = 0; band < bandCount (output); ++band)
                for (auto kind : { Kind::bandGain, Kind::bandFrequency, Kind::bandWidth })
                    list.push_back ({ output, number, kind, band });
            if (output)
            {
                for (int cut = 0; cut < Protocol::cutCount; ++cut)
                    for (auto kind : { Kind::cutFrequency, Kind::cutType, Kind::cutSlope })
                        list.push_back ({ true, number, kind, cut });
                list.push_back ({ true, number, Kind::phase, 0 });
                list.push_back ({ true, number, Kind::limiter, 0 });
            }
            list.push_back ({ output, number, Kind::delay, 0 });
            list.push_back ({ output, number, Kind::name, 0 });
        };
        for (int input = 0; input < Protocol::inputCount; ++input)
            channel (false, input);
        for (int output = 0; output < Protocol::outputCount; ++output)
            channel (true, output);
        for (int output = 0; output < Protocol::outputCount; ++output)
            for (int input = 0; input < Protocol::inputCount; ++input)
                list.push_back (out (output, Kind::route, input));
        for (int output = 0; output < Protocol::outputCount; ++output)
            list.push_back (out (output, Kind::mute));
        return list;
    }();
    return every;
}

juce::String Param::toString() const
{
    if (!isValid())
        return {};
    juce::String text = output ? "output." + juce::String (channel + 1) : "input." + inputLetter (channel);
    switch (kind)
    {
        case Kind::gain:
            return text + ".gain";
        case Kind::bandGain:
        case Kind::bandFrequency:
        case Kind::bandWidth:
            return text + ".band." + juce::String (index + 1) + "." + bandField (kind);
        case Kind::delay:
            return text + ".delay";
        case Kind::name:
            return text + ".name";
        case Kind::cutFrequency:
        case Kind::cutType:
        case Kind::cutSlope:
            return text + "." + cutNames[index] + "." + cutField (kind);
        case Kind::phase:
            return text + ".phase";
        case Kind::limiter:
            return text + ".limiter";
        case Kind::route:
            return text + ".route." + inputLetter (index);
        case Kind::mute:
            return text + ".mute";
    }
    return {};
}

std::optional<Param> Param::fromString (const juce::String& text, juce::String* why)
{
    const auto fail = [why, &text] (const juce::String& reason) -> std::optional<Param>
    {
        if (why != nullptr)
            *why = "\"" + text + "\" " + reason;
        return std::nullopt;
    };

    const auto parts = juce::StringArray::fromTokens (text, ".", {});
    if (parts.size() < 3)
        return fail ("is not a parameter name (e.g. output.1.band.2.gain, input.A.delay)");

    Param p;
    if (parts[0] == "input")
    {
        const auto input = inputFromLetter (parts[1]);
        if (!input)
            return fail ("names no input: the inputs are A, B and C");
        p.channel = *input;
    }
    else if (parts[0] == "output")
    {
        const auto number = countedFromOne (parts[1], Protocol::outputCount);
        if (!number)
            return fail ("names no output: the outputs are 1 to 6");
        p.output = true;
        p.channel = *number;
    }
    else
        return fail ("is not a parameter name: it begins with input or output");

    const auto& what = parts[2];
    const int rest = parts.size() - 3;
    const auto simple = [&] (Kind kind) -> std::optional<Param>
    {
        if (rest != 0)
            return fail ("has too many parts");
        p.kind = kind;
        if (!p.isValid())
            return fail ("is not a parameter of " + juce::String (p.output ? "an output" : "an input"));
        return p;
    };

    if (what == "gain")
        return simple (Kind::gain);
    if (what == "delay")
        return simple (Kind::delay);
    if (what == "name")
        return simple (Kind::name);
    if (what == "phase")
        return simple (Kind::phase);
    if (what == "limiter")
        return simple (Kind::limiter);
    if (what == "mute")
        return simple (Kind::mute);
    if (what == "band")
    {
        if (rest != 2)
            return fail ("needs a band and a field: band.N.gain, band.N.freq or band.N.bw");
        const auto band = countedFromOne (parts[3], bandCount (p.output));
        if (!band)
            return fail ("names no band: " + juce::String (p.output ? "an output" : "an input") + " has bands 1 to " +
                         juce::String (bandCount (p.output)));
        p.index = *band;
        if (parts[4] == "gain")
            p.kind = Kind::bandGain;
        else if (parts[4] == "freq")
            p.kind = Kind::bandFrequency;
        else if (parts[4] == "bw")
            p.kind = Kind::bandWidth;
        else
            return fail ("names no band field: gain, freq or bw");
        return p;
    }
    if (what == cutNames[0] || what == cutNames[1])
    {
        if (!p.output)
            return fail ("is not a parameter of an input: only outputs have cut filters");
        if (rest != 1)
            return fail ("needs a field: freq, type or slope");
        p.index = what == cutNames[0] ? 0 : 1;
        if (parts[3] == "freq")
            p.kind = Kind::cutFrequency;
        else if (parts[3] == "type")
            p.kind = Kind::cutType;
        else if (parts[3] == "slope")
            p.kind = Kind::cutSlope;
        else
            return fail ("names no cut field: freq, type or slope");
        return p;
    }
    if (what == "route")
    {
        if (!p.output)
            return fail ("is not a parameter of an input: routes belong to outputs");
        const auto input = rest == 1 ? inputFromLetter (parts[3]) : std::nullopt;
        if (!input)
            return fail ("names no routed input: route.A, route.B or route.C");
        p.kind = Kind::route;
        p.index = *input;
        return p;
    }
    return fail ("names nothing a channel has");
}

juce::String Param::describe() const
{
    // A crosspoint is read along the router's row: which input feeds which output.
    if (kind == Kind::route && isValid())
        return "input " + inputLetter (index) + " to output " + juce::String (channel + 1);
    auto text = toString();
    return text.replaceCharacter ('.', ' ')
        .replace (" freq", " frequency")
        .replace (" bw", " bandwidth")
        .replace ("lowcut", "low cut")
        .replace ("highcut", "high cut");
}
