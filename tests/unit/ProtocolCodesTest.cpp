#include "common/EqTables.h"
#include "device/Protocol.h"
#include "device/SerialPort.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

using namespace Protocol;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct CodeCase
{
    double value;
    int expected;
};

template <typename Convert>
void expectCodes (const char* what, Convert convert, std::initializer_list<CodeCase> cases)
{
    for (const auto& c : cases)
        EXPECT_EQ (int (convert (c.value)), c.expected) << what << " of " << c.value;
}
} // namespace

TEST (ProtocolCodes, RoundingIsToNearestWithHalvesToEven)
{
    expectCodes ("round", roundHalfEven,
                 { { 12.5, 12 }, { 7.5, 8 }, { 22.5, 22 }, { 0.5, 0 }, { 1.5, 2 }, { -0.5, 0 }, { 2.4999, 2 } });
}

TEST (ProtocolCodes, ChannelGain)
{
    expectCodes ("gain", gainCode,
                 { { 12, 0 },
                   { 0, 24 },
                   { -60, 144 },
                   { -0.5, 25 },
                   { 12.5, 0 },
                   { -61, 144 },
                   { -3.5, 31 },
                   { -0.25, 24 },
                   { -0.75, 26 },
                   { 11.75, 0 },
                   { 11.25, 2 },
                   { kNaN, 144 },
                   { kInf, 0 },
                   { -kInf, 144 },
                   { 1e300, 0 },
                   { -1e300, 144 } });
}

TEST (ProtocolCodes, BandGain)
{
    expectCodes ("band gain", bandGainCode,
                 { { 12, 48 },
                   { -12, 0 },
                   { 0, 24 },
                   { 12.5, 48 },
                   { -12.5, 0 },
                   { 0.25, 24 },
                   { 0.75, 26 },
                   { kNaN, 24 },
                   { kInf, 48 },
                   { -kInf, 0 },
                   { 1e300, 48 },
                   { -1e300, 0 } });
}

TEST (ProtocolCodes, FrequencyCodeIsTheTableIndexWithin0To89)
{
    expectCodes ("frequency", frequencyCode,
                 { { 20, 0 },
                   { 21, 0 },
                   { 680, 45 },
                   { 800, 47 },
                   { 20000, 89 },
                   { 19.5, 0 },
                   { -5, 0 },
                   { 3e4, 89 },
                   { kNaN, 0 },
                   { kInf, 89 },
                   { -kInf, 0 },
                   { 1e300, 89 } });
    for (int i = 0; i <= eqFrequencyLastSearchIndex; ++i)
        EXPECT_EQ (frequencyCode (EQFrequencyTable[size_t (i)]), std::min (i, 89)) << i;
}

TEST (ProtocolCodes, InputBandwidthIsLimitedTo17)
{
    expectCodes ("input bandwidth", inputBandwidthCode,
                 { { 0.04, 1 },
                   { 0.30, 8 },
                   { 0.50, 12 },
                   { 0.68, 17 },
                   { 0.7, 17 },
                   { 3.0, 17 },
                   { 0.0, 1 },
                   { -1, 1 },
                   { kNaN, 1 },
                   { kInf, 17 },
                   { -kInf, 1 },
                   { 1e300, 17 } });
}

TEST (ProtocolCodes, OutputBandwidthIsLimitedTo75)
{
    expectCodes ("output bandwidth", outputBandwidthCode,
                 { { 0.04, 1 },
                   { 0.30, 8 },
                   { double (0.3f), 8 },
                   { 0.50, 12 },
                   { 2.5, 62 },
                   { 3.0, 75 },
                   { 10, 75 },
                   { 0.0, 1 },
                   { kNaN, 1 },
                   { kInf, 75 },
                   { -kInf, 1 },
                   { 1e300, 75 } });
}

TEST (ProtocolCodes, EveryDistinctBandwidthOfTheTableHasItsOwnOutputCode)
{
    for (int i = 1; i <= eqBandwidthLastDistinctIndex; ++i)
        EXPECT_LT (outputBandwidthCode (EQBandwidthTable[size_t (i - 1)]),
                   outputBandwidthCode (EQBandwidthTable[size_t (i)]))
            << i;
}

TEST (ProtocolCodes, LimiterThreshold)
{
    expectCodes ("limiter", limiterCode,
                 { { 0, 28 },
                   { 20, 8 },
                   { -20, 48 },
                   { 0.5, 28 },
                   { -2.5, 30 },
                   { 1.5, 26 },
                   { 25, 8 },
                   { -25, 48 },
                   { kNaN, 48 },
                   { kInf, 8 },
                   { -kInf, 48 },
                   { 1e300, 8 },
                   { -1e300, 48 } });
}

TEST (ProtocolCodes, PhaseIsLimitedTo0And1)
{
    const std::pair<int, int> cases[] = { { INT_MIN, 0 }, { -3, 0 }, { 0, 0 }, { 1, 1 }, { 2, 1 }, { INT_MAX, 1 } };
    for (const auto& [phase, expected] : cases)
        EXPECT_EQ (phaseCode (phase), expected) << phase;
}

TEST (ProtocolCodes, DelayIsSentHighByteFirst)
{
    struct DelayCase
    {
        std::uint16_t steps;
        int high, low;
    };
    const DelayCase cases[] = {
        { 5760, 0x16, 0x80 }, { 0, 0, 0 }, { 255, 0, 0xFF }, { 256, 1, 0 }, { 65535, 0xFF, 0xFF }
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (delayHighByte (c.steps), c.high) << c.steps;
        EXPECT_EQ (delayLowByte (c.steps), c.low) << c.steps;
    }
}

TEST (ProtocolCodes, NameCharacterIsTheLowByteOfTheCode)
{
    EXPECT_EQ (nameCharacterCode ('K'), 0x4B);
    EXPECT_EQ (nameCharacterCode (namePadding), 0x20);
    EXPECT_EQ (nameCharacterCode (0x17A), 0x7A);
}

TEST (ProtocolCodes, MuteValueIsFFForAMutedOutputElseItsGainCode)
{
    EXPECT_EQ (muteValue (2, 0b000100, 0.0), 0xFF);
    EXPECT_EQ (muteValue (2, 0b000000, 0.0), 24);
    EXPECT_EQ (muteValue (2, 0b111011, -3.5), 31);
    EXPECT_EQ (muteValue (5, 0b100000, 0.0), 0xFF);
    EXPECT_EQ (muteValue (0, 0xFF, kNaN), 0xFF);
    EXPECT_EQ (muteValue (6, 0xFF, 0.0), 24); // no such output: never taken as muted
    EXPECT_EQ (muteValue (-1, 0xFF, 0.0), 24);
}

TEST (ProtocolCodes, CutFilterCodeTableAndAllowedPairs)
{
    const int expected[4][5] = { { 0, 0, 0, 0, 0 }, { 1, 2, 3, 4, 5 }, { 99, 6, 99, 7, 99 }, { 99, 8, 99, 9, 10 } };
    int allowed = 0;
    for (int type = 0; type < 4; ++type)
    {
        for (int taps = 0; taps < 5; ++taps)
        {
            EXPECT_EQ (cutFilterCode (type, taps), expected[type][taps]) << type << "," << taps;
            EXPECT_EQ (isCutFilterAllowed (type, taps), expected[type][taps] <= 15) << type << "," << taps;
            allowed += isCutFilterAllowed (type, taps) ? 1 : 0;
        }
    }
    EXPECT_EQ (allowed, 15);

    const std::pair<int, int> outside[] = { { -1, 0 }, { 4, 1 }, { 0, -1 }, { 1, 5 }, { INT_MIN, INT_MAX } };
    for (const auto& [type, taps] : outside)
    {
        EXPECT_EQ (cutFilterCode (type, taps), noCutFilterCode) << type << "," << taps;
        EXPECT_FALSE (isCutFilterAllowed (type, taps)) << type << "," << taps;
    }
}

TEST (ProtocolCodes, ChannelNumbersAddressesAndOpcodes)
{
    for (int input = 0; input < inputCount; ++input)
        EXPECT_EQ (inputChannelNumber (input), input);
    for (int output = 0; output < outputCount; ++output)
        EXPECT_EQ (outputChannelNumber (output), output + 4);

    const std::pair<std::uint8_t, int> addresses[] = {
        { Address::bandFrequency (0), 0x03 }, { Address::bandGain (0), 0x04 },
        { Address::bandWidth (0), 0x05 },     { Address::bandFrequency (5), 0x12 },
        { Address::bandGain (2), 0x0A },      { Address::bandWidth (3), 0x0E },
        { Address::cutFrequency (0), 0x11 },  { Address::cutFilter (0), 0x12 },
        { Address::cutFrequency (1), 0x0F },  { Address::cutFilter (1), 0x10 },
        { Address::nameCharacter (0), 0x18 }, { Address::nameCharacter (7), 0x1F },
        { Address::limiterThreshold, 0x13 },  { Address::phase, 0x14 },
        { Address::inputRouting, 0x15 },
    };
    for (const auto& [address, expected] : addresses)
        EXPECT_EQ (address, expected);

    const std::pair<std::uint8_t, int> opcodes[] = {
        { identifyOpcode, 0x90 },        { firmwareVersionOpcode, 0x91 }, { readInputRoutingOpcode, 0x94 },
        { readOutputMutesOpcode, 0x98 }, { goodbyeOpcode, 0x99 },         { beginFirmwareUploadOpcode, 0x9F }
    };
    for (const auto& [opcode, expected] : opcodes)
        EXPECT_EQ (opcode, expected);
}

TEST (ProtocolCodes, ReadBackRequests)
{
    EXPECT_EQ (readBackRequest (inputChannelNumber (0)), (Message{ 0xD0, 0, 0, 0 }));
    EXPECT_EQ (readBackRequest (outputChannelNumber (5)), (Message{ 0xD9, 0, 0, 0 }));
}

TEST (ProtocolVersion, AnswerTextGivesTheVersionNumber)
{
    struct VersionCase
    {
        const char* text;
        int expected;
    };
    const VersionCase cases[] = {
        { "1.0a", 1000000 }, { "1.2c", 1002002 }, { "0.9z", 9025 }, { "9.9z", 9009025 }, { "2.0a", 2000000 },
    };
    for (const auto& c : cases)
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*> (c.text);
        EXPECT_EQ (firmwareVersionFromAnswer (bytes, 4), c.expected) << c.text;
    }
    const std::uint8_t highest[4] = { 0xFF, 0xFF, 0xFF, 0xFF };
    EXPECT_EQ (firmwareVersionFromAnswer (highest, 4), 255255255 - 48048097);
}

TEST (ProtocolVersion, ShortOrZeroLedAnswersGiveNoVersion)
{
    const std::uint8_t zeroLed[4] = { 0, '.', '0', 'a' };
    const std::uint8_t good[4] = { '1', '.', '0', 'a' };
    EXPECT_FALSE (firmwareVersionFromAnswer (zeroLed, 4).has_value());
    EXPECT_FALSE (firmwareVersionFromAnswer (good, 3).has_value());
    EXPECT_FALSE (firmwareVersionFromAnswer (good, 0).has_value());
    EXPECT_FALSE (firmwareVersionFromAnswer (nullptr, 4).has_value());
}

TEST (ProtocolVersion, GateOpensAt1_0a)
{
    const std::pair<int, bool> cases[] = { { 0, false },      { 9025, false }, { 999999, false },  { 1000000, true },
                                           { 1002002, true }, { -1, false },   { INT_MIN, false }, { INT_MAX, true } };
    for (const auto& [version, allowed] : cases)
        EXPECT_EQ (versionAllowsReadBackAndUpload (version), allowed) << version;
    EXPECT_EQ (minimumGatedVersion, 1000000);
}

TEST (ProtocolVersion, IdentifyFailsWithoutAnOpenPort)
{
    SerialPort port; // closed: transfers move no bytes, so the name never matches
    EXPECT_FALSE (port.identify());
    EXPECT_EQ (port.getFirmwareVersion(), 0);
}
