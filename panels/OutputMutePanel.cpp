#include "panels/OutputMutePanel.h"

#include "state/DeviceState.h"

OutputMutePanel::Layout OutputMutePanel::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    const int buttonWidth = roundLayout (W * 0.1f);
    const int buttonHeight = roundLayout (H * 0.4f);
    const int top = roundLayout (H * 0.46f);
    const int left = roundLayout (W * 0.1875f);
    Layout l;
    for (int output = 0; output < outputCount; ++output)
        l.buttons[(size_t) output] = { left + output * buttonWidth, top, buttonWidth, buttonHeight };
    return l;
}

OutputMutePanel::OutputMutePanel (DeviceState& deviceState)
    : Panel ("OUTPUT MUTES")
    , state (deviceState)
{
    // The title is longer than the others: a wider tab, further in.
    setTitleTabFractions (0.082f, 0.13f);
    for (int output = 0; output < outputCount; ++output)
    {
        auto& button = buttons[(size_t) output];
        button = std::make_unique<juce::TextButton> (juce::String (output + 1));
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->addListener (this);
        addAndMakeVisible (*button);
        button->setClickingTogglesState (true);
    }
}

OutputMutePanel::~OutputMutePanel() = default;

void OutputMutePanel::refreshMutePanel()
{
    for (int output = 0; output < outputCount; ++output)
        showMute (output);
}

void OutputMutePanel::showMute (int output)
{
    buttons[(size_t) output]->setToggleState (state.muteState.isMuted (output), juce::dontSendNotification);
}

void OutputMutePanel::paint (juce::Graphics& g)
{
    paintPanel (g);
}

void OutputMutePanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    for (int output = 0; output < outputCount; ++output)
        buttons[(size_t) output]->setBounds (l.buttons[(size_t) output]);
}

void OutputMutePanel::buttonClicked (juce::Button* button)
{
    for (int output = 0; output < outputCount; ++output)
        if (buttons[(size_t) output].get() == button)
            state.muteState.setOutputMute (output, button->getToggleState());
}
