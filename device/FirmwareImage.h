#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <cstdint>
#include <vector>

class SerialPort;

// A checked firmware image, owned by the worker from the hand-over until the
// upload ends.
struct FirmwareImage
{
    static constexpr int size = 65536; // bytes of every image

    juce::String version;
    std::vector<std::uint8_t> bytes;               // exactly size bytes
    std::atomic<double>* progressTarget = nullptr; // advanced by 1/size per byte sent
};

enum class UploadResult
{
    completed,
    failed,
    cancelled
};

// Sends the image one echo-verified byte at a time, pausing bytePauseMs after
// each; progress (the image's target, if any) starts at 0 and advances by
// 1/65536 per byte. The worker thread is the cancel source of every
// transfer: once it is asked to exit, or the port is closed, the upload ends
// as cancelled, whichever transfer noticed it.
UploadResult uploadFirmware (const FirmwareImage& image, SerialPort& port, juce::Thread& worker, int bytePauseMs);
