#include "panels/SliderWithTextBox.h"

#include "common/EqTables.h"
#include "ui/Panel.h"

#include <algorithm>
#include <cmath>

SliderTextBox::SliderTextBox (SliderWithTextBox& owner)
    : juce::Label ("slider text box", {})
    , slider (&owner)
{
    setJustificationType (juce::Justification::centred);
    setEditable (true, false, false);
    useEditorTextColour();
}

// The box is white like a text editor, so its text takes the editors' colour
// (the framework's own label text colour is meant for dark backgrounds).
void SliderTextBox::useEditorTextColour()
{
    setColour (textColourId, getLookAndFeel().findColour (juce::TextEditor::textColourId));
}

void SliderTextBox::lookAndFeelChanged()
{
    juce::Label::lookAndFeelChanged();
    useEditorTextColour();
}

void SliderTextBox::textEditorReturnKeyPressed (juce::TextEditor& textEditor)
{
    const auto typed = textEditor.getText();
    // The box shows the value rounded (1080 Hz as 1.1K): read back untouched,
    // that text would store, send and save a value nobody asked for.
    const bool edited = typed != getText();
    // The label first takes the typed text and closes its editor, so the
    // formatted value set by the slider's change handling is what stays.
    juce::Label::textEditorReturnKeyPressed (textEditor);
    if (edited)
        slider->applyTypedText (typed);
}

SliderWithTextBox::SliderWithTextBox (const juce::String& name, juce::Component& ownerComponent)
    : juce::Slider (name)
    , textBoxOwner (ownerComponent)
    , textBox (*this)
{
    textBoxOwner.addAndMakeVisible (textBox);
    setSliderStyle (LinearVertical);
    setTextBoxStyle (NoTextBox, true, 80, 20);
    setChangeNotificationOnlyOnRelease (true);
    setPopupDisplayEnabled (true, false, &textBoxOwner);
}

SliderWithTextBox::~SliderWithTextBox() = default;

juce::Rectangle<int> SliderWithTextBox::textBoxBoundsFor (juce::Rectangle<int> sliderBounds, int ownerHeight, int width,
                                                          double heightFactor)
{
    const int height = roundLayout ((double) width * heightFactor);
    const int x = sliderBounds.getX() + (sliderBounds.getWidth() - width) / 2;
    const int y = sliderBounds.getBottom() + (ownerHeight - sliderBounds.getBottom() - height) / 2;
    return { x, y, width, height };
}

void SliderWithTextBox::placeTextBox (int width, double heightFactor)
{
    const auto bounds = textBoxBoundsFor (getBounds(), textBoxOwner.getHeight(), width, heightFactor);
    textBox.setBounds (bounds);
    textBox.setFont (juce::Font (textBoxFontHeight (bounds.getHeight()), juce::Font::bold));
}

void SliderWithTextBox::showValue (double value)
{
    const double shown = std::isnan (value) ? getMinimum() : juce::jlimit (getMinimum(), getMaximum(), value);
    setValue (shown, juce::dontSendNotification);
    updateTextBox();
}

void SliderWithTextBox::updateTextBox()
{
    textBox.setText (getTextFromValue (getValue()), juce::dontSendNotification);
}

std::optional<double> SliderWithTextBox::parseTypedValue (const juce::String& text)
{
    // The framework reads "nan" and "inf" as numbers: neither may reach the record.
    double number = text.getDoubleValue();
    if (!std::isfinite (number))
        return std::nullopt;
    const auto trimmed = text.trimEnd();
    if (trimmed.endsWithChar ('k') || trimmed.endsWithChar ('K'))
        number *= 1000.0;
    return number;
}

void SliderWithTextBox::applyTypedText (const juce::String& text)
{
    if (const auto typed = parseTypedValue (text))
        setValue (juce::jlimit (getMinimum(), getMaximum(), *typed), juce::sendNotificationAsync);
    // Also after a refused or unchanged value, so the box shows what the slider holds.
    updateTextBox();
}

void SliderWithTextBox::valueChanged()
{
    updateTextBox();
}

juce::String SliderWithTextBox::getTextFromValue (double value)
{
    return oneDecimalText (value);
}

juce::String SliderWithTextBox::oneDecimalText (double value)
{
    return juce::String::formatted ("%.1f", value);
}

juce::String SliderWithTextBox::kiloText (double value)
{
    if (value >= 1000.0)
        return juce::String::formatted ("%.1fK", value / 1000.0);
    return oneDecimalText (value);
}

juce::String SliderWithTextBox::twoDecimalText (double value)
{
    return juce::String::formatted ("%.2f", value);
}

namespace
{
// The table step nearest to a position; NaN and positions below the bottom
// give the first step, positions above the top the last searchable one.
int stepForProportion (double proportion, int lastIndex) noexcept
{
    const double scaled = proportion * (double) lastIndex;
    if (!(scaled > 0.0))
        return 0;
    return roundLayout (std::min (scaled, (double) lastIndex));
}
} // namespace

double SliderWithTextBox::frequencyForProportion (double proportion) noexcept
{
    return EQFrequencyTable[(size_t) stepForProportion (proportion, eqFrequencyLastSearchIndex)];
}

double SliderWithTextBox::proportionForFrequency (double hz) noexcept
{
    return EQTableIndex (EQTable::frequency, hz) / (double) eqFrequencyLastSearchIndex;
}

double SliderWithTextBox::bandwidthForProportion (double proportion) noexcept
{
    return EQBandwidthTable[(size_t) stepForProportion (proportion, eqBandwidthLastSearchIndex)];
}

double SliderWithTextBox::proportionForBandwidth (double octaves) noexcept
{
    return EQTableIndex (EQTable::bandwidth, octaves) / (double) eqBandwidthLastSearchIndex;
}

FrequencyStepSlider::FrequencyStepSlider (const juce::String& name, juce::Component& owner)
    : SliderWithTextBox (name, owner)
{
    setRange (minimumEQFrequency, maximumEQFrequency, 0.0);
}

juce::String FrequencyStepSlider::getTextFromValue (double value)
{
    return kiloText (value);
}

double FrequencyStepSlider::proportionOfLengthToValue (double proportion)
{
    return frequencyForProportion (proportion);
}

double FrequencyStepSlider::valueToProportionOfLength (double value)
{
    return proportionForFrequency (value);
}

BandwidthStepSlider::BandwidthStepSlider (const juce::String& name, juce::Component& owner)
    : SliderWithTextBox (name, owner)
{
    setRange (minimum, maximum, 0.0);
}

juce::String BandwidthStepSlider::getTextFromValue (double value)
{
    return kiloText (value);
}

double BandwidthStepSlider::proportionOfLengthToValue (double proportion)
{
    return bandwidthForProportion (proportion);
}

double BandwidthStepSlider::valueToProportionOfLength (double value)
{
    return proportionForBandwidth (value);
}
