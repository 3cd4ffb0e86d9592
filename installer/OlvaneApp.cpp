#include "installer/DriverInstaller.h"
#include "installer/InstallerPlatform.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The installer has no window: it installs while starting up and then quits.
class OlvaneApp : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Olvane"; }
    const juce::String getApplicationVersion() override { return "0.0"; }

    // Two installers at once would fight over the driver store; JUCE ends the
    // second one before initialise() through a lock named after the program.
    bool moreThanOneInstanceAllowed() override { return false; }
    void anotherInstanceStarted (const juce::String&) override {}

    void initialise (const juce::String&) override
    {
        const auto store = createSystemDriverStore();
        const auto messages = createSystemMessages();

        DriverInstaller (*store, *messages, getInstallerFolder()).run();
        quit();
    }

    void shutdown() override {}
};

START_JUCE_APPLICATION (OlvaneApp)
