#pragma once

#include <juce_core/juce_core.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class AskUser;
class SerialPlatformPort;

// The one serial connection to the processor. open, close and identify run on
// the message thread; transfers run on whichever thread calls them (mostly the
// worker). close may run while another thread is inside a transfer: that
// transfer then fails, and the handle is released only after it has returned.
class SerialPort
{
public:
    static constexpr std::uint8_t goodbyeByte = 0x99;
    static constexpr int goodbyeTimeoutMs = 100;
    static constexpr int maxVerifiedCount = 4;

    SerialPort();
    ~SerialPort();

    bool open (const juce::String& name, juce::String& error);
    // Ends any transfer in progress at once, then sends the goodbye (if asked
    // and the line is still there) alone on the line, and lets go.
    void close (bool sendGoodbye);

    // cancelSource: the calling thread when it may be asked to exit, else nullptr.
    int write (const std::uint8_t* bytes, int count, juce::Thread* cancelSource, int timeoutMs);
    int read (std::uint8_t* buffer, int count, juce::Thread* cancelSource, int timeoutMs);
    int sendAndVerify (const std::uint8_t* bytes, int count, juce::Thread* cancelSource, int timeoutMs);

    // Asks the processor who it is; sets the firmware version. Defined with the protocol.
    bool identify();

    // Throws away whatever has arrived and not been read yet.
    void discardInput();

    // False from the moment close begins.
    bool isConnected() const noexcept;
    // The port reported the line gone (hang-up, an I/O error, the device
    // removed): every transfer fails at once until the port is closed.
    bool isLineLost() const;
    // Asks the port, without a transfer, whether the line is still there;
    // gives isLineLost(). For the worker while it has nothing to send.
    bool checkLine();
    // Changes with every open: a long sequence compares it before and after
    // its transfers to know that each one went to the same connection.
    std::uint64_t getSession() const noexcept { return session.load(); }
    juce::String getPortName() const;
    int getFirmwareVersion() const noexcept { return firmwareVersion.load(); }
    void setFirmwareVersion (int version) noexcept { firmwareVersion = version; }

private:
    enum class Direction
    {
        out,
        in
    };
    int transfer (Direction, std::uint8_t* bytes, int count, juce::Thread* cancelSource, int timeoutMs,
                  bool discardFirst);
    std::shared_ptr<SerialPlatformPort> acquire();
    void release();

    mutable std::mutex lock;
    std::condition_variable transfersDone;
    juce::String portName;
    std::shared_ptr<SerialPlatformPort> platform;
    std::atomic<std::uint64_t> session{ 0 };
    std::atomic<bool> connected{ false };
    std::atomic<bool> closing{ false };
    int activeTransfers = 0;
    std::atomic<int> firmwareVersion{ 0 };

    JUCE_DECLARE_NON_COPYABLE (SerialPort)
};

// The ports of this machine in the order they are offered (below); false when
// they cannot be listed.
bool listSerialPorts (juce::StringArray& names);

// The order ports are offered in: the machine's built-in serial ports
// (/dev/ttyS*), where a processor is rarely attached, after everything else
// (USB adapters, announced simulators); otherwise the order found, so COM
// names keep the system's order.
juce::StringArray inOfferedOrder (const juce::StringArray& found);

// Offers the ports to the user (title "Orveth Tavik"). On return name holds
// the chosen port, or is empty when the user cancelled or nothing could be
// offered; error holds the message to show, if any.
bool choosePort (AskUser& ask, juce::String& name, juce::String& error);

// The preselection rule of the port chooser: the index of remembered in items
// (exact, case-sensitive), or 0.
int preselectedPortIndex (const juce::StringArray& items, const juce::String& remembered);
