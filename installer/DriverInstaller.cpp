#include "installer/DriverInstaller.h"

#include "installer/InfFile.h"

DriverInstaller::DriverInstaller (DriverStore& s, InstallerMessages& m, const juce::File& folder)
    : store (s)
    , messages (m)
    , installerFolder (folder)
{
}

void DriverInstaller::run()
{
    if (store.isAnotherInstallationPending())
    {
        messages.show ("Another device installation is currently active.  Please wait until that installation is "
                       "complete and try this installer again.");
        return;
    }

    for (const auto& target : installationTargets)
        install (target.infName, target.hardwareId);
}

void DriverInstaller::install (const juce::String& infName, const juce::String& hardwareId)
{
    const auto inf = installerFolder.getChildFile (infName);

    if (!inf.existsAsFile())
    {
        messages.show ("Unable to find the file " + inf.getFullPathName());
        return;
    }

    // An unreadable INF is still handed to the system: it may know better.
    cleanDriverStore (inf, hardwareId);
    store.updateDriver (hardwareId, inf);
}

bool DriverInstaller::cleanDriverStore (const juce::File& inf, const juce::String& hardwareId)
{
    const auto text = inf.loadFileAsString();
    const auto version = readDriverVersion (text);
    const auto classGuid = readClassGuid (text);

    if (version == 0 || classGuid.isEmpty())
    {
        messages.show ("Unable to read " + inf.getFullPathName());
        return false;
    }

    const auto installedFolder = store.getWindowsFolder().getChildFile ("inf");
    bool equalOrNewerInstalled = false;

    // Every copy is looked at: older ones must go even after a newer one is found.
    for (const auto& installed :
         installedFolder.findChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, false, "oem*.inf"))
    {
        const auto installedText = installed.loadFileAsString();

        if (readClassGuid (installedText) != classGuid || !installedText.containsIgnoreCase (hardwareId))
            continue;

        if (readDriverVersion (installedText) >= version)
            equalOrNewerInstalled = true;
        else
            store.uninstallOemInf (installed.getFileName());
    }

    if (!equalOrNewerInstalled)
        store.copyOemInf (inf);

    return true;
}
