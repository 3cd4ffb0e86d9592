#pragma once

#include "ui/Panel.h"

#include <array>

// Where a delay is typed as two numbers in one of the three units. The
// labels always show the delay normalised; OK and Cancel end the modal window
// holding the dialog with 1 and 0.
class DelayDialogBase : public Panel,
                        private juce::Button::Listener,
                        private juce::Label::Listener,
                        private juce::ComboBox::Listener
{
public:
    static constexpr int width = 500;
    static constexpr int height = 150;

    struct Layout
    {
        juce::Rectangle<int> ok, cancel, leftLabel, leftCombo, rightLabel, rightCombo;
        float labelFontHeight = 0;
    };
    static Layout layoutFor (int width, int height);

    ~DelayDialogBase() override;

    int getSteps() const noexcept { return steps; }
    int getUnit() const noexcept { return unit; }

    juce::TextButton& getOkButton() noexcept { return okButton; }
    juce::TextButton& getCancelButton() noexcept { return cancelButton; }
    juce::Label& getLeftLabel() noexcept { return leftLabel; }
    juce::Label& getRightLabel() noexcept { return rightLabel; }
    juce::ComboBox& getLeftCombo() noexcept { return leftCombo; }
    juce::ComboBox& getRightCombo() noexcept { return rightCombo; }

    void paint (juce::Graphics& g) override;
    void resized() override;

protected:
    DelayDialogBase (int steps, int unit);

private:
    void buttonClicked (juce::Button* button) override;
    void labelTextChanged (juce::Label* label) override;
    void comboBoxChanged (juce::ComboBox* combo) override;
    void fillLabels();

    int steps;
    int unit;
    juce::TextButton okButton{ "OK" };
    juce::TextButton cancelButton{ "Cancel" };
    juce::Label leftLabel{ "mLeftLabel" };
    juce::Label rightLabel{ "mRightLabel" };
    juce::ComboBox leftCombo{ "mLeftCombo" };
    juce::ComboBox rightCombo{ "mRightCombo" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DelayDialogBase)
};

class Delay2Dialog final : public DelayDialogBase
{
public:
    static constexpr const char* windowTitle = "Tavik Input Delay";
    Delay2Dialog (int initialSteps, int initialUnit)
        : DelayDialogBase (initialSteps, initialUnit)
    {
    }
};

class DelayDialog final : public DelayDialogBase
{
public:
    static constexpr const char* windowTitle = "Tavik Output Delay";
    DelayDialog (int initialSteps, int initialUnit)
        : DelayDialogBase (initialSteps, initialUnit)
    {
    }
};
