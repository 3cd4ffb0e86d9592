#include "state/RouterState.h"

#include "device/Commands.h"
#include "state/DeviceState.h"
#include "state/StateXml.h"

RouterState::RouterState (DeviceState& owner)
    : state (owner)
{
}

std::uint8_t RouterState::getInputMask (int output) const noexcept
{
    return Protocol::isOutput (output) ? inputMasks[(size_t) output] : 0;
}

bool RouterState::isRouted (int output, int input) const noexcept
{
    return Protocol::isInput (input) && (getInputMask (output) & (1u << input)) != 0;
}

void RouterState::store (int output, std::uint8_t mask)
{
    inputMasks[(size_t) output] = mask;
    state.enqueue (std::make_unique<RouterChange> (output, mask));
}

void RouterState::setRoute (int output, int input, bool on)
{
    const DeviceState::Edit edit (state);
    if (!Protocol::isOutput (output) || !Protocol::isInput (input))
        return;
    const auto bit = std::uint8_t (1u << input);
    setRoutes (output, on ? bit : 0, on ? 0 : bit);
}

void RouterState::setRoutes (int output, std::uint8_t setBits, std::uint8_t clearedBits)
{
    const DeviceState::Edit edit (state);
    if (!Protocol::isOutput (output))
        return;
    store (output, std::uint8_t ((inputMasks[(size_t) output] | setBits) & ~clearedBits));
}

void RouterState::applyReadBack (int output, std::uint8_t inputMask) noexcept
{
    if (Protocol::isOutput (output))
        inputMasks[(size_t) output] = inputMask;
}

void RouterState::sendRouterToDevice()
{
    const DeviceState::Edit edit (state);
    for (int output = 0; output < Protocol::outputCount; ++output)
        state.enqueue (std::make_unique<RouterChange> (output, inputMasks[(size_t) output]));
}

void RouterState::writeRouterSection (juce::XmlElement& element) const
{
    auto& section = StateXml::hasName (element, sectionTag) ? element : StateXml::appendChild (element, sectionTag);
    for (int output = 0; output < Protocol::outputCount; ++output)
        StateXml::setInteger (StateXml::appendChild (section, "output" + juce::String (output)), "input_mask",
                              inputMasks[(size_t) output]);
}

void RouterState::readRouterSection (const juce::XmlElement& element)
{
    const DeviceState::Edit edit (state);
    const auto* section =
        StateXml::hasName (element, sectionTag) ? &element : StateXml::findChild (element, sectionTag);
    if (section == nullptr)
        return;
    for (int output = 0; output < Protocol::outputCount; ++output)
        if (const auto* child = StateXml::findChild (*section, "output" + juce::String (output)))
            store (output, StateXml::readLowByte (*child, "input_mask"));
}
