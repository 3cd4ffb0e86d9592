#pragma once

#include "common/SettingsLocation.h"
#include "device/DeviceLink.h"

#include <juce_data_structures/juce_data_structures.h>

#include <atomic>
#include <functional>
#include <memory>

class AskUser;
class DeviceState;
class HwThread;
class SerialPort;

// Connecting to a processor and letting go of it, the remembered port, the
// window title, the two whole-state transfers and the start of a firmware
// upload. Everything here runs on the message thread; the panels reach the
// device only through this object. No GUI code: any front end can use it.
class Connection
{
public:
    static constexpr const char* disconnectedTitle = "Tavik Serial Control - Disconnected";
    static constexpr const char* connectedTitlePrefix = "Tavik Serial Control - Connected via ";
    static constexpr const char* portSettingKey = Settings::serialPortKey;
    static constexpr const char* messageTitle = DeviceLink::messageTitle;
    static constexpr const char* notDetectedMessage = DeviceLink::notDetectedMessage;
    static constexpr const char* uploadRunningMessage = "A firmware upload is already in progress.";
    static constexpr const char* firmwareChooserTitle = "Please select the firmware to upload";
    static constexpr const char* firmwarePatterns = "*.TavikFirmware";

    // setTitle shows a new window title (the window may not exist yet).
    Connection (SerialPort& port, HwThread& worker, DeviceState& state, juce::PropertiesFile& settings, AskUser& ask,
                juce::ActionBroadcaster& status, std::atomic<double>& progress,
                std::function<void (const juce::String&)> setTitle);

    // Chooses, opens and identifies a port; true when a device is now connected.
    bool connectToDevice();
    void disconnectFromDevice (bool sendGoodbye);

    // SYNC TO SOFTWARE: queues every value of the record (264 commands).
    void syncToSoftware();
    // SYNC TO HARDWARE: queues one read-back; the record is changed on the
    // message thread once it has succeeded, and status 7 is broadcast.
    void syncToHardware();

    // Asks for a firmware file, checks it and hands the image to the worker;
    // true when an upload was started.
    bool startFirmwareUpload();

    bool isConnected() const;
    int getFirmwareVersion() const;
    bool hasWaitingCommands() const;
    bool isFirmwarePending() const;

    // Shows that the identification keeps the user waiting (a wait cursor in the window).
    std::function<void (bool waiting)> showWaiting;

private:
    SerialPort& port;
    HwThread& worker;
    DeviceState& state;
    juce::PropertiesFile& settings;
    AskUser& ask;
    juce::ActionBroadcaster& status;
    std::atomic<double>& progress;
    std::function<void (const juce::String&)> setTitle;

    JUCE_DECLARE_NON_COPYABLE (Connection)
};
