#pragma once

#include "panels/SliderWithTextBox.h"
#include "state/ValueRules.h"

// The output EQ panel's sliders. Each edits the output selected in its panel
// at the moment the value changes.

class OutputEQGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = ValueRules::minimumGain, maximum = ValueRules::maximumGain;
    OutputEQGainSlider (ShownChannelSource& panel, juce::Component& owner);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
};

class OutputEQBandGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = ValueRules::minimumBandGain, maximum = ValueRules::maximumBandGain;
    OutputEQBandGainSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};

class OutputEQFreqSlider : public FrequencyStepSlider
{
protected:
    explicit OutputEQFreqSlider (juce::Component& owner)
        : FrequencyStepSlider ("OutputEQFreqSlider", owner)
    {
    }
};

class OutputEQBandFreqSlider final : public OutputEQFreqSlider
{
public:
    OutputEQBandFreqSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};

class OutputEQCutFreqSlider final : public OutputEQFreqSlider
{
public:
    OutputEQCutFreqSlider (ShownChannelSource& panel, juce::Component& owner, int cut);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int cut;
};

class OutputEQBwSlider : public BandwidthStepSlider
{
protected:
    explicit OutputEQBwSlider (juce::Component& owner)
        : BandwidthStepSlider ("OutputEQBwSlider", owner)
    {
    }
};

class OutputEQBandQSlider final : public OutputEQBwSlider
{
public:
    OutputEQBandQSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    juce::String getTextFromValue (double value) override;
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};
