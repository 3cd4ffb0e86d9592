#include "panels/OutputEQCutPanel.h"

#include "panels/OutputEQPanel.h"
#include "panels/OutputSliders.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/Panel.h"

namespace
{
const char* const typeTexts[] = { "OFF", "BUT", "BES", "L-R" };
const char* const slopeTexts[] = { "6", "12", "18", "24", "48" };

struct Tick
{
    double hz;
    const char* label;
};
const Tick frequencyTicks[] = {
    { 20000.0, "20K" }, { 4000.0, "4K" }, { 800.0, "800" }, { 125.0, "125" }, { 20.0, "20" }
};
} // namespace

OutputEQCutPanel::Layout OutputEQCutPanel::layoutFor (int width, int height)
{
    const double W = width, H = height;
    Layout l;
    const int c = roundLayout (0.103703 * W);
    l.slider = { (width - c) / 4, roundLayout (0.2 * H), c, roundLayout (0.6 * H) };
    l.textBoxWidth = roundLayout (0.3 * W);

    // Both button columns are placed by fractions of the height, as the strip always was.
    const int step = roundLayout (0.15 * H);
    const int buttonWidth = roundLayout (0.2 * W), buttonHeight = roundLayout (0.1 * H);
    for (int i = 0; i < typeCount; ++i)
        l.typeButtons[(size_t) i] = { roundLayout (0.3 * H), roundLayout (0.2325 * H) + i * step, buttonWidth,
                                      buttonHeight };
    for (int k = 0; k < slopeCount; ++k)
        l.slopeButtons[(size_t) k] = { roundLayout (0.5 * H), roundLayout (0.2 * H) + k * step, buttonWidth,
                                       buttonHeight };
    return l;
}

int OutputEQCutPanel::allowedSlope (int type, int slope) noexcept
{
    return OutputEQState::allowedSlope (type, slope);
}

OutputEQCutPanel::OutputEQCutPanel (OutputEQPanel& owner, int cutIndex)
    : panel (owner)
    , cut (cutIndex)
{
    slider = std::make_unique<OutputEQCutFreqSlider> (panel, *this, cut);
    addAndMakeVisible (*slider);

    const auto makeToggle = [this] (const char* text, int group)
    {
        auto button = std::make_unique<juce::TextButton> (text);
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->setClickingTogglesState (true);
        button->setRadioGroupId (group);
        button->addListener (this);
        addAndMakeVisible (*button);
        return button;
    };
    for (int i = 0; i < typeCount; ++i)
        typeButtons[(size_t) i] = makeToggle (typeTexts[i], typeGroup);
    for (int k = 0; k < slopeCount; ++k)
        slopeButtons[(size_t) k] = makeToggle (slopeTexts[k], slopeGroup);

    const auto touches = [this] (const Param& p)
    {
        return p.output && p.channel == panel.getSelectedOutput() && p.index == cut &&
               (p.kind == Param::Kind::cutType || p.kind == Param::Kind::cutSlope);
    };
    watch = std::make_unique<RecordWatch> (panel.getDeviceState(), touches, [this] { refresh(); });
}

OutputEQCutPanel::~OutputEQCutPanel() = default;

void OutputEQCutPanel::enableSlopesFor (int type)
{
    for (int k = 0; k < slopeCount; ++k)
        slopeButtons[(size_t) k]->setEnabled (Protocol::isCutFilterAllowed (type, k));
}

void OutputEQCutPanel::refresh()
{
    const auto& outputs = panel.getOutputEQState();
    const int output = panel.getSelectedOutput();
    slider->showRecord();

    // A stored pair is always in the table; the limits only guard the indexing.
    const int type = outputs.getCutType (output, cut), slope = outputs.getCutTapsIndex (output, cut);
    if (type >= 0 && type < typeCount)
        typeButtons[(size_t) type]->setToggleState (true, juce::dontSendNotification);
    if (slope >= 0 && slope < slopeCount)
        slopeButtons[(size_t) slope]->setToggleState (true, juce::dontSendNotification);
    enableSlopesFor (type);
}

void OutputEQCutPanel::buttonClicked (juce::Button* button)
{
    // A click in a radio group also reports the button it turned off: only
    // the one turned on counts, so each click sends once.
    if (!button->getToggleState())
        return;

    auto& outputs = panel.getOutputEQState();
    const int output = panel.getSelectedOutput();
    int type = outputs.getCutType (output, cut), slope = outputs.getCutTapsIndex (output, cut);
    for (int i = 0; i < typeCount; ++i)
        if (typeButtons[(size_t) i].get() == button)
            type = i;
    for (int k = 0; k < slopeCount; ++k)
        if (slopeButtons[(size_t) k].get() == button)
            slope = k;

    // The announcement of the new pair shows it, the slope moved and the slopes offered.
    outputs.setCutFilter (output, cut, type, allowedSlope (type, slope));
}

void OutputEQCutPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    slider->setBounds (l.slider);
    slider->placeTextBox (l.textBoxWidth, 0.5);
    for (int i = 0; i < typeCount; ++i)
        typeButtons[(size_t) i]->setBounds (l.typeButtons[(size_t) i]);
    for (int k = 0; k < slopeCount; ++k)
        slopeButtons[(size_t) k]->setBounds (l.slopeButtons[(size_t) k]);
}

void OutputEQCutPanel::paint (juce::Graphics& g)
{
    const double W = getWidth(), H = getHeight();
    g.setColour (SchemeColours::caption);

    const int titleHeight = roundLayout (0.1 * H);
    g.setFont (juce::Font ((float) (0.1 * H), juce::Font::bold));
    g.drawText (cut == 0 ? "LO CUT" : "HI CUT", 0, 0, getWidth(), titleHeight, juce::Justification::centred, true);

    const auto s = slider->getBounds();
    const int tickLength = roundLayout (0.025 * W), tickThickness = roundLayout (0.008 * H);
    const int tickLeft = s.getX() - tickLength;
    const int boxHeight = s.getHeight() / 4;
    g.setFont (juce::Font ((float) (0.06 * H), juce::Font::bold));
    for (const auto& tick : frequencyTicks)
    {
        const float y = (float) s.getY() + slider->getPositionOfValue (tick.hz);
        g.fillRect ((float) tickLeft, y - (float) tickThickness * 0.5f, (float) tickLength, (float) tickThickness);
        g.drawFittedText (tick.label, 0, roundLayout (y) - boxHeight / 2, tickLeft, boxHeight,
                          juce::Justification::centredRight, 1, 0.7f);
    }
}
