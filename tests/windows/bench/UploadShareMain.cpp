// A firmware upload's share through the real worker and the Windows serial
// layer, for a Windows build run under Wine against tavik-sim --pace on a
// mapped COM port (tests/bench/upload-wine.sh): bytes 10 to 10 + N timed by
// the worker's progress and taken to 65536 bytes, beside what the line and
// the 1 ms pauses alone need. The Linux figure comes from tests/bench.
//   tavik_upload_share.exe COMn [N]
#include "device/FirmwareImage.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf (stderr, "usage: tavik_upload_share COMn [bytes]\n");
        return 2;
    }
    const int share = argc > 2 ? juce::jlimit (100, FirmwareImage::size - 10, std::atoi (argv[2])) : 2000;
    juce::ScopedJuceInitialiser_GUI juce;

    SerialPort port;
    juce::String error;
    if (!port.open (argv[1], error))
    {
        std::fprintf (stderr, "%s: %s\n", argv[1], error.toRawUTF8());
        return 1;
    }
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    HwThread worker (port, status, progress);

    auto image = std::make_unique<FirmwareImage>();
    image->bytes.resize (FirmwareImage::size);
    for (size_t i = 0; i < image->bytes.size(); ++i)
        image->bytes[i] = std::uint8_t (i * 31);
    if (!worker.startFirmwareUpload (std::move (image)))
        return 1;

    using Clock = std::chrono::steady_clock;
    const auto reached = [&] (int bytes)
    {
        const auto deadline = Clock::now() + std::chrono::seconds (30) + std::chrono::milliseconds (4 * bytes);
        while (progress.load() * FirmwareImage::size < bytes - 0.5 && Clock::now() < deadline)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        return progress.load() * FirmwareImage::size >= bytes - 0.5;
    };
    if (!reached (10))
    {
        std::fprintf (stderr, "the upload did not start\n");
        return 1;
    }
    const auto start = Clock::now();
    if (!reached (10 + share))
    {
        std::fprintf (stderr, "the upload stalled\n");
        return 1;
    }
    const double perByte = std::chrono::duration<double> (Clock::now() - start).count() / share;
    worker.stopThread (10000);
    port.close (false);

    const double limitPerByte = 2 * 10.0 / 57600.0 + 0.001; // the byte, its echo and the pause
    std::printf ("firmware upload under Wine: bytes 10 to %d measured, taken to 65536 bytes\n", 10 + share);
    std::printf ("%-66s %10.4f s  limit %10.4f s  ratio %.3f\n", "firmware upload, 65536 bytes (extrapolated)",
                 perByte * FirmwareImage::size, limitPerByte * FirmwareImage::size, perByte / limitPerByte);
    return 0;
}
