#pragma once

#include "panels/SliderWithTextBox.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

// One equaliser band of the channel an EQ panel shows: gain, frequency and
// bandwidth sliders with their headings and scales. The input and output
// strips differ only in their proportions and their slider classes; the rest
// lives here once.
class EQBandStripBase : public juce::Component
{
public:
    struct Layout
    {
        juce::Rectangle<int> gain, frequency, bandwidth;
        int textBoxWidth = 0;
        juce::Rectangle<int> gainBox, frequencyBox, bandwidthBox;
    };
    // The sliders' width and the distance between their left edges, as fractions of the strip's width.
    struct Proportions
    {
        double sliderWidth, sliderSpacing;
    };
    static constexpr double textBoxHeightFactor = 0.5;
    static Layout layoutFor (int width, int height, Proportions proportions);

    int getBand() const noexcept { return band; }

    void paint (juce::Graphics& g) override;
    void resized() override;

protected:
    EQBandStripBase (int band, Proportions proportions);
    ~EQBandStripBase() override;

    // Makes a slider of the band, adds it (its value box is already added) and keeps it for layout and painting.
    template <typename Slider>
    std::unique_ptr<Slider> addSlider (ShownChannelSource& panel)
    {
        auto slider = std::make_unique<Slider> (panel, *this, band);
        addAndMakeVisible (*slider);
        sliders[added++] = slider.get();
        return slider;
    }

private:
    const int band;
    const Proportions proportions;
    std::array<SliderWithTextBox*, 3> sliders{}; // gain, frequency, bandwidth
    size_t added = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EQBandStripBase)
};

template <typename GainSlider, typename FrequencySlider, typename WidthSlider>
class EQBandStrip : public EQBandStripBase
{
public:
    // Shows the band of the shown channel; stores and sends nothing.
    void refresh()
    {
        gainSlider->showRecord();
        frequencySlider->showRecord();
        bandwidthSlider->showRecord();
    }

    GainSlider& getGainSlider() const { return *gainSlider; }
    FrequencySlider& getFrequencySlider() const { return *frequencySlider; }
    WidthSlider& getBandwidthSlider() const { return *bandwidthSlider; }

protected:
    EQBandStrip (ShownChannelSource& panel, int bandIndex, Proportions stripProportions)
        : EQBandStripBase (bandIndex, stripProportions)
        , gainSlider (addSlider<GainSlider> (panel))
        , frequencySlider (addSlider<FrequencySlider> (panel))
        , bandwidthSlider (addSlider<WidthSlider> (panel))
    {
    }

private:
    const std::unique_ptr<GainSlider> gainSlider;
    const std::unique_ptr<FrequencySlider> frequencySlider;
    const std::unique_ptr<WidthSlider> bandwidthSlider;
};
