#pragma once

#include <juce_core/juce_core.h>

// True when an existing file may not be replaced by the user's wish, even
// though the folder would allow a rename over it (or the user is root).
bool isReadOnlyFile (const juce::File& file);
