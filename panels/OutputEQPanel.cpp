#include "panels/OutputEQPanel.h"

#include "panels/DelayPanel.h"
#include "panels/LimiterPanel.h"
#include "panels/OutputEQCutPanel.h"
#include "panels/OutputEQSubPanel.h"
#include "panels/OutputSliders.h"
#include "panels/PhasePanel.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"

namespace
{
struct Tick
{
    double gainDb;
    const char* label;
};
const Tick gainTicks[] = { { 12.0, "+12" },  { 0.0, "0dB" },   { -12.0, "-12" }, { -24.0, "-24" },
                           { -36.0, "-36" }, { -48.0, "-48" }, { -60.0, "-60" } };

const juce::Colour stripBackground = juce::Colours::black.withAlpha (0.1f);

// Children placed one after another from x, each `width` wide (rounded once).
template <std::size_t n>
void sideBySide (std::array<juce::Rectangle<int>, n>& rects, int x, int y, int width, int height)
{
    for (std::size_t i = 0; i < n; ++i)
        rects[i] = { x + (int) i * width, y, width, height };
}
} // namespace

OutputEQPanel::Layout OutputEQPanel::layoutFor (int width, int height)
{
    const double W = width, H = height;
    const auto r = [] (double v) { return roundLayout (v); };
    Layout l;
    l.gainSlider = { r (0.04 * W), r (0.2519252 * H), r (0.0125 * W), r (0.5632563 * H) };
    l.gainTextBoxWidth = r (0.04 * W);

    const int top = r (0.023 * H), buttonHeight = r (0.110011001 * H);
    sideBySide (l.channelButtons, r (0.195 * W), top, r (0.024071807 * W), buttonHeight);

    const int buttonWidth = r (0.040187678 * W);
    l.copy = { r (0.42 * W), top, buttonWidth, buttonHeight };
    l.paste = l.copy.withX (l.copy.getRight());
    l.load = { r (0.1 * W), top, buttonWidth, buttonHeight };
    l.save = l.load.withX (l.load.getRight());
    l.flat = { r (0.52 * W), top, buttonWidth, buttonHeight };

    const int stripTop = r (0.16 * H), stripHeight = r (0.83 * H);
    sideBySide (l.bands, r (0.07 * W), stripTop, r (0.17 * W), stripHeight);
    sideBySide (l.cuts, r (0.75 * W), stripTop, r (0.12 * W), stripHeight);

    const int rowTop = r (0.025 * H), rowHeight = r (0.12 * H);
    l.phase = { r (0.58 * W), rowTop, r (0.165 * W), rowHeight };
    l.limiter = { r (0.70 * W), rowTop, r (0.21 * W), rowHeight };
    l.delay = { r (0.825 * W), rowTop, r (0.165 * W), rowHeight };
    return l;
}

OutputEQPanel::OutputEQPanel (const UiContext& uiContext)
    : Panel ("OUTPUT")
    , context (uiContext)
{
    gainSlider = std::make_unique<OutputEQGainSlider> (*this, *this);
    addAndMakeVisible (*gainSlider);

    for (int output = 0; output < outputCount; ++output)
    {
        auto& button = channelButtons[(size_t) output];
        button = makeButton (juce::String (output + 1));
        button->setClickingTogglesState (true);
        button->setRadioGroupId (channelGroup);
    }
    for (int band = 0; band < bandCount; ++band)
    {
        bandStrips[(size_t) band] = std::make_unique<OutputEQSubPanel> (*this, band);
        addAndMakeVisible (*bandStrips[(size_t) band]);
    }
    for (int cut = 0; cut < cutCount; ++cut)
    {
        cutStrips[(size_t) cut] = std::make_unique<OutputEQCutPanel> (*this, cut);
        addAndMakeVisible (*cutStrips[(size_t) cut]);
    }
    flatButton = makeButton ("FLAT");
    copyButton = makeButton ("COPY");
    pasteButton = makeButton ("PASTE");
    loadButton = makeButton ("LOAD");
    saveButton = makeButton ("SAVE");

    const auto shown = [this] { return selectedOutput; };
    phasePanel = std::make_unique<PhasePanel> (context.state, shown);
    addAndMakeVisible (*phasePanel);
    limiterPanel = std::make_unique<LimiterPanel> (context.state, shown);
    addAndMakeVisible (*limiterPanel);
    delayPanel = std::make_unique<DelayPanel> (context.state, context.settings, shown);
    addAndMakeVisible (*delayPanel);

    // Only a stored 0..5 picks a button; anything else shows the first output.
    const int stored = context.settings.getIntValue (settingsKey, 0);
    selectedOutput = Protocol::isOutput (stored) ? stored : 0;
    refreshOutputEQPanel();
    channelButtons[(size_t) selectedOutput]->setToggleState (true, juce::dontSendNotification);
}

OutputEQPanel::~OutputEQPanel() = default;

std::unique_ptr<juce::TextButton> OutputEQPanel::makeButton (const juce::String& text)
{
    auto button = std::make_unique<juce::TextButton> (text);
    button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
    button->addListener (this);
    addAndMakeVisible (*button);
    return button;
}

OutputEQState& OutputEQPanel::getOutputEQState() const noexcept
{
    return context.state.outputEQState;
}

void OutputEQPanel::refreshOutputEQPanel()
{
    // Outside the section the getters give 0, so every slider shows 0.
    gainSlider->showRecord();
    for (auto& strip : bandStrips)
        strip->refresh();
    for (auto& strip : cutStrips)
        strip->refresh();
    phasePanel->refreshPhasePanel();
    limiterPanel->refreshLimiterPanel();
    delayPanel->refresh();
}

void OutputEQPanel::saveSettings()
{
    context.settings.setValue (settingsKey, selectedOutput);
    delayPanel->saveSettings();
}

void OutputEQPanel::buttonClicked (juce::Button* button)
{
    if (commitPendingNames)
        commitPendingNames();
    auto& outputs = getOutputEQState();
    for (int output = 0; output < outputCount; ++output)
    {
        if (channelButtons[(size_t) output].get() == button)
        {
            // The button a click turned off reports too; only the one turned on counts.
            if (!button->getToggleState())
                return;
            selectedOutput = output;
            refreshOutputEQPanel();
            return;
        }
    }

    if (button == copyButton.get())
    {
        outputs.copyChannelToClipboard (selectedOutput);
    }
    else if (button == pasteButton.get())
    {
        outputs.pasteChannelFromClipboard (selectedOutput);
    }
    else if (button == loadButton.get())
    {
        outputs.loadChannelPreset (selectedOutput);
    }
    else if (button == saveButton.get())
    {
        outputs.saveChannelPreset (selectedOutput);
    }
    else if (button == flatButton.get())
    {
        const DeviceState::Edit edit (context.state, DeviceState::ChangeSource::flat);
        for (int band = 0; band < bandCount; ++band)
            outputs.setBandGain (selectedOutput, band, 0.0);
    }
}

void OutputEQPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    gainSlider->setBounds (l.gainSlider);
    gainSlider->placeTextBox (l.gainTextBoxWidth, 0.5);
    for (int output = 0; output < outputCount; ++output)
        channelButtons[(size_t) output]->setBounds (l.channelButtons[(size_t) output]);
    copyButton->setBounds (l.copy);
    pasteButton->setBounds (l.paste);
    loadButton->setBounds (l.load);
    saveButton->setBounds (l.save);
    flatButton->setBounds (l.flat);
    for (int band = 0; band < bandCount; ++band)
        bandStrips[(size_t) band]->setBounds (l.bands[(size_t) band]);
    for (int cut = 0; cut < cutCount; ++cut)
        cutStrips[(size_t) cut]->setBounds (l.cuts[(size_t) cut]);
    phasePanel->setBounds (l.phase);
    limiterPanel->setBounds (l.limiter);
    delayPanel->setBounds (l.delay);
}

void OutputEQPanel::paint (juce::Graphics& g)
{
    paintPanel (g);
    const auto l = layoutFor (getWidth(), getHeight());
    const float W = (float) getWidth(), H = (float) getHeight();

    const auto stripsBackground = [&g] (juce::Rectangle<int> first, juce::Rectangle<int> last)
    {
        const float height = (float) first.getHeight();
        g.fillRoundedRectangle ((float) first.getX(), (float) first.getY(),
                                0.99f * (float) (last.getRight() - first.getX()), height, 0.1f * height);
    };
    g.setColour (stripBackground);
    stripsBackground (l.bands.front(), l.bands.back());
    stripsBackground (l.cuts.front(), l.cuts.back());

    g.setColour (SchemeColours::caption);
    const auto slider = l.gainSlider;
    const float fontHeight = 0.06f * H;
    const float tickLength = 0.008f * W, tickThickness = 0.00550055f * H;
    const float tickRight = (float) slider.getX() - 0.001835985f * W;
    const float tickLeft = tickRight - tickLength;
    constexpr int labelsLeft = 3;
    const int labelsRight = (int) std::floor (tickLeft);
    const int labelHeight = (int) std::ceil (fontHeight * 1.5f);
    g.setFont (juce::Font (fontHeight, juce::Font::bold));
    for (const auto& tick : gainTicks)
    {
        const float y = (float) slider.getY() + gainSlider->getPositionOfValue (tick.gainDb);
        g.fillRect (tickLeft, y - tickThickness * 0.5f, tickLength, tickThickness);
        g.drawFittedText (tick.label, labelsLeft, roundLayout (y) - labelHeight / 2,
                          juce::jmax (0, labelsRight - labelsLeft), labelHeight, juce::Justification::centredRight, 1,
                          0.7f);
    }

    const int headingWidth = roundLayout (0.04 * getWidth()), headingHeight = roundLayout (0.06 * getHeight());
    g.drawFittedText ("GAIN", slider.getCentreX() - headingWidth / 2, slider.getY() - headingHeight, headingWidth,
                      headingHeight, juce::Justification::centred, 1, 0.7f);
}
