#include "panels/PhasePanel.h"

#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/Panel.h"

namespace
{
juce::String phaseText (bool inverted)
{
    return inverted ? "OUT" : "IN";
}
} // namespace

PhasePanel::Layout PhasePanel::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    Layout l;
    l.caption = { 0, 0, roundLayout (W * 0.305f), height };
    l.captionFontHeight = H * 0.6f;
    l.button = { roundLayout (W * 0.355f), 0, roundLayout (W * 0.295f), roundLayout (H * 0.9f) };
    return l;
}

PhasePanel::PhasePanel (DeviceState& deviceState, std::function<int()> selectedOutputOfOwner)
    : state (deviceState)
    , selectedOutput (std::move (selectedOutputOfOwner))
{
    button.setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
    button.setClickingTogglesState (true);
    button.addListener (this);
    addAndMakeVisible (button);
}

PhasePanel::~PhasePanel() = default;

void PhasePanel::refreshPhasePanel()
{
    // A read-back may store 2: anything but 0 is inverted.
    const bool inverted = state.outputEQState.getPhase (selectedOutput()) != 0;
    button.setButtonText (phaseText (inverted));
    button.setToggleState (inverted, juce::dontSendNotification);
}

void PhasePanel::paint (juce::Graphics& g)
{
    const auto l = layoutFor (getWidth(), getHeight());
    g.setColour (SchemeColours::caption);
    g.setFont (juce::Font (l.captionFontHeight, juce::Font::bold));
    g.drawFittedText ("PHASE", l.caption, juce::Justification::centredRight, 1, 0.7f);
}

void PhasePanel::resized()
{
    button.setBounds (layoutFor (getWidth(), getHeight()).button);
}

void PhasePanel::buttonClicked (juce::Button*)
{
    const bool inverted = button.getToggleState();
    state.outputEQState.setPhase (selectedOutput(), inverted ? 1 : 0);
    button.setButtonText (phaseText (inverted));
}
