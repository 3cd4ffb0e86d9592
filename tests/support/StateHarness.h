#pragma once

#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "state/DeviceState.h"
#include "support/ScriptedAskUser.h"

#include <juce_events/juce_events.h>

#include <atomic>

// The record as the application builds it: a real worker on a real (here
// closed) port, the status broadcaster and a scripted user. Tests that need
// the device open the port on a simulator before queueing anything. Presets
// go to the temporary folder, never to the user's documents.
struct StateHarness
{
    explicit StateHarness (const juce::File& presetFolder = juce::File::getSpecialLocation (juce::File::tempDirectory))
        : state (worker, status, ask, presetFolder)
    {
    }

    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    ScriptedAskUser ask;
    HwThread worker{ port, status, progress };
    DeviceState state;

    Input2EQState& inputs() { return state.input2EQState; }
    OutputEQState& outputs() { return state.outputEQState; }
};

// Collects the status codes broadcast while the message loop is pumped.
struct StatusRecorder : juce::ActionListener
{
    explicit StatusRecorder (juce::ActionBroadcaster& source)
        : broadcaster (source)
    {
        broadcaster.addActionListener (this);
    }
    ~StatusRecorder() override { broadcaster.removeActionListener (this); }

    void actionListenerCallback (const juce::String& message) override { codes.push_back (message.getIntValue()); }

    // Delivers what has been broadcast so far and returns it.
    std::vector<int> drain (int ms = 50)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
        auto result = codes;
        codes.clear();
        return result;
    }

    juce::ActionBroadcaster& broadcaster;
    std::vector<int> codes;
};
