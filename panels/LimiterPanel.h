#pragma once

#include "panels/RecordWatch.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

class DeviceState;

// The "LIMITER" caption and a button showing the selected output's threshold;
// the button opens the limiter dialog. The button follows every change of
// that threshold the record announces.
class LimiterPanel final : public juce::Component, private juce::Button::Listener
{
public:
    struct Layout
    {
        juce::Rectangle<int> caption;
        float captionFontHeight = 0;
        juce::Rectangle<int> button;
    };
    static Layout layoutFor (int width, int height);

    // "%+1.0f dB", e.g. "+0 dB", "-6 dB".
    static juce::String thresholdText (float thresholdDb);

    LimiterPanel (DeviceState& state, std::function<int()> selectedOutput);
    ~LimiterPanel() override;

    // Shows the selected output's threshold; sends nothing.
    void refreshLimiterPanel();

    juce::TextButton& getButton() noexcept { return button; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button*) override;
    float storedThreshold() const;

    DeviceState& state;
    std::function<int()> selectedOutput;
    juce::TextButton button;
    const RecordWatch watch{ state,
                             [this] (const Param& p)
                             { return p == Param::out (selectedOutput(), Param::Kind::limiter); },
                             [this] { refreshLimiterPanel(); } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LimiterPanel)
};
