#pragma once

#include "state/Input2EQState.h"
#include "state/MuteState.h"
#include "state/OutputEQState.h"
#include "state/RouterState.h"

#include <juce_events/juce_events.h>

#include <memory>

class AskUser;
class HardwareCommand;
class HwThread;

// The one in-memory copy of every processor parameter. Everything here runs
// on the message thread; each queued command carries copies of its values.
class DeviceState
{
public:
    static constexpr const char* messageTitle = "Tavik";

    DeviceState (HwThread& worker, juce::ActionBroadcaster& statusBroadcaster, AskUser& askUser,
                 const juce::File& presetFolderToUse = defaultPresetFolder());

    // The documents folder joined with "Orveth Tavik"; not created here.
    static juce::File defaultPresetFolder();

    // Every failure is told to the user; the element stays the caller's.
    void savePresetFile (const juce::XmlElement& element, const juce::String& extension);

    // The parsed root element, or nothing (after telling the user why, where needed).
    std::unique_ptr<juce::XmlElement> loadPresetFile (const juce::String& extension, const juce::String& rootName);

    // Used by the sections.
    void enqueue (std::unique_ptr<HardwareCommand> command);
    void notifyChanged();
    AskUser& getAskUser() noexcept { return ask; }

private:
    HwThread& hwThread;
    juce::ActionBroadcaster& status;
    AskUser& ask;

public:
    RouterState routerState;
    Input2EQState input2EQState;
    OutputEQState outputEQState;
    MuteState muteState;
    const juce::File presetFolder;

private:
    JUCE_DECLARE_NON_COPYABLE (DeviceState)
};
