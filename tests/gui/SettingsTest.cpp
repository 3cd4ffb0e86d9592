#include "app/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
// Points the settings at a fresh folder for one test.
struct ConfigHome
{
    juce::TemporaryFile folder;
    juce::String previous = juce::SystemStats::getEnvironmentVariable ("XDG_CONFIG_HOME", {});

    ConfigHome()
    {
        folder.getFile().createDirectory();
        setenv ("XDG_CONFIG_HOME", folder.getFile().getFullPathName().toRawUTF8(), 1);
    }
    ~ConfigHome()
    {
        setenv ("XDG_CONFIG_HOME", previous.toRawUTF8(), 1);
        folder.getFile().deleteRecursively();
    }
    juce::File settingsFile() const { return folder.getFile().getChildFile ("Orveth/Tavik.properties"); }
};
} // namespace

TEST (Settings, LiveInTheUsersConfigFolderAndSurviveARestart)
{
    ConfigHome home;
    {
        auto settings = Settings::create();
        EXPECT_EQ (settings->getFile(), home.settingsFile());
        settings->setValue ("Serial port", "/dev/ttyUSB0");
    } // destroying the settings writes the change at once
    ASSERT_TRUE (home.settingsFile().existsAsFile());
    EXPECT_TRUE (home.settingsFile().loadFileAsString().contains ("/dev/ttyUSB0"));
    EXPECT_EQ (Settings::create()->getValue ("Serial port"), "/dev/ttyUSB0");
}

TEST (Settings, UnreadableOrBrokenFilesGiveDefaults)
{
    ConfigHome home;
    home.settingsFile().getParentDirectory().createDirectory();
    const std::string contents[] = { "", "not xml at all",
                                     "<PROPERTIES><VALUE name=", std::string ("\xff\xfe\x00garbage", 10) };
    for (auto& content : contents)
    {
        home.settingsFile().replaceWithData (content.data(), content.size());
        auto settings = Settings::create();
        EXPECT_EQ (settings->getValue ("Serial port", "none"), "none");
    }

    home.settingsFile().deleteFile();
    home.settingsFile().createDirectory(); // a folder where the file should be
    auto settings = Settings::create();
    EXPECT_EQ (settings->getValue ("bounds", "none"), "none");
    settings->setValue ("bounds", "1 2 3 4");
    EXPECT_FALSE (settings->saveIfNeeded()); // reports the failure, does not crash
}
