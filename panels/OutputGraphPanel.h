#pragma once

#include "device/Protocol.h"
#include "ui/Panel.h"
#include "ui/UiContext.h"

#include <array>
#include <memory>

class EQGraph;

// The response graph with the six buttons that choose which outputs it draws.
// The choice is remembered in the settings file, not sent anywhere.
class OutputGraphPanel final : public Panel, private juce::Button::Listener
{
public:
    static constexpr int outputCount = Protocol::outputCount;
    static constexpr const char* settingsKey = "SelectedGraphOutputs";
    static constexpr int defaultSelection = 1; // output 1 only
    static constexpr int allOutputs = (1 << outputCount) - 1;

    struct Layout
    {
        std::array<juce::Rectangle<int>, outputCount> buttons;
        juce::Rectangle<int> graph;
        juce::Rectangle<int> caption; // "OUTPUT", beside the buttons
        float captionFontHeight = 0;
    };
    static Layout layoutFor (int width, int height);

    // The stored selection, bit i for output i + 1; anything but a whole
    // number from 0 to 63 gives the default.
    static int readSelection (const juce::PropertySet& settings)
    {
        if (!settings.containsKey (settingsKey))
            return defaultSelection;
        // Written by hand or by another program it may be anything: only a
        // plain whole number naming some of the six outputs is taken.
        const auto text = settings.getValue (settingsKey).trim();
        if (text.isEmpty() || text.length() > 2 || !text.containsOnly ("0123456789"))
            return defaultSelection;
        const int value = text.getIntValue();
        return value <= allOutputs ? value : defaultSelection;
    }

    explicit OutputGraphPanel (const UiContext& context);
    ~OutputGraphPanel() override;

    int getSelection() const;
    void saveGraphSelection();

    juce::TextButton& getButton (int output) const { return *buttons[(size_t) output]; }
    EQGraph& getGraph() const { return *graph; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;

    juce::PropertiesFile& settings;
    std::array<std::unique_ptr<juce::TextButton>, outputCount> buttons;
    std::unique_ptr<EQGraph> graph;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OutputGraphPanel)
};
