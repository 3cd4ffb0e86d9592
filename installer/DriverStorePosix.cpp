// Away from Windows the installer works on a stand-in driver store in a
// folder (see DriverStoreFolder.h) and tells the user in a JUCE message box,
// or on standard error when there is no display to show one on.
#include "installer/DriverStoreFolder.h"
#include "installer/InstallerPlatform.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
// OLVANE_WINDOWS_DIR names the stand-in for the Windows folder; without it
// the installer uses a folder of its own in the user's data folder.
juce::File standInWindowsFolder()
{
    const auto named = juce::SystemStats::getEnvironmentVariable ("OLVANE_WINDOWS_DIR", {});

    if (named.isNotEmpty())
        return juce::File::getCurrentWorkingDirectory().getChildFile (named);

    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Olvane")
        .getChildFile ("windows");
}

bool displayAvailable()
{
    // Asked in this order: without $DISPLAY JUCE would first try, and
    // complain about, a connection to the X server.
    return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty() &&
           juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

class PosixMessages : public InstallerMessages
{
public:
    void show (const juce::String& text) override
    {
        if (displayAvailable())
            juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::NoIcon, title, text, "OK");
        else
            std::cerr << title << ": " << text << std::endl;
    }
};
} // namespace

std::unique_ptr<DriverStore> createSystemDriverStore()
{
    return std::make_unique<FolderDriverStore> (standInWindowsFolder());
}

std::unique_ptr<InstallerMessages> createSystemMessages()
{
    return std::make_unique<PosixMessages>();
}

juce::File getInstallerFolder()
{
    // The kernel's link names the program file itself; JUCE's own answer is
    // built from argv[0] and so is wrong when the program was found on $PATH.
    const auto self = juce::File ("/proc/self/exe").getLinkedTarget();

    if (self.existsAsFile())
        return self.getParentDirectory();

    return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
}
