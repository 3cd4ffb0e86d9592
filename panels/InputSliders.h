#pragma once

#include "panels/ParamSlider.h"

// The input EQ panel's sliders. Each edits the input shown by its panel at
// the moment the value changes; what they do lives in ParamSlider.h, shared
// with the output section.

class Input2EQGainSlider final : public ChannelGainSlider
{
public:
    Input2EQGainSlider (ShownChannelSource& panel, juce::Component& owner)
        : ChannelGainSlider ("Input2EQGainSlider", panel, owner, false)
    {
    }
};

class Input2EQBandGainSlider final : public BandGainSlider
{
public:
    Input2EQBandGainSlider (ShownChannelSource& panel, juce::Component& owner, int band)
        : BandGainSlider ("Input2EQBandGainSlider", panel, owner, false, band)
    {
    }
};

class Input2EQFreqSlider : public FrequencyStepSlider
{
protected:
    explicit Input2EQFreqSlider (juce::Component& owner)
        : FrequencyStepSlider ("Input2EQFreqSlider", owner)
    {
    }
};

class Input2EQBandFreqSlider final : public FrequencyParamSlider<Input2EQFreqSlider>
{
public:
    Input2EQBandFreqSlider (ShownChannelSource& panel, juce::Component& owner, int band)
        : FrequencyParamSlider (panel, owner, Param::input (0, Param::Kind::bandFrequency, band))
    {
    }
};

class Input2EQBwSlider : public BandwidthStepSlider
{
protected:
    explicit Input2EQBwSlider (juce::Component& owner)
        : BandwidthStepSlider ("Input2EQBwSlider", owner)
    {
    }
};

class Input2EQBandQSlider final : public BandWidthSlider<Input2EQBwSlider>
{
public:
    Input2EQBandQSlider (ShownChannelSource& panel, juce::Component& owner, int band)
        : BandWidthSlider (panel, owner, false, band)
    {
    }
};
