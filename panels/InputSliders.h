#pragma once

#include "panels/SliderWithTextBox.h"
#include "state/ValueRules.h"

// The input EQ panel's sliders. Each edits the input shown by its panel at
// the moment the value changes.

class Input2EQGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = ValueRules::minimumGain, maximum = ValueRules::maximumGain;
    Input2EQGainSlider (ShownChannelSource& panel, juce::Component& owner);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
};

class Input2EQBandGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = ValueRules::minimumBandGain, maximum = ValueRules::maximumBandGain;
    Input2EQBandGainSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};

class Input2EQFreqSlider : public FrequencyStepSlider
{
protected:
    explicit Input2EQFreqSlider (juce::Component& owner)
        : FrequencyStepSlider ("Input2EQFreqSlider", owner)
    {
    }
};

class Input2EQBandFreqSlider final : public Input2EQFreqSlider
{
public:
    Input2EQBandFreqSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};

class Input2EQBwSlider : public BandwidthStepSlider
{
protected:
    explicit Input2EQBwSlider (juce::Component& owner)
        : BandwidthStepSlider ("Input2EQBwSlider", owner)
    {
    }
};

class Input2EQBandQSlider final : public Input2EQBwSlider
{
public:
    Input2EQBandQSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    juce::String getTextFromValue (double value) override;
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};
