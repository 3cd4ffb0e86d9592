#include "panels/DelayPanel.h"

#include "device/Protocol.h"
#include "panels/DelayDialog.h"
#include "panels/DialogSupport.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/Panel.h"

#include <cmath>
#include <cstdio>

DelayPanelBase::Layout DelayPanelBase::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    Layout l;
    l.caption = { 0, 0, roundLayout (W * 0.45f), height };
    l.captionFontHeight = H * 0.6f;
    l.button = { roundLayout (W * 0.5f), 0, roundLayout (W * 0.45f), roundLayout (H * 0.9f) };
    return l;
}

DelayPanelBase::DelayPanelBase (Section sectionToEdit, DeviceState& deviceState, juce::PropertiesFile& settingsFile,
                                std::function<int()> shownChannelOfOwner)
    : section (sectionToEdit)
    , state (deviceState)
    , settings (settingsFile)
    , shownChannel (std::move (shownChannelOfOwner))
{
    button.setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
    button.addListener (this);
    addAndMakeVisible (button);
    // Read as a double so that a mangled file cannot overflow an int; any
    // other unit number is kept and shows nothing until a unit is picked.
    const double stored = settings.getDoubleValue (DelayUnits::settingsKey, DelayUnits::msec);
    unit = std::isfinite (stored) ? (int) juce::jlimit (-1.0e9, 1.0e9, stored) : DelayUnits::msec;
}

DelayPanelBase::~DelayPanelBase() = default;

int DelayPanelBase::storedSteps() const
{
    const int channel = shownChannel();
    return section == Section::inputs ? state.input2EQState.getDelaySteps (channel)
                                      : state.outputEQState.getDelaySteps (channel);
}

void DelayPanelBase::refresh()
{
    button.setButtonText (DelayUnits::buttonText (unit, storedSteps()));
}

void DelayPanelBase::saveSettings()
{
    settings.setValue (DelayUnits::settingsKey, unit);
}

void DelayPanelBase::paint (juce::Graphics& g)
{
    const auto l = layoutFor (getWidth(), getHeight());
    g.setColour (SchemeColours::caption);
    g.setFont (juce::Font (l.captionFontHeight, juce::Font::bold));
    g.drawFittedText ("DELAY", l.caption, juce::Justification::centredRight, 1, 0.7f);
}

void DelayPanelBase::resized()
{
    button.setBounds (layoutFor (getWidth(), getHeight()).button);
}

void DelayPanelBase::buttonClicked (juce::Button*)
{
    const int steps = DelayUnits::displayableSteps (storedSteps());
    std::unique_ptr<DelayDialogBase> dialog;
    const char* title = nullptr;
    if (section == Section::inputs)
    {
        dialog = std::make_unique<Delay2Dialog> (steps, unit);
        title = Delay2Dialog::windowTitle;
    }
    else
    {
        dialog = std::make_unique<DelayDialog> (steps, unit);
        title = DelayDialog::windowTitle;
    }

    if (DialogSupport::runModalDialog (*dialog, title, this) == 0)
        return;

    unit = dialog->getUnit();
    refresh();
    // A delay beyond what can be typed was read from the processor: OK
    // without a new value leaves it there rather than cutting it to the limit.
    if (dialog->getSteps() == steps && steps > Protocol::maximumDelaySteps)
        return;
    const int channel = shownChannel(); // the owner cannot switch channels while the dialog is up
    if (section == Section::inputs)
        state.input2EQState.setDelaySteps (channel, dialog->getSteps());
    else
        state.outputEQState.setDelaySteps (channel, dialog->getSteps());
}

Delay2Panel::Delay2Panel (DeviceState& deviceState, juce::PropertiesFile& settingsFile, std::function<int()> shownInput)
    : DelayPanelBase (Section::inputs, deviceState, settingsFile, std::move (shownInput))
{
}

DelayPanel::DelayPanel (DeviceState& deviceState, juce::PropertiesFile& settingsFile,
                        std::function<int()> selectedOutput)
    : DelayPanelBase (Section::outputs, deviceState, settingsFile, std::move (selectedOutput))
{
}
