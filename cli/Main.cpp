// tavikctl: the Tavik processor from the command line.
#include "cli/Commands.h"

#include <juce_events/juce_events.h>

int main (int argc, char* argv[])
{
    // The message loop through which the worker reports and hands over read-backs.
    juce::ScopedJuceInitialiser_GUI framework;
    juce::StringArray words;
    for (int i = 1; i < argc; ++i)
        words.add (juce::String::fromUTF8 (argv[i]));
    return Cli::run (words);
}
