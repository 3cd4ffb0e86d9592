#pragma once

#include "device/Protocol.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class Input2EQBandFreqSlider;
class Input2EQBandGainSlider;
class Input2EQBandQSlider;
class Input2EQPanel;

// One band of the input equaliser: gain, frequency and bandwidth sliders with
// their scales. The band belongs to whichever input the panel shows.
class Input2EQSubPanel final : public juce::Component
{
public:
    struct Layout
    {
        juce::Rectangle<int> gain, frequency, bandwidth;
        int textBoxWidth = 0;
        juce::Rectangle<int> gainBox, frequencyBox, bandwidthBox;
    };
    static constexpr double textBoxHeightFactor = 0.5;
    static Layout layoutFor (int width, int height);

    Input2EQSubPanel (Input2EQPanel& panel, int band);
    ~Input2EQSubPanel() override;

    // Shows the band of the shown input; stores and sends nothing.
    void refresh();

    int getBand() const noexcept { return band; }
    Input2EQBandGainSlider& getGainSlider() const { return *gainSlider; }
    Input2EQBandFreqSlider& getFrequencySlider() const { return *frequencySlider; }
    Input2EQBandQSlider& getBandwidthSlider() const { return *bandwidthSlider; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    Input2EQPanel& panel;
    const int band;
    std::unique_ptr<Input2EQBandGainSlider> gainSlider;
    std::unique_ptr<Input2EQBandFreqSlider> frequencySlider;
    std::unique_ptr<Input2EQBandQSlider> bandwidthSlider;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Input2EQSubPanel)
};
