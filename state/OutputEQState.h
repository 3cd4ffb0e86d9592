#pragma once

#include "device/Protocol.h"
#include "state/ChannelBlock.h"
#include "state/EQBands.h"
#include "state/ValueRules.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>

class DeviceState;

// Gains, equaliser bands, cut filters, polarity, limiter, delays and names of
// the six outputs. Setters store the value and queue the command that carries
// it; gains, frequencies and bandwidths from files or the clipboard are stored
// as read, and are brought into range wherever they are used here.
class OutputEQState
{
public:
    static constexpr int outputCount = Protocol::outputCount;
    static constexpr int bandCount = Protocol::outputBandCount;
    static constexpr int cutCount = Protocol::cutCount;
    static constexpr int lowCut = 0;
    static constexpr int highCut = 1;
    static constexpr float minimumThreshold = ValueRules::minimumThreshold;
    static constexpr float maximumThreshold = ValueRules::maximumThreshold;
    static constexpr const char* elementTag = "Orveth_Tavik_output_EQ_state";
    static constexpr const char* presetExtension = "TavikOutputPreset";

    explicit OutputEQState (DeviceState& owner);

    void setChannelGain (int output, double gainDb);
    void setBandGain (int output, int band, double gainDb) { bands.setGain (output, band, gainDb); }
    void setBandFrequency (int output, int band, double hz) { bands.setFrequency (output, band, hz); }
    void setBandWidth (int output, int band, double octaves) { bands.setWidth (output, band, octaves); }
    void setCutFrequency (int output, int cut, double hz);
    void setCutFilter (int output, int cut, int type, int tapsIndex);
    void setPhase (int output, int phase);
    void setLimiterThreshold (int output, float thresholdDb);
    void setDelaySteps (int output, int steps);
    void setChannelName (int output, const juce::String& text, bool send);

    // Outside the section: 0, or the empty string for a name.
    double getChannelGain (int output) const noexcept;
    double getBandGain (int output, int band) const noexcept { return bands.getGain (output, band); }
    double getBandFrequency (int output, int band) const noexcept { return bands.getFrequency (output, band); }
    double getBandWidth (int output, int band) const noexcept { return bands.getWidth (output, band); }
    double getDerivedQ (int output, int band) const noexcept;
    double getCutFrequency (int output, int cut) const noexcept;
    int getCutType (int output, int cut) const noexcept;
    int getCutTapsIndex (int output, int cut) const noexcept;
    int getPhase (int output) const noexcept;
    float getLimiterThreshold (int output) const noexcept;
    std::uint16_t getDelaySteps (int output) const noexcept;
    juce::String getChannelName (int output) const;

    // The slope a cut takes when its type changes: the same one where the
    // type allows it, else the nearest allowed below, else above.
    static int allowedSlope (int type, int slope) noexcept;

    // The quality factor of a bandwidth, which is first brought into 0.04..3 octaves.
    static double derivedQ (double octaves) noexcept;

    // 168 commands: per output gain, bands, cuts, phase, limiter, delay, name.
    void sendAllToDevice();
    void applyReadBack (int output, const ChannelBlock& block);

    // The name goes with the channel only in the whole-state file.
    void writeChannel (int output, juce::XmlElement& element, bool withName) const;
    void readChannel (int output, const juce::XmlElement& element, bool withName);
    void writeSection (juce::XmlElement& root) const;
    void readSection (const juce::XmlElement& root);

    void copyChannelToClipboard (int output) const;
    // True when the output took the clipboard's values (the panel then refreshes).
    bool pasteChannelFromClipboard (int output);

    // The channel preset element SAVE writes.
    std::unique_ptr<juce::XmlElement> channelElement (int output) const;
    void saveChannelPreset (int output) const;
    // True when a preset was loaded into the output.
    bool loadChannelPreset (int output);

private:
    struct Cut
    {
        double frequencyHz = 0.0;
        int type = 0;
        int tapsIndex = 4;
    };
    struct Output
    {
        double gainDb = 0.0;
        std::array<Cut, cutCount> cuts{};
        int phase = 0;
        float limiterThresholdDb = 0.0f;
        std::uint16_t delaySteps = 0;
    };

    DeviceState& state;
    std::array<Output, outputCount> outputs{};
    EQBands bands;
    juce::StringArray names;

    static bool isOutput (int output) noexcept { return Protocol::isOutput (output); }
    static bool isBand (int band) noexcept { return band >= 0 && band < bandCount; }
    static bool isCut (int cut) noexcept { return cut >= 0 && cut < cutCount; }
    void sendCutFilter (int output, int cut);
};
