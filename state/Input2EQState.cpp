#include "state/Input2EQState.h"

#include "common/AskUser.h"
#include "device/Commands.h"
#include "state/DeviceState.h"
#include "state/StateXml.h"

namespace
{
juce::String sectionChildTag (int channel)
{
    return juce::String::formatted ("Input2_EQ_channel_%02d", channel);
}
} // namespace

Input2EQState::Input2EQState (DeviceState& owner)
    : state (owner)
    , bands (owner, EQBands::Section::inputs)
{
    for (int channel = 0; channel < channelCount; ++channel)
        names.add ("INPUT " + juce::String::charToString (juce::juce_wchar ('A' + channel)));
}

void Input2EQState::setChannelGain (int channel, double gainDb)
{
    const DeviceState::Edit edit (state);
    if (!isChannel (channel))
        return;
    channels[(size_t) channel].gainDb = gainDb;
    state.enqueue (std::make_unique<Input2EQGainChange> (channel, gainDb));
}

void Input2EQState::setDelaySteps (int channel, int steps)
{
    const DeviceState::Edit edit (state);
    if (!isChannel (channel))
        return;
    channels[(size_t) channel].delaySteps = std::uint16_t (juce::jlimit (0, Protocol::maximumDelaySteps, steps));
    sendDelay (channel);
}

void Input2EQState::sendDelay (int channel)
{
    state.enqueue (std::make_unique<Delay2Change> (channel, channels[(size_t) channel].delaySteps));
}

void Input2EQState::setChannelName (int channel, const juce::String& text, bool send)
{
    const DeviceState::Edit edit (state);
    if (!isChannel (channel))
        return;
    const auto name = sanitizeChannelName (text);
    names.set (channel, name);
    if (!send)
        return;
    for (int position = 0; position < Protocol::nameLength; ++position)
    {
        const int code = nameCharacterCode (name, position);
        state.enqueue (std::make_unique<Input2ChannelNameChange> (channel, position, code));
    }
}

double Input2EQState::getChannelGain (int channel) const noexcept
{
    return isChannel (channel) ? channels[(size_t) channel].gainDb : 0.0;
}

std::uint16_t Input2EQState::getDelaySteps (int channel) const noexcept
{
    return isChannel (channel) ? channels[(size_t) channel].delaySteps : std::uint16_t (0);
}

juce::String Input2EQState::getChannelName (int channel) const
{
    return isChannel (channel) ? names[channel] : juce::String();
}

void Input2EQState::sendAllToDevice()
{
    const DeviceState::Edit edit (state);
    for (int channel = 0; channel < channelCount; ++channel)
    {
        auto& c = channels[(size_t) channel];
        state.enqueue (std::make_unique<Input2EQGainChange> (channel, c.gainDb));
        bands.sendChannel (channel);
        c.delaySteps = std::min (c.delaySteps, std::uint16_t (Protocol::maximumDelaySteps));
        sendDelay (channel);
        setChannelName (channel, names[channel], true);
    }
}

void Input2EQState::applyReadBack (int channel, const ChannelBlock& block)
{
    if (!isChannel (channel))
        return;
    namespace A = Protocol::Address;
    auto& c = channels[(size_t) channel];
    c.gainDb = 12.0 - block[A::gain] * 0.5;
    bands.applyReadBack (channel, block);
    c.delaySteps = std::uint16_t (256 * block[A::delayHigh] + block[A::delayLow]);
    setChannelName (channel, nameFromBlock (block), false);
}

void Input2EQState::writeChannel (int channel, juce::XmlElement& element) const
{
    if (!isChannel (channel))
        return;
    using namespace StateXml;
    const auto& c = channels[(size_t) channel];
    setNumber (element, "gain", c.gainDb);
    bands.writeChannel (channel, element);
    setInteger (appendChild (element, "Delay"), "delay_steps", c.delaySteps);
    setText (appendChild (element, "channel_name"), "name", names[channel]);
}

void Input2EQState::readChannel (int channel, const juce::XmlElement& element)
{
    if (!isChannel (channel))
        return;
    using namespace StateXml;
    setChannelGain (channel, readNumber (element, "gain", getChannelGain (channel)));
    bands.readChannel (channel, element);
    if (const auto* delay = findChild (element, "Delay"))
        setDelaySteps (channel,
                       readInteger (*delay, "delay_steps", getDelaySteps (channel), 0, Protocol::maximumDelaySteps));
    if (const auto* name = findChild (element, "channel_name"))
        setChannelName (channel, findAttribute (*name, "name").value_or (getChannelName (channel)), true);
}

void Input2EQState::writeSection (juce::XmlElement& root) const
{
    auto& section = StateXml::appendChild (root, elementTag);
    for (int channel = 0; channel < channelCount; ++channel)
        writeChannel (channel, StateXml::appendChild (section, sectionChildTag (channel)));
}

void Input2EQState::readSection (const juce::XmlElement& root)
{
    const auto* section = StateXml::findChild (root, elementTag);
    if (section == nullptr)
        return;
    for (int channel = 0; channel < channelCount; ++channel)
        if (const auto* child = StateXml::findChild (*section, sectionChildTag (channel)))
            readChannel (channel, *child);
}

std::unique_ptr<juce::XmlElement> Input2EQState::channelElement (int channel) const
{
    auto element = std::make_unique<juce::XmlElement> (elementTag);
    writeChannel (channel, *element);
    return element;
}

void Input2EQState::copyChannelToClipboard (int channel) const
{
    if (isChannel (channel))
        state.getAskUser().setClipboardText (StateXml::toDocument (*channelElement (channel)));
}

bool Input2EQState::pasteChannelFromClipboard (int channel)
{
    if (!isChannel (channel))
        return false;
    const auto root = StateXml::parseDocument (state.getAskUser().getClipboardText());
    if (root == nullptr)
        return false;
    if (!StateXml::hasName (*root, elementTag))
    {
        state.getAskUser().showMessage (DeviceState::messageTitle,
                                        "The system clipboard does not contain valid data for the input EQ controls.");
        return false;
    }
    const DeviceState::Edit edit (state, DeviceState::ChangeSource::clipboard);
    readChannel (channel, *root);
    return true;
}

void Input2EQState::saveChannelPreset (int channel) const
{
    if (isChannel (channel))
        state.savePresetFile (*channelElement (channel), presetExtension);
}

bool Input2EQState::loadChannelPreset (int channel)
{
    if (!isChannel (channel))
        return false;
    const auto root = state.loadPresetFile (presetExtension, elementTag);
    if (root == nullptr)
        return false;
    const DeviceState::Edit edit (state, DeviceState::ChangeSource::channelPreset);
    readChannel (channel, *root);
    return true;
}
