#include "device/FirmwareImage.h"

#include "device/Protocol.h"
#include "device/SerialPort.h"
#include "device/TimerResolution.h"

UploadResult uploadFirmware (const FirmwareImage& image, SerialPort& port, juce::Thread& worker, int bytePauseMs)
{
    // A transfer given up on the exit request, or because the user let go of
    // the connection, is no failure of the processor.
    const auto session = port.getSession();
    const auto failedOrCancelled = [&]
    {
        const bool abandoned = worker.threadShouldExit() || !port.isConnected() || port.getSession() != session;
        return abandoned ? UploadResult::cancelled : UploadResult::failed;
    };

    // Commands sent since the hand-over moved the progress on; the upload starts afresh.
    if (image.progressTarget != nullptr)
        *image.progressTarget = 0.0;

    const std::uint8_t begin = Protocol::beginFirmwareUploadOpcode;
    if (port.sendAndVerify (&begin, 1, &worker, Protocol::beginFirmwareUploadTimeoutMs) != 1)
        return failedOrCancelled();

    // Without this a 1 ms sleep lasts a whole scheduler tick (about 15 ms) on Windows.
    const ScopedTimerResolution fineSleeps;
    for (auto byte : image.bytes)
    {
        if (port.sendAndVerify (&byte, 1, &worker, Protocol::firmwareByteTimeoutMs) != 1)
            return failedOrCancelled();
        if (worker.threadShouldExit())
            return UploadResult::cancelled;
        if (bytePauseMs > 0)
            fineSleeps.pause (bytePauseMs);
        if (image.progressTarget != nullptr)
            *image.progressTarget = *image.progressTarget + 1.0 / FirmwareImage::size;
    }
    return UploadResult::completed;
}
