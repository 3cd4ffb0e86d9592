#pragma once

#include "device/Protocol.h"
#include "state/ChannelBlock.h"
#include "state/EQBands.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>

class DeviceState;

// Gains, equaliser bands, delays and names of the three inputs. Setters store
// the value and queue the command that carries it; values read from files or
// the clipboard are stored as read (the command encodings limit them).
class Input2EQState
{
public:
    static constexpr int channelCount = Protocol::inputCount;
    static constexpr int bandCount = Protocol::inputBandCount;
    static constexpr const char* elementTag = "Orveth_Tavik_input2_EQ_state";
    static constexpr const char* presetExtension = "TavikInput2Preset";

    explicit Input2EQState (DeviceState& owner);

    void setChannelGain (int channel, double gainDb);
    void setBandGain (int channel, int band, double gainDb) { bands.setGain (channel, band, gainDb); }
    void setBandFrequency (int channel, int band, double hz) { bands.setFrequency (channel, band, hz); }
    void setBandWidth (int channel, int band, double octaves) { bands.setWidth (channel, band, octaves); }
    void setDelaySteps (int channel, int steps);
    void setChannelName (int channel, const juce::String& text, bool send);

    // Outside the section: 0, or the empty string for a name.
    double getChannelGain (int channel) const noexcept;
    double getBandGain (int channel, int band) const noexcept { return bands.getGain (channel, band); }
    double getBandFrequency (int channel, int band) const noexcept { return bands.getFrequency (channel, band); }
    double getBandWidth (int channel, int band) const noexcept { return bands.getWidth (channel, band); }
    std::uint16_t getDelaySteps (int channel) const noexcept;
    juce::String getChannelName (int channel) const;

    // 84 commands: per input gain, the bands, delay, eight name characters.
    void sendAllToDevice();
    void applyReadBack (int channel, const ChannelBlock& block);

    void writeChannel (int channel, juce::XmlElement& element) const;
    void readChannel (int channel, const juce::XmlElement& element);
    void writeSection (juce::XmlElement& root) const;
    void readSection (const juce::XmlElement& root);

    void copyChannelToClipboard (int channel) const;
    // True when the channel took the clipboard's values (the panel then refreshes).
    bool pasteChannelFromClipboard (int channel);

    // The channel preset element SAVE writes.
    std::unique_ptr<juce::XmlElement> channelElement (int channel) const;
    void saveChannelPreset (int channel) const;
    // True when a preset was loaded into the channel.
    bool loadChannelPreset (int channel);

private:
    struct Channel
    {
        double gainDb = 0.0;
        std::uint16_t delaySteps = 0;
    };

    DeviceState& state;
    std::array<Channel, channelCount> channels{};
    EQBands bands;
    juce::StringArray names;

    static bool isChannel (int channel) noexcept { return Protocol::isInput (channel); }
    void sendDelay (int channel);
};
