#include "common/SettingsLocation.h"

// The framework would put the folder straight into the home folder here;
// the user's application-data folder on this system is the XDG config home.
juce::File Settings::defaultFile (const juce::PropertiesFile::Options& o)
{
    auto base = juce::SystemStats::getEnvironmentVariable ("XDG_CONFIG_HOME", {});
    juce::File folder = juce::File::isAbsolutePath (base) ? juce::File (base) : juce::File ("~/.config");
    return folder.getChildFile (o.folderName).getChildFile (o.applicationName + "." + o.filenameSuffix);
}
