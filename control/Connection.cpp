#include "control/Connection.h"

#include "common/AskUser.h"
#include "common/Status.h"
#include "device/FirmwareFile.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "state/DeviceState.h"

Connection::Connection (SerialPort& serialPort, HwThread& hwThread, DeviceState& deviceState,
                        juce::PropertiesFile& settingsFile, AskUser& askUser,
                        juce::ActionBroadcaster& statusBroadcaster, std::atomic<double>& progressValue,
                        std::function<void (const juce::String&)> setWindowTitle)
    : port (serialPort)
    , worker (hwThread)
    , state (deviceState)
    , settings (settingsFile)
    , ask (askUser)
    , status (statusBroadcaster)
    , progress (progressValue)
    , setTitle (std::move (setWindowTitle))
{
}

bool Connection::connectToDevice()
{
    // Held across the dialogs and the identification, so the worker takes no
    // command while the port changes under it.
    const juce::ScopedLock sl (worker.queueLock);

    juce::String name = settings.getValue (portSettingKey);
    juce::String error;
    choosePort (ask, name, error);
    if (error.isNotEmpty())
    {
        ask.showMessage (messageTitle, error);
        return false;
    }
    if (name.isEmpty())
        return false; // cancelled

    // Nothing answering keeps this thread waiting for the full time-out.
    const auto result = DeviceLink::connectAndIdentify (port, name, error, showWaiting);
    if (result != DeviceLink::ConnectResult::connected)
    {
        ask.showMessage (messageTitle, error);
        if (result == DeviceLink::ConnectResult::notDetected)
            settings.removeValue (portSettingKey);
        return false;
    }

    if (setTitle != nullptr)
        setTitle (connectedTitlePrefix + name);
    settings.setValue (portSettingKey, name);
    return true;
}

void Connection::disconnectFromDevice (bool sendGoodbye)
{
    const juce::ScopedLock sl (worker.queueLock);
    port.close (sendGoodbye);
    if (setTitle != nullptr)
        setTitle (disconnectedTitle);
}

void Connection::syncToSoftware()
{
    // Sending brings a read-back's out-of-range values into range: one change.
    const DeviceState::Edit edit (state, DeviceState::ChangeSource::panel, "SYNC TO SOFTWARE");
    state.input2EQState.sendAllToDevice();
    state.outputEQState.sendAllToDevice();
    state.routerState.sendRouterToDevice();
    state.muteState.sendMutesToDevice();
}

void Connection::syncToHardware()
{
    state.queueReadBack();
}

bool Connection::startFirmwareUpload()
{
    // The running upload keeps its image; a second one is never queued behind it.
    if (worker.isFirmwarePending())
    {
        ask.showMessage (messageTitle, uploadRunningMessage);
        return false;
    }

    const auto file = ask.chooseFileToOpen (
        firmwareChooserTitle, juce::File::getSpecialLocation (juce::File::userDocumentsDirectory), firmwarePatterns);
    if (file == juce::File())
        return false;

    auto image = readFirmwareFile (file, ask, &progress);
    if (image == nullptr)
        return false;

    progress = 0.0;
    if (!worker.startFirmwareUpload (std::move (image)))
    {
        ask.showMessage (messageTitle, uploadRunningMessage);
        return false;
    }
    return true;
}

bool Connection::isConnected() const
{
    return port.isConnected();
}

int Connection::getFirmwareVersion() const
{
    return port.getFirmwareVersion();
}

bool Connection::hasWaitingCommands() const
{
    return worker.getPendingCount() > 0; // read under the queue lock
}

bool Connection::isFirmwarePending() const
{
    return worker.isFirmwarePending();
}
