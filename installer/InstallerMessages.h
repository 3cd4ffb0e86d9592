#pragma once

#include <juce_core/juce_core.h>

// Where the installer's messages go. Every message is a plain box with
// this title, one OK button and no icon.
class InstallerMessages
{
public:
    static constexpr const char* title = "Ruvi Serial Port Drivers";

    virtual ~InstallerMessages() = default;

    // Returns once the user has closed the message.
    virtual void show (const juce::String& text) = 0;
};
