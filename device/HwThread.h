#pragma once

#include "device/FirmwareImage.h"
#include "device/HardwareCommand.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>

class SerialPort;

// The worker: the only thread that talks to the processor once connected.
// Edits are queued as commands and sent one at a time, each waiting for its
// echo, so the user interface never waits for the serial line.
class HwThread final : public juce::Thread
{
public:
    static constexpr int busyThreshold = 10; // more waiting than this shows the progress bar

    HwThread (SerialPort& port, juce::ActionBroadcaster& status, std::atomic<double>& progress);
    ~HwThread() override;

    // Takes ownership; discards the command unsent while no device is connected.
    void enqueue (std::unique_ptr<HardwareCommand> command);
    std::unique_ptr<HardwareCommand> dequeue();
    void clearQueue();

    // Hands a firmware image to the worker, which uploads it once the queue is
    // empty; false (image dropped) while another is pending or uploading.
    bool startFirmwareUpload (std::unique_ptr<FirmwareImage> image);
    bool isFirmwarePending() const noexcept { return pendingFirmware.load() != nullptr; }

    int getPendingCount() const;

    // Held by the connection flow across open, identify and close.
    juce::CriticalSection queueLock;

private:
    void run() override;
    void reportQueueLevel(); // under queueLock
    void broadcast (int code);

    SerialPort& port;
    juce::ActionBroadcaster& statusBroadcaster;
    std::atomic<double>& progress;

    HardwareCommand* queueTail = nullptr;
    HardwareCommand* queueHead = nullptr;
    int pendingCount = 0;
    int peakCount = 0;
    std::atomic<FirmwareImage*> pendingFirmware{ nullptr };

    JUCE_DECLARE_NON_COPYABLE (HwThread)
};
