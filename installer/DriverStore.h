#pragma once

#include <juce_core/juce_core.h>

// The operating system's side of a driver installation: the driver store of
// OEM INF files under <windows folder>/inf and the device update. Results of
// the store operations are not used by the installer, so none are returned.
class DriverStore
{
public:
    virtual ~DriverStore() = default;

    // True while another device installation is still in progress.
    virtual bool isAnotherInstallationPending() = 0;

    // The folder whose "inf" sub-folder holds the installed oem*.inf files.
    virtual juce::File getWindowsFolder() = 0;

    // Removes an installed OEM INF, given by its file name, even if devices
    // still use it.
    virtual void uninstallOemInf (const juce::String& fileName) = 0;

    // Adds an INF (and with it the driver files in its folder) to the store
    // unless that INF is already there.
    virtual void copyOemInf (const juce::File& inf) = 0;

    // Asks the system to install the INF's driver on every present device
    // with this hardware ID.
    virtual void updateDriver (const juce::String& hardwareId, const juce::File& inf) = 0;
};
