#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

class DeviceState;

// The "PHASE" caption and a toggle button: on ("OUT") when the selected output
// is inverted, off ("IN") when it is in phase.
class PhasePanel final : public juce::Component, private juce::Button::Listener
{
public:
    struct Layout
    {
        juce::Rectangle<int> caption;
        float captionFontHeight = 0;
        juce::Rectangle<int> button;
    };
    static Layout layoutFor (int width, int height);

    PhasePanel (DeviceState& state, std::function<int()> selectedOutput);
    ~PhasePanel() override;

    // Shows the selected output's polarity; sends nothing.
    void refreshPhasePanel();

    juce::TextButton& getButton() noexcept { return button; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button*) override;

    DeviceState& state;
    std::function<int()> selectedOutput;
    juce::TextButton button;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PhasePanel)
};
