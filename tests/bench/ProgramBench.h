#pragma once

// The program's side of the benchmarks: the record, worker and port as the
// application builds them, a marker that tells when the worker is through
// with everything queued before it, and a watch on the message thread.

#include "BenchSupport.h"

#include "common/AskUser.h"
#include "device/HardwareCommand.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "state/DeviceState.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <optional>

namespace bench
{
// Nothing measured here asks the user anything; this user would only cancel.
struct SilentUser : AskUser
{
    void showMessage (const juce::String&, const juce::String&) override {}
    bool askOkCancel (const juce::String&, const juce::String&) override { return false; }
    juce::String chooseFromList (const ListChoice&) override { return {}; }
    juce::File chooseFileToSave (const juce::String&, const juce::File&, const juce::String&) override { return {}; }
    juce::File chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&) override { return {}; }
    juce::String getClipboardText() override { return {}; }
    void setClipboardText (const juce::String&) override {}
};

// The top panel listens to the status codes; so that their cost is counted,
// something listens here too.
struct StatusListener final : juce::ActionListener
{
    void actionListenerCallback (const juce::String&) override { ++heard; }
    int heard = 0;
};

struct Program
{
    Program() { status.addActionListener (&listener); }

    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    SilentUser ask;
    StatusListener listener;
    HwThread worker{ port, status, progress };
    DeviceState state{ worker, status, ask, juce::File::getSpecialLocation (juce::File::tempDirectory) };

    ~Program()
    {
        worker.stopThread (10000);
        port.close (false);
        status.removeActionListener (&listener);
    }

    // What SYNC TO SOFTWARE queues (Connection::syncToSoftware, which needs the user interface library).
    void syncToSoftware()
    {
        state.input2EQState.sendAllToDevice();
        state.outputEQState.sendAllToDevice();
        state.routerState.sendRouterToDevice();
        state.muteState.sendMutesToDevice();
    }
};

// Every band and both cuts of every output in use, so each curve the output
// graph draws does all its work.
inline void shapeOutputs (OutputEQState& outputs)
{
    for (int output = 0; output < OutputEQState::outputCount; ++output)
    {
        outputs.setChannelGain (output, -2.0 * output);
        for (int band = 0; band < OutputEQState::bandCount; ++band)
        {
            outputs.setBandGain (output, band, band % 2 == 0 ? 6.0 : -6.0);
            outputs.setBandFrequency (output, band, 100.0 * (band + 1) * (output + 1));
            outputs.setBandWidth (output, band, 1.0);
        }
        outputs.setCutFrequency (output, OutputEQState::lowCut, 40.0 + 10.0 * output);
        outputs.setCutFilter (output, OutputEQState::lowCut, 1, 3);
        outputs.setCutFrequency (output, OutputEQState::highCut, 15000.0 - 1000.0 * output);
        outputs.setCutFilter (output, OutputEQState::highCut, 3, 1);
    }
}

// Queued behind other commands, notes when the worker reaches it: every
// command before it has then written its message and verified its echo.
class Marker final : public HardwareCommand
{
public:
    explicit Marker (std::atomic<Clock::rep>& reachedAt)
        : reached (reachedAt)
    {
    }
    void execute (WorkerContext&) override { reached = Clock::now().time_since_epoch().count(); }

private:
    std::atomic<Clock::rep>& reached;
};

// Pumps the message loop until the marker is reached (or a minute passes);
// the moment the worker reached it, or nothing.
inline std::optional<Clock::time_point> waitForMarker (std::atomic<Clock::rep>& reached)
{
    const auto deadline = Clock::now() + std::chrono::minutes (1);
    while (reached.load() == 0 && Clock::now() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    if (reached.load() == 0)
        return std::nullopt;
    return Clock::time_point (Clock::duration (reached.load()));
}

// The largest gap between the callbacks of a 1 ms timer on the message
// thread: how long the user interface could not have answered.
class StallWatch final : private juce::Timer
{
public:
    void begin()
    {
        largest = Clock::duration::zero();
        last = Clock::now();
        startTimer (1);
    }
    double end()
    {
        stopTimer();
        timerCallback();
        return seconds (largest);
    }

private:
    void timerCallback() override
    {
        const auto now = Clock::now();
        largest = std::max (largest, now - last);
        last = now;
    }
    Clock::time_point last;
    Clock::duration largest{};
};
} // namespace bench
