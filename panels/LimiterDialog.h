#pragma once

#include "ui/Panel.h"

// Where a limiter threshold is typed in whole decibels from -20 to +20. OK and
// Cancel end the modal window holding the dialog with 1 and 0.
class LimiterDialog final : public Panel, private juce::Button::Listener, private juce::Label::Listener
{
public:
    static constexpr int width = 400;
    static constexpr int height = 180;
    static constexpr const char* windowTitle = "Tavik Output Limiter";

    struct Layout
    {
        juce::Rectangle<int> ok, cancel, editor;
        float editorFontHeight = 0;
        float captionFontHeight = 0;
        juce::Rectangle<int> thresholdCaption, unitCaption;
    };
    static Layout layoutFor (int width, int height);

    // The threshold a typed text gives: the previous one for a refused text,
    // otherwise the leading number rounded half up and limited to -20..+20.
    static float thresholdFromText (const juce::String& text, float previous);
    // "%+1.0f", as the editor shows it.
    static juce::String editorText (float thresholdDb);

    explicit LimiterDialog (float threshold);
    ~LimiterDialog() override;

    float getThreshold() const noexcept { return threshold; }

    juce::TextButton& getOkButton() noexcept { return okButton; }
    juce::TextButton& getCancelButton() noexcept { return cancelButton; }
    juce::Label& getEditor() noexcept { return editor; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;
    void labelTextChanged (juce::Label* label) override;

    float threshold;
    juce::TextButton okButton{ "OK" };
    juce::TextButton cancelButton{ "Cancel" };
    juce::Label editor{ "mLeftLabel" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LimiterDialog)
};
