#include "device/Commands.h"

#include "device/SerialPort.h"

using namespace Protocol;

namespace
{
constexpr bool isInputBand (int band) noexcept
{
    return band >= 0 && band < inputBandCount;
}
constexpr bool isOutputBand (int band) noexcept
{
    return band >= 0 && band < outputBandCount;
}
constexpr bool isNamePosition (int position) noexcept
{
    return position >= 0 && position < nameLength;
}
constexpr bool isCut (int cut) noexcept
{
    return cut >= 0 && cut < cutCount;
}

std::optional<Message> inputCommand (bool valid, int channel, std::uint8_t address, std::uint8_t value) noexcept
{
    if (!valid || !isInput (channel))
        return std::nullopt;
    return parameterCommand (inputChannelNumber (channel), address, value);
}

std::optional<Message> outputCommand (bool valid, int output, std::uint8_t address, std::uint8_t value) noexcept
{
    if (!valid || !isOutput (output))
        return std::nullopt;
    return parameterCommand (outputChannelNumber (output), address, value);
}

DelayMessages delayMessages (int channelNumber, std::uint16_t steps) noexcept
{
    return { parameterCommand (channelNumber, Address::delayHigh, delayHighByte (steps)),
             parameterCommand (channelNumber, Address::delayLow, delayLowByte (steps)) };
}

int send (WorkerContext& context, const Message& message)
{
    const int sent = context.port.sendAndVerify (message.data(), messageSize, nullptr, commandTimeoutMs);
    if (sent != messageSize)
        context.messageFailed();
    return sent;
}

void sendIfValid (WorkerContext& context, const std::optional<Message>& message)
{
    if (message)
        send (context, *message);
}

// The low byte follows only when the high byte was echoed correctly.
void sendDelay (WorkerContext& context, const std::optional<DelayMessages>& messages)
{
    if (messages && send (context, (*messages)[0]) == messageSize)
        send (context, (*messages)[1]);
}
} // namespace

std::optional<Message> Input2EQGainChange::bytes() const noexcept
{
    return inputCommand (true, channel, Address::gain, gainCode (gainDb));
}

std::optional<Message> Input2EQBandGainChange::bytes() const noexcept
{
    return inputCommand (isInputBand (band), channel, Address::bandGain (band), bandGainCode (gainDb));
}

std::optional<Message> Input2EQBandFreqChange::bytes() const noexcept
{
    return inputCommand (isInputBand (band), channel, Address::bandFrequency (band), frequencyCode (frequencyHz));
}

std::optional<Message> Input2EQBandQChange::bytes() const noexcept
{
    return inputCommand (isInputBand (band), channel, Address::bandWidth (band), inputBandwidthCode (bandwidthOctaves));
}

std::optional<DelayMessages> Delay2Change::bytes() const noexcept
{
    if (!isInput (channel))
        return std::nullopt;
    return delayMessages (inputChannelNumber (channel), steps);
}

std::optional<Message> Input2ChannelNameChange::bytes() const noexcept
{
    return inputCommand (isNamePosition (position), channel, Address::nameCharacter (position),
                         nameCharacterCode (characterCode));
}

std::optional<Message> OutputEQGainChange::bytes() const noexcept
{
    return outputCommand (true, output, Address::gain, gainCode (gainDb));
}

std::optional<Message> OutputEQBandGainChange::bytes() const noexcept
{
    return outputCommand (isOutputBand (band), output, Address::bandGain (band), bandGainCode (gainDb));
}

std::optional<Message> OutputEQBandFreqChange::bytes() const noexcept
{
    return outputCommand (isOutputBand (band), output, Address::bandFrequency (band), frequencyCode (frequencyHz));
}

std::optional<Message> OutputEQBandQChange::bytes() const noexcept
{
    return outputCommand (isOutputBand (band), output, Address::bandWidth (band),
                          outputBandwidthCode (bandwidthOctaves));
}

std::optional<Message> OutputEQCutFreqChange::bytes() const noexcept
{
    return outputCommand (isCut (cut), output, Address::cutFrequency (cut), frequencyCode (frequencyHz));
}

std::optional<Message> OutputEQCutFilterChange::bytes() const noexcept
{
    return outputCommand (isCut (cut) && isCutFilterAllowed (type, tapsIndex), output, Address::cutFilter (cut),
                          cutFilterCode (type, tapsIndex));
}

std::optional<Message> LimiterThresholdChange::bytes() const noexcept
{
    return outputCommand (true, output, Address::limiterThreshold, limiterCode (thresholdDb));
}

std::optional<Message> PhaseChange::bytes() const noexcept
{
    return outputCommand (true, output, Address::phase, phaseCode (phase));
}

std::optional<DelayMessages> DelayChange::bytes() const noexcept
{
    if (!isOutput (output))
        return std::nullopt;
    return delayMessages (outputChannelNumber (output), steps);
}

std::optional<Message> OutputChannelNameChange::bytes() const noexcept
{
    return outputCommand (isNamePosition (position), output, Address::nameCharacter (position),
                          nameCharacterCode (characterCode));
}

std::optional<Message> RouterChange::bytes() const noexcept
{
    return outputCommand (true, output, Address::inputRouting, inputMask);
}

std::optional<Message> OutputMuteChange::bytes() const noexcept
{
    if (!isOutput (output))
        return std::nullopt;
    return muteCommand (output, muteMask, muteValue (output, muteMask, gainDb));
}

// clang-format off
void Input2EQGainChange::execute (WorkerContext& context)      { sendIfValid (context, bytes()); }
void Input2EQBandGainChange::execute (WorkerContext& context)  { sendIfValid (context, bytes()); }
void Input2EQBandFreqChange::execute (WorkerContext& context)  { sendIfValid (context, bytes()); }
void Input2EQBandQChange::execute (WorkerContext& context)     { sendIfValid (context, bytes()); }
void Delay2Change::execute (WorkerContext& context)            { sendDelay (context, bytes()); }
void Input2ChannelNameChange::execute (WorkerContext& context) { sendIfValid (context, bytes()); }
void OutputEQGainChange::execute (WorkerContext& context)      { sendIfValid (context, bytes()); }
void OutputEQBandGainChange::execute (WorkerContext& context)  { sendIfValid (context, bytes()); }
void OutputEQBandFreqChange::execute (WorkerContext& context)  { sendIfValid (context, bytes()); }
void OutputEQBandQChange::execute (WorkerContext& context)     { sendIfValid (context, bytes()); }
void OutputEQCutFreqChange::execute (WorkerContext& context)   { sendIfValid (context, bytes()); }
void OutputEQCutFilterChange::execute (WorkerContext& context) { sendIfValid (context, bytes()); }
void LimiterThresholdChange::execute (WorkerContext& context)  { sendIfValid (context, bytes()); }
void PhaseChange::execute (WorkerContext& context)             { sendIfValid (context, bytes()); }
void DelayChange::execute (WorkerContext& context)             { sendDelay (context, bytes()); }
void OutputChannelNameChange::execute (WorkerContext& context) { sendIfValid (context, bytes()); }
void RouterChange::execute (WorkerContext& context)            { sendIfValid (context, bytes()); }
void OutputMuteChange::execute (WorkerContext& context)        { sendIfValid (context, bytes()); }
// clang-format on
