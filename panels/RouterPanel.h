#pragma once

#include "device/Protocol.h"
#include "panels/RecordWatch.h"
#include "ui/Panel.h"

#include <array>
#include <memory>

class DeviceState;
class RouterButton;

// The routing matrix: one row of A/B/C crosspoints per output, with the
// output's name editor at the end of the row. Names typed here go to the
// device once typing has paused for half a second. The panel shows every
// change of a route or an output name the record announces, except in an
// editor whose typed name has not gone out yet.
class RouterPanel final : public Panel, private juce::TextEditor::Listener, private juce::Timer
{
public:
    static constexpr int inputCount = Protocol::inputCount;
    static constexpr int outputCount = Protocol::outputCount;
    static constexpr int nameSendDelayMs = 500;

    struct Layout
    {
        std::array<std::array<juce::Rectangle<int>, outputCount>, inputCount> buttons; // [input][output]
        std::array<juce::Rectangle<int>, outputCount> editors;
        float editorFontHeight = 0;
        juce::Rectangle<int> inputsCaption;
        std::array<juce::Rectangle<int>, outputCount> outputNumbers;
        float numberFontHeight = 0;
        float outputsFontHeight = 0;
        juce::AffineTransform outputsTransform;
        juce::Rectangle<float> outputsBox; // before the transform: text reads upwards after it
    };
    static Layout layoutFor (int width, int height);

    explicit RouterPanel (DeviceState& state);
    ~RouterPanel() override;

    // Shows the stored routing and names; sends nothing of its own (a name
    // still waiting for its pause is stored and sent first, as typed last).
    void refreshRouterPanel();
    // Stores and sends the names typed since the last pause, at once: before
    // the record is saved, copied, replaced or the window closes.
    void commitPendingNames();

    RouterButton& getButton (int input, int output) const { return *buttons[(size_t) input][(size_t) output]; }
    juce::TextEditor& getNameEditor (int output) const { return *editors[(size_t) output]; }
    bool isNameSendPending() const { return isTimerRunning(); }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void textEditorTextChanged (juce::TextEditor& editor) override;
    void timerCallback() override;
    void showRoute (int output, int input);
    void showName (int output);

    DeviceState& state;
    std::array<std::array<std::unique_ptr<RouterButton>, outputCount>, inputCount> buttons;
    juce::DrawableText outputsCaption;
    juce::AffineTransform captionTransform;
    std::array<std::unique_ptr<juce::TextEditor>, outputCount> editors;
    std::array<bool, outputCount> edited{}; // typed into since the last commit
    const RecordWatch watch{ state,
                             [] (const Param& p)
                             { return p.output && (p.kind == Param::Kind::route || p.kind == Param::Kind::name); },
                             [this] (const Param& p)
                             {
                                 if (p.kind == Param::Kind::route)
                                     showRoute (p.channel, p.index);
                                 else if (!edited[(size_t) p.channel])
                                     showName (p.channel);
                             } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RouterPanel)
};
