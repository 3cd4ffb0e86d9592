#include "cli/ConsoleAskUser.h"

#include <iostream>

void ConsoleAskUser::showMessage (const juce::String&, const juce::String& message)
{
    printError (message);
}

void printError (const juce::String& message)
{
    std::cerr << "tavikctl: " << message.toStdString() << std::endl;
}
