#include "device/SerialPort.h"

#include "common/AskUser.h"
#include "device/DeviceLink.h"
#include "device/SerialPlatform.h"

#include <chrono>

SerialPort::SerialPort() = default;

SerialPort::~SerialPort()
{
    close (false);
}

bool SerialPort::open (const juce::String& name, juce::String& error)
{
    close (false);

    auto opened = SerialPlatform::open (name, error);
    if (opened == nullptr)
        return false;

    std::lock_guard<std::mutex> guard (lock);
    platform = std::move (opened);
    portName = name;
    firmwareVersion = 0;
    ++session; // before connected, so a reader that sees the new connection sees its session
    connected = true;
    return true;
}

void SerialPort::close (bool sendGoodbye)
{
    std::unique_lock<std::mutex> guard (lock);
    closing = true;
    if (platform != nullptr)
        platform->interrupt();

    // A transfer on another thread still uses the handle: let it fail first.
    // It notices within one wait step; one whose thread runs again only after
    // this wait still fails at once (the interrupt is final) and then lets
    // go. A thread killed inside a transfer never returns, and then its own
    // reference keeps the handle alive.
    const bool alone =
        transfersDone.wait_for (guard, std::chrono::seconds (2), [this] { return activeTransfers == 0; });

    // Nothing else is on its way now, and nothing can follow: the goodbye
    // goes out alone, after whatever was sent before.
    if (sendGoodbye && alone && connected && platform != nullptr && !platform->isLost())
    {
        platform->resume();
        platform->write (&goodbyeByte, 1, goodbyeTimeoutMs, [] { return false; });
    }

    platform.reset();
    portName.clear();
    connected = false;
    firmwareVersion = 0;
    closing = false;
}

bool SerialPort::isConnected() const noexcept
{
    // closing first: close clears connected before closing, so a port seen
    // not closing and connected was not closed meanwhile.
    return !closing.load() && connected.load();
}

bool SerialPort::isLineLost() const
{
    std::lock_guard<std::mutex> guard (lock);
    return platform != nullptr && platform->isLost();
}

bool SerialPort::checkLine()
{
    auto port = acquire();
    if (port == nullptr)
        return false;
    const bool lost = port->checkLine();
    port.reset();
    release();
    return lost;
}

juce::String SerialPort::getPortName() const
{
    std::lock_guard<std::mutex> guard (lock);
    return portName;
}

std::shared_ptr<SerialPlatformPort> SerialPort::acquire()
{
    std::lock_guard<std::mutex> guard (lock);
    if (closing || platform == nullptr)
        return nullptr;
    ++activeTransfers;
    return platform;
}

void SerialPort::release()
{
    {
        std::lock_guard<std::mutex> guard (lock);
        --activeTransfers;
    }
    transfersDone.notify_all();
}

int SerialPort::transfer (Direction direction, std::uint8_t* bytes, int count, juce::Thread* cancelSource,
                          int timeoutMs, bool discardFirst)
{
    auto acquired = acquire();
    if (acquired == nullptr)
        return 0;

    // Drops this reference to the handle before counting the transfer done,
    // so a waiting close() really releases the device; also when unwinding.
    struct InFlight
    {
        SerialPort& owner;
        std::shared_ptr<SerialPlatformPort> port;
        ~InFlight()
        {
            port.reset();
            owner.release();
        }
    } inFlight{ *this, std::move (acquired) };

    const auto shouldStop = [this, cancelSource]
    { return closing.load() || (cancelSource != nullptr && cancelSource->threadShouldExit()); };

    if (discardFirst)
        inFlight.port->discardInput();

    return direction == Direction::out ? inFlight.port->write (bytes, count, timeoutMs, shouldStop)
                                       : inFlight.port->read (bytes, count, timeoutMs, shouldStop);
}

void SerialPort::discardInput()
{
    if (auto port = acquire())
    {
        port->discardInput();
        port.reset();
        release();
    }
}

int SerialPort::write (const std::uint8_t* bytes, int count, juce::Thread* cancelSource, int timeoutMs)
{
    if (!connected)
        return count;
    if (count <= 0)
        return 0;
    return transfer (Direction::out, const_cast<std::uint8_t*> (bytes), count, cancelSource, timeoutMs, false);
}

int SerialPort::read (std::uint8_t* buffer, int count, juce::Thread* cancelSource, int timeoutMs)
{
    if (!connected)
        return count;
    if (count <= 0)
        return 0;
    return transfer (Direction::in, buffer, count, cancelSource, timeoutMs, false);
}

int SerialPort::sendAndVerify (const std::uint8_t* bytes, int count, juce::Thread* cancelSource, int timeoutMs)
{
    // An echo that was never read is no success.
    if (!connected || count <= 0 || count > maxVerifiedCount)
        return 0;

    // A late answer to an earlier message would otherwise be taken for this
    // echo and put every later one out of step.
    const int written =
        transfer (Direction::out, const_cast<std::uint8_t*> (bytes), count, cancelSource, timeoutMs, true);
    if ((cancelSource != nullptr && cancelSource->threadShouldExit()) || written < count)
        return 0;

    std::uint8_t echo[maxVerifiedCount] = {};
    if (read (echo, count, cancelSource, timeoutMs) < count || !connected)
        return 0;

    return std::equal (bytes, bytes + count, echo) ? written : 0;
}

bool listSerialPorts (juce::StringArray& names)
{
    names.clear();
    juce::StringArray found;
    const bool listed = SerialPlatform::listPorts (found);
    names = inOfferedOrder (found);
    return listed;
}

juce::StringArray inOfferedOrder (const juce::StringArray& found)
{
    // Most PCs report a present /dev/ttyS0 with nothing behind it; offered
    // first, it would be preselected for a first connection that then waits
    // out the identification time-out.
    const auto builtIn = [] (const juce::String& name)
    {
        const auto rest = name.fromFirstOccurrenceOf ("/dev/ttyS", false, false);
        return name.startsWith ("/dev/ttyS") && rest.isNotEmpty() && rest.containsOnly ("0123456789");
    };
    juce::StringArray ordered, last;
    for (const auto& name : found)
        (builtIn (name) ? last : ordered).add (name);
    ordered.addArray (last);
    return ordered;
}

int preselectedPortIndex (const juce::StringArray& items, const juce::String& remembered)
{
    if (remembered.isEmpty())
        return 0;
    const int index = items.indexOf (remembered, false);
    return index >= 0 ? index : 0;
}

bool choosePort (AskUser& ask, juce::String& name, juce::String& error)
{
    juce::StringArray items;
    if (!listSerialPorts (items))
    {
        error = DeviceLink::cannotListPortsMessage;
        name.clear();
        return false;
    }
    if (items.isEmpty())
    {
        error = DeviceLink::noPortsMessage;
        name.clear();
        return false;
    }

    AskUser::ListChoice choice;
    choice.title = "Orveth Tavik";
    choice.message = "Please select a serial port:";
    choice.comboName = "Serial ports";
    choice.comboLabel = "Serial port";
    choice.items = items;
    choice.preselected = preselectedPortIndex (items, name);
    name = ask.chooseFromList (choice);
    return true;
}
