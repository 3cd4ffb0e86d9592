#include "app/Connection.h"

#include "common/AskUser.h"
#include "common/Status.h"
#include "device/FirmwareFile.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "device/SyncToHardwareCommand.h"
#include "state/DeviceState.h"

#include <juce_gui_basics/juce_gui_basics.h>

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

Connection::~Connection()
{
    *alive = false;
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

    if (!port.open (name, error))
    {
        ask.showMessage (messageTitle, error);
        return false;
    }

    // Nothing answering keeps this thread waiting for the full time-out.
    juce::MouseCursor::showWaitCursor();
    const bool identified = port.identify();
    juce::MouseCursor::hideWaitCursor();

    if (!identified)
    {
        ask.showMessage (messageTitle, notDetectedMessage);
        port.close (false);
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
    state.input2EQState.sendAllToDevice();
    state.outputEQState.sendAllToDevice();
    state.routerState.sendRouterToDevice();
    state.muteState.sendMutesToDevice();
}

void Connection::syncToHardware()
{
    // Enqueueing happens on this thread only, so the count after this
    // command is known now; any other count when the answer arrives means
    // the user edited meanwhile.
    const auto countWhenQueued = worker.getEnqueuedCount() + 1;
    worker.enqueue (std::make_unique<SyncToHardwareCommand> (
        [this, stillHere = alive, countWhenQueued] (const ReadBackBuffer& read)
        {
            // Storing it would overwrite those edits in the record while
            // their commands still go out to the processor.
            if (*stillHere && worker.getEnqueuedCount() == countWhenQueued)
                applyReadBack (read);
        }));
}

void Connection::applyReadBack (const ReadBackBuffer& read)
{
    for (int input = 0; input < Input2EQState::channelCount; ++input)
        state.input2EQState.applyReadBack (input, read.blocks[(size_t) input]);
    for (int output = 0; output < OutputEQState::outputCount; ++output)
    {
        state.outputEQState.applyReadBack (output, read.blocks[(size_t) (Input2EQState::channelCount + output)]);
        state.routerState.applyReadBack (output, read.routing[(size_t) output]);
    }
    state.muteState.applyReadBack (read.mute);
    broadcastStatus (status, StatusReadBackDone);
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
