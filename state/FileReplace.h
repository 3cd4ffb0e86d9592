#pragma once

#include <juce_core/juce_core.h>

// Saving over a file so that a failure at any step leaves the old file as it
// was: the new bytes go to a fresh file beside the target, are flushed to the
// disk, and only then take the target's name in one rename. One
// implementation of replaceWithData per system (FileReplacePosix.cpp,
// FileReplaceWin32.cpp).
namespace FileReplace
{
// True when the target now holds exactly these bytes. False when it was left
// as it was (or is still absent); the scratch file is gone either way. A
// link stays a link: the file it names is replaced. A replaced file keeps
// its permissions (and, where the user may give them, its owner and group).
bool replaceWithData (const juce::File& target, const void* data, size_t numBytes);

// The element as the format writes it, saved the same way.
bool replaceWithXml (const juce::File& target, const juce::XmlElement& element,
                     const juce::XmlElement::TextFormat& format);

// A fresh name beside the target for the scratch file; the caller creates
// it exclusively and asks again if another file took the name first.
juce::File scratchFileFor (const juce::File& target);
} // namespace FileReplace
