// The two long sequences through the real record, worker and port against
// tavik-sim on a paced 57600-baud line: SYNC TO HARDWARE until the record
// holds what was read, and a share of a firmware upload (with the program's
// 1 ms pause after each byte) taken to 65536 bytes. Each figure is printed
// beside what the line and the pauses alone need, with the message
// thread's largest stall meanwhile.
#include "ProgramBench.h"

#include "device/Protocol.h"
#include "device/SyncToHardwareCommand.h"

#include <cstdlib>
#include <thread>

namespace
{
// Requests, echoes and answers: 9 × (4 + 4 + 32), then 0x94 (1 + 1 + 6), 0x98 (1 + 1 + 1).
constexpr int readBackLineBytes =
    ReadBackBuffer::blockCount * (2 * Protocol::messageSize + Protocol::channelBlockSize) +
    (2 + Protocol::routingAnswerLength) + (2 + Protocol::muteAnswerLength);

// The moment the record holds the read-back, as Connection::applyReadBack stores it.
double readBackOnce (bench::Program& program, double& stall)
{
    std::atomic<bench::Clock::rep> applied{ 0 };
    bench::StallWatch watch;
    watch.begin();
    const auto start = bench::Clock::now();
    program.worker.enqueue (std::make_unique<SyncToHardwareCommand> (
        [&] (const ReadBackBuffer& read)
        {
            auto& state = program.state;
            for (int input = 0; input < Input2EQState::channelCount; ++input)
                state.input2EQState.applyReadBack (input, read.blocks[(size_t) input]);
            for (int output = 0; output < OutputEQState::outputCount; ++output)
            {
                state.outputEQState.applyReadBack (output,
                                                   read.blocks[(size_t) (Input2EQState::channelCount + output)]);
                state.routerState.applyReadBack (output, read.routing[(size_t) output]);
            }
            state.muteState.applyReadBack (read.mute);
            applied = bench::Clock::now().time_since_epoch().count();
        }));
    const auto end = bench::waitForMarker (applied);
    stall = std::max (stall, watch.end());
    return end ? bench::seconds (*end - start) : -1.0;
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? std::max (1, std::atoi (argv[1])) : 5;
    const int share = argc > 2 ? std::clamp (std::atoi (argv[2]), 100, FirmwareImage::size - 10) : 3000;
    juce::ScopedJuceInitialiser_GUI juce;

    bench::SimProcess sim ({ "--pace" });
    bench::Program program;
    juce::String error;
    if (!sim.ok() || !program.port.open (sim.path(), error))
    {
        std::fprintf (stderr, "no simulator to measure against %s\n", error.toRawUTF8());
        return 1;
    }

    std::printf ("SYNC TO HARDWARE and firmware upload, tavik-sim --pace, 57600 baud 8N1\n");
    double total = 0.0;
    double stall = 0.0;
    for (int run = 0; run < runs; ++run)
    {
        const double took = readBackOnce (program, stall);
        if (took < 0)
        {
            std::fprintf (stderr, "run %d: the read-back was not applied\n", run + 1);
            return 1;
        }
        std::printf ("run %d: %.4f s\n", run + 1, took);
        total += took;
    }
    bench::printFigure ("SYNC TO HARDWARE until the record is applied (mean)", total / runs,
                        bench::lineSeconds (readBackLineBytes));
    bench::printFigure ("message thread's largest stall during a read-back", stall, 0.020, "ms", 1000.0);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    // The yardstick for the upload, on the same simulator: the minimal client
    // with the same share. The simulator gives up the unfinished upload after
    // two quiet seconds, before the program's 0x9F.
    program.port.close (false);
    const double clientShare = bench::MinimalClient (sim.path()).uploadShare (share);
    std::this_thread::sleep_for (std::chrono::milliseconds (2200));
    if (clientShare < 0 || !program.port.open (sim.path(), error))
    {
        std::fprintf (stderr, "the minimal client's upload failed %s\n", error.toRawUTF8());
        return 1;
    }

    // Timed by the progress the worker reports after each byte's pause, from
    // the 10th byte on, so the 0x9F exchange stays out of the share.
    auto image = std::make_unique<FirmwareImage>();
    image->bytes.resize (FirmwareImage::size);
    for (size_t i = 0; i < image->bytes.size(); ++i)
        image->bytes[i] = std::uint8_t (i * 31);
    if (!program.worker.startFirmwareUpload (std::move (image)))
    {
        std::fprintf (stderr, "the upload was refused\n");
        return 1;
    }
    const auto bytesDone = [&] { return program.progress.load() * FirmwareImage::size; };
    const auto waitFor = [&] (double bytes)
    {
        const auto deadline = bench::Clock::now() + std::chrono::seconds (60) + std::chrono::milliseconds (3 * share);
        while (bytesDone() < bytes - 0.5 && bench::Clock::now() < deadline)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        return bytesDone() >= bytes - 0.5;
    };
    if (!waitFor (10))
    {
        std::fprintf (stderr, "the upload did not start\n");
        return 1;
    }
    const auto start = bench::Clock::now();
    bench::StallWatch watch;
    watch.begin();
    const auto shareDone = [&] { return bytesDone() >= 10 + share - 0.5; };
    while (!shareDone() && bench::seconds (bench::Clock::now() - start) < 60.0 + 0.003 * share)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    const auto end = bench::Clock::now();
    const double uploadStall = watch.end();
    if (!shareDone())
    {
        std::fprintf (stderr, "the upload stalled\n");
        return 1;
    }
    program.worker.stopThread (10000); // the rest is not measured
    const double perByte = bench::seconds (end - start) / share;
    const double limitPerByte = bench::lineSeconds (2) + 0.001; // the byte, its echo and the pause
    std::printf ("firmware upload: bytes 10 to %d measured, taken to 65536 bytes\n", 10 + share);
    bench::printFigure ("firmware upload, 65536 bytes (extrapolated)", perByte * FirmwareImage::size,
                        limitPerByte * FirmwareImage::size);
    bench::printFigure ("  against the minimal client's same share", perByte * share, clientShare);
    bench::printFigure ("minimal client's upload, 65536 bytes (extrapolated)",
                        clientShare / share * FirmwareImage::size, limitPerByte * FirmwareImage::size);
    bench::printFigure ("message thread's largest stall during an upload", uploadStall, 0.020, "ms", 1000.0);
    return 0;
}
