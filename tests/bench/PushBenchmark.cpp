// Pushes the whole record (inputs, outputs, routing, mutes) through the real
// worker to the simulated processor on a paced 57600-baud line, and prints the
// wall time beside what the line itself allows for the same bytes.
#include "common/AskUser.h"
#include "device/HwThread.h"
#include "device/Protocol.h"
#include "device/SerialPort.h"
#include "engine/SimulatedProcessor.h"
#include "state/DeviceState.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cstdio>

namespace
{
// A push asks nothing; this user would only ever cancel.
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

constexpr int bitsPerByte = 10;                            // 8N1: start bit, 8 data bits, stop bit
constexpr int bytesPerMessage = 2 * Protocol::messageSize; // the command and its echo

double runOnce (taviksim::SimulatedProcessor& sim, DeviceState& state, std::uint64_t& messages)
{
    const auto before = sim.messageCount();
    const auto start = std::chrono::steady_clock::now();
    state.input2EQState.sendAllToDevice();
    state.outputEQState.sendAllToDevice();
    state.routerState.sendRouterToDevice();
    state.muteState.sendMutesToDevice();
    // Every push message is answered before the next leaves, so the last one
    // arriving means the line has carried all of them but the final echo.
    // 84 + 168 + 6 + 6 commands; each of the 9 delays is two messages.
    const std::uint64_t expected = 273;
    if (!sim.waitForMessages (before + expected, std::chrono::seconds (60)))
        return -1.0;
    const auto end = std::chrono::steady_clock::now();
    messages = sim.messageCount() - before;
    return std::chrono::duration<double> (end - start).count();
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? juce::jmax (1, juce::String (argv[1]).getIntValue()) : 3;
    juce::ScopedJuceInitialiser_GUI juce;

    taviksim::SimulatorOptions options;
    options.logProblems = false;
    options.line.pace = true;
    options.line.baud = 57600;
    taviksim::SimulatedProcessor sim (options);
    if (!sim.start())
    {
        std::fprintf (stderr, "simulator: %s\n", sim.error().c_str());
        return 1;
    }

    SerialPort port;
    juce::String error;
    if (!port.open (sim.slavePath(), error))
    {
        std::fprintf (stderr, "port: %s\n", error.toRawUTF8());
        return 1;
    }
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    SilentUser ask;
    HwThread worker (port, status, progress);
    DeviceState state (worker, status, ask);

    std::printf ("whole push through the worker, paced line at %d baud 8N1\n", options.line.baud);
    for (int run = 1; run <= runs; ++run)
    {
        std::uint64_t messages = 0;
        const double measured = runOnce (sim, state, messages);
        if (measured < 0)
        {
            std::fprintf (stderr, "run %d: the processor did not receive every message\n", run);
            return 1;
        }
        const double lineLimit = double (messages) * bytesPerMessage * bitsPerByte / options.line.baud;
        std::printf ("run %d: %llu messages in %.3f s; the line alone needs %.3f s (%.0f%% of measured)\n", run,
                     (unsigned long long) messages, measured, lineLimit, 100.0 * lineLimit / measured);
        // Let the broadcast status codes go, so they do not pile up between runs.
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    }

    worker.stopThread (10000);
    port.close (false);
    return 0;
}
