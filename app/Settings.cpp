#include "app/Settings.h"

#include "state/StateXml.h"

namespace
{
// A settings file the framework can read: ours are XML with this root.
bool isReadable (const juce::File& file)
{
    juce::FileInputStream in (file);
    if (!in.openedOk())
        return false;
    const auto root = StateXml::parseDocument (in.readEntireStreamAsString());
    return root != nullptr && root->hasTagName ("PROPERTIES");
}
} // namespace

juce::PropertiesFile::Options Settings::options()
{
    juce::PropertiesFile::Options o;
    o.applicationName = "Tavik";
    o.folderName = "Orveth";
    o.filenameSuffix = "properties";
    o.osxLibrarySubFolder = "Application Support";
    o.commonToAllUsers = false;
    o.ignoreCaseOfKeyNames = false;
    o.millisecondsBeforeSaving = 3000;
    o.storageFormat = juce::PropertiesFile::storeAsXML;
    o.processLock = nullptr;
    return o;
}

std::unique_ptr<juce::PropertiesFile> Settings::create()
{
    auto o = options();
    const auto file = defaultFile (o);
    // The first save would overwrite a file that could not be read (perhaps
    // only locked for a moment): keep it aside first, and if even that fails,
    // never save over it.
    if (file.existsAsFile() && !isReadable (file))
    {
        const auto kept = file.getSiblingFile (file.getFileName() + ".bad");
        if (!(kept.deleteFile() && file.moveFileTo (kept)))
            o.doNotSave = true;
    }
    return std::make_unique<juce::PropertiesFile> (file, o);
}
