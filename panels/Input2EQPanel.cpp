#include "panels/Input2EQPanel.h"

#include "common/EqTables.h"
#include "panels/DelayPanel.h"
#include "panels/Input2EQSubPanel.h"
#include "panels/InputSliders.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/TavikLookAndFeel.h"

#include <juce_data_structures/juce_data_structures.h>

namespace
{
const juce::Colour bandsBackdropColour = juce::Colours::black.withAlpha (0.1f);
constexpr float minimumSqueeze = 0.7f;
constexpr int scaleLabelsLeft = 3;

struct GainTick
{
    double value;
    const char* label;
};
const GainTick gainTicks[] = { { 12.0, "+12" },  { 0.0, "0dB" },   { -12.0, "-12" }, { -24.0, "-24" },
                               { -36.0, "-36" }, { -48.0, "-48" }, { -60.0, "-60" } };

int channelFromSettings (juce::PropertiesFile& settings)
{
    const int stored = settings.getIntValue (Input2EQPanel::settingsKey, 0);
    return stored >= 0 && stored < Input2EQPanel::inputCount ? stored : 0;
}
} // namespace

Input2EQPanel::Layout Input2EQPanel::layoutFor (int width, int height)
{
    const double W = width, H = height;
    const float Wf = (float) width, Hf = (float) height;
    Layout l;

    // Given as proportions of the panel: single precision, as relative bounds are.
    l.gainSlider = { roundLayout (0.04f * Wf), roundLayout (0.2519252f * Hf), roundLayout (0.0125f * Wf),
                     roundLayout (0.5632563f * Hf) };
    l.gainTextBoxWidth = roundLayout (0.04 * W);
    l.gainTextBox =
        SliderWithTextBox::textBoxBoundsFor (l.gainSlider, height, l.gainTextBoxWidth, gainTextBoxHeightFactor);

    const int rowY = roundLayout (0.023 * H);
    const int rowHeight = roundLayout (0.110011001 * H);
    const int buttonWidth = roundLayout (0.040187678 * W);
    l.load = { roundLayout (0.1 * W), rowY, buttonWidth, rowHeight };
    l.save = l.load.withX (l.load.getRight());

    const int channelWidth = roundLayout (0.024071807 * W);
    int x = roundLayout (0.195 * W);
    for (auto& button : l.channelButtons)
    {
        button = { x, rowY, channelWidth, rowHeight };
        x += channelWidth;
    }

    l.nameEditor = { roundLayout (0.3 * W), rowY, roundLayout (0.08 * W), rowHeight };
    l.nameFontHeight = 0.65f * (float) rowHeight;
    l.copy = { roundLayout (0.42 * W), rowY, buttonWidth, rowHeight };
    l.paste = l.copy.withX (l.copy.getRight());
    l.flat = { roundLayout (0.52 * W), rowY, buttonWidth, rowHeight };

    const int stripWidth = roundLayout (0.155 * W);
    const int stripY = roundLayout (0.16 * H);
    const int stripHeight = roundLayout (0.83 * H);
    x = roundLayout (0.07 * W);
    for (auto& strip : l.bands)
    {
        strip = { x, stripY, stripWidth, stripHeight };
        x += stripWidth;
    }

    l.delay = { roundLayout (0.825f * Wf), roundLayout (0.025f * Hf), roundLayout (0.165f * Wf),
                roundLayout (0.12f * Hf) };

    const auto first = l.bands.front();
    const float stripsWidth = (float) (l.bands.back().getRight() - first.getX());
    l.bandsBackdrop = { (float) first.getX(), (float) first.getY(), 0.99f * stripsWidth, (float) first.getHeight() };
    l.bandsBackdropCorner = 0.1f * (float) first.getHeight();

    const int headingWidth = roundLayout (0.04 * W);
    const int headingHeight = roundLayout (0.06 * H);
    l.gainHeading = { l.gainSlider.getCentreX() - headingWidth / 2, l.gainSlider.getY() - headingHeight, headingWidth,
                      headingHeight };
    return l;
}

Input2EQPanel::Input2EQPanel (const UiContext& uiContext)
    : Panel ("INPUT")
    , context (uiContext)
{
    gainSlider = std::make_unique<Input2EQGainSlider> (*this, *this);
    addAndMakeVisible (*gainSlider);

    const char* channelNames[] = { "A", "B", "C" };
    for (int input = 0; input < inputCount; ++input)
    {
        auto& button = channelButtons[(size_t) input];
        button = makeButton (channelNames[input]);
        button->setClickingTogglesState (true);
        button->setRadioGroupId (channelGroup);
    }

    for (int band = 0; band < bandCount; ++band)
    {
        auto& strip = bandStrips[(size_t) band];
        strip = std::make_unique<Input2EQSubPanel> (*this, band);
        addAndMakeVisible (*strip);
    }

    flatButton = makeButton ("FLAT");
    copyButton = makeButton ("COPY");
    pasteButton = makeButton ("PASTE");
    loadButton = makeButton ("LOAD");
    saveButton = makeButton ("SAVE");

    delayPanel = std::make_unique<Delay2Panel> (context.state, context.settings, [this] { return shownChannel; });
    addAndMakeVisible (*delayPanel);

    nameEditor = std::make_unique<juce::TextEditor> ("Input2EQPanel mChannelNameEditor");
    nameEditor->addListener (this);
    addAndMakeVisible (*nameEditor);

    shownChannel = channelFromSettings (context.settings);
    refresh();
    channelButtons[(size_t) shownChannel]->setToggleState (true, juce::dontSendNotification);
}

Input2EQPanel::~Input2EQPanel()
{
    stopTimer();
}

std::unique_ptr<juce::TextButton> Input2EQPanel::makeButton (const juce::String& text)
{
    auto button = std::make_unique<juce::TextButton> (text);
    button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
    button->addListener (this);
    addAndMakeVisible (*button);
    return button;
}

void Input2EQPanel::refresh()
{
    commitPendingName();
    gainSlider->showRecord();
    for (auto& strip : bandStrips)
        strip->refresh();
    delayPanel->refresh();
    showName();
}

void Input2EQPanel::showName()
{
    nameEditor->setText (context.state.input2EQState.getChannelName (shownChannel), false);
}

void Input2EQPanel::saveSettings()
{
    commitPendingName();
    context.settings.setValue (settingsKey, shownChannel);
    delayPanel->saveSettings();
}

void Input2EQPanel::buttonClicked (juce::Button* button)
{
    // Whatever the button does, it acts on the record with the typed name in it.
    commitPendingName();
    auto& inputs = context.state.input2EQState;

    for (int input = 0; input < inputCount; ++input)
    {
        if (button == channelButtons[(size_t) input].get())
        {
            shownChannel = input;
            refresh();
            return;
        }
    }

    if (button == copyButton.get())
    {
        inputs.copyChannelToClipboard (shownChannel);
    }
    else if (button == pasteButton.get())
    {
        inputs.pasteChannelFromClipboard (shownChannel);
    }
    else if (button == loadButton.get())
    {
        inputs.loadChannelPreset (shownChannel);
    }
    else if (button == saveButton.get())
    {
        inputs.saveChannelPreset (shownChannel);
    }
    else if (button == flatButton.get())
    {
        const DeviceState::Edit edit (context.state, DeviceState::ChangeSource::flat);
        for (int band = 0; band < bandCount; ++band)
            inputs.setBandGain (shownChannel, band, 0.0);
    }
}

void Input2EQPanel::textEditorTextChanged (juce::TextEditor& editor)
{
    const auto text = editor.getText();
    const auto clean = sanitizeChannelName (text);
    if (clean != text)
        editor.setText (clean, true); // the repeated call finds the text clean
    pendingNameChannel = shownChannel;
    startTimer (nameSendDelayMs);
}

void Input2EQPanel::timerCallback()
{
    commitPendingName();
}

void Input2EQPanel::commitPendingName()
{
    if (!isTimerRunning())
        return;
    stopTimer();
    context.state.input2EQState.setChannelName (pendingNameChannel, nameEditor->getText(), true);
    if (pendingNameChannel == shownChannel)
        showName();
}

void Input2EQPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    gainSlider->setBounds (l.gainSlider);
    gainSlider->placeTextBox (l.gainTextBoxWidth, gainTextBoxHeightFactor);
    loadButton->setBounds (l.load);
    saveButton->setBounds (l.save);
    for (int input = 0; input < inputCount; ++input)
        channelButtons[(size_t) input]->setBounds (l.channelButtons[(size_t) input]);
    nameEditor->setBounds (l.nameEditor);
    const auto nameFont = TavikLookAndFeel::nameEditorFont (l.nameFontHeight);
    nameEditor->setFont (nameFont);
    nameEditor->applyFontToAllText (nameFont);
    copyButton->setBounds (l.copy);
    pasteButton->setBounds (l.paste);
    flatButton->setBounds (l.flat);
    for (int band = 0; band < bandCount; ++band)
        bandStrips[(size_t) band]->setBounds (l.bands[(size_t) band]);
    delayPanel->setBounds (l.delay);
}

void Input2EQPanel::paint (juce::Graphics& g)
{
    paintPanel (g);
    const auto l = layoutFor (getWidth(), getHeight());
    const double W = getWidth(), H = getHeight();

    g.setColour (bandsBackdropColour);
    g.fillRoundedRectangle (l.bandsBackdrop, l.bandsBackdropCorner);

    g.setColour (SchemeColours::caption);
    const auto slider = gainSlider->getBounds();
    const float tickLength = (float) (0.008 * W), tickThickness = (float) (0.00550055 * H);
    const float tickRight = (float) slider.getX() - (float) (0.001835985 * W);
    const float tickLeft = tickRight - tickLength;
    const int labelHeight = roundLayout (0.1 * H);
    const int labelRight = (int) std::floor (tickLeft);
    g.setFont (juce::Font ((float) (0.06 * H), juce::Font::bold));
    for (const auto& tick : gainTicks)
    {
        const float y = (float) slider.getY() + gainSlider->getPositionOfValue (tick.value);
        g.fillRect (tickLeft, y - tickThickness * 0.5f, tickLength, tickThickness);
        g.drawFittedText (tick.label, scaleLabelsLeft, roundLayout (y) - labelHeight / 2,
                          juce::jmax (0, labelRight - scaleLabelsLeft), labelHeight, juce::Justification::centredRight,
                          1, minimumSqueeze);
    }

    g.drawFittedText ("GAIN", l.gainHeading, juce::Justification::centred, 1, minimumSqueeze);
}
