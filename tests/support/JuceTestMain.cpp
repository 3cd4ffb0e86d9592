#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// JUCE installs its X error handler only when it believes it runs a
// standalone application; without it a window test dies on the first X error.
static juce::JUCEApplicationBase* noApplication()
{
    return nullptr;
}

// The framework unloads the window system's libraries at exit, before the
// leak checker runs; held open here they stay mapped, so what they keep for
// the life of the process is attributed to them (and suppressed by name).
static void keepWindowSystemLibrariesLoaded()
{
    static auto* held = new juce::OwnedArray<juce::DynamicLibrary>();
    for (auto* name :
         { "libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXinerama.so.1", "libXrender.so.1", "libXrandr.so.2" })
        held->add (new juce::DynamicLibrary (name));
}

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    keepWindowSystemLibrariesLoaded();
    juce::JUCEApplicationBase::createInstance = &noApplication;
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
