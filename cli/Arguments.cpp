#include "cli/Arguments.h"

juce::String Arguments::value (const juce::String& option) const
{
    const auto found = values.find (option);
    return found != values.end() ? found->second : juce::String();
}

Arguments Arguments::parse (const juce::StringArray& words, const juce::StringArray& valueOptions,
                            const juce::StringArray& flagOptions)
{
    Arguments a;
    for (int i = 0; i < words.size(); ++i)
    {
        const auto& word = words[i];
        // A negative number is a value ("set output.1.gain -3"), not an option.
        const bool negativeNumber = word.length() > 1 && juce::String ("0123456789.").containsChar (word[1]);
        if (!word.startsWith ("-") || word == "-" || negativeNumber)
        {
            a.positional.add (word);
            continue;
        }
        if (word == "--")
        {
            for (++i; i < words.size(); ++i)
                a.positional.add (words[i]);
            break;
        }
        const auto name = word.upToFirstOccurrenceOf ("=", false, false);
        if (valueOptions.contains (name))
        {
            if (word.containsChar ('='))
                a.values[name] = word.fromFirstOccurrenceOf ("=", false, false);
            else if (i + 1 < words.size())
                a.values[name] = words[++i];
            else
                a.error = name + " needs a value";
            // An empty one would quietly fall back to the default (the remembered port).
            if (a.error.isEmpty() && a.values[name].isEmpty())
                a.error = name + " needs a value";
        }
        else if (flagOptions.contains (word) || word == "--help" || word == "-h")
            a.flags.addIfNotAlreadyThere (word == "-h" ? "--help" : word);
        else
            a.error = "unknown option " + word;
        if (a.error.isNotEmpty())
            break;
    }
    return a;
}
