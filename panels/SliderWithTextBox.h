#pragma once

#include "state/ValueRules.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

class DeviceState;
class SliderWithTextBox;

// The panel a slider belongs to. A slider edits whichever channel its panel
// shows at the moment of the change, so one set of sliders serves them all.
class ShownChannelSource
{
public:
    virtual DeviceState& getDeviceState() const noexcept = 0;
    virtual int getShownChannel() const noexcept = 0;

protected:
    ~ShownChannelSource() = default;
};

// The editable value under a slider. A typed value (Return or loss of focus)
// goes to the slider with its change handling; text left as shown changes
// nothing; Escape discards the edit.
class SliderTextBox final : public juce::Label
{
public:
    explicit SliderTextBox (SliderWithTextBox& owner);

    // Loss of focus also arrives here: the label routes it through Return.
    void textEditorReturnKeyPressed (juce::TextEditor& textEditor) override;
    void lookAndFeelChanged() override;

private:
    void useEditorTextColour();

    SliderWithTextBox* slider;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SliderTextBox)
};

// A vertical slider whose value box lives in the owner component (below the
// slider, which the slider's own bounds cannot reach). Mouse gestures notify
// once, on release; the wheel and typed values notify at once.
class SliderWithTextBox : public juce::Slider
{
public:
    SliderWithTextBox (const juce::String& name, juce::Component& owner);
    ~SliderWithTextBox() override;

    // Value box bounds for a slider at sliderBounds in an owner of the given
    // height: centred below the slider, height round(width × heightFactor).
    static juce::Rectangle<int> textBoxBoundsFor (juce::Rectangle<int> sliderBounds, int ownerHeight, int width,
                                                  double heightFactor);
    static float textBoxFontHeight (int boxHeight) noexcept { return 0.6f * (float) boxHeight; }
    void placeTextBox (int width, double heightFactor);

    // Shows a value from the record without storing or sending it; values
    // outside the range (or not finite) are shown at the nearer end.
    void showValue (double value);
    void updateTextBox();

    // A typed text as a value: the leading number, times 1000 after a final
    // k or K; nothing for a number that is not finite.
    static std::optional<double> parseTypedValue (const juce::String& text);
    void applyTypedText (const juce::String& text);

    SliderTextBox& getTextBox() noexcept { return textBox; }
    juce::Component& getOwner() const noexcept { return textBoxOwner; }

    void valueChanged() override;
    juce::String getTextFromValue (double value) override;

    // The text forms and stepped position mappings the subclasses choose from.
    static juce::String oneDecimalText (double value);
    static juce::String kiloText (double value);
    static juce::String twoDecimalText (double value);
    static double frequencyForProportion (double proportion) noexcept;
    static double proportionForFrequency (double hz) noexcept;
    static double bandwidthForProportion (double proportion) noexcept;
    static double proportionForBandwidth (double octaves) noexcept;

private:
    juce::Component& textBoxOwner;
    SliderTextBox textBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SliderWithTextBox)
};

// Walks the frequency table's steps; shows 1000 Hz and above in kHz.
class FrequencyStepSlider : public SliderWithTextBox
{
public:
    juce::String getTextFromValue (double value) override;
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

protected:
    FrequencyStepSlider (const juce::String& name, juce::Component& owner);
};

// Walks the bandwidth table's steps.
class BandwidthStepSlider : public SliderWithTextBox
{
public:
    static constexpr double minimum = ValueRules::minimumBandwidth;
    static constexpr double maximum = ValueRules::maximumBandwidth;
    juce::String getTextFromValue (double value) override;
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

protected:
    BandwidthStepSlider (const juce::String& name, juce::Component& owner);
};
