#include "cli/RewFilters.h"

#include "common/EqTables.h"
#include "common/Utf8.h"
#include "device/Protocol.h"
#include "state/EQResponse.h"
#include "state/OutputEQState.h"

#include <cmath>

namespace RewFilters
{
namespace
{
// Gains and bandwidths from their codes, as a read-back turns them back into values.
constexpr double bandGainStep = 0.5, bandGainCodeOffset = 24.0, bandwidthStep = 0.04;
// Frequencies where the response error is looked at: 20 Hz to 20 kHz, evenly in log frequency.
constexpr int errorGridPoints = 1201;

std::optional<double> readNumber (const juce::String& token)
{
    const auto text = token.replaceCharacter (',', '.');
    if (!text.containsOnly ("+-.0123456789eE") || !text.containsAnyOf ("0123456789"))
        return std::nullopt;
    const double value = text.getDoubleValue();
    return std::isfinite (value) ? std::optional<double> (value) : std::nullopt;
}

bool isKey (const juce::String& token)
{
    return token.equalsIgnoreCase ("Fc") || token.equalsIgnoreCase ("Gain") || token.equalsIgnoreCase ("Q") ||
           token.startsWithIgnoreCase ("BW");
}

// "Filter 12:" at the start of a line: its number, or 0 for any other line.
int filterNumber (const juce::String& line, juce::String& rest)
{
    const auto trimmed = line.trimStart();
    if (!trimmed.startsWithIgnoreCase ("Filter"))
        return 0;
    const auto afterWord = trimmed.substring (6).trimStart();
    const auto digits = afterWord.initialSectionContainingOnly ("0123456789");
    if (digits.isEmpty())
        return 0;
    const auto afterNumber = afterWord.substring (digits.length()).trimStart();
    if (!afterNumber.startsWithChar (':'))
        return 0;
    rest = afterNumber.substring (1);
    return juce::jmax (1, digits.getIntValue());
}

juce::String parseFilterLine (const juce::String& rest, Filter& filter)
{
    juce::StringArray tokens;
    tokens.addTokens (rest, " \t", "");
    tokens.removeEmptyStrings();
    if (tokens.isEmpty() || !(tokens[0].equalsIgnoreCase ("ON") || tokens[0].equalsIgnoreCase ("OFF")))
        return "expected ON or OFF after the filter number";
    filter.on = tokens[0].equalsIgnoreCase ("ON");

    int i = 1;
    juce::StringArray typeWords;
    while (i < tokens.size() && !isKey (tokens[i]))
        typeWords.add (tokens[i++]);
    filter.type = typeWords.joinIntoString (" ");

    while (i < tokens.size())
    {
        const auto key = tokens[i++];
        if (i >= tokens.size())
            return "no value after \"" + key + "\"";
        const auto value = readNumber (tokens[i]);
        if (!value)
            return "\"" + tokens[i] + "\" after \"" + key + "\" is not a number";
        ++i;
        const auto unit = i < tokens.size() ? tokens[i] : juce::String();
        if (key.equalsIgnoreCase ("Fc"))
        {
            const bool kilo = unit.equalsIgnoreCase ("kHz");
            filter.frequencyHz = kilo ? *value * 1000.0 : *value;
            if (!std::isfinite (*filter.frequencyHz))
                return "\"" + tokens[i - 1] + " kHz\" after \"" + key + "\" is beyond any frequency";
            if (kilo || unit.equalsIgnoreCase ("Hz"))
                ++i;
        }
        else if (key.equalsIgnoreCase ("Gain"))
        {
            filter.gainDb = *value;
            if (unit.equalsIgnoreCase ("dB"))
                ++i;
        }
        else if (key.equalsIgnoreCase ("Q"))
            filter.q = *value;
        // Other keys (a bandwidth some equaliser types give instead of Q) are read past.
    }
    if (filter.on && filter.isPeaking())
    {
        if (!filter.frequencyHz || !(*filter.frequencyHz > 0.0))
            return "a peaking filter needs a frequency above 0 (Fc)";
        if (!filter.gainDb)
            return "a peaking filter needs a gain (Gain)";
        if (!filter.q || !(*filter.q > 0.0))
            return "a peaking filter needs a Q above 0";
    }
    return {};
}

juce::String describe (const juce::String& type)
{
    const auto t = type.toUpperCase();
    if (t.startsWith ("LS") || t.startsWith ("HS"))
        return "a shelf";
    if (t.startsWith ("LP") || t.startsWith ("HP"))
        return "a cut";
    if (t == "NO")
        return "a notch";
    if (t == "AP")
        return "an all-pass";
    if (t == "BP")
        return "a band-pass";
    return "not a peaking filter";
}

EQResponse::Band bellOf (double frequencyHz, double gainDb, double q)
{
    return { gainDb, frequencyHz, q };
}

double gridFrequency (int i)
{
    return minimumEQFrequency * std::pow (maximumEQFrequency / minimumEQFrequency, (double) i / (errorGridPoints - 1));
}
} // namespace

juce::String textOf (const juce::MemoryBlock& bytes)
{
    const auto* data = static_cast<const char*> (bytes.getData());
    if (isWellFormedUtf8 (data, bytes.getSize()))
        return juce::String::fromUTF8 (data, (int) bytes.getSize());
    std::vector<juce::juce_wchar> wide (bytes.getSize() + 1, 0);
    for (size_t i = 0; i < bytes.getSize(); ++i)
        wide[i] = (juce::juce_wchar) (unsigned char) data[i];
    return juce::String (juce::CharPointer_UTF32 (wide.data()));
}

Parsed parse (const juce::String& text)
{
    Parsed parsed;
    juce::StringArray lines;
    lines.addLines (text);
    for (int i = 0; i < lines.size(); ++i)
    {
        juce::String rest;
        const int number = filterNumber (lines[i], rest);
        if (number == 0)
            continue;
        Filter filter;
        filter.line = i + 1;
        filter.number = number;
        const auto problem = parseFilterLine (rest, filter);
        if (problem.isNotEmpty())
        {
            parsed.error = "line " + juce::String (i + 1) + ": " + problem;
            return parsed;
        }
        parsed.filters.push_back (filter);
    }
    if (parsed.filters.empty())
        parsed.error = "no \"Filter N:\" lines: " + juce::String (notAnExportMessage);
    return parsed;
}

double bandwidthFromQ (double q) noexcept
{
    return 2.0 / std::log (2.0) * std::asinh (1.0 / (2.0 * q));
}

int nearestFrequencyIndex (double hz) noexcept
{
    if (!(hz > 0.0))
        return 0;
    int best = 0;
    for (int i = 1; i <= eqFrequencyLastDistinctIndex; ++i)
        if (std::abs (std::log (hz / EQFrequencyTable[(size_t) i])) <
            std::abs (std::log (hz / EQFrequencyTable[(size_t) best])))
            best = i;
    return best;
}

namespace
{
// Why the filters cannot be imported without --drop-extra: the first filter,
// in file order, that the bands cannot take; empty when they all fit.
juce::String refusalOf (const std::vector<Filter>& filters, int bandCount)
{
    int used = 0;
    for (const auto& filter : filters)
    {
        if (!filter.on || filter.isEmpty())
            continue;
        if (!filter.isPeaking())
            return "line " + juce::String (filter.line) + ": filter " + juce::String (filter.number) + " is of type " +
                   filter.type + ", " + describe (filter.type) +
                   ", which the bands cannot express (--drop-extra leaves it out)";
        if (used++ < bandCount)
            continue;
        int peaking = 0;
        for (const auto& f : filters)
            peaking += f.on && f.isPeaking() ? 1 : 0;
        return juce::String (peaking) + " peaking filters, but the channel has " + juce::String (bandCount) +
               " bands; line " + juce::String (filter.line) + " is the first too many (--drop-extra keeps the first " +
               juce::String (bandCount) + ")";
    }
    return {};
}
} // namespace

Import map (const std::vector<Filter>& filters, int bandCount, int maximumBandwidthCode, bool dropExtra)
{
    Import result;
    // Before anything is evaluated: a million filters would take minutes to map only to be refused.
    if (!dropExtra)
        result.refusal = refusalOf (filters, bandCount);
    if (result.refusal.isNotEmpty())
        return result;
    result.bands.resize ((size_t) juce::jmax (0, bandCount));
    int used = 0;
    for (const auto& filter : filters)
    {
        Mapped m;
        m.asked = filter;
        if (!filter.on)
            m.fate = Mapped::Fate::off;
        else if (filter.isEmpty())
            m.fate = Mapped::Fate::empty;
        else if (!filter.isPeaking())
            m.fate = Mapped::Fate::unsupported;
        else if (used == bandCount)
            m.fate = Mapped::Fate::extra;
        else
        {
            m.band = used++;
            const double hz = *filter.frequencyHz, gain = *filter.gainDb, q = *filter.q;
            const int frequencyIndex = nearestFrequencyIndex (hz);
            const int gainCode = Protocol::bandGainCode (gain);
            m.askedBandwidthOctaves = bandwidthFromQ (q);
            const int bandwidthCode = Protocol::bandwidthCode (m.askedBandwidthOctaves, maximumBandwidthCode);

            m.sent.frequencyHz = EQFrequencyTable[(size_t) frequencyIndex];
            m.sent.gainDb = (gainCode - bandGainCodeOffset) * bandGainStep;
            m.sent.bandwidthOctaves = bandwidthCode * bandwidthStep;
            m.frequencyLimited = hz < minimumEQFrequency || hz > maximumEQFrequency;
            // Limited: beyond what rounding to the nearest code would do.
            const auto beyond = [] (double exactCode, int low, int high)
            { return exactCode < low - 0.5 || exactCode > high + 0.5; };
            m.gainLimited = beyond (gain / bandGainStep + bandGainCodeOffset, 0, Protocol::maximumBandGainCode);
            m.bandwidthLimited =
                beyond (m.askedBandwidthOctaves / bandwidthStep, Protocol::minimumBandwidthCode, maximumBandwidthCode);
            result.bands[(size_t) m.band] = m.sent;

            const auto asked = bellOf (hz, gain, q);
            const auto sent =
                bellOf (m.sent.frequencyHz, m.sent.gainDb, OutputEQState::derivedQ (m.sent.bandwidthOctaves));
            for (int i = 0; i < errorGridPoints; ++i)
            {
                const double f = gridFrequency (i);
                m.largestErrorDb = std::max (
                    m.largestErrorDb, std::abs (EQResponse::bandLevel (asked, f) - EQResponse::bandLevel (sent, f)));
            }
        }
        result.filters.push_back (m);
    }

    // All together: what REW asked for (dropped filters included) against what the bands do.
    for (int i = 0; i < errorGridPoints; ++i)
    {
        const double f = gridFrequency (i);
        double difference = 0.0;
        for (const auto& m : result.filters)
        {
            if (m.fate == Mapped::Fate::mapped)
            {
                difference -= EQResponse::bandLevel (
                    bellOf (m.sent.frequencyHz, m.sent.gainDb, OutputEQState::derivedQ (m.sent.bandwidthOctaves)), f);
            }
            if ((m.fate == Mapped::Fate::mapped || m.fate == Mapped::Fate::extra) && m.asked.isPeaking())
                difference += EQResponse::bandLevel (bellOf (*m.asked.frequencyHz, *m.asked.gainDb, *m.asked.q), f);
        }
        if (std::abs (difference) > result.largestErrorDb)
        {
            result.largestErrorDb = std::abs (difference);
            result.largestErrorAtHz = f;
        }
    }
    return result;
}
} // namespace RewFilters
