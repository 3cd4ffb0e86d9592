#include "panels/DelayDialog.h"

#include "device/Protocol.h"
#include "panels/DialogSupport.h"
#include "state/DelayUnits.h"

DelayDialogBase::Layout DelayDialogBase::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    const auto at = [W, H] (float x, float y, float w, float h) {
        return juce::Rectangle<int> (roundLayout (x * W), roundLayout (y * H), roundLayout (w * W),
                                     roundLayout (h * H));
    };
    Layout l;
    l.ok = at (0.25f, 0.725f, 0.2f, 0.15f);
    l.cancel = at (0.55f, 0.725f, 0.2f, 0.15f);
    l.leftLabel = at (0.075f, 0.275f, 0.15f, 0.2f);
    l.leftCombo = at (0.275f, 0.3f, 0.2f, 0.15f);
    l.rightLabel = at (0.525f, 0.275f, 0.15f, 0.2f);
    l.rightCombo = at (0.725f, 0.3f, 0.2f, 0.15f);
    l.labelFontHeight = (float) l.leftLabel.getHeight() * 0.5f;
    return l;
}

DelayDialogBase::DelayDialogBase (int initialSteps, int initialUnit)
    : Panel ({})
    , steps (DelayUnits::displayableSteps (initialSteps))
    , unit (initialUnit)
{
    for (auto* button : { &okButton, &cancelButton })
    {
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->addListener (this);
        addAndMakeVisible (*button);
    }
    for (auto* label : { &leftLabel, &rightLabel })
    {
        DialogSupport::makeTypedNumberLabel (*label);
        label->addListener (this);
        addAndMakeVisible (*label);
    }
    leftCombo.addItemList ({ "msec", "feet", "meters" }, 1);
    rightCombo.addItemList ({ "usec", "inches", "millimeters" }, 1);
    for (auto* combo : { &leftCombo, &rightCombo })
    {
        combo->addListener (this);
        addAndMakeVisible (*combo);
        combo->setSelectedItemIndex (unit, juce::dontSendNotification); // none for an unknown unit
    }
    fillLabels();
    setSize (width, height);
}

DelayDialogBase::~DelayDialogBase() = default;

void DelayDialogBase::fillLabels()
{
    const auto texts = DelayUnits::numberTexts (unit, steps);
    leftLabel.setText (texts.left, juce::dontSendNotification);
    rightLabel.setText (texts.right, juce::dontSendNotification);
}

void DelayDialogBase::paint (juce::Graphics& g)
{
    paintPanel (g);
}

void DelayDialogBase::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    okButton.setBounds (l.ok);
    cancelButton.setBounds (l.cancel);
    leftLabel.setBounds (l.leftLabel);
    leftCombo.setBounds (l.leftCombo);
    rightLabel.setBounds (l.rightLabel);
    rightCombo.setBounds (l.rightCombo);
    const juce::Font font (l.labelFontHeight, juce::Font::bold);
    leftLabel.setFont (font);
    rightLabel.setFont (font);
}

void DelayDialogBase::buttonClicked (juce::Button* button)
{
    DialogSupport::endModalDialog (*this, button == &okButton ? 1 : 0);
}

void DelayDialogBase::labelTextChanged (juce::Label*)
{
    // Either label refused leaves the steps as they were; the labels then show them again.
    const auto left = DialogSupport::readTypedNumber (leftLabel.getText());
    const auto right = left ? DialogSupport::readTypedNumber (rightLabel.getText()) : std::nullopt;
    if (left && right)
        if (const auto typed = DelayUnits::stepsFromNumbers (unit, *left, *right))
            steps = *typed;
    fillLabels();
}

void DelayDialogBase::comboBoxChanged (juce::ComboBox* combo)
{
    const int index = combo->getSelectedItemIndex();
    if (index < 0)
        return; // nothing selected: no unit to change to
    unit = index;
    leftCombo.setSelectedItemIndex (unit, juce::dontSendNotification);
    rightCombo.setSelectedItemIndex (unit, juce::dontSendNotification);
    fillLabels();
}
