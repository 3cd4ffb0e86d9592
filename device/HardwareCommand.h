#pragma once

#include <juce_events/juce_events.h>

#include <atomic>

class HwThread;
class SerialPort;

// What a command may use while the worker executes it. The worker never
// reads the parameter record: a command carries copies of its values.
struct WorkerContext
{
    SerialPort& port;
    juce::Thread* worker = nullptr;            // cancel source for long sequences
    juce::ActionBroadcaster* status = nullptr; // null: nobody listens
    std::atomic<double>* progress = nullptr;   // null: nothing shows it
    HwThread* queue = nullptr;                 // the queue the command came from, if any

    bool shouldExit() const { return worker != nullptr && worker->threadShouldExit(); }
    void broadcast (int code) const;
    void setProgress (double value) const;
    void addProgress (double step) const; // only the worker writes progress, so no lost update
    // The queue level report a self-reporting sequence makes when it ends.
    void reportQueueLevel() const;
    // A message the processor did not echo: counted by the queue, for a
    // front end that must know whether everything arrived.
    void messageFailed() const;
};

// One queued device write (or sequence). The queue links commands through
// next and owns each from enqueue until it has been executed or discarded.
class HardwareCommand
{
public:
    virtual void execute (WorkerContext& context) = 0;
    virtual ~HardwareCommand() = default;

    // A long sequence that shows its own progress says so: taking it off the
    // queue then reports nothing (an "idle" then would re-enable the device
    // buttons while it still runs), and it reports the queue level when it ends.
    virtual bool reportsQueueLevelAtEnd() const noexcept { return false; }

    HardwareCommand* next = nullptr;
};
