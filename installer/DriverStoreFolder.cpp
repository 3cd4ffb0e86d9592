#include "installer/DriverStoreFolder.h"

FolderDriverStore::FolderDriverStore (const juce::File& windowsFolder)
    : folder (windowsFolder)
{
}

bool FolderDriverStore::isAnotherInstallationPending()
{
    return getPendingMarker().exists();
}

void FolderDriverStore::uninstallOemInf (const juce::String& fileName)
{
    const auto inf = getInfFolder().getChildFile (fileName);

    // Only a file directly in the store: a name with a path in it is refused.
    if (inf.getParentDirectory() == getInfFolder() && inf.existsAsFile())
        inf.deleteFile();
}

void FolderDriverStore::copyOemInf (const juce::File& inf)
{
    if (!inf.existsAsFile())
        return;

    const auto store = getInfFolder();

    for (const auto& installed : store.findChildFiles (juce::File::findFiles, false, "oem*.inf"))
        if (installed.hasIdenticalContentTo (inf))
            return;

    store.createDirectory();

    for (int n = 0;; ++n)
    {
        const auto target = store.getChildFile ("oem" + juce::String (n) + ".inf");

        if (!target.exists())
        {
            inf.copyFileTo (target);
            return;
        }
    }
}

void FolderDriverStore::updateDriver (const juce::String& hardwareId, const juce::File& inf)
{
    folder.createDirectory();
    getUpdateLog().appendText (hardwareId + "\t" + inf.getFullPathName() + "\n", false, false, "\n");
}
