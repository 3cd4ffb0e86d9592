#include "common/SettingsLocation.h"

#include "common/XmlNesting.h"

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

bool Settings::isReadable (const juce::File& file)
{
    juce::MemoryBlock bytes;
    if (!file.loadFileAsData (bytes))
        return false;
    // The framework parses the file's own bytes, unchecked: broken UTF-8 walks
    // its parser past the end. (Reading it as a string would repair the bytes
    // and hide them from the checks below.)
    const auto* raw = static_cast<const char*> (bytes.getData());
    if (!juce::CharPointer_UTF8::isValidString (raw, (int) bytes.getSize()))
        return false;
    const auto text = juce::String::fromUTF8 (raw, (int) bytes.getSize());
    if (!xmlNestingWithinBound (text))
        return false;
    const auto root = juce::XmlDocument::parse (text);
    return root != nullptr && root->hasTagName ("PROPERTIES");
}

std::unique_ptr<juce::PropertiesFile> Settings::openForReading()
{
    auto o = options();
    o.doNotSave = true;
    const auto file = defaultFile (o);
    if (!file.existsAsFile() || !isReadable (file))
        return nullptr;
    return std::make_unique<juce::PropertiesFile> (file, o);
}
