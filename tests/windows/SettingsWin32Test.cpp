// Where the settings land on Windows: the user's roaming application-data
// folder (%APPDATA%), sub-folder "Orveth", as the framework places them.
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST (SettingsWin32, LiveInTheRoamingAppDataFolderAndSurviveARestart)
{
    const char* appData = std::getenv ("APPDATA");
    ASSERT_NE (appData, nullptr);
    const auto expected = juce::File (juce::String (appData)).getChildFile ("Orveth").getChildFile ("Tavik.properties");
    ASSERT_FALSE (expected.exists()) << "left over: " << expected.getFullPathName();

    {
        auto settings = Settings::create();
        EXPECT_EQ (settings->getFile(), expected);
        settings->setValue ("Serial port", "COM5");
    } // destroying the settings writes the change at once
    ASSERT_TRUE (expected.existsAsFile());
    EXPECT_TRUE (expected.loadFileAsString().contains ("COM5"));
    EXPECT_EQ (Settings::create()->getValue ("Serial port"), "COM5");
    expected.getParentDirectory().deleteRecursively();
}
