// The Windows serial layer (overlapped I/O, DCB, cancellation) against the
// processor simulator, reached through a COM port that Wine maps to the
// simulator's pseudo-terminal. scripts/test-windows.sh sets the ports up:
//   TAVIK_TEST_COM_PORT       simulator answering normally, version "2.7e"
//   TAVIK_TEST_LATE_COM_PORT  simulator answering message 1 late (after the
//                             sender's deadline); only the late-echo test uses it
//   TAVIK_TEST_UNMAPPED_PORT  a COM name mapped to nothing
#include "device/Protocol.h"
#include "device/SerialPort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

namespace
{
using Bytes = std::vector<std::uint8_t>;

juce::String portFromEnvironment (const char* variable)
{
    const char* value = std::getenv (variable);
    return value != nullptr ? juce::String (value) : juce::String();
}

double msSince (juce::uint32 start)
{
    return (double) (juce::Time::getMillisecondCounter() - start);
}

struct SimulatorPort : ::testing::Test
{
    juce::String name = portFromEnvironment ("TAVIK_TEST_COM_PORT");
    SerialPort port;

    void SetUp() override
    {
        ASSERT_TRUE (name.isNotEmpty()) << "TAVIK_TEST_COM_PORT not set: run scripts/test-windows.sh";
        juce::String error;
        ASSERT_TRUE (port.open (name, error)) << name << ": " << error;
    }

    // The processor's 32-byte memory block of a channel, through the read-back request.
    Bytes readBlock (std::uint8_t channel)
    {
        const Bytes request{ std::uint8_t (Protocol::readBackSelector | channel), 0, 0, 0 };
        if (port.sendAndVerify (request.data(), 4, nullptr, 2000) != 4)
            return {};
        Bytes block (Protocol::channelBlockSize);
        if (port.read (block.data(), (int) block.size(), nullptr, 2000) != (int) block.size())
            return {};
        return block;
    }
};

// A thread whose only job is to be asked to exit.
struct IdleThread : juce::Thread
{
    IdleThread()
        : juce::Thread ("cancel source")
    {
    }
    void run() override
    {
        while (!threadShouldExit())
            wait (50);
    }
};
} // namespace

TEST_F (SimulatorPort, OpensAndIdentifiesWithTheFirmwareVersion)
{
    EXPECT_TRUE (port.isConnected());
    EXPECT_EQ (port.getPortName(), name);
    ASSERT_TRUE (port.identify());
    // "2.7e": (2 - 0) * 1000000 + (7 - 0) * 1000 + ('e' - 'a').
    EXPECT_EQ (port.getFirmwareVersion(), 2007004);

    // The port can be closed and opened again at once by the same record.
    port.close (true);
    EXPECT_FALSE (port.isConnected());
    EXPECT_EQ (port.getFirmwareVersion(), 0);
    juce::String error;
    ASSERT_TRUE (port.open (name, error)) << error;
    EXPECT_TRUE (port.identify());
}

// Commands go out at 57600 8N1 and are echoed; the read-back shows that the
// processor stored exactly what was sent.
TEST_F (SimulatorPort, EchoVerifiedCommandsReachTheProcessor)
{
    const std::uint8_t output = 4 + 2; // output 3 on the wire
    const Bytes limiter{ std::uint8_t (Protocol::setParameterSelector | output), 0, Protocol::Address::limiterThreshold,
                         0x11 };
    const Bytes nameCharacter{ std::uint8_t (Protocol::setParameterSelector | output), 0,
                               Protocol::Address::nameCharacter (0), 'W' };
    const Bytes gain{ std::uint8_t (Protocol::setParameterSelector | output), 0, Protocol::Address::gain, 0x2A };

    for (const auto* command : { &limiter, &nameCharacter, &gain })
        EXPECT_EQ (port.sendAndVerify (command->data(), 4, nullptr, 2000), 4);

    const auto block = readBlock (output);
    ASSERT_EQ (block.size(), (size_t) Protocol::channelBlockSize);
    EXPECT_EQ (block[Protocol::Address::limiterThreshold], 0x11);
    EXPECT_EQ (block[Protocol::Address::nameCharacter (0)], 'W');
    EXPECT_EQ (block[Protocol::Address::gain], 0x2A);

    // Every byte value crosses the line unchanged (no parity, no flow-control
    // characters eaten, no CR/LF translation).
    for (int value : { 0x00, 0x0A, 0x0D, 0x11, 0x13, 0x7F, 0x80, 0xFF })
    {
        const Bytes command{ std::uint8_t (Protocol::setParameterSelector | output), 0,
                             Protocol::Address::nameCharacter (1), std::uint8_t (value) };
        EXPECT_EQ (port.sendAndVerify (command.data(), 4, nullptr, 2000), 4) << "value " << value;
        const auto stored = readBlock (output);
        ASSERT_EQ (stored.size(), (size_t) Protocol::channelBlockSize);
        EXPECT_EQ (stored[Protocol::Address::nameCharacter (1)], value);
    }
}

// The deadline is checked between waits of at most 100 ms: a read that gets
// nothing ends soon after its time-out, never much later. The times are
// printed for the notes; the bound only catches a wait that ignores them.
TEST_F (SimulatorPort, ReadTimesOutByItsDeadline)
{
    std::uint8_t buffer[4]{};
    for (int timeout : { 0, 100, 250, 1000 })
    {
        const auto start = juce::Time::getMillisecondCounter();
        EXPECT_EQ (port.read (buffer, 4, nullptr, timeout), 0);
        const double took = msSince (start);
        std::cout << "read time-out " << timeout << " ms took " << took << " ms\n";
        EXPECT_GE (took, timeout - 20) << "time-out " << timeout;
        EXPECT_LT (took, timeout + 1000) << "time-out " << timeout;
    }
    EXPECT_TRUE (port.isConnected()); // a time-out never closes the port
}

TEST_F (SimulatorPort, WorkerExitRequestCancelsATransfer)
{
    IdleThread worker;
    worker.startThread();
    std::atomic<int> result{ -1 };
    std::atomic<double> took{ 0 };
    std::thread reader (
        [&]
        {
            std::uint8_t buffer[32];
            const auto start = juce::Time::getMillisecondCounter();
            result = port.read (buffer, 32, &worker, 10000);
            took = msSince (start);
        });
    juce::Thread::sleep (150);
    worker.signalThreadShouldExit();
    reader.join();
    worker.stopThread (1000);
    std::cout << "cancelled after " << took.load() << " ms (exit asked at 150 ms)\n";
    EXPECT_EQ (result.load(), 0);
    EXPECT_LT (took.load(), 5000.0); // far below the 10000 ms deadline

    // The port is still usable: the cancelled read left nothing pending.
    const Bytes command{ 0xA4, 0x00, 0x13, 0x1C };
    EXPECT_EQ (port.sendAndVerify (command.data(), 4, nullptr, 2000), 4);
}

// Closing while another thread is inside a transfer makes that transfer fail
// without touching released handles; repeated so that a race shows.
TEST_F (SimulatorPort, CloseDuringTransfers)
{
    juce::String error;
    for (int round = 0; round < 40; ++round)
    {
        if (!port.isConnected())
        {
            ASSERT_TRUE (port.open (name, error)) << "round " << round << ": " << error;
        }

        std::atomic<bool> stop{ false };
        std::thread worker (
            [&]
            {
                const Bytes command{ 0xA4, 0x00, 0x13, 0x1C };
                for (int transfer = 0; !stop; ++transfer)
                {
                    std::uint8_t buffer[32];
                    if (transfer % 2 == 0)
                        port.sendAndVerify (command.data(), 4, nullptr, 10000);
                    else
                        port.read (buffer, 32, nullptr, 10000); // nothing comes: waits until closed
                }
            });
        juce::Thread::sleep (round % 7);
        const auto start = juce::Time::getMillisecondCounter();
        port.close (round % 2 == 0);
        EXPECT_LT (msSince (start), 5000.0) << "round " << round;
        EXPECT_FALSE (port.isConnected());
        stop = true;
        worker.join();
    }

    // Afterwards the line is still in step.
    ASSERT_TRUE (port.open (name, error)) << error;
    EXPECT_TRUE (port.identify());
}

TEST (SerialPortWin32, UnmappedPortIsRefusedAndLeavesTheRecordUsable)
{
    const auto unmapped = portFromEnvironment ("TAVIK_TEST_UNMAPPED_PORT");
    const auto mapped = portFromEnvironment ("TAVIK_TEST_COM_PORT");
    ASSERT_TRUE (unmapped.isNotEmpty() && mapped.isNotEmpty()) << "run scripts/test-windows.sh";

    SerialPort port;
    juce::String error;
    EXPECT_FALSE (port.open (unmapped, error));
    EXPECT_EQ (error, "Unable to open serial port");
    EXPECT_FALSE (port.isConnected());
    EXPECT_EQ (port.getPortName(), juce::String());

    error.clear();
    ASSERT_TRUE (port.open (mapped, error)) << error;
    EXPECT_TRUE (port.identify());
}

// The simulator on this port answers message 1 late. The late echo waits in
// the input buffer; it may cost the next command, but the one after that
// must go through, because stale input is dropped before each send.
TEST (SerialPortWin32, LateEchoDoesNotPutLaterEchoesOutOfStep)
{
    const auto name = portFromEnvironment ("TAVIK_TEST_LATE_COM_PORT");
    ASSERT_TRUE (name.isNotEmpty()) << "TAVIK_TEST_LATE_COM_PORT not set: run scripts/test-windows.sh";

    SerialPort port;
    juce::String error;
    ASSERT_TRUE (port.open (name, error)) << error;

    const Bytes first{ 0xA0, 0x00, 0x00, 0x18 };
    const Bytes second{ 0xA0, 0x00, 0x04, 0x18 };
    const Bytes third{ 0xA0, 0x00, 0x03, 0x2F };
    EXPECT_EQ (port.sendAndVerify (first.data(), 4, nullptr, 200), 0);
    juce::Thread::sleep (900); // the late echo has now arrived
    port.sendAndVerify (second.data(), 4, nullptr, 1000);
    EXPECT_EQ (port.sendAndVerify (third.data(), 4, nullptr, 1000), 4);
    const Bytes fourth{ 0xA0, 0x00, 0x05, 0x01 };
    EXPECT_EQ (port.sendAndVerify (fourth.data(), 4, nullptr, 1000), 4);
}
