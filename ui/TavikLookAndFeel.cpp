#include "ui/TavikLookAndFeel.h"

#include "ui/ColourScheme.h"

TavikLookAndFeel::TavikLookAndFeel()
{
    applyColourScheme (*this);
    // Labels here are white-backed (dialog numbers, the file chooser's name
    // caption); the framework's own label text colour is meant for dark ones.
    setColour (juce::Label::textColourId, findColour (juce::TextEditor::textColourId));
}

void TavikLookAndFeel::useFullHeightFont (juce::Button& button)
{
    button.getProperties().set (fullHeightFontProperty, true);
}

juce::Font TavikLookAndFeel::nameEditorFont (float height)
{
    static const juce::String face = []
    {
        const juce::String wanted ("Lucida Console Regular");
        return juce::Font::findAllTypefaceNames().contains (wanted) ? wanted
                                                                    : juce::Font::getDefaultMonospacedFontName();
    }();
    return juce::Font (face, height, juce::Font::bold);
}

juce::Font TavikLookAndFeel::getTextButtonFont (juce::TextButton& button, int buttonHeight)
{
    auto font = LookAndFeel_V4::getTextButtonFont (button, buttonHeight);
    if (button.getProperties().contains (fullHeightFontProperty))
        return font.withHeight ((float) buttonHeight);
    if (button.getProperties().contains (smallFontProperty))
        return font.withHeight ((float) buttonHeight * 0.45f);
    return font;
}
