#include "common/SettingsLocation.h"

// %APPDATA%\Orveth\Tavik.properties, where the framework puts it.
juce::File Settings::defaultFile (const juce::PropertiesFile::Options& o)
{
    return o.getDefaultFile();
}
