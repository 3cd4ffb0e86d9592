// The worker's long sequences against the simulated processor on a real
// pseudo-terminal: the firmware upload and the read-back.
#include "common/Status.h"
#include "device/Commands.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "device/SyncToHardwareCommand.h"
#include "engine/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{
using namespace std::chrono_literals;
using taviksim::Fault;
using taviksim::FaultKind;

bool contains (const std::vector<int>& codes, int code)
{
    return std::find (codes.begin(), codes.end(), code) != codes.end();
}

std::vector<std::uint8_t> testImage()
{
    std::vector<std::uint8_t> bytes (FirmwareImage::size);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t ((i * 7) ^ (i >> 8));
    return bytes;
}

// Memory unlike the power-on state in every byte a read-back returns.
taviksim::Memory distinctMemory()
{
    auto memory = taviksim::Memory::powerOn();
    for (size_t b = 0; b < memory.blocks.size(); ++b)
        for (size_t i = 0; i < memory.blocks[b].size(); ++i)
            memory.blocks[b][i] = std::uint8_t (b * 29 + i * 7 + 3);
    memory.mute = 0x2A;
    return memory;
}

// The worker on a fresh simulator; firmware bytes follow each other without a pause.
struct WorkerTransfer : ::testing::Test
{
    taviksim::Memory initialMemory = distinctMemory();
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    std::vector<int> codes;
    std::unique_ptr<HwThread> worker;

    struct Listener : juce::ActionListener
    {
        std::vector<int>& codes;
        explicit Listener (std::vector<int>& c)
            : codes (c)
        {
        }
        void actionListenerCallback (const juce::String& m) override { codes.push_back (statusFromMessage (m)); }
    } listener{ codes };

    void SetUp() override
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        options.engine.initialMemory = initialMemory;
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        ASSERT_TRUE (sim->start()) << sim->error();
        status.addActionListener (&listener);
        juce::String error;
        ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;
        worker = std::make_unique<HwThread> (port, status, progress, 0);
    }

    void TearDown() override
    {
        worker = nullptr;
        port.close (false);
        pump (20);
        status.removeActionListener (&listener);
    }

    static void pump (int ms) { juce::MessageManager::getInstance()->runDispatchLoopUntil (ms); }

    // Delivers status codes until done() holds; false after timeoutMs.
    template <typename Done>
    bool pumpUntil (Done done, int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
        while (!done())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;
            pump (5);
        }
        return true;
    }

    // The processor's message count once it has stayed put for a while.
    std::uint64_t settledMessageCount()
    {
        std::uint64_t count;
        do
        {
            count = sim->messageCount();
            std::this_thread::sleep_for (300ms);
        } while (count != sim->messageCount());
        return count;
    }

    std::unique_ptr<FirmwareImage> image (std::vector<std::uint8_t> bytes)
    {
        auto result = std::make_unique<FirmwareImage>();
        result->bytes = std::move (bytes);
        return result;
    }
};

// Keeps the worker inside one command until released.
struct HoldCommand : HardwareCommand
{
    std::atomic<bool>& entered;
    std::atomic<bool>& release;
    HoldCommand (std::atomic<bool>& e, std::atomic<bool>& r)
        : entered (e)
        , release (r)
    {
    }
    void execute (WorkerContext&) override
    {
        entered = true;
        while (!release)
            std::this_thread::sleep_for (1ms);
    }
};
} // namespace

TEST_F (WorkerTransfer, UploadsAWholeImageByteForByteFromProgressZero)
{
    auto shortImage = testImage();
    shortImage.pop_back();
    EXPECT_FALSE (worker->startFirmwareUpload (image (shortImage)));
    EXPECT_FALSE (worker->isFirmwarePending());

    // Handed over while a command holds the worker: progress restarts at 0.
    std::atomic<bool> entered{ false }, release{ false };
    worker->enqueue (std::make_unique<HoldCommand> (entered, release));
    while (!entered)
        std::this_thread::sleep_for (1ms);
    progress = 0.75;
    ASSERT_TRUE (worker->startFirmwareUpload (image (testImage())));
    EXPECT_EQ (progress.load(), 0.0);
    release = true;

    ASSERT_TRUE (pumpUntil ([&] { return contains (codes, StatusUploadComplete); }, 300000));
    EXPECT_FALSE (contains (codes, StatusUploadFailed));
    EXPECT_EQ (progress.load(), 1.0);
    EXPECT_FALSE (worker->isFirmwarePending());
    const auto memory = sim->memory();
    EXPECT_EQ (memory.firmwareUploads, 1);
    EXPECT_TRUE (memory.firmwareComplete);
    EXPECT_TRUE (memory.firmware == testImage()); // not EXPECT_EQ: 65536 bytes in a failure message
}

TEST_F (WorkerTransfer, AnEchoFailureStopsTheUploadAtThatByte)
{
    constexpr std::uint64_t failingByte = 1000;
    sim->addFault (Fault{ FaultKind::CorruptAnswer, 1 + failingByte, 0 }); // message 1 is 0x9F
    ASSERT_TRUE (worker->startFirmwareUpload (image (testImage())));

    ASSERT_TRUE (pumpUntil ([&] { return contains (codes, StatusUploadFailed); }, 60000));
    EXPECT_FALSE (contains (codes, StatusUploadComplete));
    EXPECT_EQ (settledMessageCount(), 1 + failingByte); // nothing sent after it
    EXPECT_EQ (sim->memory().firmware.size(), failingByte);
    EXPECT_EQ (progress.load(), double (failingByte - 1) / FirmwareImage::size);
    EXPECT_FALSE (worker->isFirmwarePending());
}

TEST_F (WorkerTransfer, AnExitRequestEndsTheUploadWithoutAnOutcome)
{
    ASSERT_TRUE (worker->startFirmwareUpload (image (testImage())));
    ASSERT_TRUE (sim->waitForMessages (500, 30000ms));

    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (worker->stopThread (10000));
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 2000u); // not the stop's 10 s time-out
    pump (50);
    EXPECT_FALSE (contains (codes, StatusUploadFailed));
    EXPECT_FALSE (contains (codes, StatusUploadComplete));
    EXPECT_LT (settledMessageCount(), 1u + FirmwareImage::size);
    EXPECT_FALSE (worker->isFirmwarePending());
}

TEST_F (WorkerTransfer, ReadsBackEveryBlockTheRoutingAndTheMutesOverTheWire)
{
    bool applied = false;
    ReadBackBuffer read;
    worker->enqueue (std::make_unique<SyncToHardwareCommand> (
        [&] (const ReadBackBuffer& r)
        {
            read = r;
            applied = true;
        }));
    ASSERT_TRUE (pumpUntil ([&] { return applied && contains (codes, StatusIdle); }, 20000));

    for (int b = 0; b < ReadBackBuffer::blockCount; ++b)
        EXPECT_TRUE (read.blocks[size_t (b)] == initialMemory.blocks[size_t (b)]) << "block " << b;
    for (int o = 0; o < 6; ++o)
        EXPECT_EQ (read.routing[size_t (o)], initialMemory.output (o)[0x15]) << o;
    EXPECT_EQ (read.mute, 0x2A);
    EXPECT_NEAR (progress.load(), 1.0, 1e-9);
    // Busy at its start and idle only at its end: never idle while it runs.
    EXPECT_EQ (codes, (std::vector<int>{ StatusBusy, StatusIdle }));

    const auto transcript = sim->transcript();
    const std::vector<int> requests = { 0xD0, 0xD1, 0xD2, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0x94, 0x98 };
    ASSERT_EQ (transcript.size(), requests.size());
    for (size_t i = 0; i < requests.size(); ++i)
        EXPECT_EQ (transcript[i].bytes[0], requests[i]) << i;
}

TEST_F (WorkerTransfer, AReadBackOnAPortThatClosesAppliesNothing)
{
    // Closed while the answer to the fifth request is held back.
    bool applied = false;
    sim->addFault (Fault{ FaultKind::DelayAnswer, 5, 1500 });
    worker->enqueue (std::make_unique<SyncToHardwareCommand> ([&] (const ReadBackBuffer&) { applied = true; }));
    ASSERT_TRUE (sim->waitForMessages (5, 10000ms));
    port.close (false);
    ASSERT_TRUE (pumpUntil ([&] { return contains (codes, StatusIdle); }, 10000));
    pump (100);
    EXPECT_FALSE (applied);
    EXPECT_EQ (sim->messageCount(), 5u);

    // Queued while connected, executed after the close: everything drains without I/O.
    juce::String error;
    ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;
    std::atomic<bool> entered{ false }, release{ false };
    worker->enqueue (std::make_unique<HoldCommand> (entered, release));
    for (int i = 0; i < 20; ++i)
        worker->enqueue (std::make_unique<Input2EQGainChange> (i % 3, -1.0 * i));
    worker->enqueue (std::make_unique<SyncToHardwareCommand> ([&] (const ReadBackBuffer&) { applied = true; }));
    while (!entered)
        std::this_thread::sleep_for (1ms);
    port.close (false);
    codes.clear();
    release = true;
    ASSERT_TRUE (pumpUntil ([&] { return worker->getPendingCount() == 0 && contains (codes, StatusIdle); }, 10000));
    pump (100);
    EXPECT_FALSE (applied);
    EXPECT_EQ (settledMessageCount(), 5u);
}

TEST_F (WorkerTransfer, AnExitRequestEndsAReadBackInTransferAtOnce)
{
    bool applied = false;
    sim->addFault (Fault{ FaultKind::DelayAnswer, 3, 8000 });
    worker->enqueue (std::make_unique<SyncToHardwareCommand> ([&] (const ReadBackBuffer&) { applied = true; }));
    ASSERT_TRUE (sim->waitForMessages (3, 10000ms));

    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (worker->stopThread (10000));
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 2000u); // not the stop's 10 s time-out
    pump (100);
    EXPECT_FALSE (applied);
    EXPECT_EQ (sim->messageCount(), 3u);
}
