#pragma once

#include "device/Protocol.h"
#include "panels/RecordWatch.h"
#include "panels/SliderWithTextBox.h"
#include "ui/Panel.h"
#include "ui/UiContext.h"

#include <array>
#include <memory>

class Delay2Panel;
class Input2EQGainSlider;
class Input2EQSubPanel;

// The input section, one input at a time: its gain, six EQ bands, delay and
// name. Every slider reads the shown input from here when it changes, so one
// set of controls serves all three. A typed name goes out once typing has
// paused for half a second, to the input it was typed for. Each control
// shows the changes the record announces for the shown input; the name
// editor not while a typed name waits to go out.
class Input2EQPanel final : public Panel,
                            public ShownChannelSource,
                            private juce::Button::Listener,
                            private juce::TextEditor::Listener,
                            private juce::Timer
{
public:
    static constexpr int inputCount = Protocol::inputCount;
    static constexpr int bandCount = Protocol::inputBandCount;
    static constexpr const char* settingsKey = "input2";
    static constexpr int nameSendDelayMs = 500;
    static constexpr int channelGroup = 0x6973656C; // 'isel'
    static constexpr double gainTextBoxHeightFactor = 0.5;

    struct Layout
    {
        juce::Rectangle<int> gainSlider, gainTextBox;
        int gainTextBoxWidth = 0;
        juce::Rectangle<int> load, save;
        std::array<juce::Rectangle<int>, inputCount> channelButtons;
        juce::Rectangle<int> nameEditor;
        float nameFontHeight = 0;
        juce::Rectangle<int> copy, paste, flat;
        std::array<juce::Rectangle<int>, bandCount> bands;
        juce::Rectangle<int> delay;
        juce::Rectangle<float> bandsBackdrop;
        float bandsBackdropCorner = 0;
        juce::Rectangle<int> gainHeading;
    };
    static Layout layoutFor (int width, int height);

    // A stored "input2" outside 0..2 falls back to input A.
    explicit Input2EQPanel (const UiContext& context);
    ~Input2EQPanel() override;

    // Shows the shown input in every control; stores and sends nothing, apart
    // from a name still waiting to go out for the input it was typed for.
    void refresh();
    void saveSettings();
    // Sends a name still waiting for its pause to the input it was typed for.
    void commitPendingName();

    int getShownChannel() const noexcept override { return shownChannel; }
    DeviceState& getDeviceState() const noexcept override { return context.state; }

    Input2EQGainSlider& getGainSlider() const { return *gainSlider; }
    juce::TextButton& getChannelButton (int input) const { return *channelButtons[(size_t) input]; }
    juce::TextButton& getCopyButton() const { return *copyButton; }
    juce::TextButton& getPasteButton() const { return *pasteButton; }
    juce::TextButton& getLoadButton() const { return *loadButton; }
    juce::TextButton& getSaveButton() const { return *saveButton; }
    juce::TextButton& getFlatButton() const { return *flatButton; }
    Input2EQSubPanel& getBandStrip (int band) const { return *bandStrips[(size_t) band]; }
    Delay2Panel& getDelayPanel() const { return *delayPanel; }
    juce::TextEditor& getNameEditor() const { return *nameEditor; }
    bool isNameSendPending() const { return isTimerRunning(); }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;
    void textEditorTextChanged (juce::TextEditor& editor) override;
    void timerCallback() override;

    void showName();
    std::unique_ptr<juce::TextButton> makeButton (const juce::String& text);

    const UiContext context;
    int shownChannel = 0;
    int pendingNameChannel = 0; // the input the waiting name was typed for
    std::unique_ptr<Input2EQGainSlider> gainSlider;
    std::array<std::unique_ptr<juce::TextButton>, inputCount> channelButtons;
    std::array<std::unique_ptr<Input2EQSubPanel>, bandCount> bandStrips;
    std::unique_ptr<juce::TextButton> flatButton, copyButton, pasteButton, loadButton, saveButton;
    std::unique_ptr<Delay2Panel> delayPanel;
    std::unique_ptr<juce::TextEditor> nameEditor;
    const RecordWatch nameWatch{ context.state,
                                 [this] (const Param& p)
                                 { return p == Param::input (shownChannel, Param::Kind::name); },
                                 [this]
                                 {
                                     if (!isNameSendPending())
                                         showName();
                                 } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Input2EQPanel)
};
