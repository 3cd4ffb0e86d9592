#include "app/Settings.h"

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
    const auto o = options();
    return std::make_unique<juce::PropertiesFile> (defaultFile (o), o);
}
