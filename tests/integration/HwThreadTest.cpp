// The worker and its queue, on a real pseudo-terminal.
#include "device/HwThread.h"
#include "common/Status.h"
#include "device/SerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace
{
// Collects the status codes delivered on the message thread.
struct StatusLog : juce::ActionListener
{
    std::vector<int> codes;
    void actionListenerCallback (const juce::String& message) override
    {
        codes.push_back (statusFromMessage (message));
    }
    void pump() { juce::MessageManager::getInstance()->runDispatchLoopUntil (100); }
    std::vector<int> take()
    {
        pump();
        return std::exchange (codes, {});
    }
};

// Keeps the worker busy until the test opens it.
struct Gate
{
    std::mutex m;
    std::condition_variable cv;
    bool open = false, entered = false;

    void openGate()
    {
        std::lock_guard<std::mutex> g (m);
        open = true;
        cv.notify_all();
    }
    void waitUntilEntered()
    {
        std::unique_lock<std::mutex> g (m);
        cv.wait (g, [this] { return entered; });
    }
};

struct GateCommand : HardwareCommand
{
    explicit GateCommand (Gate& g)
        : gate (g)
    {
    }
    void execute (WorkerContext&) override
    {
        std::unique_lock<std::mutex> g (gate.m);
        gate.entered = true;
        gate.cv.notify_all();
        gate.cv.wait (g, [this] { return gate.open; });
    }
    Gate& gate;
};

struct CountingCommand : HardwareCommand
{
    explicit CountingCommand (std::atomic<int>& n)
        : executed (n)
    {
    }
    void execute (WorkerContext&) override { ++executed; }
    std::atomic<int>& executed;
};

// Sends one message and waits for an echo that never comes (silent processor).
struct SilentCommand : HardwareCommand
{
    void execute (WorkerContext& context) override
    {
        const std::uint8_t bytes[4] = { 0xA4, 0x00, 0x13, 0x1C };
        context.port.sendAndVerify (bytes, 4, nullptr, 1500);
    }
};

struct Worker : ::testing::Test
{
    PtyPeer peer;
    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    StatusLog log;
    std::unique_ptr<HwThread> worker;

    void SetUp() override
    {
        status.addActionListener (&log);
        juce::String error;
        ASSERT_TRUE (port.open (peer.path(), error)) << error;
        worker = std::make_unique<HwThread> (port, status, progress);
    }
    void TearDown() override
    {
        worker = nullptr;
        log.pump();
        status.removeActionListener (&log);
    }
};
} // namespace

TEST_F (Worker, QueueAccountingDrivesProgressAndStatus)
{
    Gate gate;
    worker->enqueue (std::make_unique<GateCommand> (gate));
    gate.waitUntilEntered();
    EXPECT_EQ (log.take(), (std::vector<int>{ StatusIdle })); // the gate itself was taken

    std::atomic<int> executed{ 0 };
    for (int i = 0; i < 3; ++i)
        worker->enqueue (std::make_unique<CountingCommand> (executed));
    EXPECT_TRUE (log.take().empty()); // up to 10 waiting is quiet

    std::vector<double> seen;
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_NE (worker->dequeue(), nullptr);
        seen.push_back (progress.load());
    }
    EXPECT_EQ (seen, (std::vector<double>{ 1.0 / 3, 2.0 / 3, 1.0 }));
    EXPECT_EQ (log.take(), (std::vector<int>{ StatusIdle })); // taking the last one
    EXPECT_EQ (worker->dequeue(), nullptr);

    for (int i = 0; i < 12; ++i)
        worker->enqueue (std::make_unique<CountingCommand> (executed));
    EXPECT_EQ (log.take(), (std::vector<int>{ StatusBusy, StatusBusy })); // the 11th and 12th

    gate.openGate();
    for (int i = 0; i < 50 && executed < 12; ++i)
        log.pump();
    EXPECT_EQ (executed.load(), 12);
    // Two more taken while more than 10 waited, then quiet, then idle.
    EXPECT_EQ (log.take(), (std::vector<int>{ StatusBusy, StatusIdle }));
    EXPECT_EQ (worker->getPendingCount(), 0);
}

TEST_F (Worker, CommandsOfferedWhileDisconnectedAreDiscardedSilently)
{
    port.close (false);
    std::atomic<int> executed{ 0 };
    for (int i = 0; i < 20; ++i)
        worker->enqueue (std::make_unique<CountingCommand> (executed));
    EXPECT_TRUE (log.take().empty());
    EXPECT_EQ (worker->getPendingCount(), 0);
    EXPECT_EQ (executed.load(), 0);
}

// Stopping while a command waits on a silent processor: the worker returns
// after that command, and the rest are discarded unsent.
TEST_F (Worker, StopEndsAfterTheCommandInProgressAndDiscardsTheRest)
{
    worker->enqueue (std::make_unique<SilentCommand>());
    std::atomic<int> executed{ 0 };
    for (int i = 0; i < 200; ++i)
        worker->enqueue (std::make_unique<CountingCommand> (executed));
    EXPECT_EQ (peer.read (4, 2000).size(), 4u); // the silent command is on the line

    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (worker->stopThread (10000));
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 2500u);
    EXPECT_EQ (executed.load(), 0);
    EXPECT_EQ (worker->getPendingCount(), 200);
    worker = nullptr; // discards the rest
    EXPECT_EQ (executed.load(), 0);
}

TEST_F (Worker, FirmwareWaitsForQueuedCommandsAndOneImageAtATime)
{
    Gate gate;
    worker->enqueue (std::make_unique<GateCommand> (gate));
    gate.waitUntilEntered();

    auto image = std::make_unique<FirmwareImage>();
    image->bytes.assign (FirmwareImage::size, 0x5A);
    EXPECT_TRUE (worker->startFirmwareUpload (std::move (image)));
    EXPECT_TRUE (worker->isFirmwarePending());
    EXPECT_FALSE (worker->startFirmwareUpload (std::make_unique<FirmwareImage>()));

    std::atomic<int> executed{ 0 };
    worker->enqueue (std::make_unique<CountingCommand> (executed));
    gate.openGate();

    // The processor stays silent: the queued command goes first, then 0x9F.
    const auto first = peer.read (1, 3000);
    ASSERT_EQ (first.size(), 1u);
    EXPECT_EQ (first[0], 0x9F);
    EXPECT_EQ (executed.load(), 1);

    worker->signalThreadShouldExit();
    worker->notify();
    EXPECT_TRUE (worker->stopThread (2000)); // the upload notices the exit request at once
    log.pump();
    // Abandoned on the exit request, which is no failure of the processor.
    EXPECT_EQ (std::find (log.codes.begin(), log.codes.end(), StatusUploadFailed), log.codes.end());
    EXPECT_FALSE (worker->isFirmwarePending());
}
