#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class OutputEQPanel;
class OutputEQBandGainSlider;
class OutputEQBandFreqSlider;
class OutputEQBandQSlider;

// One equaliser band of the shown output: gain, frequency and bandwidth.
class OutputEQSubPanel final : public juce::Component
{
public:
    struct Layout
    {
        juce::Rectangle<int> gain, frequency, bandwidth;
        int textBoxWidth = 0;
    };
    static Layout layoutFor (int width, int height);

    OutputEQSubPanel (OutputEQPanel& owner, int bandIndex);
    ~OutputEQSubPanel() override;

    // Shows the stored band of the selected output; stores and sends nothing.
    void refresh();

    int getBandIndex() const noexcept { return band; }
    OutputEQBandGainSlider& getGainSlider() const { return *gainSlider; }
    OutputEQBandFreqSlider& getFrequencySlider() const { return *frequencySlider; }
    OutputEQBandQSlider& getBandwidthSlider() const { return *bandwidthSlider; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    OutputEQPanel& panel;
    const int band;
    std::unique_ptr<OutputEQBandGainSlider> gainSlider;
    std::unique_ptr<OutputEQBandFreqSlider> frequencySlider;
    std::unique_ptr<OutputEQBandQSlider> bandwidthSlider;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OutputEQSubPanel)
};
