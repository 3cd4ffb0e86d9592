#pragma once

#include "ui/UiContext.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class Input2EQPanel;
class LogoPanel;
class OutputEQPanel;
class OutputGraphPanel;
class OutputMutePanel;
class RouterPanel;
class TopPanel;

// The window's content: the seven panels in four bands, the third split into
// router, logo above mutes, and graph. It refreshes the panels when a
// read-back from the device has been applied to the record.
class MainWindowContent final : public juce::Component, private juce::ActionListener
{
public:
    struct Layout
    {
        juce::Rectangle<int> top, inputEQ, router, outputEQ, logo, mute, graph;
    };
    static Layout layoutFor (int width, int height);

    explicit MainWindowContent (const UiContext& context);
    ~MainWindowContent() override;

    // Shows the record in every panel without sending anything.
    void refreshPanels();

    TopPanel& getTopPanel() const { return *topPanel; }
    RouterPanel& getRouterPanel() const { return *routerPanel; }
    Input2EQPanel& getInputEQPanel() const { return *inputEQPanel; }
    OutputEQPanel& getOutputEQPanel() const { return *outputEQPanel; }
    LogoPanel& getLogoPanel() const { return *logoPanel; }
    OutputMutePanel& getOutputMutePanel() const { return *outputMutePanel; }
    OutputGraphPanel& getOutputGraphPanel() const { return *outputGraphPanel; }

    // Stores and sends the names still waiting for their typing pause.
    void commitPendingNames();

    // The panels' own settings (shown channels, delay units, graph selection),
    // stored when the window closes.
    void saveSettings();

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void actionListenerCallback (const juce::String& message) override;

    juce::ActionBroadcaster& status;

    std::unique_ptr<TopPanel> topPanel;
    std::unique_ptr<RouterPanel> routerPanel;
    std::unique_ptr<Input2EQPanel> inputEQPanel;
    std::unique_ptr<OutputEQPanel> outputEQPanel;
    std::unique_ptr<LogoPanel> logoPanel;
    std::unique_ptr<OutputMutePanel> outputMutePanel;
    std::unique_ptr<OutputGraphPanel> outputGraphPanel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindowContent)
};
