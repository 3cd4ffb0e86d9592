#include "control/Connection.h"

#include "common/AskUser.h"
#include "common/Status.h"
#include "device/FirmwareFile.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "state/DeviceState.h"

namespace
{
// Queued behind the last command of a push: runs on the worker once every
// one of them has been sent, and hands on how many failed.
class PushEnd final : public HardwareCommand
{
public:
    using Done = std::function<void (std::uint64_t failedCommandsSoFar)>;
    explicit PushEnd (Done whenDone)
        : done (std::move (whenDone))
    {
    }
    void execute (WorkerContext& context) override
    {
        if (context.queue != nullptr)
            done (context.queue->getFailedCommandCount());
    }

private:
    Done done;
};
} // namespace

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
    // A processor inside an upload takes every byte as image data, the
    // goodbye too; what waited behind the upload goes with the connection.
    const bool upload = worker.isUploadActive();
    port.close (sendGoodbye && !upload);
    if (upload)
        worker.clearQueue();
    if (setTitle != nullptr)
        setTitle (disconnectedTitle);
}

void Connection::shutDown (int workerStopTimeoutMs)
{
    worker.signalThreadShouldExit(); // so it starts nothing new once its transfer ends
    disconnectFromDevice (true);
    worker.stopThread (workerStopTimeoutMs);
}

void Connection::syncToSoftware()
{
    const auto queuedBefore = worker.getEnqueuedCount();
    const auto failedBefore = worker.getFailedCommandCount();
    {
        // Sending brings a read-back's out-of-range values into range: one change.
        const DeviceState::Edit edit (state, DeviceState::ChangeSource::panel, "SYNC TO SOFTWARE");
        state.input2EQState.sendAllToDevice();
        state.outputEQState.sendAllToDevice();
        state.routerState.sendRouterToDevice();
        state.muteState.sendMutesToDevice();
    }

    const int total = (int) (worker.getEnqueuedCount() - queuedBefore);
    if (total == 0)
        return; // nothing queued: no device
    const auto session = port.getSession();
    worker.enqueue (std::make_unique<PushEnd> (
        [this, stillHere = alive, session, failedBefore, total] (std::uint64_t failedNow)
        {
            const int failed = (int) (failedNow - failedBefore);
            if (failed == 0)
                return;
            juce::MessageManager::callAsync (
                [this, stillHere, session, failed, total]
                {
                    // A connection that ended meanwhile was told of already
                    // (a lost line) or let go of by the user.
                    if (*stillHere && port.isConnected() && port.getSession() == session && !port.isLineLost())
                        ask.showMessage (messageTitle, pushFailedMessage (failed, total));
                });
        }));
}

void Connection::syncToHardware()
{
    state.queueReadBack (
        [this, stillHere = alive] (DeviceState::NothingRead why)
        {
            if (*stillHere)
                ask.showMessage (messageTitle, why == DeviceState::NothingRead::unanswered ? readBackUnansweredMessage
                                                                                           : readBackEditedMessage);
        });
}

bool Connection::startFirmwareUpload()
{
    // The running upload keeps its image; a second one is never queued behind it.
    if (worker.isUploadActive())
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

juce::String Connection::pushFailedMessage (int failed, int total)
{
    return juce::String (failed) + " of the " + juce::String (total) + " settings sent " +
           (failed == 1 ? "was" : "were") +
           " not confirmed by your Tavik and may not have reached it. Use SYNC TO SOFTWARE again to send them.";
}

bool Connection::isUploadActive() const
{
    return worker.isUploadActive();
}

bool Connection::isLineLost() const
{
    return port.isConnected() && port.isLineLost();
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
