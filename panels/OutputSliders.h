#pragma once

#include "panels/SliderWithTextBox.h"

// The output EQ panel's sliders. Each edits the output selected in its panel
// at the moment the value changes.

class OutputEQGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = -60.0, maximum = 12.0;
    OutputEQGainSlider (ShownChannelSource& panel, juce::Component& owner);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
};

class OutputEQBandGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = -12.0, maximum = 12.0;
    OutputEQBandGainSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};

// Walks the frequency table's steps; shows 1000 Hz and above in kHz.
class OutputEQFreqSlider : public SliderWithTextBox
{
public:
    juce::String getTextFromValue (double value) override;
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

protected:
    explicit OutputEQFreqSlider (juce::Component& owner);
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

// Walks the bandwidth table's steps.
class OutputEQBwSlider : public SliderWithTextBox
{
public:
    static constexpr double minimum = (double) 0.04f; // the table's own lowest entry
    static constexpr double maximum = 3.0;
    juce::String getTextFromValue (double value) override;
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

protected:
    explicit OutputEQBwSlider (juce::Component& owner);
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
