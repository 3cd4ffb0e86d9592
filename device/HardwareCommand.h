#pragma once

#include <juce_core/juce_core.h>

class SerialPort;

// What a command may use while the worker executes it. The worker never
// reads the parameter record: a command carries copies of its values.
struct WorkerContext
{
    SerialPort& port;
    juce::Thread* worker = nullptr; // cancel source for long sequences
};

// One queued device write (or sequence). The queue links commands through
// next and owns each from enqueue until it has been executed or discarded.
class HardwareCommand
{
public:
    virtual void execute (WorkerContext& context) = 0;
    virtual ~HardwareCommand() = default;

    HardwareCommand* next = nullptr;
};
