#include "state/EQBands.h"

#include "common/EqTables.h"
#include "device/Commands.h"
#include "state/DeviceState.h"
#include "state/StateXml.h"

namespace
{
juce::String bandTag (int band)
{
    return "Band_" + juce::String (band);
}

// The command of one band value, of the section's own kind.
template <typename InputCommand, typename OutputCommand>
std::unique_ptr<HardwareCommand> commandOf (EQBands::Section section, int channel, int band, double value)
{
    if (section == EQBands::Section::inputs)
        return std::make_unique<InputCommand> (channel, band, value);
    return std::make_unique<OutputCommand> (channel, band, value);
}
} // namespace

EQBands::EQBands (DeviceState& owner, Section sectionOfBands)
    : state (owner)
    , section (sectionOfBands)
    , channelCount (section == Section::inputs ? Protocol::inputCount : Protocol::outputCount)
    , bandCount (section == Section::inputs ? Protocol::inputBandCount : Protocol::outputBandCount)
    , bands ((size_t) (channelCount * bandCount))
{
    for (auto& band : bands)
        band.bandwidthOctaves = EQBandwidthTable[0];
}

int EQBands::indexOf (int channel, int band) const noexcept
{
    if (channel < 0 || channel >= channelCount || band < 0 || band >= bandCount)
        return -1;
    return channel * bandCount + band;
}

double EQBands::get (int channel, int band, Value value) const noexcept
{
    const int i = indexOf (channel, band);
    return i >= 0 ? bands[(size_t) i].*value : 0.0;
}

void EQBands::set (int channel, int band, Value value, double newValue)
{
    const DeviceState::Edit edit (state);
    const int i = indexOf (channel, band);
    if (i < 0)
        return;
    bands[(size_t) i].*value = newValue;
    send (channel, band, value);
}

void EQBands::send (int channel, int band, Value value)
{
    const double v = get (channel, band, value);
    if (value == &Band::gainDb)
        state.enqueue (commandOf<Input2EQBandGainChange, OutputEQBandGainChange> (section, channel, band, v));
    else if (value == &Band::frequencyHz)
        state.enqueue (commandOf<Input2EQBandFreqChange, OutputEQBandFreqChange> (section, channel, band, v));
    else
        state.enqueue (commandOf<Input2EQBandQChange, OutputEQBandQChange> (section, channel, band, v));
    state.notifyChanged();
}

void EQBands::sendChannel (int channel)
{
    for (int band = 0; indexOf (channel, band) >= 0; ++band)
        for (const auto value : values)
            send (channel, band, value);
}

void EQBands::applyReadBack (int channel, const ChannelBlock& block)
{
    namespace A = Protocol::Address;
    for (int band = 0; indexOf (channel, band) >= 0; ++band)
    {
        auto& b = bands[(size_t) indexOf (channel, band)];
        b.gainDb = block[A::bandGain (band)] * 0.5 - 12.0;
        b.frequencyHz = frequencyOfCode (block[A::bandFrequency (band)]);
        b.bandwidthOctaves = block[A::bandWidth (band)] * 0.04;
    }
}

void EQBands::writeChannel (int channel, juce::XmlElement& element) const
{
    using namespace StateXml;
    for (int band = 0; indexOf (channel, band) >= 0; ++band)
    {
        auto& child = appendChild (element, bandTag (band));
        setNumber (child, "gain", getGain (channel, band));
        setNumber (child, "freq", getFrequency (channel, band));
        setNumber (child, "Q", getWidth (channel, band));
    }
}

void EQBands::readChannel (int channel, const juce::XmlElement& element)
{
    using namespace StateXml;
    for (int band = 0; indexOf (channel, band) >= 0; ++band)
    {
        const auto* child = findChild (element, bandTag (band));
        if (child == nullptr)
            continue;
        setGain (channel, band, readNumber (*child, "gain", getGain (channel, band)));
        setFrequency (channel, band, readNumber (*child, "freq", getFrequency (channel, band)));
        setWidth (channel, band, readNumber (*child, "Q", getWidth (channel, band)));
    }
}
