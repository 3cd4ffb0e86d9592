#pragma once

#include <juce_core/juce_core.h>

#include <map>

// The words after a command: options that take a value ("--port P" or
// "--port=P"), flags ("--json") and the rest in order (negative numbers
// among them; after "--" everything).
struct Arguments
{
    juce::StringArray positional;
    std::map<juce::String, juce::String> values;
    juce::StringArray flags;
    juce::String error; // set: an unknown option, or a missing or empty value

    bool has (const juce::String& flag) const { return flags.contains (flag); }
    juce::String value (const juce::String& option) const;
    bool hasValue (const juce::String& option) const { return values.count (option) != 0; }

    static Arguments parse (const juce::StringArray& words, const juce::StringArray& valueOptions,
                            const juce::StringArray& flagOptions);
};
