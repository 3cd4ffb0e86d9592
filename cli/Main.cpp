// tavikctl: the Tavik processor from the command line.
#include "cli/Commands.h"
#include "cli/ConsoleAskUser.h"
#include "cli/DeviceSession.h"
#include "common/Utf8.h"

#include <juce_events/juce_events.h>

#include <cstring>

int main (int argc, char* argv[])
{
    // The message loop through which the worker reports and hands over read-backs.
    juce::ScopedJuceInitialiser_GUI framework;
    juce::StringArray words;
    for (int i = 1; i < argc; ++i)
    {
        // The framework's strings copy ill-formed UTF-8 past their buffers.
        if (!isWellFormedUtf8 (argv[i], std::strlen (argv[i])))
        {
            printError ("argument " + juce::String (i) + " is not UTF-8 text");
            return exitBadUsage;
        }
        words.add (juce::String::fromUTF8 (argv[i]));
    }
    return Cli::run (words);
}
