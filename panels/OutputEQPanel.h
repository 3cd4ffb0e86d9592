#pragma once

#include "device/Protocol.h"
#include "panels/SliderWithTextBox.h"
#include "ui/Panel.h"
#include "ui/UiContext.h"

#include <array>
#include <functional>
#include <memory>

class DeviceState;
class OutputEQState;
class OutputEQGainSlider;
class OutputEQSubPanel;
class OutputEQCutPanel;
class PhasePanel;
class LimiterPanel;
class DelayPanel;

// The output section, one output at a time: its gain, four EQ bands, low and
// high cut, and in the top row its phase, limiter and delay. Every child reads
// the shown output from here when it acts, so one set of controls serves all
// six, and shows the changes the record announces for that output.
class OutputEQPanel final : public Panel, public ShownChannelSource, private juce::Button::Listener
{
public:
    static constexpr int outputCount = Protocol::outputCount;
    static constexpr int bandCount = Protocol::outputBandCount;
    static constexpr int cutCount = Protocol::cutCount;
    static constexpr const char* settingsKey = "output";
    static constexpr int channelGroup = 0x6F73656C; // 'osel'

    struct Layout
    {
        juce::Rectangle<int> gainSlider;
        int gainTextBoxWidth = 0;
        std::array<juce::Rectangle<int>, outputCount> channelButtons;
        juce::Rectangle<int> copy, paste, load, save, flat;
        std::array<juce::Rectangle<int>, bandCount> bands;
        std::array<juce::Rectangle<int>, cutCount> cuts;
        juce::Rectangle<int> phase, limiter, delay;
    };
    static Layout layoutFor (int width, int height);

    explicit OutputEQPanel (const UiContext& context);
    ~OutputEQPanel() override;

    // Shows the selected output in every control; stores and sends nothing.
    void refreshOutputEQPanel();
    void saveSettings();

    // Called before any button acts: the output names typed in the router
    // panel and still waiting for their pause go into the record first.
    std::function<void()> commitPendingNames;

    int getSelectedOutput() const noexcept { return selectedOutput; }
    int getShownChannel() const noexcept override { return selectedOutput; }
    DeviceState& getDeviceState() const noexcept override { return context.state; }
    OutputEQState& getOutputEQState() const noexcept;
    const UiContext& getContext() const noexcept { return context; }

    OutputEQGainSlider& getGainSlider() const { return *gainSlider; }
    juce::TextButton& getChannelButton (int output) const { return *channelButtons[(size_t) output]; }
    juce::TextButton& getCopyButton() const { return *copyButton; }
    juce::TextButton& getPasteButton() const { return *pasteButton; }
    juce::TextButton& getLoadButton() const { return *loadButton; }
    juce::TextButton& getSaveButton() const { return *saveButton; }
    juce::TextButton& getFlatButton() const { return *flatButton; }
    OutputEQSubPanel& getBandStrip (int band) const { return *bandStrips[(size_t) band]; }
    OutputEQCutPanel& getCutStrip (int cut) const { return *cutStrips[(size_t) cut]; }
    PhasePanel& getPhasePanel() const { return *phasePanel; }
    LimiterPanel& getLimiterPanel() const { return *limiterPanel; }
    DelayPanel& getDelayPanel() const { return *delayPanel; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;
    std::unique_ptr<juce::TextButton> makeButton (const juce::String& text);

    const UiContext context;
    int selectedOutput = 0;
    std::unique_ptr<OutputEQGainSlider> gainSlider;
    std::array<std::unique_ptr<juce::TextButton>, outputCount> channelButtons;
    std::unique_ptr<juce::TextButton> copyButton, pasteButton, loadButton, saveButton, flatButton;
    std::array<std::unique_ptr<OutputEQSubPanel>, bandCount> bandStrips;
    std::array<std::unique_ptr<OutputEQCutPanel>, cutCount> cutStrips;
    std::unique_ptr<PhasePanel> phasePanel;
    std::unique_ptr<LimiterPanel> limiterPanel;
    std::unique_ptr<DelayPanel> delayPanel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OutputEQPanel)
};
