#pragma once

#include <juce_core/juce_core.h>

#include <functional>

class SerialPort;

// What every front end does to reach a processor and says about it: the
// program's window and tavikctl open, identify and report alike.
namespace DeviceLink
{
// Texts shown to the user (the program shows them in a box titled messageTitle).
inline constexpr const char* messageTitle = "Tavik";
inline constexpr const char* cannotListPortsMessage = "Unable to enumerate COM ports.";
inline constexpr const char* noPortsMessage = "No COM ports found.";
inline constexpr const char* notDetectedMessage = "Tavik not detected";
inline constexpr const char* noReadBackMessage =
    "Your Tavik does not support this feature.  Please update your firmware.";
inline constexpr const char* noUploadMessage =
    "Your Tavik does not support uploading firmware.  Please contact Orveth customer service.";
inline constexpr const char* uploadFailedMessage = "Firmware upload failed.";
inline constexpr const char* uploadCompleteMessage = "Firmware upload complete.";
inline constexpr const char* lineLostMessage =
    "The connection to your Tavik was lost. Check the cable and the unit's power, then connect again.";
inline constexpr const char* interruptUploadQuestion =
    "Interrupting a firmware upload may render your unit unusable. Are you sure you want to quit?";

enum class ConnectResult
{
    connected,
    cannotOpen,
    notDetected
};

// Opens the named port and asks who answers. Anything but connected leaves
// the port closed (without the goodbye byte) and error holding the message.
// identifying(true) and identifying(false) bracket the identification, which
// waits for the full time-out when nothing answers.
ConnectResult connectAndIdentify (SerialPort& port, const juce::String& name, juce::String& error,
                                  const std::function<void (bool)>& identifying = {});

// A version as the processor spells it, "1.2c" for 1002002; the number itself
// when it has no such spelling, "unknown" for 0 (no answer to 0x91).
juce::String firmwareVersionText (int version);
} // namespace DeviceLink
