#pragma once

#include <juce_events/juce_events.h>

// Codes the worker and the state operations broadcast to the user interface
// as decimal text; listeners read them back with statusFromMessage.
enum StatusCode
{
    StatusStateChanged = 1,
    StatusUploadFailed = 2,
    StatusUploadComplete = 3,
    StatusBusy = 4,
    StatusIdle = 5,
    StatusReadBackDone = 7,
    StatusLineLost = 8 // the port reported the line gone (hang-up, device removed)
};

inline void broadcastStatus (juce::ActionBroadcaster& broadcaster, int code)
{
    broadcaster.sendActionMessage (juce::String (code));
}

inline int statusFromMessage (const juce::String& message)
{
    return message.getIntValue();
}
