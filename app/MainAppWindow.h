#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The program's one window. For now it carries the title, size and colours;
// its panels arrive with their own code.
class MainAppWindow final : public juce::DocumentWindow
{
public:
    static constexpr const char* disconnectedTitle = "Tavik Serial Control - Disconnected";

    explicit MainAppWindow (juce::PropertiesFile& settings);
    void closeButtonPressed() override;

private:
    juce::PropertiesFile& settings;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};
