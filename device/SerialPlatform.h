#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// The operating-system side of one open serial port. One implementation per
// system (SerialPlatformPosix.cpp, SerialPlatformWin32.cpp); the build picks it.
class SerialPlatformPort
{
public:
    virtual ~SerialPlatformPort() = default;

    // Asked between waits of at most 100 ms; true ends the transfer with 0.
    using StopCheck = std::function<bool()>;

    // Bytes transferred; fewer than count (usually 0) on error, deadline, stop
    // or interrupt. Nothing touches the caller's buffer after these return.
    virtual int write (const std::uint8_t* bytes, int count, int timeoutMs, const StopCheck& shouldStop) = 0;
    virtual int read (std::uint8_t* buffer, int count, int timeoutMs, const StopCheck& shouldStop) = 0;

    // Throws away whatever has been received and not read yet.
    virtual void discardInput() = 0;

    // For closing: ends every transfer in progress at once, and every later
    // one fails at once too (0), whatever shouldStop says.
    // Safe to call from another thread while a transfer runs.
    virtual void interrupt() = 0;

    // Undoes interrupt once no transfer runs any more: for a last message
    // (the goodbye) on a port about to be closed.
    virtual void resume() = 0;

    // True once the system reported the line gone (hang-up, an I/O error,
    // the device removed); every later transfer then fails at once.
    bool isLost() const noexcept { return lost.load(); }

    // Asks the system, without a transfer, whether the line is still there;
    // gives isLost(). Safe while another thread transfers.
    virtual bool checkLine() = 0;

protected:
    void markLost() noexcept { lost = true; }

private:
    std::atomic<bool> lost{ false };
};

namespace SerialPlatform
{
// Opens and configures the named port (57600 baud, 8N1, no flow control) for
// exclusive use. On failure returns nullptr and sets error to the text to show.
std::unique_ptr<SerialPlatformPort> open (const juce::String& portName, juce::String& error);

// Names of the ports that can be offered to the user, in the order found.
// False when the enumeration itself failed.
bool listPorts (juce::StringArray& names);
} // namespace SerialPlatform
