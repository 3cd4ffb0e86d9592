#pragma once

#include "common/SettingsLocation.h"

// The program's settings file: the options it is created with and where it
// lives on this system (common/SettingsLocation.h), and its creation.
namespace Settings
{
// Creates the settings object. A file that cannot be read or is not XML
// leaves the defaults in place: it never stops the program. Such a file is
// kept as "Tavik.properties.bad" (replacing an older one) before anything is
// saved over it.
std::unique_ptr<juce::PropertiesFile> create();
} // namespace Settings
