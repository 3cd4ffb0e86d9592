#include "device/DeviceLink.h"

#include "device/SerialPort.h"

namespace DeviceLink
{
ConnectResult connectAndIdentify (SerialPort& port, const juce::String& name, juce::String& error,
                                  const std::function<void (bool)>& identifying)
{
    if (!port.open (name, error))
        return ConnectResult::cannotOpen;

    if (identifying)
        identifying (true);
    const bool identified = port.identify();
    if (identifying)
        identifying (false);

    if (!identified)
    {
        port.close (false);
        error = notDetectedMessage;
        return ConnectResult::notDetected;
    }
    return ConnectResult::connected;
}

juce::String firmwareVersionText (int version)
{
    if (version == 0)
        return "unknown";
    // The inverse of Protocol::firmwareVersionFromBytes for a digit, a digit and a letter.
    const int major = version / 1000000, minor = (version / 1000) % 1000, letter = version % 1000;
    if (version < 0 || major > 9 || minor > 9 || letter > 25)
        return juce::String (version);
    return juce::String (major) + "." + juce::String (minor) +
           juce::String::charToString (juce::juce_wchar ('a' + letter));
}
} // namespace DeviceLink
