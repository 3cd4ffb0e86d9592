#pragma once

#include "device/Protocol.h"
#include "panels/RecordWatch.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

class OutputEQPanel;
class OutputEQCutFreqSlider;

// One cut filter of the shown output: its frequency, its filter family and
// its slope. Only the slopes the family offers can be chosen. It shows every
// change of the cut the record announces.
class OutputEQCutPanel final : public juce::Component, private juce::Button::Listener
{
public:
    static constexpr int typeCount = Protocol::cutFilterTypeCount;
    static constexpr int slopeCount = Protocol::cutFilterTapsCount;
    static constexpr int typeGroup = 0x74797065;  // 'type'
    static constexpr int slopeGroup = 0x74617070; // 'tapp'

    struct Layout
    {
        juce::Rectangle<int> slider;
        int textBoxWidth = 0;
        std::array<juce::Rectangle<int>, typeCount> typeButtons;
        std::array<juce::Rectangle<int>, slopeCount> slopeButtons;
    };
    static Layout layoutFor (int width, int height);

    // The slope a click settles on for a (type, slope) pair: the slope itself
    // when the type offers it, else the nearest offered one below, else above.
    static int allowedSlope (int type, int slope) noexcept;

    OutputEQCutPanel (OutputEQPanel& owner, int cutIndex);
    ~OutputEQCutPanel() override;

    // Shows the stored cut of the selected output; stores and sends nothing.
    void refresh();

    int getCutIndex() const noexcept { return cut; }
    OutputEQCutFreqSlider& getSlider() const { return *slider; }
    juce::TextButton& getTypeButton (int type) const { return *typeButtons[(size_t) type]; }
    juce::TextButton& getSlopeButton (int slope) const { return *slopeButtons[(size_t) slope]; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;
    void enableSlopesFor (int type);

    OutputEQPanel& panel;
    const int cut;
    std::unique_ptr<OutputEQCutFreqSlider> slider;
    std::array<std::unique_ptr<juce::TextButton>, typeCount> typeButtons;
    std::array<std::unique_ptr<juce::TextButton>, slopeCount> slopeButtons;
    std::unique_ptr<RecordWatch> watch;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OutputEQCutPanel)
};
