#pragma once

namespace juce
{
class LookAndFeel;
}

// The program's widget colours, set on the default look-and-feel at start-up.
void applyColourScheme (juce::LookAndFeel& lookAndFeel);
