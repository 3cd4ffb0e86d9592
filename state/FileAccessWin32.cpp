#include "state/FileAccess.h"

bool isReadOnlyFile (const juce::File& file)
{
    // JUCE reports the read-only attribute through its write access check here.
    return file.existsAsFile() && !file.hasWriteAccess();
}
