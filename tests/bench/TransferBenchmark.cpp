// The two long sequences through the real worker against the simulated
// processor on a paced 57600-baud line: a whole read-back, and a share of a
// firmware upload (with the program's 1 ms pause after each byte) taken to
// 65536 bytes. Each figure is printed beside what the line and the pauses
// alone need.
#include "device/HwThread.h"
#include "device/Protocol.h"
#include "device/SerialPort.h"
#include "device/SyncToHardwareCommand.h"
#include "engine/SimulatedProcessor.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cstdio>

namespace
{
constexpr double bitsPerByte = 10.0; // 8N1: start bit, 8 data bits, stop bit
constexpr double baud = 57600.0;

// Requests, echoes and answers: 9 × (4 + 4 + 32), then 0x94 (1 + 1 + 6), 0x98 (1 + 1 + 1).
constexpr int readBackLineBytes =
    ReadBackBuffer::blockCount * (2 * Protocol::messageSize + Protocol::channelBlockSize) +
    (2 + Protocol::routingAnswerLength) + (2 + Protocol::muteAnswerLength);

using Clock = std::chrono::steady_clock;

double seconds (Clock::duration d)
{
    return std::chrono::duration<double> (d).count();
}

double readBackOnce (HwThread& worker)
{
    bool applied = false;
    const auto start = Clock::now();
    worker.enqueue (std::make_unique<SyncToHardwareCommand> ([&] (const ReadBackBuffer&) { applied = true; }));
    const auto deadline = start + std::chrono::seconds (30);
    while (!applied && Clock::now() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    return applied ? seconds (Clock::now() - start) : -1.0;
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? juce::jmax (1, juce::String (argv[1]).getIntValue()) : 3;
    const int uploadShare =
        argc > 2 ? juce::jlimit (100, FirmwareImage::size, juce::String (argv[2]).getIntValue()) : 3000;
    juce::ScopedJuceInitialiser_GUI juce;

    taviksim::SimulatorOptions options;
    options.logProblems = false;
    options.line.pace = true;
    options.line.baud = (int) baud;
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
    HwThread worker (port, status, progress); // the program's 1 ms pause after each firmware byte

    const double readBackLimit = readBackLineBytes * bitsPerByte / baud;
    std::printf ("read-back (SYNC TO HARDWARE), paced line at %.0f baud 8N1\n", baud);
    for (int run = 1; run <= runs; ++run)
    {
        const double measured = readBackOnce (worker);
        if (measured < 0)
        {
            std::fprintf (stderr, "run %d: the read-back was not applied\n", run);
            return 1;
        }
        std::printf ("run %d: %d line bytes in %.3f s; the line alone needs %.3f s (%.0f%% of measured)\n", run,
                     readBackLineBytes, measured, readBackLimit, 100.0 * readBackLimit / measured);
    }

    auto image = std::make_unique<FirmwareImage>();
    image->bytes.resize (FirmwareImage::size);
    for (size_t i = 0; i < image->bytes.size(); ++i)
        image->bytes[i] = std::uint8_t (i * 31);
    const auto before = sim.messageCount();
    if (!worker.startFirmwareUpload (std::move (image)))
    {
        std::fprintf (stderr, "the upload was refused\n");
        return 1;
    }
    // Timed from the first byte's arrival, so the 0x9F exchange stays out of the share.
    if (!sim.waitForMessages (before + 2, std::chrono::seconds (60)))
    {
        std::fprintf (stderr, "the upload did not start\n");
        return 1;
    }
    const auto start = Clock::now();
    if (!sim.waitForMessages (before + 2 + (std::uint64_t) uploadShare, std::chrono::seconds (600)))
    {
        std::fprintf (stderr, "the upload stalled\n");
        return 1;
    }
    const double perByte = seconds (Clock::now() - start) / uploadShare;
    worker.stopThread (10000);

    const double byteLimit = 2 * bitsPerByte / baud + 0.001; // the byte, its echo and the pause
    std::printf ("firmware upload: %d bytes measured, %.3f ms per byte; 65536 bytes take about %.1f s;"
                 " the line and the pauses alone need %.1f s (%.0f%% of measured)\n",
                 uploadShare, 1000.0 * perByte, perByte * FirmwareImage::size, byteLimit * FirmwareImage::size,
                 100.0 * byteLimit / perByte);

    port.close (false);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    return 0;
}
