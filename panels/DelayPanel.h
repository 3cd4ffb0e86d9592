#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

class DeviceState;

// The three units a delay is shown and typed in, and their conversions from
// and to delay steps (21 µs, 7 mm or 0.28 inch each).
namespace DelayUnits
{
enum Unit
{
    msec = 0,  // and usec
    feet = 1,  // and inches
    meters = 2 // and millimeters
};
inline constexpr int count = 3;
inline constexpr const char* settingsKey = "Delay units";

bool isKnown (int unit) noexcept;

// Steps a stored (or read-back) delay is shown as: 0..5760.
int displayableSteps (int steps) noexcept;

// The steps of two typed numbers, rounded (ties to even) and limited to
// 0..5760 in floating point; nothing for an unknown unit or a non-finite sum.
std::optional<int> stepsFromNumbers (int unit, double left, double right);

// "%.3f msec", "%.0f' %.2f\"" or "%.3f m"; empty for an unknown unit.
juce::String buttonText (int unit, int steps);

// The two numbers of a delay as "%.9g" writes them; both empty for an unknown unit.
struct NumberTexts
{
    juce::String left, right;
};
NumberTexts numberTexts (int unit, int steps);
} // namespace DelayUnits

// The "DELAY" caption and a button showing the shown channel's delay; the
// button opens the delay dialog. Delay2Panel serves the inputs, DelayPanel the
// outputs; the owning EQ panel tells which channel is shown.
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
