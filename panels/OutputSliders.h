#pragma once

#include "panels/ParamSlider.h"

// The output EQ panel's sliders. Each edits the output selected in its panel
// at the moment the value changes; what they do lives in ParamSlider.h,
// shared with the input section.

class OutputEQGainSlider final : public ChannelGainSlider
{
public:
    OutputEQGainSlider (ShownChannelSource& panel, juce::Component& owner)
        : ChannelGainSlider ("OutputEQGainSlider", panel, owner, true)
    {
    }
};

class OutputEQBandGainSlider final : public BandGainSlider
{
public:
    OutputEQBandGainSlider (ShownChannelSource& panel, juce::Component& owner, int band)
        : BandGainSlider ("OutputEQBandGainSlider", panel, owner, true, band)
    {
    }
};

class OutputEQFreqSlider : public FrequencyStepSlider
{
protected:
    explicit OutputEQFreqSlider (juce::Component& owner)
        : FrequencyStepSlider ("OutputEQFreqSlider", owner)
    {
    }
};

class OutputEQBandFreqSlider final : public FrequencyParamSlider<OutputEQFreqSlider>
{
public:
    OutputEQBandFreqSlider (ShownChannelSource& panel, juce::Component& owner, int band)
        : FrequencyParamSlider (panel, owner, Param::out (0, Param::Kind::bandFrequency, band))
    {
    }
};

class OutputEQCutFreqSlider final : public FrequencyParamSlider<OutputEQFreqSlider>
{
public:
    OutputEQCutFreqSlider (ShownChannelSource& panel, juce::Component& owner, int cut)
        : FrequencyParamSlider (panel, owner, Param::out (0, Param::Kind::cutFrequency, cut))
    {
    }
};

class OutputEQBwSlider : public BandwidthStepSlider
{
protected:
    explicit OutputEQBwSlider (juce::Component& owner)
        : BandwidthStepSlider ("OutputEQBwSlider", owner)
    {
    }
};

class OutputEQBandQSlider final : public BandWidthSlider<OutputEQBwSlider>
{
public:
    OutputEQBandQSlider (ShownChannelSource& panel, juce::Component& owner, int band)
        : BandWidthSlider (panel, owner, true, band)
    {
    }
};
