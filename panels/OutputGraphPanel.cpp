#include "panels/OutputGraphPanel.h"

#include "panels/EQGraph.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"

#include <juce_data_structures/juce_data_structures.h>

namespace
{
// Squeezes the caption into its box rather than cutting or ellipsising it.
constexpr float smallestCaptionScale = 0.05f;
} // namespace

OutputGraphPanel::Layout OutputGraphPanel::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    const int left = roundLayout (W * 0.375f);
    const int buttonWidth = roundLayout (W * 0.05f);
    const int top = roundLayout (H * 0.85f);
    const int buttonHeight = roundLayout (H * 0.1f);
    Layout l;
    for (int output = 0; output < outputCount; ++output)
        l.buttons[(size_t) output] = { left + output * buttonWidth, top, buttonWidth, buttonHeight };
    l.graph = { roundLayout (W * 0.03f), roundLayout (H * 0.05f), roundLayout (W * 0.94f), roundLayout (H * 0.75f) };
    l.caption = { 0, top, roundLayout ((float) left * 0.9f), buttonHeight };
    l.captionFontHeight = 0.9f * (float) buttonHeight;
    return l;
}

int OutputGraphPanel::readSelection (const juce::PropertiesFile& settings)
{
    if (!settings.containsKey (settingsKey))
        return defaultSelection;
    // Written by hand or by another program it may be anything: only a plain
    // whole number naming some of the six outputs is taken.
    const auto text = settings.getValue (settingsKey).trim();
    if (text.isEmpty() || text.length() > 2 || !text.containsOnly ("0123456789"))
        return defaultSelection;
    const int value = text.getIntValue();
    return value <= allOutputs ? value : defaultSelection;
}

OutputGraphPanel::OutputGraphPanel (const UiContext& context)
    : Panel (juce::String())
    , settings (context.settings)
{
    const int selection = readSelection (settings);
    for (int output = 0; output < outputCount; ++output)
    {
        auto& button = buttons[(size_t) output];
        button = std::make_unique<juce::TextButton> (juce::String (output + 1));
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->addListener (this);
        addAndMakeVisible (*button);
        button->setClickingTogglesState (true);
        button->setToggleState ((selection >> output) & 1, juce::dontSendNotification);
    }
    EQGraph::Selection selectionButtons{};
    for (int output = 0; output < outputCount; ++output)
        selectionButtons[(size_t) output] = buttons[(size_t) output].get();
    graph = std::make_unique<EQGraph> (context.state, selectionButtons);
    addAndMakeVisible (*graph);
}

OutputGraphPanel::~OutputGraphPanel() = default;

int OutputGraphPanel::getSelection() const
{
    int selection = 0;
    for (int output = 0; output < outputCount; ++output)
        if (buttons[(size_t) output]->getToggleState())
            selection |= 1 << output;
    return selection;
}

void OutputGraphPanel::saveGraphSelection()
{
    settings.setValue (settingsKey, getSelection());
}

void OutputGraphPanel::paint (juce::Graphics& g)
{
    paintPanel (g);
    const auto l = layoutFor (getWidth(), getHeight());
    g.setColour (SchemeColours::caption);
    g.setFont (juce::Font (l.captionFontHeight, juce::Font::bold));
    g.drawFittedText ("OUTPUT", l.caption, juce::Justification::centredRight, 1, smallestCaptionScale);
}

void OutputGraphPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    for (int output = 0; output < outputCount; ++output)
        buttons[(size_t) output]->setBounds (l.buttons[(size_t) output]);
    graph->setBounds (l.graph);
}

void OutputGraphPanel::buttonClicked (juce::Button*)
{
    graph->repaint();
}
