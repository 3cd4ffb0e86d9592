#pragma once

#include <array>
#include <cstdint>
#include <optional>

// Every byte exchanged with the processor, as pure functions.
// Code conversions take any double (NaN, infinities, huge values) and apply
// their limits in floating point before converting to an integer.
namespace Protocol
{
using Message = std::array<std::uint8_t, 4>;
inline constexpr int messageSize = 4;

// Section sizes.
inline constexpr int inputCount = 3;
inline constexpr int outputCount = 6;
inline constexpr int inputBandCount = 6;
inline constexpr int outputBandCount = 4;
inline constexpr int cutCount = 2;
inline constexpr int nameLength = 8;
inline constexpr int maximumDelaySteps = 5760;

// Channel numbers on the wire: inputs 0..2, 3 unused, outputs 4..9.
inline constexpr int outputChannelOffset = 4;
inline constexpr int channelNumberCount = 10;
constexpr int inputChannelNumber (int input) noexcept
{
    return input;
}
constexpr int outputChannelNumber (int output) noexcept
{
    return output + outputChannelOffset;
}
constexpr bool isInput (int input) noexcept
{
    return input >= 0 && input < inputCount;
}
constexpr bool isOutput (int output) noexcept
{
    return output >= 0 && output < outputCount;
}

// Selector high nibbles; the low nibble is the channel number.
inline constexpr std::uint8_t setParameterSelector = 0xA0;
inline constexpr std::uint8_t setMuteSelector = 0xB0;
inline constexpr std::uint8_t readBackSelector = 0xD0;
inline constexpr std::uint8_t reservedByte = 0x00;

// System opcodes (single bytes).
inline constexpr std::uint8_t identifyOpcode = 0x90;
inline constexpr std::uint8_t firmwareVersionOpcode = 0x91;
inline constexpr std::uint8_t readInputRoutingOpcode = 0x94;
inline constexpr std::uint8_t readOutputMutesOpcode = 0x98;
inline constexpr std::uint8_t goodbyeOpcode = 0x99;
inline constexpr std::uint8_t beginFirmwareUploadOpcode = 0x9F;

// Time-outs in ms.
inline constexpr int commandTimeoutMs = 10000;
inline constexpr int identifyTimeoutMs = 10000;
inline constexpr int versionReadTimeoutMs = 100;
inline constexpr int goodbyeTimeoutMs = 100;
inline constexpr int beginFirmwareUploadTimeoutMs = 50000;
inline constexpr int firmwareByteTimeoutMs = 10000;
inline constexpr int readBackTimeoutMs = 10000;

// Answers.
inline constexpr char identityText[] = "Tavik";
inline constexpr int identityLength = 5;
inline constexpr int versionAnswerLength = 4;
inline constexpr int channelBlockSize = 32;
inline constexpr int routingAnswerLength = outputCount;
inline constexpr int muteAnswerLength = 1;
inline constexpr int firmwareImageSize = 65536;

// Parameter addresses within a channel (also byte positions of a channel block).
namespace Address
{
inline constexpr std::uint8_t gain = 0x00;
inline constexpr std::uint8_t delayHigh = 0x01;
inline constexpr std::uint8_t delayLow = 0x02;
inline constexpr std::uint8_t firstBandFrequency = 0x03;
inline constexpr std::uint8_t firstBandGain = 0x04;
inline constexpr std::uint8_t firstBandWidth = 0x05;
inline constexpr int bandStride = 3;
inline constexpr std::uint8_t highCutFrequency = 0x0F;
inline constexpr std::uint8_t highCutFilter = 0x10;
inline constexpr std::uint8_t lowCutFrequency = 0x11;
inline constexpr std::uint8_t lowCutFilter = 0x12;
inline constexpr std::uint8_t limiterThreshold = 0x13;
inline constexpr std::uint8_t phase = 0x14;
inline constexpr std::uint8_t inputRouting = 0x15;
inline constexpr std::uint8_t firstNameCharacter = 0x18;

// Callers pass a valid band (0..5 or 0..3), cut (0..1) or position (0..7).
constexpr std::uint8_t bandFrequency (int band) noexcept
{
    return std::uint8_t (firstBandFrequency + bandStride * band);
}
constexpr std::uint8_t bandGain (int band) noexcept
{
    return std::uint8_t (firstBandGain + bandStride * band);
}
constexpr std::uint8_t bandWidth (int band) noexcept
{
    return std::uint8_t (firstBandWidth + bandStride * band);
}
constexpr std::uint8_t cutFrequency (int cut) noexcept
{
    return cut == 0 ? lowCutFrequency : highCutFrequency;
}
constexpr std::uint8_t cutFilter (int cut) noexcept
{
    return cut == 0 ? lowCutFilter : highCutFilter;
}
constexpr std::uint8_t nameCharacter (int position) noexcept
{
    return std::uint8_t (firstNameCharacter + position);
}
} // namespace Address

// Code conversions.
inline constexpr int maximumGainCode = 144;    // -60 dB
inline constexpr int maximumBandGainCode = 48; // +12 dB
inline constexpr int minimumBandwidthCode = 1;
inline constexpr int maximumInputBandwidthCode = 17;
inline constexpr int maximumOutputBandwidthCode = 75;
inline constexpr int limiterCodeOffset = 8;
inline constexpr int maximumLimiterSteps = 40;
inline constexpr std::uint8_t mutedValue = 0xFF;
inline constexpr std::uint8_t namePadding = 0x20;

// Nearest integer, halves to even, in the default rounding mode.
double roundHalfEven (double value) noexcept;

std::uint8_t gainCode (double gainDb) noexcept;                        // NaN: 144 (quietest)
std::uint8_t bandGainCode (double gainDb) noexcept;                    // NaN: 24 (flat)
std::uint8_t frequencyCode (double hz) noexcept;                       // 0..89; NaN and below 20 Hz: 0
std::uint8_t bandwidthCode (double octaves, int maximumCode) noexcept; // NaN: 1
inline std::uint8_t inputBandwidthCode (double octaves) noexcept
{
    return bandwidthCode (octaves, maximumInputBandwidthCode);
}
inline std::uint8_t outputBandwidthCode (double octaves) noexcept
{
    return bandwidthCode (octaves, maximumOutputBandwidthCode);
}
std::uint8_t limiterCode (double thresholdDb) noexcept; // 8..48; NaN: 48 (-20 dB)
std::uint8_t phaseCode (int phase) noexcept;
constexpr std::uint8_t delayHighByte (std::uint16_t steps) noexcept
{
    return std::uint8_t (steps >> 8);
}
constexpr std::uint8_t delayLowByte (std::uint16_t steps) noexcept
{
    return std::uint8_t (steps & 0xFF);
}
constexpr std::uint8_t nameCharacterCode (int characterCode) noexcept
{
    return std::uint8_t (characterCode & 0xFF);
}
// 0xFF when output's bit is set in the mask, else the gain code. Output 0..5.
std::uint8_t muteValue (int output, std::uint8_t muteMask, double gainDb) noexcept;

// Cut filters: rows type 0 OFF, 1 BUT, 2 BES, 3 L-R; columns taps_index 0..4
// (6, 12, 18, 24, 48 dB/octave). Codes above 15 are never sent.
inline constexpr int cutFilterTypeCount = 4;
inline constexpr int cutFilterTapsCount = 5;
inline constexpr std::uint8_t noCutFilterCode = 99;
inline constexpr std::uint8_t highestCutFilterCode = 15;
inline constexpr std::uint8_t CutFilterCodeTable[cutFilterTypeCount][cutFilterTapsCount]{
    { 0, 0, 0, 0, 0 },
    { 1, 2, 3, 4, 5 },
    { noCutFilterCode, 6, noCutFilterCode, 7, noCutFilterCode },
    { noCutFilterCode, 8, noCutFilterCode, 9, 10 },
};
// The table's entry; noCutFilterCode for a type or taps_index outside the table.
constexpr std::uint8_t cutFilterCode (int type, int tapsIndex) noexcept
{
    if (type < 0 || type >= cutFilterTypeCount || tapsIndex < 0 || tapsIndex >= cutFilterTapsCount)
        return noCutFilterCode;
    return CutFilterCodeTable[type][tapsIndex];
}
constexpr bool isCutFilterAllowed (int type, int tapsIndex) noexcept
{
    return cutFilterCode (type, tapsIndex) <= highestCutFilterCode;
}

// Message builders. The channel number must be 0..9 (the selectors' low nibble).
constexpr Message parameterCommand (int channelNumber, std::uint8_t address, std::uint8_t value) noexcept
{
    return { std::uint8_t (setParameterSelector + channelNumber), reservedByte, address, value };
}
constexpr Message muteCommand (int output, std::uint8_t muteMask, std::uint8_t value) noexcept
{
    return { std::uint8_t (setMuteSelector + outputChannelNumber (output)), reservedByte, muteMask, value };
}
constexpr Message readBackRequest (int channelNumber) noexcept
{
    return { std::uint8_t (readBackSelector + channelNumber), reservedByte, reservedByte, reservedByte };
}

// Firmware version from the 4-byte answer to 0x91: (b0*1000 + b2)*1000 + b3 - 48048097,
// so "1.0a" is 1000000 and "1.2c" 1002002. Nothing unless all 4 bytes arrived and b0 != 0.
inline constexpr int versionOffset = 48048097;
constexpr int firmwareVersionFromBytes (std::uint8_t b0, std::uint8_t b2, std::uint8_t b3) noexcept
{
    return (int (b0) * 1000 + int (b2)) * 1000 + int (b3) - versionOffset; // at most 255255255: no overflow
}
std::optional<int> firmwareVersionFromAnswer (const std::uint8_t* answer, int received) noexcept;

// Read-back and firmware upload need at least firmware 1.0a.
inline constexpr int minimumGatedVersion = 1000000;
constexpr bool versionAllowsReadBackAndUpload (int firmwareVersion) noexcept
{
    return firmwareVersion >= minimumGatedVersion;
}
} // namespace Protocol
