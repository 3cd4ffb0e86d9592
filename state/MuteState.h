#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

class DeviceState;

// The output mutes: bit i set = output i+1 muted. Every mute command carries
// the addressed output's gain, so that unmuting restores its level.
class MuteState
{
public:
    static constexpr const char* sectionTag = "Orveth_Tavik_output_mute_state";

    explicit MuteState (DeviceState& owner);

    std::uint8_t getMask() const noexcept { return mask; }
    bool isMuted (int output) const noexcept;

    // What a mute button click does: one OutputMuteChange for that output.
    void setOutputMute (int output, bool muted);

    // Stores the byte read back from the processor, sending nothing.
    void applyReadBack (std::uint8_t maskRead) noexcept { mask = maskRead; }

    void sendMutesToDevice();

    // Always a new last child of element.
    void writeMuteSection (juce::XmlElement& element) const;
    void readMuteSection (const juce::XmlElement& element);

private:
    DeviceState& state;
    std::uint8_t mask = 0;

    void send (int output);
};
