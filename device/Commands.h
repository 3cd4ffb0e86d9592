#pragma once

#include "device/HardwareCommand.h"
#include "device/Protocol.h"

#include <array>
#include <cstdint>
#include <optional>

// The parameter commands. Each carries copies of its values
// (as passed to the record's setter, before any code conversion); bytes() is
// the pure encoding and is empty when an index lies outside its section, in
// which case execute sends nothing. execute ignores the processor's verdict.

using DelayMessages = std::array<Protocol::Message, 2>; // high byte, then low byte

class Input2EQGainChange final : public HardwareCommand
{
public:
    Input2EQGainChange (int channelToUse, double gainDbToUse)
        : channel (channelToUse)
        , gainDb (gainDbToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int channel;
    const double gainDb;
};

class Input2EQBandGainChange final : public HardwareCommand
{
public:
    Input2EQBandGainChange (int channelToUse, int bandToUse, double gainDbToUse)
        : channel (channelToUse)
        , band (bandToUse)
        , gainDb (gainDbToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int channel;
    const int band;
    const double gainDb;
};

class Input2EQBandFreqChange final : public HardwareCommand
{
public:
    Input2EQBandFreqChange (int channelToUse, int bandToUse, double frequencyHzToUse)
        : channel (channelToUse)
        , band (bandToUse)
        , frequencyHz (frequencyHzToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int channel;
    const int band;
    const double frequencyHz;
};

class Input2EQBandQChange final : public HardwareCommand
{
public:
    Input2EQBandQChange (int channelToUse, int bandToUse, double bandwidthOctavesToUse)
        : channel (channelToUse)
        , band (bandToUse)
        , bandwidthOctaves (bandwidthOctavesToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int channel;
    const int band;
    const double bandwidthOctaves;
};

class Delay2Change final : public HardwareCommand
{
public:
    Delay2Change (int channelToUse, std::uint16_t stepsToUse)
        : channel (channelToUse)
        , steps (stepsToUse)
    {
    }
    std::optional<DelayMessages> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int channel;
    const std::uint16_t steps;
};

class Input2ChannelNameChange final : public HardwareCommand
{
public:
    Input2ChannelNameChange (int channelToUse, int positionToUse, int characterCodeToUse)
        : channel (channelToUse)
        , position (positionToUse)
        , characterCode (characterCodeToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int channel;
    const int position;
    const int characterCode;
};

class OutputEQGainChange final : public HardwareCommand
{
public:
    OutputEQGainChange (int outputToUse, double gainDbToUse)
        : output (outputToUse)
        , gainDb (gainDbToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const double gainDb;
};

class OutputEQBandGainChange final : public HardwareCommand
{
public:
    OutputEQBandGainChange (int outputToUse, int bandToUse, double gainDbToUse)
        : output (outputToUse)
        , band (bandToUse)
        , gainDb (gainDbToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int band;
    const double gainDb;
};

class OutputEQBandFreqChange final : public HardwareCommand
{
public:
    OutputEQBandFreqChange (int outputToUse, int bandToUse, double frequencyHzToUse)
        : output (outputToUse)
        , band (bandToUse)
        , frequencyHz (frequencyHzToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int band;
    const double frequencyHz;
};

class OutputEQBandQChange final : public HardwareCommand
{
public:
    OutputEQBandQChange (int outputToUse, int bandToUse, double bandwidthOctavesToUse)
        : output (outputToUse)
        , band (bandToUse)
        , bandwidthOctaves (bandwidthOctavesToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int band;
    const double bandwidthOctaves;
};

class OutputEQCutFreqChange final : public HardwareCommand
{
public:
    OutputEQCutFreqChange (int outputToUse, int cutToUse, double frequencyHzToUse)
        : output (outputToUse)
        , cut (cutToUse)
        , frequencyHz (frequencyHzToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int cut; // 0 low cut, 1 high cut
    const double frequencyHz;
};

// Sends nothing for a pair that CutFilterCodeTable does not allow.
class OutputEQCutFilterChange final : public HardwareCommand
{
public:
    OutputEQCutFilterChange (int outputToUse, int cutToUse, int typeToUse, int tapsIndexToUse)
        : output (outputToUse)
        , cut (cutToUse)
        , type (typeToUse)
        , tapsIndex (tapsIndexToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int cut;
    const int type;
    const int tapsIndex;
};

class LimiterThresholdChange final : public HardwareCommand
{
public:
    LimiterThresholdChange (int outputToUse, float thresholdDbToUse)
        : output (outputToUse)
        , thresholdDb (thresholdDbToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const float thresholdDb;
};

class PhaseChange final : public HardwareCommand
{
public:
    PhaseChange (int outputToUse, int phaseToUse)
        : output (outputToUse)
        , phase (phaseToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int phase;
};

class DelayChange final : public HardwareCommand
{
public:
    DelayChange (int outputToUse, std::uint16_t stepsToUse)
        : output (outputToUse)
        , steps (stepsToUse)
    {
    }
    std::optional<DelayMessages> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const std::uint16_t steps;
};

class OutputChannelNameChange final : public HardwareCommand
{
public:
    OutputChannelNameChange (int outputToUse, int positionToUse, int characterCodeToUse)
        : output (outputToUse)
        , position (positionToUse)
        , characterCode (characterCodeToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const int position;
    const int characterCode;
};

class RouterChange final : public HardwareCommand
{
public:
    RouterChange (int outputToUse, std::uint8_t inputMaskToUse)
        : output (outputToUse)
        , inputMask (inputMaskToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const std::uint8_t inputMask; // bit i: input i feeds this output
};

class OutputMuteChange final : public HardwareCommand
{
public:
    OutputMuteChange (int outputToUse, double gainDbToUse, std::uint8_t muteMaskToUse)
        : output (outputToUse)
        , gainDb (gainDbToUse)
        , muteMask (muteMaskToUse)
    {
    }
    std::optional<Protocol::Message> bytes() const noexcept;
    void execute (WorkerContext& context) override;

    const int output;
    const double gainDb;         // sent when this output is not muted
    const std::uint8_t muteMask; // bit i: output i muted
};
