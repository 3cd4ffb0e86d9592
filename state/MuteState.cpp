#include "state/MuteState.h"

#include "device/Commands.h"
#include "state/DeviceState.h"
#include "state/StateXml.h"

MuteState::MuteState (DeviceState& owner)
    : state (owner)
{
}

bool MuteState::isMuted (int output) const noexcept
{
    return Protocol::isOutput (output) && (mask & (1u << output)) != 0;
}

void MuteState::send (int output)
{
    state.enqueue (std::make_unique<OutputMuteChange> (output, state.outputEQState.getChannelGain (output), mask));
}

void MuteState::setOutputMute (int output, bool muted)
{
    const DeviceState::Edit edit (state);
    if (!Protocol::isOutput (output))
        return;
    const auto bit = std::uint8_t (1u << output);
    mask = std::uint8_t (muted ? (mask | bit) : (mask & ~bit));
    send (output);
}

void MuteState::sendMutesToDevice()
{
    const DeviceState::Edit edit (state);
    for (int output = 0; output < Protocol::outputCount; ++output)
        send (output);
}

void MuteState::writeMuteSection (juce::XmlElement& element) const
{
    StateXml::setInteger (StateXml::appendChild (element, sectionTag), "output_mask", mask);
}

void MuteState::readMuteSection (const juce::XmlElement& element)
{
    const DeviceState::Edit edit (state);
    const auto* section = StateXml::findChild (element, sectionTag);
    if (section == nullptr)
        return;
    mask = StateXml::readLowByte (*section, "output_mask");
    sendMutesToDevice();
}
