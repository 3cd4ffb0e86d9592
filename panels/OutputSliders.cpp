#include "panels/OutputSliders.h"

#include "common/EqTables.h"
#include "state/DeviceState.h"

namespace
{
OutputEQState& section (ShownChannelSource& panel)
{
    return panel.getDeviceState().outputEQState;
}
} // namespace

OutputEQGainSlider::OutputEQGainSlider (ShownChannelSource& shown, juce::Component& owner)
    : SliderWithTextBox ("OutputEQGainSlider", owner)
    , panel (shown)
{
    setRange (minimum, maximum, 0.0);
}

void OutputEQGainSlider::valueChanged()
{
    section (panel).setChannelGain (panel.getShownChannel(), getValue());
    SliderWithTextBox::valueChanged();
}

OutputEQBandGainSlider::OutputEQBandGainSlider (ShownChannelSource& shown, juce::Component& owner, int bandIndex)
    : SliderWithTextBox ("OutputEQBandGainSlider", owner)
    , panel (shown)
    , band (bandIndex)
{
    setRange (minimum, maximum, 0.0);
}

void OutputEQBandGainSlider::valueChanged()
{
    section (panel).setBandGain (panel.getShownChannel(), band, getValue());
    SliderWithTextBox::valueChanged();
}

OutputEQBandFreqSlider::OutputEQBandFreqSlider (ShownChannelSource& shown, juce::Component& owner, int bandIndex)
    : OutputEQFreqSlider (owner)
    , panel (shown)
    , band (bandIndex)
{
}

void OutputEQBandFreqSlider::valueChanged()
{
    section (panel).setBandFrequency (panel.getShownChannel(), band, getValue());
    SliderWithTextBox::valueChanged();
}

OutputEQCutFreqSlider::OutputEQCutFreqSlider (ShownChannelSource& shown, juce::Component& owner, int cutIndex)
    : OutputEQFreqSlider (owner)
    , panel (shown)
    , cut (cutIndex)
{
}

void OutputEQCutFreqSlider::valueChanged()
{
    section (panel).setCutFrequency (panel.getShownChannel(), cut, getValue());
    SliderWithTextBox::valueChanged();
}

OutputEQBandQSlider::OutputEQBandQSlider (ShownChannelSource& shown, juce::Component& owner, int bandIndex)
    : OutputEQBwSlider (owner)
    , panel (shown)
    , band (bandIndex)
{
}

juce::String OutputEQBandQSlider::getTextFromValue (double value)
{
    return twoDecimalText (value);
}

void OutputEQBandQSlider::valueChanged()
{
    section (panel).setBandWidth (panel.getShownChannel(), band, getValue());
    SliderWithTextBox::valueChanged();
}
