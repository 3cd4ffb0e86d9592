#pragma once

#include <juce_core/juce_core.h>

// tavikctl: the command words (without the program's name) to an exit status.
namespace Cli
{
int run (const juce::StringArray& words);
} // namespace Cli
