#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The program's default look-and-feel: the colour scheme, plus the few
// fonts the standard look does not give (full-height letters on the router
// buttons, monospaced name editors).
class TavikLookAndFeel : public juce::LookAndFeel_V4
{
public:
    TavikLookAndFeel();

    // A text button carrying this property gets a font as tall as itself.
    static constexpr const char* fullHeightFontProperty = "fullHeightFont";
    static void useFullHeightFont (juce::Button& button);
    // A text button carrying this property gets a font half its height, for
    // a word on a button narrower than the word at the usual size.
    static constexpr const char* smallFontProperty = "smallFont";

    // Bold "Lucida Console Regular", or where it is not installed the
    // system's monospaced face at the same height.
    static juce::Font nameEditorFont (float height);

    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TavikLookAndFeel)
};
