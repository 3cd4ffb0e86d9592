#pragma once

#include "device/FirmwareImage.h"
#include "device/HardwareCommand.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdint>
#include <memory>

class SerialPort;

// The worker: the only thread that talks to the processor once connected.
// Edits are queued as commands and sent one at a time, each waiting for its
// echo, so the user interface never waits for the serial line.
class HwThread final : public juce::Thread
{
public:
    static constexpr int busyThreshold = 10;        // more waiting than this shows the progress bar
    static constexpr int firmwareBytePauseMs = 1;   // what the processor needs after each byte
    static constexpr int lineCheckIntervalMs = 200; // how soon a worker with nothing to send notices a lost line

    // bytePauseMs: the pause after each verified firmware byte; tests shorten it.
    HwThread (SerialPort& port, juce::ActionBroadcaster& status, std::atomic<double>& progress,
              int bytePauseMs = firmwareBytePauseMs);
    ~HwThread() override;

    // Takes ownership; discards the command unsent while no device is connected.
    void enqueue (std::unique_ptr<HardwareCommand> command);
    // The first command, or nothing while an upload holds the queue.
    std::unique_ptr<HardwareCommand> dequeue();
    void clearQueue();

    // Hands a firmware image to the worker, which uploads it once the queue is
    // empty, and sets its progress to 0; false (image dropped) for an image
    // that is not exactly FirmwareImage::size bytes, or while another is
    // pending or uploading, or has ended on this connection. An image without a progress target advances the
    // worker's progress.
    bool startFirmwareUpload (std::unique_ptr<FirmwareImage> image);
    bool isFirmwarePending() const noexcept { return pendingFirmware.load() != nullptr; }

    // An image handed over or uploading, or an upload ended on the
    // connection still open. A processor inside an upload takes every byte
    // as image data: from the start of an upload until the disconnection
    // nothing else goes on the line, and commands queued meanwhile wait (the
    // disconnection drops them). An image handed over on a connection that
    // has gone is dropped unsent.
    bool isUploadActive() const;

    int getPendingCount() const;

    // Commands accepted by enqueue so far: a read-back compares it to learn
    // whether anything was edited while it ran.
    std::uint64_t getEnqueuedCount() const noexcept { return enqueuedCount.load(); }

    // Messages of queued commands that failed so far (not echoed, or no port).
    // The program drops such failures silently; tavikctl reports them.
    std::uint64_t getFailedMessageCount() const noexcept { return failedMessageCount.load(); }
    void countFailedMessage() noexcept { ++failedMessageCount; }
    // Commands of which a message failed so far: each a setting that may not
    // have reached the processor.
    std::uint64_t getFailedCommandCount() const noexcept { return failedCommandCount.load(); }

    // Takes queueLock: "idle" (and the peak reset) when nothing waits, "busy"
    // when more than busyThreshold wait.
    void reportQueueLevel();

    // Held by the connection flow across open, identify and close.
    juce::CriticalSection queueLock;

private:
    void run() override;
    void broadcast (int code);
    std::unique_ptr<HardwareCommand> takeFirst();
    bool isHoldingQueue() const;

    SerialPort& port;
    juce::ActionBroadcaster& statusBroadcaster;
    std::atomic<double>& progress;

    HardwareCommand* queueTail = nullptr;
    HardwareCommand* queueHead = nullptr;
    int pendingCount = 0;
    int peakCount = 0;
    std::atomic<std::uint64_t> enqueuedCount{ 0 };
    std::atomic<std::uint64_t> failedMessageCount{ 0 };
    std::atomic<std::uint64_t> failedCommandCount{ 0 };
    std::atomic<FirmwareImage*> pendingFirmware{ nullptr };
    std::atomic<std::uint64_t> handedOverOn{ 0 }; // the connection (port session) the pending image came on
    std::atomic<std::uint64_t> heldOn{ 0 };       // the connection an upload started on; 0: none yet
    const int bytePause;

    JUCE_DECLARE_NON_COPYABLE (HwThread)
};
