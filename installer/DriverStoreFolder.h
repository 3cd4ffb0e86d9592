#pragma once

#include "installer/DriverStore.h"

// A driver store kept in a plain folder laid out like the Windows folder, so
// the installer runs and can be checked where there is no Windows:
//   <folder>/inf/oem*.inf      the installed OEM INF files
//   <folder>/pending-install   present = another installation is pending
//   <folder>/driver-updates.log one line per driver update request:
//                               hardware ID, a tab, the INF's full path
class FolderDriverStore : public DriverStore
{
public:
    explicit FolderDriverStore (const juce::File& windowsFolder);

    bool isAnotherInstallationPending() override;
    juce::File getWindowsFolder() override { return folder; }
    void uninstallOemInf (const juce::String& fileName) override;

    // Copies the INF in under the lowest free oemN.inf name, unless an
    // installed one has the same bytes.
    void copyOemInf (const juce::File& inf) override;

    void updateDriver (const juce::String& hardwareId, const juce::File& inf) override;

    juce::File getInfFolder() const { return folder.getChildFile ("inf"); }
    juce::File getPendingMarker() const { return folder.getChildFile ("pending-install"); }
    juce::File getUpdateLog() const { return folder.getChildFile ("driver-updates.log"); }

private:
    juce::File folder;
};
