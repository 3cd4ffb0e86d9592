#pragma once

#include "panels/SliderWithTextBox.h"

// The input EQ panel's sliders. Each edits the input shown by its panel at
// the moment the value changes.

class Input2EQGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = -60.0, maximum = 12.0;
    Input2EQGainSlider (ShownChannelSource& panel, juce::Component& owner);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
};

class Input2EQBandGainSlider final : public SliderWithTextBox
{
public:
    static constexpr double minimum = -12.0, maximum = 12.0;
    Input2EQBandGainSlider (ShownChannelSource& panel, juce::Component& owner, int band);
    void valueChanged() override;

private:
    ShownChannelSource& panel;
    const int band;
};

// Walks the frequency table's steps; shows 1000 Hz and above in kHz.
class Input2EQFreqSlider : public SliderWithTextBox
{
public:
    juce::String getTextFromValue (double value) override;
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

protected:
    explicit Input2EQFreqSlider (juce::Component& owner);
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

// Walks the bandwidth table's steps.
class Input2EQBwSlider : public SliderWithTextBox
{
public:
    static constexpr double minimum = (double) 0.04f; // the table's own lowest entry
    static constexpr double maximum = 3.0;
    juce::String getTextFromValue (double value) override;
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

protected:
    explicit Input2EQBwSlider (juce::Component& owner);
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
