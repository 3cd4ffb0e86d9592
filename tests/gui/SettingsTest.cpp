#include "app/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>

namespace
{
// Points the settings at a fresh folder for one test.
struct ConfigHome
{
    juce::TemporaryFile folder;
    std::optional<std::string> previous = std::getenv ("XDG_CONFIG_HOME") != nullptr
                                              ? std::optional<std::string> (std::getenv ("XDG_CONFIG_HOME"))
                                              : std::nullopt;

    ConfigHome()
    {
        folder.getFile().createDirectory();
        setenv ("XDG_CONFIG_HOME", folder.getFile().getFullPathName().toRawUTF8(), 1);
    }
    ~ConfigHome()
    {
        if (previous)
            setenv ("XDG_CONFIG_HOME", previous->c_str(), 1);
        else
            unsetenv ("XDG_CONFIG_HOME");
        folder.getFile().deleteRecursively();
    }
    juce::File settingsFile() const { return folder.getFile().getChildFile ("Orveth/Tavik.properties"); }
    juce::File keptFile() const { return folder.getFile().getChildFile ("Orveth/Tavik.properties.bad"); }
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
    // The last two hold broken UTF-8, which the framework's parser, reading
    // the file's bytes, would follow past their end, and an overlong form.
    const std::string contents[] = { "",
                                     "not xml at all",
                                     "<PROPERTIES><VALUE name=",
                                     std::string ("\xff\xfe\x00garbage", 10),
                                     "<?xml ve\xfb",
                                     "<PROPERTIES><VALUE name=\"Serial port\" val=\"\xe0\x9d\x8d\"/></PROPERTIES>" };
    for (auto& content : contents)
    {
        home.settingsFile().replaceWithData (content.data(), content.size());
        auto settings = Settings::create();
        EXPECT_EQ (settings->getValue ("Serial port", "none"), "none");
    }

    // A FIFO is not waited on.
    home.settingsFile().deleteFile();
    ASSERT_EQ (::mkfifo (home.settingsFile().getFullPathName().toRawUTF8(), 0600), 0);
    EXPECT_EQ (Settings::create()->getValue ("Serial port", "none"), "none");

    home.settingsFile().deleteFile();
    home.settingsFile().createDirectory(); // a folder where the file should be
    auto settings = Settings::create();
    EXPECT_EQ (settings->getValue ("bounds", "none"), "none");
    settings->setValue ("bounds", "1 2 3 4");
    EXPECT_FALSE (settings->saveIfNeeded()); // reports the failure, does not crash
}

TEST (Settings, AnUnreadableFileIsKeptBeforeTheFirstSave)
{
    ConfigHome home;
    home.settingsFile().getParentDirectory().createDirectory();
    home.keptFile().replaceWithText ("an older unreadable file");
    const juce::String contents[] = {
        "<PROPERTIES><VALUE name=\"Serial port\" val=",                // cut short
        "<PROPERTIES>" + juce::String::repeatedString ("<a>", 100000), // nested past any real file
    };
    for (const auto& content : contents)
    {
        home.settingsFile().replaceWithText (content);
        {
            auto settings = Settings::create();
            EXPECT_EQ (settings->getValue ("Serial port", "none"), "none");
            settings->setValue ("Serial port", "/dev/ttyUSB1");
            EXPECT_TRUE (settings->saveIfNeeded());
        }
        EXPECT_EQ (home.keptFile().loadFileAsString(), content);
        EXPECT_EQ (Settings::create()->getValue ("Serial port"), "/dev/ttyUSB1");
        EXPECT_EQ (home.keptFile().loadFileAsString(), content); // a readable file is not kept again
    }
}
