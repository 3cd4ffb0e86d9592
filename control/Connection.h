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
    static constexpr const char* lineLostMessage = DeviceLink::lineLostMessage;
    static constexpr const char* readBackUnansweredMessage =
        "Nothing was read from your Tavik: it did not answer the read-back. The settings shown are unchanged.";
    static constexpr const char* readBackEditedMessage =
        "Nothing was read from your Tavik: settings were changed while it was being read. The settings shown are "
        "unchanged; use SYNC TO HARDWARE again to read them.";

    // setTitle shows a new window title (the window may not exist yet).
    Connection (SerialPort& port, HwThread& worker, DeviceState& state, juce::PropertiesFile& settings, AskUser& ask,
                juce::ActionBroadcaster& status, std::atomic<double>& progress,
                std::function<void (const juce::String&)> setTitle);
    ~Connection();

    // Chooses, opens and identifies a port; true when a device is now connected.
    bool connectToDevice();
    // During an upload (isUploadActive) no goodbye is sent, whatever the
    // flag, and the commands waiting behind the upload are dropped.
    void disconnectFromDevice (bool sendGoodbye);

    // Quitting: closes the port first (with the goodbye unless an upload is
    // under way), so whatever transfer the worker is in ends at once, then
    // stops the worker, which by then returns by itself.
    void shutDown (int workerStopTimeoutMs);

    // SYNC TO SOFTWARE: queues every value of the record (264 commands).
    // When any of them is not echoed, says so once, at the end.
    void syncToSoftware();
    // What the end of a push says when failed of its total commands were not echoed.
    static juce::String pushFailedMessage (int failed, int total);
    // SYNC TO HARDWARE: queues one read-back; the record is changed on the
    // message thread once it has succeeded, and status 7 is broadcast. One
    // that ends having read nothing on a connection that is still there
    // tells the user why.
    void syncToHardware();

    // Asks for a firmware file, checks it and hands the image to the worker;
    // true when an upload was started.
    bool startFirmwareUpload();

    bool isConnected() const;
    int getFirmwareVersion() const;
    bool hasWaitingCommands() const;
    bool isFirmwarePending() const;
    // An upload handed over, running, or ended on this connection: from its
    // start until the disconnection only image bytes go to the processor.
    bool isUploadActive() const;
    // The port reported the line gone; the connection is not let go of yet.
    bool isLineLost() const;

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
    // Cleared on destruction: a report that arrives later shows nothing.
    std::shared_ptr<bool> alive = std::make_shared<bool> (true);

    JUCE_DECLARE_NON_COPYABLE (Connection)
};
