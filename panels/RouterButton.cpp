#include "panels/RouterButton.h"

#include "state/RouterState.h"
#include "ui/TavikLookAndFeel.h"

RouterButton::RouterButton (RouterState& routerState, int inputIndex, int outputIndex)
    : juce::TextButton (juce::String::charToString (juce::juce_wchar ('A' + inputIndex)))
    , input (inputIndex)
    , output (outputIndex)
    , router (routerState)
{
    setClickingTogglesState (true);
    setConnectedEdges (ConnectedOnLeft | ConnectedOnRight);
    TavikLookAndFeel::useFullHeightFont (*this);
}

RouterButton::~RouterButton() = default;

void RouterButton::clicked()
{
    router.setRoute (output, input, getToggleState());
}
