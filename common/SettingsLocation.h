#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

// Where the program's settings file lives and how it is read: the program
// keeps its settings there, and tavikctl reads the remembered port from it.
namespace Settings
{
// The port of the last successful connection.
inline constexpr const char* serialPortKey = "Serial port";

juce::PropertiesFile::Options options();

// The user's application-data folder on this system, "Orveth", "Tavik.properties".
// One implementation per system (SettingsLocationPosix.cpp, SettingsLocationWin32.cpp).
juce::File defaultFile (const juce::PropertiesFile::Options& options);

// True for a file the framework can read as settings: XML with the root
// "PROPERTIES", nested no deeper than any of ours (the parser recurses per level).
bool isReadable (const juce::File& file);

// The saved settings, for reading only: nothing is ever written back.
// Nothing when there is no readable settings file.
std::unique_ptr<juce::PropertiesFile> openForReading();
} // namespace Settings
