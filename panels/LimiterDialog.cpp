#include "panels/LimiterDialog.h"

#include "panels/DialogSupport.h"
#include "state/OutputEQState.h"
#include "state/ValueRules.h"
#include "ui/ColourScheme.h"

#include <cmath>
#include <cstdio>

LimiterDialog::Layout LimiterDialog::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    const auto at = [W, H] (float x, float y, float w, float h) {
        return juce::Rectangle<int> (roundLayout (x * W), roundLayout (y * H), roundLayout (w * W),
                                     roundLayout (h * H));
    };
    Layout l;
    l.ok = at (0.25f, 0.74f, 0.2f, 0.15f);
    l.cancel = at (0.55f, 0.74f, 0.2f, 0.15f);
    l.editor = at (0.45f, 0.125f, 0.15f, 0.2f);
    l.editorFontHeight = (float) l.editor.getHeight() * 0.5f;
    l.captionFontHeight = (float) l.editor.getHeight() * 0.6f;
    const int d = roundLayout (W * 0.03f);
    l.thresholdCaption = { 0, l.editor.getY(), juce::jmax (0, l.editor.getX() - 2 * d), l.editor.getHeight() };
    const int unitLeft = l.editor.getRight() + d;
    l.unitCaption = { unitLeft, l.editor.getY(), juce::jmax (0, width - unitLeft), l.editor.getHeight() };
    return l;
}

float LimiterDialog::thresholdFromText (const juce::String& text, float previous)
{
    const auto typed = DialogSupport::readTypedNumber (text);
    if (!typed)
        return previous;
    return ValueRules::limiterThreshold (*typed);
}

juce::String LimiterDialog::editorText (float thresholdDb)
{
    char text[32];
    std::snprintf (text, sizeof (text), "%+1.0f", (double) thresholdDb);
    return text;
}

LimiterDialog::LimiterDialog (float initialThreshold)
    : Panel ({})
    , threshold (initialThreshold)
{
    for (auto* button : { &okButton, &cancelButton })
    {
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->addListener (this);
        addAndMakeVisible (*button);
    }
    DialogSupport::makeTypedNumberLabel (editor);
    editor.addListener (this);
    addAndMakeVisible (editor);
    editor.setText (editorText (threshold), juce::dontSendNotification);
    setSize (width, height);
}

LimiterDialog::~LimiterDialog() = default;

void LimiterDialog::paint (juce::Graphics& g)
{
    paintPanel (g);
    const auto l = layoutFor (getWidth(), getHeight());
    g.setColour (SchemeColours::caption);
    g.setFont (juce::Font (l.captionFontHeight, juce::Font::bold));
    g.drawText ("Threshold", l.thresholdCaption, juce::Justification::centredRight, false);
    g.drawText ("dB", l.unitCaption, juce::Justification::centredLeft, false);
}

void LimiterDialog::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    okButton.setBounds (l.ok);
    cancelButton.setBounds (l.cancel);
    editor.setBounds (l.editor);
    editor.setFont (juce::Font (l.editorFontHeight, juce::Font::bold));
}

void LimiterDialog::buttonClicked (juce::Button* button)
{
    DialogSupport::endModalDialog (*this, button == &okButton ? 1 : 0);
}

void LimiterDialog::labelTextChanged (juce::Label*)
{
    threshold = thresholdFromText (editor.getText(), threshold);
    editor.setText (editorText (threshold), juce::dontSendNotification);
}
