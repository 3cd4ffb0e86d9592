#include "device/SerialPort.h"

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
    EXPECT_EQ (inOfferedOrder ({ "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttySX", "/dev/pts/3", "/dev/ttyS4" }),
               (juce::StringArray{ "/dev/ttyUSB0", "/dev/ttySX", "/dev/pts/3", "/dev/ttyS0", "/dev/ttyS4" }));
    EXPECT_EQ (inOfferedOrder ({ "COM3", "COM1" }), (juce::StringArray{ "COM3", "COM1" }));
}
