#include "device/Protocol.h"
#include "device/SerialPort.h"

#include <cstring>

// Runs on the message thread right after open.
bool SerialPort::identify()
{
    using namespace Protocol;

    // Answers the processor sent while no one listened would be read as its name.
    discardInput();

    if (write (&identifyOpcode, 1, nullptr, identifyTimeoutMs) != 1)
        return false;

    std::uint8_t identity[identityLength + 1] = {};
    if (read (identity, identityLength, nullptr, identifyTimeoutMs) < identityLength)
        return false;
    if (std::memcmp (identity, identityText, identityLength) != 0)
        return false;

    if (write (&firmwareVersionOpcode, 1, nullptr, identifyTimeoutMs) != 1)
        return false;

    // Only the version depends on the answer: a missing or short one is not a failure.
    std::uint8_t answer[versionAnswerLength] = {};
    const int received = read (answer, versionAnswerLength, nullptr, versionReadTimeoutMs);
    if (const auto version = firmwareVersionFromAnswer (answer, received))
        setFirmwareVersion (*version);
    return true;
}
