#pragma once

#include <juce_graphics/juce_graphics.h>

namespace juce
{
class LookAndFeel;
}

// The program's widget colours, set on the default look-and-feel at start-up.
void applyColourScheme (juce::LookAndFeel& lookAndFeel);

// Colours the program paints with itself, outside the widgets' colour ids.
namespace SchemeColours
{
inline const juce::Colour windowBackground{ 0xfff0ffff }; // azure
inline const juce::Colour panelCentre{ 0xff008eb0 };
inline const float panelEdgeDarkening = 0.3f; // edge = centre made darker by this
inline const float logoCentreBrightening = 0.3f;
inline const juce::Colour panelOutline{ 0xff46575a };
inline const juce::Colour titleTab{ 0xffffffff };
inline const juce::Colour titleText{ 0xff008eb0 };
inline const juce::Colour caption{ 0xffffffff }; // panel captions and numbers
} // namespace SchemeColours
