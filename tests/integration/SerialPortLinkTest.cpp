// The serial link on real pseudo-terminals, with a test-driven far end.
#include "device/SerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace
{
using Bytes = std::vector<std::uint8_t>;

double msSince (juce::uint32 start)
{
    return (double) (juce::Time::getMillisecondCounter() - start);
}

struct OpenPort : ::testing::Test
{
    PtyPeer peer;
    SerialPort port;

    void SetUp() override
    {
        ASSERT_TRUE (peer.isOpen());
        juce::String error;
        ASSERT_TRUE (port.open (peer.path(), error)) << error;
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

// Whether the terminal refuses every other opener but root.
bool isExclusive (const std::string& path)
{
    const int fd = ::open (path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int exclusive = 0;
    const bool asked = fd >= 0 && ::ioctl (fd, TIOCGEXCL, &exclusive) == 0;
    if (fd >= 0)
        ::close (fd);
    return !asked || exclusive != 0; // an open refused outright counts as exclusive
}

// Keeps the thread it is delivered to from running until released (or 10 s
// pass): a transfer thread that gets no core for longer than close waits.
std::atomic<bool> stallEntered{ false };
std::atomic<bool> stallReleased{ false };

void stallThisThread (int)
{
    stallEntered = true;
    for (int step = 0; step < 1000 && !stallReleased; ++step)
    {
        const timespec pause{ 0, 10'000'000 };
        ::nanosleep (&pause, nullptr);
    }
}

double threadCpuMs()
{
    timespec t{};
    ::clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec * 1000.0 + (double) t.tv_nsec / 1e6;
}
} // namespace

TEST (SerialPortClosed, TransfersReportTheCountWithoutIoButVerifyFails)
{
    SerialPort port;
    std::uint8_t buffer[4] = { 1, 2, 3, 4 };
    EXPECT_EQ (port.write (buffer, 4, nullptr, 100), 4);
    EXPECT_EQ (port.read (buffer, 4, nullptr, 100), 4);
    EXPECT_EQ (buffer[0], 1); // untouched
    EXPECT_EQ (port.sendAndVerify (buffer, 4, nullptr, 100), 0);
    port.close (true); // harmless on a record that never opened
    EXPECT_FALSE (port.isConnected());
}

TEST (SerialPortOpen, MissingDeviceAndSecondOpenAreRefused)
{
    SerialPort port;
    juce::String error;
    EXPECT_FALSE (port.open ("/dev/does-not-exist-tavik", error));
    EXPECT_EQ (error, "Unable to open serial port");
    EXPECT_FALSE (port.isConnected());

    PtyPeer peer;
    ASSERT_TRUE (port.open (peer.path(), error)) << error;
    EXPECT_EQ (port.getPortName(), juce::String (peer.path()));

    SerialPort second;
    error.clear();
    EXPECT_FALSE (second.open (peer.path(), error));
    EXPECT_EQ (error, "Unable to open serial port");

    EXPECT_TRUE (isExclusive (peer.path()));

    // Closing releases the port for the next program, whoever runs it, even
    // though the far end still holds the terminal.
    port.close (false);
    EXPECT_FALSE (isExclusive (peer.path()));
    EXPECT_TRUE (second.open (peer.path(), error)) << error;
}

TEST_F (OpenPort, VerifiedSendSucceedsOnlyOnAnExactEcho)
{
    const Bytes command{ 0xA1, 0x00, 0x0A, 0x18 };
    std::thread echo ([&] { peer.write (peer.read (4, 2000)); });
    EXPECT_EQ (port.sendAndVerify (command.data(), 4, nullptr, 2000), 4);
    echo.join();

    std::thread wrong (
        [&]
        {
            auto got = peer.read (4, 2000);
            got[3] ^= 1;
            peer.write (got);
        });
    EXPECT_EQ (port.sendAndVerify (command.data(), 4, nullptr, 2000), 0);
    wrong.join();
    EXPECT_TRUE (port.isConnected()); // a failed transfer never closes the port
}

TEST_F (OpenPort, GoodbyeByteIsSentOnlyWhenAsked)
{
    port.close (false);
    EXPECT_TRUE (peer.read (1, 300).empty());

    juce::String error;
    ASSERT_TRUE (port.open (peer.path(), error));
    port.close (true);
    EXPECT_EQ (peer.read (1, 1000), Bytes{ 0x99 });
    EXPECT_EQ (port.getPortName(), juce::String());
    EXPECT_EQ (port.getFirmwareVersion(), 0);
}

TEST_F (OpenPort, TimeOutsAreObservedInStepsOfAtMost100ms)
{
    std::uint8_t buffer[4]{};
    for (int timeout : { 0, 100, 250 })
    {
        const auto start = juce::Time::getMillisecondCounter();
        EXPECT_EQ (port.read (buffer, 4, nullptr, timeout), 0);
        const double took = msSince (start);
        EXPECT_GE (took, timeout - 5);
        EXPECT_LT (took, timeout + 150) << "time-out " << timeout;
    }
}

TEST_F (OpenPort, ShortAnswerIsAFailure)
{
    std::uint8_t buffer[4]{};
    peer.write ({ 1, 2 });
    EXPECT_EQ (port.read (buffer, 4, nullptr, 200), 0);
}

TEST_F (OpenPort, WorkerExitRequestCancelsATransferAtOnce)
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
    EXPECT_EQ (result.load(), 0);
    EXPECT_LT (took.load(), 150 + 250);
}

// Closing while the worker is inside a transfer must make that transfer fail
// without it touching a released handle; run many times so a race shows.
TEST_F (OpenPort, CloseDuringTransfersManyTimes)
{
    juce::String error;
    for (int round = 0; round < 150; ++round)
    {
        if (!port.isConnected())
        {
            ASSERT_TRUE (port.open (peer.path(), error)) << error;
        }

        std::atomic<bool> stop{ false };
        std::atomic<int> transfers{ 0 };
        std::thread worker (
            [&]
            {
                const Bytes command{ 0xA4, 0x00, 0x13, 0x1C };
                while (!stop)
                {
                    std::uint8_t buffer[32];
                    if (transfers % 2 == 0)
                        port.sendAndVerify (command.data(), 4, nullptr, 10000);
                    else
                        port.read (buffer, 32, nullptr, 10000);
                    ++transfers;
                }
            });
        juce::Thread::sleep (round % 5);
        const auto start = juce::Time::getMillisecondCounter();
        port.close (round % 2 == 0);
        EXPECT_LT (msSince (start), 1000.0);
        stop = true;
        worker.join();
        // Whatever the worker and the goodbye left at the far end, so that
        // the pseudo-terminal's buffer never fills over the rounds.
        while (!peer.read (4096, 10).empty())
        {
        }
    }
}

// A transfer that gets a core again only after close gave up waiting for it
// must still fail at once, without spinning, and let go of the port.
TEST_F (OpenPort, TransferOutlivingCloseFailsAtOnceAndReleasesThePort)
{
    struct sigaction stall
    {
    };
    struct sigaction previous
    {
    };
    stall.sa_handler = stallThisThread;
    sigemptyset (&stall.sa_mask);
    ASSERT_EQ (::sigaction (SIGUSR2, &stall, &previous), 0);
    stallEntered = false;
    stallReleased = false;

    std::atomic<int> result{ -1 };
    std::atomic<double> cpuMs{ -1 };
    std::thread reader (
        [&]
        {
            std::uint8_t buffer[32];
            const double before = threadCpuMs();
            result = port.read (buffer, 32, nullptr, 10000);
            cpuMs = threadCpuMs() - before;
        });
    juce::Thread::sleep (200); // inside its wait by now
    ::pthread_kill (reader.native_handle(), SIGUSR2);
    for (int waited = 0; !stallEntered && waited < 2000; ++waited)
        juce::Thread::sleep (1);
    EXPECT_TRUE (stallEntered.load());

    port.close (false);
    stallReleased = true;

    // Reconnecting works as soon as the stale transfer had a moment to run.
    SerialPort next;
    juce::String error;
    const auto start = juce::Time::getMillisecondCounter();
    while (!next.open (peer.path(), error) && msSince (start) < 1500)
        juce::Thread::sleep (20);
    EXPECT_TRUE (next.isConnected()) << error;

    reader.join();
    ::sigaction (SIGUSR2, &previous, nullptr);
    EXPECT_EQ (result.load(), 0);
    EXPECT_LT (cpuMs.load(), 300.0);
}

// One late echo costs its own command and at most the next; the one after
// that goes through, because stale bytes are discarded before each send.
TEST_F (OpenPort, LateEchoDoesNotPutLaterEchoesOutOfStep)
{
    const Bytes first{ 0xA0, 0x00, 0x00, 0x18 };
    const Bytes second{ 0xA0, 0x00, 0x04, 0x18 };
    const Bytes third{ 0xA0, 0x00, 0x03, 0x2F };

    std::thread processor (
        [&]
        {
            auto a = peer.read (4, 2000);
            juce::Thread::sleep (400); // answers after the sender gave up
            peer.write (a);
            auto b = peer.read (4, 2000);
            peer.write (b);
            auto c = peer.read (4, 2000);
            peer.write (c);
        });
    EXPECT_EQ (port.sendAndVerify (first.data(), 4, nullptr, 200), 0);
    juce::Thread::sleep (300); // the late echo is now waiting in the buffer
    port.sendAndVerify (second.data(), 4, nullptr, 1000);
    EXPECT_EQ (port.sendAndVerify (third.data(), 4, nullptr, 1000), 4);
    processor.join();
}
