#include "device/FirmwareImage.h"

#include "device/Protocol.h"
#include "device/SerialPort.h"

UploadResult uploadFirmware (const FirmwareImage& image, SerialPort& port, juce::Thread& worker,
                             std::atomic<double>& progress)
{
    const std::uint8_t begin = Protocol::beginFirmwareUploadOpcode;
    if (port.sendAndVerify (&begin, 1, &worker, Protocol::beginFirmwareUploadTimeoutMs) != 1)
        return UploadResult::failed;

    for (auto byte : image.bytes)
    {
        // A transfer given up on the exit request counts as failed too; only an
        // exit noticed between two verified bytes ends without an outcome.
        if (port.sendAndVerify (&byte, 1, &worker, Protocol::firmwareByteTimeoutMs) != 1)
            return UploadResult::failed;
        if (worker.threadShouldExit())
            return UploadResult::cancelled;
        juce::Thread::sleep (1);
        progress = progress + 1.0 / FirmwareImage::size;
    }
    return UploadResult::completed;
}
