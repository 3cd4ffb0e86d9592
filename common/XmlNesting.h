#pragma once

#include <juce_core/juce_core.h>

// The framework's XML parser recurses once per element level, so a crafted
// document could exhaust the stack; none of our documents nests deeper than this.
inline constexpr int deepestXmlNesting = 64;

// True when text can be handed to the parser: it nests at most deepest
// levels and holds nothing the check cannot follow exactly as the parser
// would (entities other than the predefined and numeric ones, declared
// entities, anything but attributes inside a tag, processing instructions
// inside an element) and is well-formed UTF-8 (common/Utf8.h).
bool xmlNestingWithinBound (const juce::String& text, int deepest = deepestXmlNesting);
