#include "panels/DelayPanel.h"

#include "app/ColourScheme.h"
#include "app/Panel.h"
#include "device/Protocol.h"
#include "panels/DelayDialog.h"
#include "panels/DialogSupport.h"
#include "state/DeviceState.h"

#include <cmath>
#include <cstdio>

namespace DelayUnits
{
namespace
{
constexpr double microsecondsPerStep = 21.0;
constexpr double millimetresPerStep = 7.0;
constexpr double inchesPerStep = 0.28;
constexpr int hundredthInchesPerStep = 28;
constexpr int hundredthInchesPerFoot = 1200;

juce::String formatted (const char* format, double a, double b = 0.0)
{
    char text[64];
    std::snprintf (text, sizeof (text), format, a, b);
    return text;
}

juce::String number (double value)
{
    return formatted ("%.9g", value);
}
} // namespace

bool isKnown (int unit) noexcept
{
    return unit == msec || unit == feet || unit == meters;
}

int displayableSteps (int steps) noexcept
{
    return juce::jlimit (0, Protocol::maximumDelaySteps, steps);
}

std::optional<int> stepsFromNumbers (int unit, double left, double right)
{
    double steps = 0;
    switch (unit)
    {
        case msec:
            steps = (right + 1000.0 * left) / microsecondsPerStep;
            break;
        case feet:
            steps = (right + 12.0 * left) / inchesPerStep;
            break;
        case meters:
            steps = (right + 1000.0 * left) / millimetresPerStep;
            break;
        default:
            return std::nullopt;
    }
    if (!std::isfinite (steps))
        return std::nullopt;
    // Limited while still a double, so a huge entry cannot overflow the int.
    steps = juce::jlimit (0.0, (double) Protocol::maximumDelaySteps, steps);
    return (int) std::nearbyint (steps);
}

juce::String buttonText (int unit, int steps)
{
    steps = displayableSteps (steps);
    switch (unit)
    {
        case msec:
            return formatted ("%.3f msec", steps * 0.021);
        case feet:
        {
            const double feet = std::floor (steps * inchesPerStep / 12.0);
            return formatted ("%.0f' %.2f\"", feet, steps * inchesPerStep - 12.0 * feet);
        }
        case meters:
            return formatted ("%.3f m", steps * 0.007);
        default:
            return {};
    }
}

NumberTexts numberTexts (int unit, int steps)
{
    steps = displayableSteps (steps);
    switch (unit)
    {
        case msec:
        {
            const double ms = std::floor (steps * microsecondsPerStep * 0.001);
            return { number (ms), number (steps * microsecondsPerStep - 1000.0 * ms) };
        }
        case feet:
        {
            // In whole hundredths of an inch: the floating-point remainder would
            // leave a residue such as 1.42e-14 inches on every 300th step,
            // which the label could then not take back as typed text.
            const int hundredths = steps * hundredthInchesPerStep;
            const int feet = hundredths / hundredthInchesPerFoot;
            return { number (feet), number ((hundredths - feet * hundredthInchesPerFoot) / 100.0) };
        }
        case meters:
        {
            const double metres = std::floor (steps * millimetresPerStep * 0.001);
            return { number (metres), number (steps * millimetresPerStep - 1000.0 * metres) };
        }
        default:
            return {};
    }
}
} // namespace DelayUnits

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
    const int channel = shownChannel(); // the owner cannot switch channels while the dialog is up
    if (section == Section::inputs)
        state.input2EQState.setDelaySteps (channel, dialog->getSteps());
    else
        state.outputEQState.setDelaySteps (channel, dialog->getSteps());
    refresh();
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
