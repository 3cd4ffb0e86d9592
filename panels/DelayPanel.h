#pragma once

#include "panels/RecordWatch.h"
#include "state/DelayUnits.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

class DeviceState;

// The "DELAY" caption and a button showing the shown channel's delay; the
// button opens the delay dialog. Delay2Panel serves the inputs, DelayPanel the
// outputs; the owning EQ panel tells which channel is shown. The button
// follows every change of that delay the record announces.
class DelayPanelBase : public juce::Component, private juce::Button::Listener
{
public:
    struct Layout
    {
        juce::Rectangle<int> caption;
        float captionFontHeight = 0;
        juce::Rectangle<int> button;
    };
    static Layout layoutFor (int width, int height);

    ~DelayPanelBase() override;

    // Shows the stored delay of the shown channel in the current unit.
    void refresh();
    // Writes the unit under "Delay units".
    void saveSettings();

    int getUnit() const noexcept { return unit; }
    juce::TextButton& getButton() noexcept { return button; }

    void paint (juce::Graphics& g) override;
    void resized() override;

protected:
    enum class Section
    {
        inputs,
        outputs
    };
    DelayPanelBase (Section section, DeviceState& state, juce::PropertiesFile& settings,
                    std::function<int()> shownChannel);

private:
    void buttonClicked (juce::Button*) override;
    int storedSteps() const;

    const Section section;
    DeviceState& state;
    juce::PropertiesFile& settings;
    std::function<int()> shownChannel;
    juce::TextButton button;
    int unit = DelayUnits::msec;
    const RecordWatch watch{ state,
                             [this] (const Param& p) {
                                 return p.kind == Param::Kind::delay && p.output == (section == Section::outputs) &&
                                        p.channel == shownChannel();
                             },
                             [this] { refresh(); } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DelayPanelBase)
};

// The delay of the input shown by the input EQ panel (0..2).
class Delay2Panel final : public DelayPanelBase
{
public:
    Delay2Panel (DeviceState& deviceState, juce::PropertiesFile& settingsFile, std::function<int()> shownInput);
};

// The delay of the output shown by the output EQ panel (0..5).
class DelayPanel final : public DelayPanelBase
{
public:
    DelayPanel (DeviceState& deviceState, juce::PropertiesFile& settingsFile, std::function<int()> selectedOutput);
};
