#include "panels/RouterPanel.h"

#include "common/EqTables.h"
#include "panels/RouterButton.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/TavikLookAndFeel.h"

#include <utility>

RouterPanel::Layout RouterPanel::layoutFor (int width, int height)
{
    const double W = width, H = height;
    const float Wf = (float) width, Hf = (float) height;
    Layout l;

    const int firstX = roundLayout (W * 0.2);
    const int firstY = roundLayout (H * 0.2);
    const int side = roundLayout (W * 0.085 * 0.675);
    const int columnStep = roundLayout (W * 0.1125);
    const int rowStep = roundLayout (H * 0.11);
    const int editorWidth = roundLayout (Wf * 0.26f);

    for (int output = 0; output < outputCount; ++output)
    {
        const int y = firstY + output * rowStep;
        for (int input = 0; input < inputCount; ++input)
            l.buttons[(size_t) input][(size_t) output] = { firstX + input * columnStep, y, side, side };
        l.editors[(size_t) output] = { firstX + inputCount * columnStep, y, editorWidth, side };
    }
    l.editorFontHeight = (float) side * 0.75f;

    l.inputsCaption = { roundLayout (Wf * 0.19f), roundLayout (Hf * 0.11f), roundLayout (Wf * 0.3f),
                        roundLayout (Hf * 0.075f) };

    l.numberFontHeight = Hf * 0.065f;
    const int numberHeight = roundLayout (H * 0.065);
    const int numberWidth = roundLayout (W * 0.18);
    const int numberTop = (side - numberHeight) / 2 + firstY;
    for (int output = 0; output < outputCount; ++output)
        l.outputNumbers[(size_t) output] = { 0, numberTop + output * rowStep, numberWidth, numberHeight };

    l.outputsFontHeight = Wf * 0.05f;
    const float tx = Wf * 0.08f, ty = Hf * 0.6f;
    l.outputsTransform = juce::AffineTransform::rotation (4.71238899230957f).translated (tx, ty);
    // After the quarter turn a text x of d lands at screen y = ty - d: the box
    // spans the rows of buttons, so the centred word stands beside them.
    const float rowsTop = (float) firstY, rowsBottom = (float) (firstY + (outputCount - 1) * rowStep + side);
    l.outputsBox = { ty - rowsBottom, 0.0f, rowsBottom - rowsTop, l.outputsFontHeight };
    return l;
}

RouterPanel::RouterPanel (DeviceState& deviceState)
    : Panel ("ROUTER")
    , state (deviceState)
{
    for (int output = 0; output < outputCount; ++output)
    {
        for (int input = 0; input < inputCount; ++input)
        {
            auto& button = buttons[(size_t) input][(size_t) output];
            button = std::make_unique<RouterButton> (state.routerState, input, output);
            button->setToggleState (state.routerState.isRouted (output, input), juce::dontSendNotification);
            addAndMakeVisible (*button);
        }
        auto& editor = editors[(size_t) output];
        editor = std::make_unique<juce::TextEditor> ("RouterPanel output name editor " + juce::String (output));
        editor->setJustification (juce::Justification::centredLeft);
        editor->setIndents (2, 0);
        editor->addListener (this);
        addAndMakeVisible (*editor);
    }
    outputsCaption.setText ("OUTPUTS");
    outputsCaption.setJustification (juce::Justification::centred);
    outputsCaption.setColour (SchemeColours::caption);
    refreshRouterPanel();
}

RouterPanel::~RouterPanel() = default;

void RouterPanel::refreshRouterPanel()
{
    commitPendingNames();
    for (int output = 0; output < outputCount; ++output)
    {
        for (int input = 0; input < inputCount; ++input)
            showRoute (output, input);
        showName (output);
    }
}

void RouterPanel::showRoute (int output, int input)
{
    buttons[(size_t) input][(size_t) output]->setToggleState (state.routerState.isRouted (output, input),
                                                              juce::dontSendNotification);
}

void RouterPanel::showName (int output)
{
    editors[(size_t) output]->setText (state.outputEQState.getChannelName (output), false);
}

void RouterPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    const auto editorFont = TavikLookAndFeel::nameEditorFont (l.editorFontHeight);
    for (int output = 0; output < outputCount; ++output)
    {
        for (int input = 0; input < inputCount; ++input)
            buttons[(size_t) input][(size_t) output]->setBounds (l.buttons[(size_t) input][(size_t) output]);
        auto& editor = *editors[(size_t) output];
        editor.setBounds (l.editors[(size_t) output]);
        editor.setFont (editorFont);
        editor.applyFontToAllText (editorFont);
    }
    outputsCaption.setFont (juce::Font (l.outputsFontHeight, juce::Font::bold), true);
    outputsCaption.setBoundingBox (juce::Parallelogram<float> (l.outputsBox));
    captionTransform = l.outputsTransform;
}

void RouterPanel::paint (juce::Graphics& g)
{
    paintPanel (g);
    const auto l = layoutFor (getWidth(), getHeight());

    g.setColour (SchemeColours::caption);
    g.drawText ("INPUTS", l.inputsCaption, juce::Justification::centred, true);

    outputsCaption.draw (g, 1.0f, captionTransform);

    g.setColour (SchemeColours::caption);
    g.setFont (juce::Font (l.numberFontHeight, juce::Font::bold));
    for (int output = 0; output < outputCount; ++output)
        g.drawText (juce::String (output + 1), l.outputNumbers[(size_t) output], juce::Justification::centredRight,
                    true);
}

void RouterPanel::textEditorTextChanged (juce::TextEditor& editor)
{
    const auto text = editor.getText();
    const auto clean = sanitizeChannelName (text);
    if (clean != text)
        editor.setText (clean, true); // the repeated call finds the text clean
    for (int output = 0; output < outputCount; ++output)
        if (editors[(size_t) output].get() == &editor)
            edited[(size_t) output] = true;
    startTimer (nameSendDelayMs);
}

void RouterPanel::timerCallback()
{
    commitPendingNames();
}

void RouterPanel::commitPendingNames()
{
    if (!isTimerRunning())
        return;
    stopTimer();
    // Only the editors typed into: the others may show a name the record has
    // since replaced (a read-back or a file), which must not be written back.
    const DeviceState::Edit edit (state); // the names typed in one pause are one change
    for (int output = 0; output < outputCount; ++output)
    {
        if (!std::exchange (edited[(size_t) output], false))
            continue;
        const auto text = editors[(size_t) output]->getText();
        if (text != state.outputEQState.getChannelName (output))
            state.outputEQState.setChannelName (output, text, true);
    }
}
