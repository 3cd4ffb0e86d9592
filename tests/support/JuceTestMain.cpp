#include "support/TestProcess.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// JUCE installs its X error handler only when it believes it runs a
// standalone application; without it a window test dies on the first X error.
static juce::JUCEApplicationBase* noApplication()
{
    return nullptr;
}

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    keepWindowSystemLibrariesLoaded();
    juce::JUCEApplicationBase::createInstance = &noApplication;
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
