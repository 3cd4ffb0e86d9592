#include "common/EqTables.h"

#include <cmath>

namespace
{
constexpr int channelNameLength = 8;
constexpr juce::juce_wchar lowestNameCharacter = 0x20;
constexpr juce::juce_wchar highestNameCharacter = 0x7A;
constexpr juce::juce_wchar nameReplacement = '-';

double clampToRange (double value, double low, double high) noexcept
{
    if (std::isnan (value) || value < low)
        return low;
    return value > high ? high : value;
}

int tableIndex (const float* entries, int lastSearchIndex, double value) noexcept
{
    int index = 0;
    for (int i = 1; i <= lastSearchIndex; ++i)
    {
        // Strictly above the current entry, so a repeated entry keeps the first index.
        if (static_cast<double> (entries[i]) <= value && entries[i] > entries[index])
            index = i;
    }
    return index;
}
} // namespace

double clampFrequency (double hz) noexcept
{
    return clampToRange (hz, minimumEQFrequency, maximumEQFrequency);
}

double clampBandwidth (double octaves) noexcept
{
    return clampToRange (octaves, minimumEQBandwidth, maximumEQBandwidth);
}

int EQTableIndex (EQTable table, double value) noexcept
{
    if (table == EQTable::frequency)
        return tableIndex (EQFrequencyTable.data(), eqFrequencyLastSearchIndex, clampFrequency (value));
    return tableIndex (EQBandwidthTable.data(), eqBandwidthLastSearchIndex, clampBandwidth (value));
}

juce::String sanitizeChannelName (const juce::String& text)
{
    juce::String result;
    auto source = text.getCharPointer();
    for (int count = 0; count < channelNameLength && !source.isEmpty(); ++count)
    {
        const auto c = source.getAndAdvance();
        result += (c < lowestNameCharacter || c > highestNameCharacter) ? nameReplacement : c;
    }
    return result;
}
