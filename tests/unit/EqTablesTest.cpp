#include "common/EqTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct LookupCase
{
    double value;
    int expected;
};
} // namespace

TEST (EqTables, TablesAreNonDecreasingOverTheirSearchRangeWithTheSpecifiedTails)
{
    for (int i = 1; i <= eqFrequencyLastSearchIndex; ++i)
        EXPECT_LE (EQFrequencyTable[size_t (i - 1)], EQFrequencyTable[size_t (i)]) << i;
    for (int i = 1; i <= eqBandwidthLastSearchIndex; ++i)
        EXPECT_LE (EQBandwidthTable[size_t (i - 1)], EQBandwidthTable[size_t (i)]) << i;

    EXPECT_EQ (EQFrequencyTable[45], 680.0f);
    EXPECT_EQ (EQFrequencyTable[47], 800.0f);
    EXPECT_EQ (EQFrequencyTable[89], 20000.0f);
    EXPECT_EQ (EQFrequencyTable[90], 20000.0f);
    EXPECT_EQ (EQFrequencyTable[91], 0.0f);
    EXPECT_EQ (EQBandwidthTable[5], 0.3f);
    EXPECT_EQ (EQBandwidthTable[16], 3.0f);
    EXPECT_EQ (EQBandwidthTable[17], 3.0f);
    EXPECT_EQ (EQBandwidthTable[18], 0.0f);
}

TEST (EqTables, EveryDistinctEntryFindsItsOwnIndexAndRepeatsFindTheFirst)
{
    for (int i = 0; i <= eqFrequencyLastDistinctIndex; ++i)
        EXPECT_EQ (EQTableIndex (EQTable::frequency, EQFrequencyTable[size_t (i)]), i);
    for (int i = 0; i <= eqBandwidthLastDistinctIndex; ++i)
        EXPECT_EQ (EQTableIndex (EQTable::bandwidth, EQBandwidthTable[size_t (i)]), i);
}

TEST (EqTables, FrequencyLookupTakesTheEntryBelowAndStaysInsideTheTable)
{
    const LookupCase cases[] = {
        { 20, 0 },     { 21, 0 },    { 22.49, 0 },  { 680, 45 },   { 799.9, 46 }, { 20000, 89 },
        { 19999, 88 }, { 19.99, 0 }, { 0, 0 },      { -1000, 0 },  { 25000, 89 }, { kNaN, 0 },
        { kInf, 89 },  { -kInf, 0 }, { 1e300, 89 }, { -1e300, 0 }, { -kNaN, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (EQTableIndex (EQTable::frequency, c.value), c.expected) << c.value;
}

TEST (EqTables, BandwidthLookupComparesWithWidenedSinglePrecisionEntries)
{
    const LookupCase cases[] = {
        { 0.04, 0 }, { 0.3, 4 },   { double (0.3f), 5 }, { 0.7, 9 },  { 3.0, 16 },  { 2.99, 15 }, { 0.0, 0 },
        { -1.0, 0 }, { 0.039, 0 }, { 5.0, 16 },          { kNaN, 0 }, { kInf, 16 }, { -kInf, 0 }, { 1e300, 16 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (EQTableIndex (EQTable::bandwidth, c.value), c.expected) << c.value;
}

TEST (EqTables, ClampTreatsNaNAsTheLowEnd)
{
    struct ClampCase
    {
        double value, frequency, bandwidth;
    };
    const double lowBandwidth = double (0.04f);
    const ClampCase cases[] = {
        { kNaN, 20, lowBandwidth },
        { -kInf, 20, lowBandwidth },
        { kInf, 20000, 3 },
        { 1e300, 20000, 3 },
        { 0, 20, lowBandwidth },
        { 1, 20, 1 },
        { 800, 800, 3 },
        { 0.5, 20, 0.5 },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (clampFrequency (c.value), c.frequency) << c.value;
        EXPECT_EQ (clampBandwidth (c.value), c.bandwidth) << c.value;
    }
}

TEST (EqTables, SanitizeChannelNameCutsToEightAndReplacesCharactersOutsideSpaceToZ)
{
    struct NameCase
    {
        juce::String in, out;
    };
    const NameCase cases[] = {
        { "Front Left Main", "Front Le" },
        { "Sub Left Long", "Sub Left" },
        { "KICK", "KICK" },
        { "", "" },
        { "A\tB~C", "A-B-C" },
        { " z{", " z-" },                                                       // 0x20 and 0x7A kept, 0x7B replaced
        { juce::String::charToString (0x1F), "-" },                             // just below space
        { juce::String (juce::CharPointer_UTF8 ("\xc3\xa9t\xc3\xa9")), "-t-" }, // é counts as one character
        { juce::String (juce::CharPointer_UTF8 ("\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac"
                                                "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac")),
          "--------" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (sanitizeChannelName (c.in), c.out) << c.in;
}

TEST (EqTables, SanitizedNamesAreFixedPoints)
{
    const juce::String name ("Front Left Main\x7f");
    EXPECT_EQ (sanitizeChannelName (sanitizeChannelName (name)), sanitizeChannelName (name));
}
