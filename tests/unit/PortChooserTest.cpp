#include "device/SerialPort.h"
#include "support/ScriptedAskUser.h"

#include <gtest/gtest.h>

TEST (PortChooser, PreselectsOnlyAnExactRememberedName)
{
    const juce::StringArray items{ "COM1", "COM3", "COM10" };
    EXPECT_EQ (preselectedPortIndex (items, "COM3"), 1);
    EXPECT_EQ (preselectedPortIndex (items, "COM10"), 2);
    EXPECT_EQ (preselectedPortIndex (items, "com3"), 0); // case matters
    EXPECT_EQ (preselectedPortIndex (items, "COM4"), 0); // gone: first item
    EXPECT_EQ (preselectedPortIndex (items, ""), 0);
    EXPECT_EQ (preselectedPortIndex ({}, "COM3"), 0);
}

TEST (PortChooser, OffersThisMachinesPortsWithTheDialogsTexts)
{
    juce::StringArray ports;
    ASSERT_TRUE (listSerialPorts (ports));

    ScriptedAskUser ask;
    juce::String name = "remembered-port-that-is-gone", error;
    const bool offered = choosePort (ask, name, error);
    if (ports.isEmpty())
    {
        EXPECT_FALSE (offered);
        EXPECT_EQ (error, "No COM ports found.");
        EXPECT_TRUE (ask.asked.empty());
        return;
    }
    ASSERT_TRUE (offered);
    ASSERT_EQ (ask.asked.size(), 1u);
    EXPECT_EQ (ask.asked[0].title, "Orveth Tavik");
    EXPECT_EQ (ask.asked[0].message, "Please select a serial port:");
    EXPECT_EQ (ask.asked[0].items, ports);
    EXPECT_EQ (ask.asked[0].preselected, 0);
    EXPECT_TRUE (name.isEmpty()); // cancelled
    EXPECT_TRUE (error.isEmpty());
}
