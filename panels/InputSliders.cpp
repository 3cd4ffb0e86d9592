#include "panels/InputSliders.h"

#include "common/EqTables.h"
#include "state/DeviceState.h"

namespace
{
Input2EQState& section (ShownChannelSource& panel)
{
    return panel.getDeviceState().input2EQState;
}
} // namespace

Input2EQGainSlider::Input2EQGainSlider (ShownChannelSource& shown, juce::Component& owner)
    : SliderWithTextBox ("Input2EQGainSlider", owner)
    , panel (shown)
{
    setRange (minimum, maximum, 0.0);
}

void Input2EQGainSlider::valueChanged()
{
    section (panel).setChannelGain (panel.getShownChannel(), getValue());
    SliderWithTextBox::valueChanged();
}

Input2EQBandGainSlider::Input2EQBandGainSlider (ShownChannelSource& shown, juce::Component& owner, int bandIndex)
    : SliderWithTextBox ("Input2EQBandGainSlider", owner)
    , panel (shown)
    , band (bandIndex)
{
    setRange (minimum, maximum, 0.0);
}

void Input2EQBandGainSlider::valueChanged()
{
    section (panel).setBandGain (panel.getShownChannel(), band, getValue());
    SliderWithTextBox::valueChanged();
}

Input2EQBandFreqSlider::Input2EQBandFreqSlider (ShownChannelSource& shown, juce::Component& owner, int bandIndex)
    : Input2EQFreqSlider (owner)
    , panel (shown)
    , band (bandIndex)
{
}

void Input2EQBandFreqSlider::valueChanged()
{
    section (panel).setBandFrequency (panel.getShownChannel(), band, getValue());
    SliderWithTextBox::valueChanged();
}

Input2EQBandQSlider::Input2EQBandQSlider (ShownChannelSource& shown, juce::Component& owner, int bandIndex)
    : Input2EQBwSlider (owner)
    , panel (shown)
    , band (bandIndex)
{
}

juce::String Input2EQBandQSlider::getTextFromValue (double value)
{
    return twoDecimalText (value);
}

void Input2EQBandQSlider::valueChanged()
{
    section (panel).setBandWidth (panel.getShownChannel(), band, getValue());
    SliderWithTextBox::valueChanged();
}
