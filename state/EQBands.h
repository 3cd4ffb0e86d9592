#pragma once

#include "state/ChannelBlock.h"

#include <juce_core/juce_core.h>

#include <memory>
#include <vector>

class DeviceState;
class HardwareCommand;

// The parametric bands of one section, every channel's: gain, frequency and
// bandwidth. Whatever the input and the output section do with a band lives
// here once: store it and queue its command, send it again, take it from a
// read-back, write it to a preset and read it from one. A channel or band
// outside the section is ignored by the setters and reads as 0.
class EQBands
{
public:
    enum class Section
    {
        inputs,
        outputs
    };

    EQBands (DeviceState& owner, Section section);

    // Each stores the value, queues the command that carries it and notifies.
    void setGain (int channel, int band, double gainDb) { set (channel, band, &Band::gainDb, gainDb); }
    void setFrequency (int channel, int band, double hz) { set (channel, band, &Band::frequencyHz, hz); }
    void setWidth (int channel, int band, double octaves) { set (channel, band, &Band::bandwidthOctaves, octaves); }

    double getGain (int channel, int band) const noexcept { return get (channel, band, &Band::gainDb); }
    double getFrequency (int channel, int band) const noexcept { return get (channel, band, &Band::frequencyHz); }
    double getWidth (int channel, int band) const noexcept { return get (channel, band, &Band::bandwidthOctaves); }

    // Queues every band of the channel as stored: gain, frequency and
    // bandwidth of each, every command followed by its notification.
    void sendChannel (int channel);
    // Stores the bands of a block read back from the processor, queueing nothing.
    void applyReadBack (int channel, const ChannelBlock& block);

    // Appends a "Band_n" child per band to element.
    void writeChannel (int channel, juce::XmlElement& element) const;
    // Takes each band found in element through the setters; a missing value keeps the stored one.
    void readChannel (int channel, const juce::XmlElement& element);

private:
    struct Band
    {
        double gainDb = 0.0;
        double frequencyHz = 800.0;
        double bandwidthOctaves = 0.0;
    };
    using Value = double Band::*;
    static constexpr Value values[] = { &Band::gainDb, &Band::frequencyHz,
                                        &Band::bandwidthOctaves }; // in sending order

    // The place of a band in bands; -1 outside the section.
    int indexOf (int channel, int band) const noexcept;
    void set (int channel, int band, Value value, double newValue);
    double get (int channel, int band, Value value) const noexcept;
    // Queues the command that carries one value of a band, then notifies.
    void send (int channel, int band, Value value);

    DeviceState& state;
    const Section section;
    const int channelCount, bandCount;
    std::vector<Band> bands; // channel by channel
};
