#include "ui/ColourScheme.h"

#include <juce_gui_basics/juce_gui_basics.h>

void applyColourScheme (juce::LookAndFeel& lf)
{
    using namespace juce;
    const std::pair<int, uint32> colours[] = {
        { TextEditor::backgroundColourId, 0xFFFFFFFF },  { TextEditor::textColourId, 0xFF000000 },
        { TextEditor::highlightColourId, 0xFF000000 },   { TextEditor::highlightedTextColourId, 0xFFFFFFFF },
        { TextEditor::outlineColourId, 0xFF000000 },     { TextEditor::shadowColourId, 0x00000000 },
        { TextButton::buttonColourId, 0xFF32C0CE },      { TextButton::buttonOnColourId, 0xFFFF8C00 },
        { TextButton::textColourOnId, 0xFF000000 },      { TextButton::textColourOffId, 0xFF000000 },
        { Label::backgroundColourId, 0xFFFFFFFF },       { Label::outlineColourId, 0xFF000000 },
        { Slider::backgroundColourId, 0x00000000 },      { Slider::thumbColourId, 0xFF6666FC },
        { Slider::trackColourId, 0x7F727171 },           { AlertWindow::backgroundColourId, 0xFF008EB0 },
        { AlertWindow::textColourId, 0xFFFFFFFF },       { AlertWindow::outlineColourId, 0xFF46575A },
        { ProgressBar::foregroundColourId, 0xFFFF8C00 },
    };
    for (auto& [id, argb] : colours)
        lf.setColour (id, Colour (argb));
}
