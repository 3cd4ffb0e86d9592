#pragma once

#include "device/Protocol.h"
#include "panels/RecordWatch.h"
#include "ui/Panel.h"

#include <array>
#include <memory>

class DeviceState;

// Six toggle buttons, output 1 first: on = muted. They follow every change of
// a mute the record announces.
class OutputMutePanel final : public Panel, private juce::Button::Listener
{
public:
    static constexpr int outputCount = Protocol::outputCount;

    struct Layout
    {
        std::array<juce::Rectangle<int>, outputCount> buttons;
    };
    static Layout layoutFor (int width, int height);

    explicit OutputMutePanel (DeviceState& state);
    ~OutputMutePanel() override;

    // Shows the stored mask; sends nothing.
    void refreshMutePanel();

    juce::TextButton& getButton (int output) const { return *buttons[(size_t) output]; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;
    void showMute (int output);

    DeviceState& state;
    std::array<std::unique_ptr<juce::TextButton>, outputCount> buttons;
    const RecordWatch watch{ state, [] (const Param& p) { return p.kind == Param::Kind::mute; },
                             [this] (const Param& p) { showMute (p.channel); } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OutputMutePanel)
};
