#include "panels/LimiterPanel.h"

#include "panels/DialogSupport.h"
#include "panels/LimiterDialog.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/Panel.h"

#include <cstdio>

LimiterPanel::Layout LimiterPanel::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    Layout l;
    l.caption = { 0, 0, roundLayout (W * 0.305f), height };
    l.captionFontHeight = H * 0.6f;
    l.button = { roundLayout (W * 0.355f), 0, roundLayout (W * 0.295f), roundLayout (H * 0.9f) };
    return l;
}

juce::String LimiterPanel::thresholdText (float thresholdDb)
{
    char text[32];
    std::snprintf (text, sizeof (text), "%+1.0f dB", (double) thresholdDb);
    return text;
}

LimiterPanel::LimiterPanel (DeviceState& deviceState, std::function<int()> selectedOutputOfOwner)
    : state (deviceState)
    , selectedOutput (std::move (selectedOutputOfOwner))
{
    button.setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
    button.addListener (this);
    addAndMakeVisible (button);
}

LimiterPanel::~LimiterPanel() = default;

float LimiterPanel::storedThreshold() const
{
    return state.outputEQState.getLimiterThreshold (selectedOutput()); // 0 outside the outputs
}

void LimiterPanel::refreshLimiterPanel()
{
    button.setButtonText (thresholdText (storedThreshold()));
}

void LimiterPanel::paint (juce::Graphics& g)
{
    const auto l = layoutFor (getWidth(), getHeight());
    g.setColour (SchemeColours::caption);
    g.setFont (juce::Font (l.captionFontHeight, juce::Font::bold));
    g.drawFittedText ("LIMITER", l.caption, juce::Justification::centredRight, 1, 0.7f);
}

void LimiterPanel::resized()
{
    button.setBounds (layoutFor (getWidth(), getHeight()).button);
}

void LimiterPanel::buttonClicked (juce::Button*)
{
    const int output = selectedOutput();
    auto dialog = std::make_unique<LimiterDialog> (storedThreshold());
    if (DialogSupport::runModalDialog (*dialog, LimiterDialog::windowTitle, this) == 0)
        return;
    state.outputEQState.setLimiterThreshold (output, dialog->getThreshold());
}
