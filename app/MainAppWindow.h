#pragma once

#include "device/DeviceLink.h"
#include "ui/UiContext.h"

#include <juce_gui_basics/juce_gui_basics.h>

class MainWindowContent;

// The program's one window: title, size and shape rules, its remembered
// bounds, and the question before quitting during a firmware upload.
class MainAppWindow final : public juce::DocumentWindow
{
public:
    static constexpr const char* boundsKey = "bounds";
    static constexpr const char* quitQuestion = DeviceLink::interruptUploadQuestion;
    static constexpr int defaultWidth = 800;
    static constexpr int defaultHeight = 560;

    // Where a saved rectangle is shown: moved onto the display it overlaps
    // most (else the nearest), shrunk with its shape kept when the display
    // is smaller, and never below a quarter of the default size.
    // displayAreas are the displays' usable areas, frame the window's border
    // outside its bounds.
    static juce::Rectangle<int> boundsOnDisplays (juce::Rectangle<int> saved,
                                                  const juce::Array<juce::Rectangle<int>>& displayAreas,
                                                  juce::BorderSize<int> frame);

    explicit MainAppWindow (const UiContext& context);
    ~MainAppWindow() override;

    void closeButtonPressed() override;
    // Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo, wherever the keyboard focus
    // is in the window: a text box being typed in keeps the keys for itself.
    bool keyPressed (const juce::KeyPress& key) override;

    MainWindowContent& getContent() const;

private:
    UiContext context;
    juce::ComponentBoundsConstrainer constrainer;
    juce::TooltipWindow tooltips{ this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};
