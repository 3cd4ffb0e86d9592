#include "common/SettingsLocation.h"

#include "common/FileAccess.h"
#include "common/XmlNesting.h"

namespace
{
// A few keys in a few hundred bytes; a bigger file is not the program's.
constexpr size_t largestSettingsFileBytes = 1024 * 1024;
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

bool Settings::isReadable (const juce::File& file)
{
    // The framework parses the file's own bytes, unchecked: broken UTF-8 walks
    // its parser past the end, so they are checked as read. (Reading it as the
    // framework's string would repair some bytes and hide them from the checks.)
    juce::String text;
    if (FileAccess::readTextFile (file, largestSettingsFileBytes, text) != FileAccess::Read::done)
        return false;
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
