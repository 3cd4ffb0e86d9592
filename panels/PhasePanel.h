#pragma once

#include "panels/RecordWatch.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

class DeviceState;

// The "PHASE" caption and a toggle button: on ("OUT") when the selected output
// is inverted, off ("IN") when it is in phase. The button follows every
// change of that polarity the record announces.
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
    const RecordWatch watch{ state,
                             [this] (const Param& p) { return p == Param::out (selectedOutput(), Param::Kind::phase); },
                             [this] { refreshPhasePanel(); } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PhasePanel)
};
